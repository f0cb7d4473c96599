#include "LookOut.h"

#include "LookOutAccessible.h"
#include "LookOutButton.h"
#include "LookOutGeometry.h"
#include "LookOutPage.h"
#include "LookOutSlide.h"
#include "PumpGuard.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>

namespace flk {

namespace G = LookOutGeometry;

TLookOut::TLookOut(QWidget* parent)
    : QFrame(parent)
    , m_color(palette().color(QPalette::Button))
{
    InstallLookOutAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    SetBorderStyle(bsSingle);
    resize(92, 300);
}

TLookOut::~TLookOut()
{
    // Pages go first, while the bar can still hear about them.
    m_destroying = true;
    const QList<TLookOutPage*> pages = std::exchange(m_pages, {});
    m_active = nullptr;
    qDeleteAll(pages);
}

TLookOutPage* TLookOut::AddPage(const QString& caption)
{
    auto* page = new TLookOutPage(this);
    page->SetCaption(caption);
    return page;
}

int TLookOut::PageCount() const { return m_pages.size(); }

TLookOutPage* TLookOut::Page(int index) const
{
    return index >= 0 && index < m_pages.size() ? m_pages[index] : nullptr;
}

int TLookOut::IndexOfPage(const TLookOutPage* page) const
{
    return m_pages.indexOf(const_cast<TLookOutPage*>(page));
}

QList<TLookOutPage*> TLookOut::Pages() const { return m_pages; }

TLookOutPage* TLookOut::ActivePage() const { return m_active; }

void TLookOut::SetActivePage(TLookOutPage* page)
{
    if (!m_pages.contains(page)) {
        m_active = nullptr;
        return;
    }
    // A page that cannot open stays closed rather than open under another's header.
    if (page != m_active && !HasRoom())
        return;
    const QPointer<TLookOutPage> closed(m_active);
    m_active = page;
    const PumpGuard alive(this);
    emit OnClick(page);
    if (!alive)
        return;
    ArrangePages(m_smooth);
    if (alive)
        NotifyLookOutItemsChanged(this, closed, m_active);
}

void TLookOut::SetSelectedButton(TLookOutButton* button)
{
    if (m_selectedButton && m_selectedButton != button)
        m_selectedButton->SetSelected(false);
    m_selectedButton = button;
    if (!button)
        return;
    button->SetSelected(true);
    if (TLookOutPage* page = button->Page())
        page->ScrollIntoView(button);
}

void TLookOut::SetAutoSize(bool value)
{
    m_autoSize = value;
    Relayout();
}

void TLookOut::SetBorderStyle(TLookOutBorderStyle style)
{
    m_borderStyle = style;
    setFrameStyle(style == bsSingle ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
    Relayout();
}

void TLookOut::SetImageSize(TImageSize size)
{
    m_imageSize = size;
    for (TLookOutPage* page : m_pages)
        if (page->ParentImageSize())
            page->ImageSizeChanged();
}

void TLookOut::SetColor(const QColor& color)
{
    m_color = color;
    update();
}

void TLookOut::Relayout()
{
    ArrangePages(false);
}

QList<TLookOutPage*> TLookOut::VisiblePages() const
{
    QList<TLookOutPage*> visible;
    for (TLookOutPage* page : m_pages)
        if (!page->isHidden())
            visible.append(page);
    return visible;
}

// Headers before the open page stack at the top, the open page follows with
// its buttons, later headers stack at the bottom.
void TLookOut::ArrangePages(bool slide)
{
    if (m_destroying)
        return;
    const QList<TLookOutPage*> visible = VisiblePages();
    const int n = visible.size();
    const int h = height();
    if (n == 0 || !G::PagesHaveRoom(n, h))
        return;
    const std::vector<int> tops = G::PageTops(n, visible.indexOf(m_active), h);
    const int pageHeight = G::PageHeight(n, h);
    const QPoint origin = contentsRect().topLeft();
    bool widthChanged = false;
    for (TLookOutPage* page : visible) {
        const int pageWidth = m_autoSize ? width() - 4 : page->width();
        widthChanged = widthChanged || pageWidth != page->width();
        page->resize(pageWidth, pageHeight);
    }
    if (widthChanged) {
        const PumpGuard alive(this);
        emit PagesResized();
        if (!alive)
            return;
    }

    const unsigned generation = ++m_arrangeGeneration;
    QList<QPointer<TLookOutPage>> pages(visible.begin(), visible.end());
    for (int k = 0; k < n; ++k) {
        TLookOutPage* page = pages[k];
        if (!page)
            continue;
        page->move(origin.x(), page->y());
        const int top = origin.y() + tops[k];
        if (slide) {
            if (!SlideTo(page, top, this, [this, generation] { return generation == m_arrangeGeneration; }))
                return;
        } else {
            page->move(origin.x(), top);
        }
    }
}

void TLookOut::PageAdded(TLookOutPage* page)
{
    m_pages.append(page);
    page->show();
    if (!m_active)
        m_active = page;
    updateGeometry();
    ArrangePages(false);
}

void TLookOut::PageGone(TLookOutPage* page)
{
    m_pages.removeAll(page);
    if (m_active == page)
        m_active = nullptr;
    if (!m_destroying)
        updateGeometry();
}

QSize TLookOut::minimumSizeHint() const
{
    constexpr int kButtonRow = 64;
    const int n = int(VisiblePages().size());
    const int frame = height() - contentsRect().height();
    const int least = n == 0 ? 0 : std::max(n * 19 + 66, (n - 1) * 20 + G::kFirstButtonTop + kButtonRow);
    return {QFrame::minimumSizeHint().width(), least + frame};
}

bool TLookOut::HasRoom() const
{
    // Before the bar is first laid out on screen its height means nothing.
    return !isVisible() || G::PagesHaveRoom(int(VisiblePages().size()), height());
}

QList<QWidget*> TLookOut::Items() const
{
    QList<QWidget*> items;
    for (TLookOutPage* page : m_pages) {
        if (page->isHidden())
            continue;
        items << page;
        if (page != m_active)
            continue;
        const QRect area = page->rect().adjusted(0, G::kHeaderHeight, 0, 0);
        for (TLookOutButton* button : page->Buttons())
            if (!button->isHidden() && area.intersects(button->geometry()))
                items << button;
    }
    return items;
}

QWidget* TLookOut::FocusItem() const
{
    return m_focusItem;
}

void TLookOut::SetFocusItem(QWidget* item)
{
    if (m_focusItem)
        m_focusItem->update();
    m_focusItem = item;
    if (!item)
        return;
    item->update();
    if (hasFocus()) {
        QAccessibleEvent event(item, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

// Up and down along the items; a button just out of sight is scrolled in.
void TLookOut::MoveFocus(int step)
{
    QList<QWidget*> items = Items();
    if (items.isEmpty())
        return;
    int index = items.indexOf(m_focusItem.data());
    if (auto* button = qobject_cast<TLookOutButton*>(m_focusItem.data())) {
        TLookOutPage* page = button->Page();
        TLookOutButton* next = page->Button(page->IndexOfButton(button) + step);
        if (next && !items.contains(next)) {
            if (step > 0)
                page->ScrollDown();
            else
                page->ScrollUp();
            SetFocusItem(next);
            return;
        }
    }
    index = index < 0 ? 0 : std::clamp(index + step, 0, int(items.size()) - 1);
    SetFocusItem(items[index]);
}

void TLookOut::keyPressEvent(QKeyEvent* e)
{
    const QList<QWidget*> items = Items();
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        MoveFocus(-1);
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        MoveFocus(1);
        break;
    case Qt::Key_Home:
        SetFocusItem(items.value(0));
        break;
    case Qt::Key_End:
        SetFocusItem(items.value(items.size() - 1));
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* page = qobject_cast<TLookOutPage*>(m_focusItem.data()))
            page->Press();
        else if (auto* button = qobject_cast<TLookOutButton*>(m_focusItem.data()))
            button->Press();
        break;
    default:
        QFrame::keyPressEvent(e);
    }
}

// The menu key: the focused item's menu, as a right click gives it (the
// press first, which makes the item the one the menu acts on).
void TLookOut::contextMenuEvent(QContextMenuEvent* e)
{
    const QPointer<QWidget> item = m_focusItem;
    if (e->reason() != QContextMenuEvent::Keyboard || !item) {
        QFrame::contextMenuEvent(e);
        return;
    }
    QPoint at = item->rect().center();
    if (auto* page = qobject_cast<TLookOutPage*>(item.data())) {
        at = page->HeaderRect().center();
        emit page->OnMouseDown(page, Qt::RightButton, Qt::NoModifier, at);
    } else if (auto* button = qobject_cast<TLookOutButton*>(item.data())) {
        emit button->OnMouseDown(button, Qt::RightButton, Qt::NoModifier, at);
    }
    if (!item)
        return;
    QContextMenuEvent forwarded(QContextMenuEvent::Keyboard, at, item->mapToGlobal(at));
    QCoreApplication::sendEvent(item, &forwarded);
}

void TLookOut::focusInEvent(QFocusEvent* e)
{
    QFrame::focusInEvent(e);
    if (!m_focusItem || !Items().contains(m_focusItem.data()))
        m_focusItem = m_active;
    SetFocusItem(m_focusItem);
}

void TLookOut::focusOutEvent(QFocusEvent* e)
{
    QFrame::focusOutEvent(e);
    if (m_focusItem)
        m_focusItem->update();
}

void TLookOut::paintEvent(QPaintEvent* e)
{
    {
        QPainter p(this);
        p.fillRect(contentsRect(), m_color);
    }
    QFrame::paintEvent(e);
}

void TLookOut::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    Relayout();
}

} // namespace flk
