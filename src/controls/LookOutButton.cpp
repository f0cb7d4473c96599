#include "LookOutButton.h"

#include "LookOut.h"
#include "LookOutCaptionEdit.h"
#include "LookOutPage.h"
#include "PumpGuard.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTextLayout>

namespace flk {

namespace {

constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;
constexpr int kPressOffset = 1;

// The caption under a large icon: wrapped at word boundaries, the last line
// that fits cut with an ellipsis when the rest does not.
void DrawWrappedCaption(QPainter& p, const QRect& box, const QString& text)
{
    const QFontMetrics fm = p.fontMetrics();
    QTextLayout layout(text, p.font());
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const int maxLines = std::max(1, box.height() / fm.lineSpacing());
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        if (lines.size() == maxLines - 1) {
            lines << fm.elidedText(text.mid(line.textStart()).simplified(), Qt::ElideRight, box.width());
            break;
        }
        lines << fm.elidedText(text.mid(line.textStart(), line.textLength()).trimmed(), Qt::ElideRight, box.width());
    }
    layout.endLayout();
    int y = box.top();
    for (const QString& line : lines) {
        p.drawText(QRect(box.left(), y, box.width(), fm.lineSpacing()), Qt::AlignHCenter | Qt::AlignTop, line);
        y += fm.lineSpacing();
    }
}

} // namespace

TLookOutButton::TLookOutButton(TLookOutPage* page)
    : QWidget(page)
    , m_page(page)
{
    setMouseTracking(true);
    resize(60, 60);
    if (page)
        page->ButtonAdded(this);
}

TLookOutButton::~TLookOutButton()
{
    delete m_edit; // an edit open now ends without telling anyone
    if (m_dragging) {
        QGuiApplication::restoreOverrideCursor();
        releaseKeyboard();
        releaseMouse();
    }
    if (m_page)
        m_page->ButtonGone(this);
}

void TLookOutButton::SetCaption(const QString& caption)
{
    m_caption = caption;
    update();
}

void TLookOutButton::SetLargeImages(const TImageList* images)
{
    m_largeImages = images;
    update();
}

void TLookOutButton::SetSmallImages(const TImageList* images)
{
    m_smallImages = images;
    update();
}

void TLookOutButton::SetImageIndex(int index)
{
    m_imageIndex = index;
    update();
}

void TLookOutButton::SetImageSize(TImageSize size)
{
    m_imageSize = size;
    update();
}

void TLookOutButton::SetParentImageSize(bool value)
{
    m_parentImageSize = value;
    update();
}

TImageSize TLookOutButton::EffectiveImageSize() const
{
    const TImageSize size = m_parentImageSize && m_page ? m_page->EffectiveImageSize() : m_imageSize;
    return size == isSmall && m_smallImages ? isSmall : isLarge;
}

void TLookOutButton::SetSpacing(int spacing)
{
    m_spacing = spacing;
    update();
}

void TLookOutButton::SetButtonBorder(TButtonBorder border)
{
    m_buttonBorder = border;
    update();
}

QColor TLookOutButton::FontColor() const
{
    return m_fontColor.isValid() ? m_fontColor : palette().color(QPalette::WindowText);
}

void TLookOutButton::SetFontColor(const QColor& color)
{
    m_fontColor = color;
    update();
}

QFont TLookOutButton::HiLiteFont() const { return m_hiLiteFontSet ? m_hiLiteFont : font(); }

void TLookOutButton::SetHiLiteFont(const QFont& font)
{
    m_hiLiteFont = font;
    m_hiLiteFontSet = true;
    update();
}

QColor TLookOutButton::HiLiteFontColor() const
{
    return m_hiLiteFontColor.isValid() ? m_hiLiteFontColor : FontColor();
}

void TLookOutButton::SetHiLiteFontColor(const QColor& color)
{
    m_hiLiteFontColor = color;
    update();
}

void TLookOutButton::SetDown(bool down)
{
    if (down == m_down)
        return;
    m_down = down;
    if (down && m_groupIndex != 0 && m_page) {
        for (TLookOutButton* other : m_page->Buttons())
            if (other != this && other->m_groupIndex == m_groupIndex)
                other->SetDown(false);
    }
    if (!down)
        m_hover = underMouse();
    update();
}

void TLookOutButton::SetSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

// After a drag the mouse was held: no leave or enter reached the buttons,
// so the hover look follows where the pointer is now.
void TLookOutButton::HoverAt(QPoint globalPos)
{
    const bool over = rect().contains(mapFromGlobal(globalPos));
    if (over != m_hover && !m_down) {
        m_hover = over;
        update();
    }
}

void TLookOutButton::Click()
{
    if (!isEnabled())
        return;
    if (m_groupIndex != 0)
        SetDown(true);
    emit OnClick(this);
}

