#pragma once
// A page of the sections bar: a header strip drawn as a push button, its
// folder buttons below it (laid out from the page's scroll offset) and two
// small scroll arrows at the right.

#include "LookOutTypes.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <memory>

class QLineEdit;
#include <QMenu>
class QToolButton;

namespace flk {

class TLookOut;
class TLookOutButton;
class TLookOutCaptionEdit;
class TLookOutRepeatTimer;

Q_MOC_INCLUDE("LookOutButton.h")
Q_MOC_INCLUDE("LookOut.h")

class TLookOutPage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    // A page on `bar` is added at the end of its pages. 100 x 92.
    explicit TLookOutPage(TLookOut* bar = nullptr);
    ~TLookOutPage() override;

    TLookOut* Bar() const { return m_bar; }

    QString Caption() const { return m_caption; } // "Outlook"
    void SetCaption(const QString& caption);

    QColor Color() const { return m_color; } // button area; button shadow by default
    void SetColor(const QColor& color);
    QPixmap Bitmap() const { return m_bitmap; } // tiled behind the buttons
    void SetBitmap(const QPixmap& bitmap);

    // Caption colours and the font used while the mouse is over the header.
    // Until set, HiLiteFont is the page's font and HiLiteFontColor FontColor.
    QColor FontColor() const;
    void SetFontColor(const QColor& color);
    QFont HiLiteFont() const;
    void SetHiLiteFont(const QFont& font);
    QColor HiLiteFontColor() const;
    void SetHiLiteFontColor(const QColor& color);

    int Margin() const { return m_margin; } // extra space above each button
    void SetMargin(int margin);
    bool AutoCenter() const { return m_autoCenter; }
    void SetAutoCenter(bool value);
    bool AutoRepeat() const { return m_autoRepeat; } // held arrows repeat
    void SetAutoRepeat(bool value) { m_autoRepeat = value; }
    bool ShowPressed() const { return m_showPressed; } // header looks pressed while held
    void SetShowPressed(bool value) { m_showPressed = value; }

    TImageSize ImageSize() const { return m_imageSize; }
    void SetImageSize(TImageSize size);
    bool ParentImageSize() const { return m_parentImageSize; }
    void SetParentImageSize(bool value);
    TImageSize EffectiveImageSize() const; // the bar's while ParentImageSize

    // Shown on a right click on the page or its header.
    QMenu* PopUpMenu() const { return m_popUpMenu; }
    void SetPopUpMenu(QMenu* menu) { m_popUpMenu = menu; }

    // Buttons in page order. A button is added at the end by AddButton or by
    // constructing a TLookOutButton on the page, and removed by deleting it.
    TLookOutButton* AddButton(const QString& caption = {}, int imageIndex = -1);
    int ButtonCount() const { return m_buttons.size(); }
    TLookOutButton* Button(int index) const;
    int IndexOfButton(const TLookOutButton* button) const;
    QList<TLookOutButton*> Buttons() const { return m_buttons; }
    void ExchangeButtons(int first, int second); // swaps two places and lays out

    // Number of buttons scrolled out above the visible area.
    int ScrollOffset() const { return m_scrollOffset; }
    void ScrollUp();   // what the up arrow does
    void ScrollDown(); // what the down arrow does
    // Scrolls as little as it takes for the button to be wholly in sight.
    void ScrollIntoView(const TLookOutButton* button);

    // Places the buttons for the scroll offset and shows the arrows that
    // apply. Does nothing while updating or without buttons (then both
    // arrows are hidden).
    void ArrangeButtons();
    // Bulk changes: no layout between BeginUpdate and EndUpdate, one after.
    void BeginUpdate();
    void EndUpdate();

    QToolButton* UpArrow() const { return m_upArrow; }
    QToolButton* DownArrow() const { return m_downArrow; }
    void SetRepeatTimer(std::unique_ptr<TLookOutRepeatTimer> timer);

    QRect HeaderRect() const; // the strip: page width x 19 at the top
    bool MouseInHeader() const { return m_headerHover; }

    // What a mouse click on the header does, for the keyboard and assistive
    // technology: OnMouseDown and OnMouseUp, then the page opens on its bar
    // and OnClick fires. Nothing for a disabled page.
    void Press();

    // In-place caption edit: an edit box 19 pixels high over the header,
    // holding the caption all selected, focused, with the mouse captured.
    // Enter or leaving the box takes the text as the caption, Escape keeps
    // the old one; either way OnEdited follows.
    void EditCaption();
    QLineEdit* CaptionEditor() const { return m_editor; } // while editing, else null

    // Drop target of a dragged folder button (see TLookOutButton::BeginDrag).
    bool DropHighlight() const { return m_dropHighlight; }

    QSize sizeHint() const override { return {100, 92}; }

signals:
    void OnClick(TLookOutPage* page);               // header clicked (after opening)
    void OnEdited(TLookOutPage* page, bool accepted); // the caption edit ended
    void OnMouseDown(TLookOutPage* page, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseUp(TLookOutPage* page, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseMove(TLookOutPage* page, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint pos);
    // A folder button is dragged over the page: set *accept to take it.
    void OnDragOver(TLookOutPage* page, TLookOutButton* source, bool* accept);
    void OnDragDrop(TLookOutPage* page, TLookOutButton* source);
    void OnPopup(TLookOutPage* page); // just before PopUpMenu opens

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override; // one button a notch, as the arrows
    void contextMenuEvent(QContextMenuEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend class TLookOut;
    friend class TLookOutButton;
    void ButtonAdded(TLookOutButton* button);
    void ButtonGone(TLookOutButton* button);
    void ImageSizeChanged();
    void Arrange(bool slide);
    void ScrollTo(int offset);
    int m_wheelDelta = 0;
    void PlaceArrows();
    void ArrowPressed(QToolButton* arrow);
    void ArrowReleased();
    void RepeatFired();
    void SetHeaderHover(bool hover);
    void HeaderClicked();
    void SetDropHighlight(bool on);
    void FinishEdit(bool accepted);
    void PaintHeader(class QPainter& p);
    bool Laying() const { return m_updating > 0 || m_destroying; }

    TLookOut* m_bar = nullptr;
    QString m_caption = QStringLiteral("Outlook");
    QColor m_color;
    QPixmap m_bitmap;
    QColor m_fontColor;
    bool m_hiLiteFontSet = false;
    QFont m_hiLiteFont;
    QColor m_hiLiteFontColor;
    int m_margin = 0;
    bool m_autoCenter = false;
    bool m_autoRepeat = false;
    bool m_showPressed = false;
    TImageSize m_imageSize = isLarge;
    bool m_parentImageSize = true;
    QPointer<QMenu> m_popUpMenu;
    QList<TLookOutButton*> m_buttons;
    int m_scrollOffset = 0;
    unsigned m_layoutGeneration = 0; // a newer layout stops an older slide
    int m_updating = 0;
    bool m_destroying = false;
    QToolButton* m_upArrow = nullptr;
    QToolButton* m_downArrow = nullptr;
    std::unique_ptr<TLookOutRepeatTimer> m_repeat;
    QToolButton* m_repeatArrow = nullptr;
    int m_repeats = 0;
    bool m_headerHover = false;
    bool m_headerDown = false;
    bool m_dropHighlight = false;
    QLineEdit* m_editor = nullptr;
    QPointer<TLookOutCaptionEdit> m_edit; // the editor's keeper while editing
    QString m_editCaption;
};

} // namespace flk
