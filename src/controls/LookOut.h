#pragma once
// The outlook-style sections bar: a column of pages, each with a 19-pixel
// header strip, of which one page at a time is open and shows its buttons.
// Clicking a header opens its page; with Smooth the pages slide there.

#include "LookOutTypes.h"

#include <QColor>
#include <QFrame>
#include <QList>
#include <QPointer>

namespace flk {

class TLookOutButton;
class TLookOutPage;

Q_MOC_INCLUDE("LookOutPage.h")

class TLookOut : public QFrame {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Smooth READ Smooth WRITE SetSmooth)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)

public:
    explicit TLookOut(QWidget* parent = nullptr); // 92 x 300
    ~TLookOut() override;

    // Pages in child order. A page is added at the end by AddPage or by
    // constructing a TLookOutPage on the bar, and removed by deleting it.
    TLookOutPage* AddPage(const QString& caption = QStringLiteral("Outlook"));
    int PageCount() const;
    TLookOutPage* Page(int index) const;
    int IndexOfPage(const TLookOutPage* page) const; // -1 when not ours
    QList<TLookOutPage*> Pages() const;

    // The open page. Setting a page of this bar opens it (fires OnClick and
    // lays the pages out); a page of another bar or none clears it. The first
    // page added to an empty bar becomes the open page without OnClick.
    TLookOutPage* ActivePage() const;
    void SetActivePage(TLookOutPage* page);

    // With AutoSize the pages take the bar's width less 4. Switching it
    // lays the pages out again.
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value);

    TLookOutBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TLookOutBorderStyle style);

    // Pages and buttons slide in 20-pixel steps, letting messages run after
    // each step. The bar may be destroyed meanwhile; it is never touched then.
    bool Smooth() const { return m_smooth; }
    void SetSmooth(bool value) { m_smooth = value; }

    TImageSize ImageSize() const { return m_imageSize; }
    void SetImageSize(TImageSize size); // pages with ParentImageSize follow

    QColor Color() const { return m_color; } // background; button face by default
    void SetColor(const QColor& color);

    // Lays the pages out for the open page again, without OnClick and
    // without sliding (what a resize does).
    void Relayout();

    // The bar's items in bar order: every visible page's header (the page
    // itself) and, after the open page's header, its buttons in sight.
    // Keyboard focus moves along them (arrow keys, Home, End; Space or Enter
    // presses one; the menu key opens its menu after a right-button press)
    // and assistive technology sees them as the bar's children.
    QList<QWidget*> Items() const;
    QWidget* FocusItem() const;
    void SetFocusItem(QWidget* item);

    // The current item among all the bar's buttons (none: no button): it
    // shows selected, and its page scrolls it into sight.
    void SetSelectedButton(TLookOutButton* button);
    TLookOutButton* SelectedButton() const { return m_selectedButton; }

    QSize sizeHint() const override { return {92, 300}; }
    // As high as its visible headers and one row of the open page's
    // buttons need, so the window never makes the bar too short to open a
    // page (where the headers would not say which page is open).
    QSize minimumSizeHint() const override;
    // The headers leave room for an open page at the bar's height. While
    // they do not (a screen too small), a click opens nothing.
    bool HasRoom() const;

signals:
    // A page was opened (header click or SetActivePage).
    void OnClick(TLookOutPage* page);
    // AutoSize gave the pages another width.
    void PagesResized();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    friend class TLookOutPage;
    void PageAdded(TLookOutPage* page);
    void PageGone(TLookOutPage* page);
    void ArrangePages(bool slide);
    QList<TLookOutPage*> VisiblePages() const;
    void MoveFocus(int step);

    QList<TLookOutPage*> m_pages;
    TLookOutPage* m_active = nullptr;
    QPointer<QWidget> m_focusItem;
    QPointer<TLookOutButton> m_selectedButton;
    bool m_autoSize = false;
    bool m_smooth = false;
    bool m_destroying = false;
    TLookOutBorderStyle m_borderStyle = bsSingle;
    TImageSize m_imageSize = isLarge;
    QColor m_color;
    unsigned m_arrangeGeneration = 0; // a newer layout stops an older slide
};

} // namespace flk
