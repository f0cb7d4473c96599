#pragma once
// A folder button of the sections bar: an icon with its caption under it
// (large images) or beside it (small images), a 3-D frame around the icon
// while the mouse is over it, latching like a speed button.

#include "LookOutTypes.h"

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QPointer>
#include <QWidget>

class QLineEdit;
#include <QMenu>

namespace flk {

class TLookOut;
class TLookOutCaptionEdit;
class TLookOutPage;

Q_MOC_INCLUDE("LookOutPage.h")

class TLookOutButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)

public:
    // A button on `page` is added at the end of its buttons. 60 x 60.
    explicit TLookOutButton(TLookOutPage* page = nullptr);
    ~TLookOutButton() override;

    TLookOutPage* Page() const { return m_page; }

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

    // Where the icon comes from; the lists are not owned.
    const TImageList* LargeImages() const { return m_largeImages; }
    void SetLargeImages(const TImageList* images);
    const TImageList* SmallImages() const { return m_smallImages; }
    void SetSmallImages(const TImageList* images);
    int ImageIndex() const { return m_imageIndex; } // -1: no icon
    void SetImageIndex(int index);

    TImageSize ImageSize() const { return m_imageSize; }
    void SetImageSize(TImageSize size);
    bool ParentImageSize() const { return m_parentImageSize; }
    void SetParentImageSize(bool value);
    // The page's size while ParentImageSize; large when there are no small images.
    TImageSize EffectiveImageSize() const;

    int Spacing() const { return m_spacing; } // 4
    void SetSpacing(int spacing);
    TButtonBorder ButtonBorder() const { return m_buttonBorder; } // bbDark
    void SetButtonBorder(TButtonBorder border);

    // Caption colours and the font used while the mouse is over the button.
    // Until set, HiLiteFont is the button's font and HiLiteFontColor FontColor.
    QColor FontColor() const;
    void SetFontColor(const QColor& color);
    QFont HiLiteFont() const;
    void SetHiLiteFont(const QFont& font);
    QColor HiLiteFontColor() const;
    void SetHiLiteFontColor(const QColor& color);

    // Speed-button latching: a click on a button with a GroupIndex puts it
    // down and releases the others of its group on the same page.
    bool Down() const { return m_down; }
    void SetDown(bool down);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int index) { m_groupIndex = index; }

    QMenu* PopUpMenu() const { return m_popUpMenu; } // shown on a right click
    void SetPopUpMenu(QMenu* menu) { m_popUpMenu = menu; }

    // What a click does: latching, then OnClick. Nothing while disabled.
    void Click();
    // What a mouse click does, for the keyboard and assistive technology:
    // OnMouseDown and OnMouseUp with the left button, then Click.
    void Press();

    bool MouseInControl() const { return m_hover; }
    // The bar's current item (see TLookOut::SetSelectedButton): drawn on
    // the selection colour and reported selected to assistive technology.
    bool Selected() const { return m_selected; }
    void SetSelected(bool selected);
    bool Pressed() const; // drawn pressed: held down with the mouse over it, or Down

    // Geometry of the drawing, in button coordinates.
    QRect IconRect() const;
    QRect FrameRect() const;   // the hover frame: the icon widened by Spacing
    QRect CaptionRect() const;

    // In-place caption edit over the caption (see TLookOutPage::EditCaption).
    void EditCaption();
    QLineEdit* CaptionEditor() const { return m_editor; }

    // Dragging the button onto another button or page of its bar. While a
    // drag runs the button holds the mouse; the widget under the pointer is
    // asked through its OnDragOver and, when it accepts, gets OnDragDrop on
    // release. EndDrag(false) cancels.
    QCursor DragCursor() const { return m_dragCursor; }
    void SetDragCursor(const QCursor& cursor) { m_dragCursor = cursor; }
    void BeginDrag();
    void EndDrag(bool drop);
    bool Dragging() const { return m_dragging; }
    QWidget* DragTarget() const { return m_dragTarget; } // accepting target under the pointer

    QSize sizeHint() const override { return {60, 60}; }

signals:
    void OnClick(TLookOutButton* button);
    void OnMouseEnter(TLookOutButton* button);
    void OnMouseExit(TLookOutButton* button);
    void OnMouseDown(TLookOutButton* button, Qt::MouseButton which, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseUp(TLookOutButton* button, Qt::MouseButton which, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseMove(TLookOutButton* button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnEdited(TLookOutButton* button, bool accepted);
    void OnPopup(TLookOutButton* button); // just before PopUpMenu opens
    void OnStartDrag(TLookOutButton* button);
    // The drag ended; `target` is the button or page it was dropped on, or null.
    void OnEndDrag(TLookOutButton* button, QWidget* target);
    // Another button is dragged over this one: set *accept to take it.
    void OnDragOver(TLookOutButton* button, TLookOutButton* source, bool* accept);
    void OnDragDrop(TLookOutButton* button, TLookOutButton* source);

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    friend class TLookOutPage;
    const TImageList* Images() const;
    void DragMoved(QPoint globalPos);
    void HoverAt(QPoint globalPos);
    void FinishEdit(bool accepted);

    QPointer<TLookOutPage> m_page;
    QString m_caption;
    const TImageList* m_largeImages = nullptr;
    const TImageList* m_smallImages = nullptr;
    int m_imageIndex = -1;
    TImageSize m_imageSize = isLarge;
    bool m_parentImageSize = true;
    int m_spacing = 4;
    TButtonBorder m_buttonBorder = bbDark;
    QColor m_fontColor;
    bool m_hiLiteFontSet = false;
    QFont m_hiLiteFont;
    QColor m_hiLiteFontColor;
    bool m_down = false;
    int m_groupIndex = 0;
    QPointer<QMenu> m_popUpMenu;
    bool m_hover = false;
    bool m_selected = false;
    bool m_mouseDown = false;
    QLineEdit* m_editor = nullptr;
    QPointer<TLookOutCaptionEdit> m_edit; // the editor's keeper while editing
    QCursor m_dragCursor{Qt::DragMoveCursor};
    bool m_dragging = false;
    QPoint m_dragPos; // where the pointer last was during the drag (global)
    QPointer<QWidget> m_dragTarget;
};

} // namespace flk