void TLookOutButton::Press()
{
    if (!isEnabled())
        return;
    const QPoint centre = rect().center();
    const PumpGuard alive(this);
    emit OnMouseDown(this, Qt::LeftButton, Qt::NoModifier, centre);
    if (alive)
        emit OnMouseUp(this, Qt::LeftButton, Qt::NoModifier, centre);
    if (alive)
        Click();
}

bool TLookOutButton::Pressed() const
{
    return m_down || (m_mouseDown && m_hover);
}

const TImageList* TLookOutButton::Images() const
{
    return EffectiveImageSize() == isSmall ? m_smallImages : m_largeImages;
}

QRect TLookOutButton::IconRect() const
{
    if (EffectiveImageSize() == isSmall)
        return QRect(m_spacing, (height() - kSmallIcon) / 2, kSmallIcon, kSmallIcon);
    return QRect((width() - kLargeIcon) / 2, m_spacing, kLargeIcon, kLargeIcon);
}

QRect TLookOutButton::FrameRect() const
{
    return IconRect().adjusted(-m_spacing, -m_spacing, m_spacing, m_spacing);
}

QRect TLookOutButton::CaptionRect() const
{
    const QRect icon = IconRect();
    if (EffectiveImageSize() == isSmall) {
        const int left = icon.right() + 1 + m_spacing * 3;
        return QRect(left, 0, std::max(width() - left - m_spacing, 0), height());
    }
    const int top = icon.bottom() + 1 + m_spacing * 2;
    return QRect(m_spacing, top, std::max(width() - 2 * m_spacing, 0), std::max(height() - top, 0));
}

void TLookOutButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool pressed = Pressed();
    const QPoint shift = pressed ? QPoint(kPressOffset, kPressOffset) : QPoint();

    if (m_selected) {
        // The desktop's selection colour, see-through so the page stays the page.
        QColor fill = palette().color(QPalette::Highlight);
        const QColor edge = fill;
        fill.setAlpha(150);
        p.setPen(edge);
        p.setBrush(fill);
        p.drawRect(rect().adjusted(2, 1, -3, -2));
        p.setBrush(Qt::NoBrush);
    }

    if (m_hover && isEnabled()) {
        // Top-left / bottom-right colours of the hover frame; pressed swaps them.
        const QPalette& pal = palette();
        QColor light, dark;
        switch (m_buttonBorder) {
        case bbDark: light = pal.color(QPalette::Button); dark = pal.color(QPalette::Shadow); break;
        case bbLight: light = pal.color(QPalette::Light); dark = pal.color(QPalette::Dark); break;
        case bbMono: light = pal.color(QPalette::Light); dark = pal.color(QPalette::Shadow); break;
        }
        if (pressed)
            std::swap(light, dark);
        const QRect f = FrameRect();
        p.setPen(light);
        p.drawLine(f.topLeft(), f.topRight());
        p.drawLine(f.topLeft(), f.bottomLeft());
        p.setPen(dark);
        p.drawLine(f.bottomLeft(), f.bottomRight());
        p.drawLine(f.topRight(), f.bottomRight());
    }

    const TLookOut* bar = m_page ? m_page->Bar() : nullptr;
    if (bar && bar->hasFocus() && bar->FocusItem() == this) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }

    const TImageList* images = Images();
    if (images && m_imageIndex >= 0 && m_imageIndex < images->size())
        images->at(m_imageIndex).paint(&p, IconRect().translated(shift), Qt::AlignCenter,
                                       isEnabled() ? QIcon::Normal : QIcon::Disabled);

    p.setFont(m_hover ? HiLiteFont() : font());
    p.setPen(!isEnabled() ? palette().color(QPalette::Disabled, QPalette::WindowText)
                          : m_hover ? HiLiteFontColor() : FontColor());
    const QRect caption = CaptionRect().translated(shift);
    if (EffectiveImageSize() == isSmall)
        p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(m_caption, Qt::ElideRight, caption.width()));
    else
        DrawWrappedCaption(p, caption, m_caption);
}

void TLookOutButton::enterEvent(QEnterEvent* e)
{
    QWidget::enterEvent(e);
    if (m_page)
        m_page->SetHeaderHover(false);
    const PumpGuard alive(this);
    emit OnMouseEnter(this);
    if (!alive)
        return;
    m_hover = true;
    repaint();
}

void TLookOutButton::leaveEvent(QEvent* e)
{
    QWidget::leaveEvent(e);
    const PumpGuard alive(this);
    emit OnMouseExit(this);
    if (!alive || m_down)
        return;
    m_hover = false;
    update();
}

void TLookOutButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        m_mouseDown = true;
        m_hover = rect().contains(e->position().toPoint());
        update();
    }
    emit OnMouseDown(this, e->button(), e->modifiers(), e->position().toPoint());
}

void TLookOutButton::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const PumpGuard alive(this);
    if (m_dragging && e->button() == Qt::LeftButton) {
        emit OnMouseUp(this, e->button(), e->modifiers(), pos);
        if (alive)
            EndDrag(true);
        return;
    }
    const bool click = m_mouseDown && e->button() == Qt::LeftButton && rect().contains(pos);
    if (e->button() == Qt::LeftButton) {
        m_mouseDown = false;
        update();
    }
    emit OnMouseUp(this, e->button(), e->modifiers(), pos);
    if (alive && click)
        Click();
}

void TLookOutButton::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (m_mouseDown && !m_dragging) {
        const bool over = rect().contains(pos);
        if (over != m_hover) {
            m_hover = over;
            update();
        }
    }
    const PumpGuard alive(this);
    emit OnMouseMove(this, e->buttons(), e->modifiers(), pos);
    if (alive && m_dragging)
        DragMoved(e->globalPosition().toPoint());
}

void TLookOutButton::keyPressEvent(QKeyEvent* e)
{
    if (m_dragging && e->key() == Qt::Key_Escape) {
        EndDrag(false);
        return;
    }
    QWidget::keyPressEvent(e);
}

void TLookOutButton::contextMenuEvent(QContextMenuEvent* e)
{
    const PumpGuard alive(this);
    emit OnPopup(this);
    if (alive && m_popUpMenu)
        m_popUpMenu->popup(e->globalPos());
}

void TLookOutButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(e);
}

void TLookOutButton::EditCaption()
{
    if (m_editor)
        return;
    const QRect place(0, std::max(height() - 21, 0), width(), 21);
    auto* edit = new TLookOutCaptionEdit(this, place, m_caption, [this](bool accepted, const QString& text) {
        m_editor = nullptr;
        if (accepted)
            SetCaption(text);
        emit OnEdited(this, accepted);
    });
    m_editor = edit->Editor();
    m_edit = edit;
}

void TLookOutButton::BeginDrag()
{
    if (m_dragging)
        return;
    m_dragging = true;
    m_mouseDown = false;
    m_dragTarget = nullptr;
    m_dragPos = QCursor::pos();
    grabMouse();
    grabKeyboard();
    QGuiApplication::setOverrideCursor(m_dragCursor);
    emit OnStartDrag(this);
}

// Asks the button or page under the pointer whether it takes the drop.
void TLookOutButton::DragMoved(QPoint globalPos)
{
    m_dragPos = globalPos;
    TLookOut* bar = m_page ? m_page->Bar() : nullptr;
    QWidget* under = bar ? bar->childAt(bar->mapFromGlobal(globalPos)) : nullptr;
    while (under && !qobject_cast<TLookOutButton*>(under) && !qobject_cast<TLookOutPage*>(under))
        under = under->parentWidget() == bar ? nullptr : under->parentWidget();

    bool accept = false;
    const PumpGuard alive(this);
    const QPointer<QWidget> target(under);
    if (auto* button = qobject_cast<TLookOutButton*>(under))
        emit button->OnDragOver(button, this, &accept);
    else if (auto* page = qobject_cast<TLookOutPage*>(under))
        emit page->OnDragOver(page, this, &accept);
    if (!alive || !m_dragging)
        return;
    if (auto* old = qobject_cast<TLookOutPage*>(m_dragTarget.data()); old && old != target)
        old->SetDropHighlight(false);
    m_dragTarget = accept ? target : nullptr;
    if (auto* page = qobject_cast<TLookOutPage*>(m_dragTarget.data()))
        page->SetDropHighlight(true);
    QGuiApplication::changeOverrideCursor(accept ? m_dragCursor : QCursor(Qt::ForbiddenCursor));
}

void TLookOutButton::EndDrag(bool drop)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    QGuiApplication::restoreOverrideCursor();
    releaseKeyboard();
    releaseMouse();
    const QPointer<QWidget> target(drop ? m_dragTarget.data() : nullptr);
    if (auto* page = qobject_cast<TLookOutPage*>(m_dragTarget.data()))
        page->SetDropHighlight(false);
    m_dragTarget = nullptr;
    if (m_page && m_page->Bar())
        for (TLookOutPage* page : m_page->Bar()->Pages())
            for (TLookOutButton* button : page->Buttons())
                button->HoverAt(m_dragPos);
    const PumpGuard alive(this);
    if (auto* button = qobject_cast<TLookOutButton*>(target.data()))
        emit button->OnDragDrop(button, this);
    else if (auto* page = qobject_cast<TLookOutPage*>(target.data()))
        emit page->OnDragDrop(page, this);
    if (alive)
        emit OnEndDrag(this, target.data());
}

} // namespace flk
