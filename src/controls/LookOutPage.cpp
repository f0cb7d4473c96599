#include "LookOutPage.h"

#include "LookOut.h"
#include "LookOutAccessible.h"
#include "LookOutButton.h"
#include "LookOutCaptionEdit.h"
#include "LookOutGeometry.h"
#include "LookOutRepeatTimer.h"
#include "LookOutSlide.h"
#include "PumpGuard.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QWheelEvent>

namespace flk {

namespace G = LookOutGeometry;

namespace {

QToolButton* MakeArrow(QWidget* page, Qt::ArrowType type, const QString& name)
{
    auto* arrow = new QToolButton(page);
    arrow->setArrowType(type);
    arrow->setAutoRaise(true);
    arrow->setFixedSize(G::kArrowSize, G::kArrowSize);
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setAccessibleName(name);
    arrow->hide();
    return arrow;
}

} // namespace

TLookOutPage::TLookOutPage(TLookOut* bar)
    : QWidget(bar)
    , m_bar(bar)
    , m_color(palette().color(QPalette::Dark))
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_upArrow = MakeArrow(this, Qt::UpArrow, tr("Scroll up"));
    m_downArrow = MakeArrow(this, Qt::DownArrow, tr("Scroll down"));
    for (QToolButton* arrow : {m_upArrow, m_downArrow}) {
        connect(arrow, &QToolButton::pressed, this, [this, arrow] { ArrowPressed(arrow); });
        connect(arrow, &QToolButton::released, this, &TLookOutPage::ArrowReleased);
    }
    connect(m_upArrow, &QToolButton::clicked, this, &TLookOutPage::ScrollUp);
    connect(m_downArrow, &QToolButton::clicked, this, &TLookOutPage::ScrollDown);
    resize(100, 92);
    if (m_bar)
        m_bar->PageAdded(this);
}

TLookOutPage::~TLookOutPage()
{
    m_destroying = true;
    delete m_edit; // an edit open now ends without telling anyone
    const QList<TLookOutButton*> buttons = std::exchange(m_buttons, {});
    qDeleteAll(buttons);
    if (m_bar)
        m_bar->PageGone(this);
}

void TLookOutPage::SetCaption(const QString& caption)
{
    m_caption = caption;
    update(HeaderRect());
}

void TLookOutPage::SetColor(const QColor& color)
{
    m_color = color;
    update();
}

void TLookOutPage::SetBitmap(const QPixmap& bitmap)
{
    m_bitmap = bitmap;
    update();
}

QColor TLookOutPage::FontColor() const
{
    return m_fontColor.isValid() ? m_fontColor : palette().color(QPalette::ButtonText);
}

void TLookOutPage::SetFontColor(const QColor& color)
{
    m_fontColor = color;
    update(HeaderRect());
}

QFont TLookOutPage::HiLiteFont() const { return m_hiLiteFontSet ? m_hiLiteFont : font(); }

void TLookOutPage::SetHiLiteFont(const QFont& font)
{
    m_hiLiteFont = font;
    m_hiLiteFontSet = true;
    update(HeaderRect());
}

QColor TLookOutPage::HiLiteFontColor() const
{
    return m_hiLiteFontColor.isValid() ? m_hiLiteFontColor : FontColor();
}

void TLookOutPage::SetHiLiteFontColor(const QColor& color)
{
    m_hiLiteFontColor = color;
    update(HeaderRect());
}

void TLookOutPage::SetMargin(int margin)
{
    m_margin = margin;
    ArrangeButtons();
}

void TLookOutPage::SetAutoCenter(bool value)
{
    m_autoCenter = value;
    ArrangeButtons();
}

void TLookOutPage::SetImageSize(TImageSize size)
{
    m_imageSize = size;
    ImageSizeChanged();
}

void TLookOutPage::SetParentImageSize(bool value)
{
    m_parentImageSize = value;
    ImageSizeChanged();
}

TImageSize TLookOutPage::EffectiveImageSize() const
{
    return m_parentImageSize && m_bar ? m_bar->ImageSize() : m_imageSize;
}

void TLookOutPage::ImageSizeChanged()
{
    for (TLookOutButton* button : m_buttons)
        button->update();
}

TLookOutButton* TLookOutPage::AddButton(const QString& caption, int imageIndex)
{
    auto* button = new TLookOutButton(this);
    button->SetCaption(caption);
    button->SetImageIndex(imageIndex);
    return button;
}

TLookOutButton* TLookOutPage::Button(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}

int TLookOutPage::IndexOfButton(const TLookOutButton* button) const
{
    return m_buttons.indexOf(const_cast<TLookOutButton*>(button));
}

void TLookOutPage::ExchangeButtons(int first, int second)
{
    if (!Button(first) || !Button(second) || first == second)
        return;
    m_buttons.swapItemsAt(first, second);
    ArrangeButtons();
}

void TLookOutPage::ButtonAdded(TLookOutButton* button)
{
    m_buttons.append(button);
    // Until the layout places it, a new button waits below the others.
    button->move(button->x(), height() + 1);
    button->show();
    ArrangeButtons();
}

void TLookOutPage::ButtonGone(TLookOutButton* button)
{
    m_buttons.removeAll(button);
    m_scrollOffset = std::min(m_scrollOffset, std::max<int>(m_buttons.size() - 1, 0));
    ArrangeButtons();
}

void TLookOutPage::ScrollUp()
{
    ScrollTo(G::ScrolledUp(m_scrollOffset));
}

void TLookOutPage::ScrollDown()
{
    ScrollTo(G::ScrolledDown(m_scrollOffset, m_buttons.size()));
}

void TLookOutPage::ScrollIntoView(const TLookOutButton* button)
{
    const int index = m_buttons.indexOf(const_cast<TLookOutButton*>(button));
    if (index < 0)
        return;
    std::vector<int> heights;
    for (TLookOutButton* b : m_buttons)
        heights.push_back(b->height());
    int offset = std::min(m_scrollOffset, index);
    while (offset < index) {
        const std::vector<int> tops = G::ButtonTops(heights, offset, m_margin, height());
        if (tops[size_t(index)] + heights[size_t(index)] <= height())
            break;
        ++offset;
    }
    if (offset != m_scrollOffset) {
        m_scrollOffset = offset;
        Arrange(false);
        update(rect().adjusted(0, G::kHeaderHeight, 0, 0));
        if (m_bar)
            NotifyLookOutItemsChanged(m_bar, nullptr, nullptr);
    }
}

void TLookOutPage::wheelEvent(QWheelEvent* e)
{
    m_wheelDelta += e->angleDelta().y();
    while (m_wheelDelta >= 120) {
        m_wheelDelta -= 120;
        if (m_upArrow->isVisible())
            ScrollUp();
    }
    while (m_wheelDelta <= -120) {
        m_wheelDelta += 120;
        if (m_downArrow->isVisible())
            ScrollDown();
    }
    e->accept();
}

// Lays the buttons out for the new offset (sliding with Smooth) and
// repaints below the header.
void TLookOutPage::ScrollTo(int offset)
{
    m_scrollOffset = offset;
    const PumpGuard alive(this);
    Arrange(true);
    if (!alive)
        return;
    update(rect().adjusted(0, G::kHeaderHeight, 0, 0));
    if (m_bar)
        NotifyLookOutItemsChanged(m_bar, nullptr, nullptr);
}

void TLookOutPage::BeginUpdate() { ++m_updating; }

void TLookOutPage::EndUpdate()
{
    if (m_updating > 0 && --m_updating == 0)
        ArrangeButtons();
}

void TLookOutPage::ArrangeButtons()
{
    Arrange(false);
}

void TLookOutPage::Arrange(bool smooth)
{
    if (Laying())
        return;
    if (m_buttons.isEmpty()) {
        m_upArrow->hide();
        m_downArrow->hide();
        return;
    }
    std::vector<int> heights;
    heights.reserve(m_buttons.size());
    for (TLookOutButton* button : m_buttons)
        heights.push_back(button->height());
    const std::vector<int> tops = G::ButtonTops(heights, m_scrollOffset, m_margin, height());
    const G::ArrowVisibility arrows = G::ArrowsFor(tops, heights, height());

    const bool slide = smooth && m_bar && m_bar->Smooth();
    const unsigned generation = ++m_layoutGeneration;
    const QList<QPointer<TLookOutButton>> buttons(m_buttons.begin(), m_buttons.end());
    for (int i = 0; i < buttons.size(); ++i) {
        TLookOutButton* button = buttons[i];
        if (!button)
            continue;
        if (m_autoCenter)
            button->move((width() - button->width()) / 2, button->y());
        if (slide) {
            // A layout started meanwhile (another scroll) finishes the job.
            if (!SlideTo(button, tops[i], this, [this, generation] { return generation == m_layoutGeneration; }))
                return;
        } else {
            button->move(button->x(), tops[i]);
        }
    }
    m_upArrow->setVisible(arrows.up);
    m_downArrow->setVisible(arrows.down);
    m_upArrow->raise();
    m_downArrow->raise();
}

void TLookOutPage::PlaceArrows()
{
    const G::ArrowPlaces places = G::ArrowPlacesFor(width(), height());
    m_upArrow->move(places.up);
    m_downArrow->move(places.down);
}

void TLookOutPage::SetRepeatTimer(std::unique_ptr<TLookOutRepeatTimer> timer)
{
    m_repeat = std::move(timer);
    if (m_repeat)
        m_repeat->OnTimer = [this] { RepeatFired(); };
}

void TLookOutPage::ArrowPressed(QToolButton* arrow)
{
    if (!m_autoRepeat)
        return;
    if (!m_repeat)
        SetRepeatTimer(MakeQtRepeatTimer());
    m_repeatArrow = arrow;
    m_repeats = 0;
    m_repeat->Start(G::RepeatDelay(0));
}

void TLookOutPage::ArrowReleased()
{
    m_repeatArrow = nullptr;
    if (m_repeat)
        m_repeat->Stop();
}

// Repeats while the arrow is still held and shown.
void TLookOutPage::RepeatFired()
{
    QToolButton* arrow = m_repeatArrow;
    if (!arrow || !arrow->isDown() || !arrow->isVisible()) {
        ArrowReleased();
        return;
    }
    m_repeat->Start(G::RepeatDelay(++m_repeats));
    if (arrow == m_upArrow)
        ScrollUp();
    else
        ScrollDown();
}

QRect TLookOutPage::HeaderRect() const
{
    return QRect(0, 0, width(), G::kHeaderHeight);
}

void TLookOutPage::Press()
{
    if (!isEnabled())
        return;
    const QPoint centre = HeaderRect().center();
    const PumpGuard alive(this);
    emit OnMouseDown(this, Qt::LeftButton, Qt::NoModifier, centre);
    if (alive)
        emit OnMouseUp(this, Qt::LeftButton, Qt::NoModifier, centre);
    if (alive)
        HeaderClicked();
}

void TLookOutPage::HeaderClicked()
{
    if (!isEnabled() || (m_bar && m_bar->ActivePage() != this && !m_bar->HasRoom()))
        return;
    const PumpGuard alive(this);
    if (m_bar)
        m_bar->SetActivePage(this);
    if (alive)
        emit OnClick(this);
}

void TLookOutPage::EditCaption()
{
    if (m_editor)
        return;
    auto* edit = new TLookOutCaptionEdit(this, HeaderRect(), m_caption, [this](bool accepted, const QString& text) {
        m_editor = nullptr;
        if (accepted)
            SetCaption(text);
        emit OnEdited(this, accepted);
    });
    m_editor = edit->Editor();
    m_edit = edit;
}

void TLookOutPage::SetHeaderHover(bool hover)
{
    if (hover == m_headerHover)
        return;
    m_headerHover = hover;
    update(HeaderRect());
}

void TLookOutPage::SetDropHighlight(bool on)
{
    m_dropHighlight = on;
}

void TLookOutPage::PaintHeader(QPainter& p)
{
    const QRect header = HeaderRect();
    const bool pressed = m_showPressed && m_headerDown && m_headerHover;
    // The bevel's rounded corners show the bar behind them.
    p.fillRect(header, m_bar ? m_bar->Color() : palette().color(QPalette::Button));
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = header;
    option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    if (!m_headerHover)
        option.state &= ~QStyle::State_MouseOver;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &p, this);
    if (m_bar && m_bar->hasFocus() && m_bar->FocusItem() == this) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = header.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }

    p.setFont(m_headerHover ? HiLiteFont() : font());
    const QRect text = header.adjusted(2, 0, -2, 0).translated(pressed ? QPoint(1, 1) : QPoint());
    const QString caption = p.fontMetrics().elidedText(m_caption, Qt::ElideRight, text.width());
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    if (!isEnabled()) {
        // Embossed: highlight one pixel down and right, shadow on top.
        p.setPen(palette().color(QPalette::Light));
        p.drawText(text.translated(1, 1), flags, caption);
        p.setPen(palette().color(QPalette::Dark));
        p.drawText(text, flags, caption);
        return;
    }
    p.setPen(m_headerHover ? HiLiteFontColor() : FontColor());
    p.drawText(text, flags, caption);
}

void TLookOutPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect area = rect().adjusted(0, G::kHeaderHeight, 0, 0);
    p.fillRect(area, m_color);
    if (!m_bitmap.isNull())
        p.drawTiledPixmap(area, m_bitmap);
    PaintHeader(p);
}

void TLookOutPage::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    PlaceArrows();
    if (m_editor)
        m_editor->resize(width(), G::kHeaderHeight);
    ArrangeButtons();
}

void TLookOutPage::mousePressEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton && HeaderRect().contains(pos)) {
        m_headerDown = true;
        update(HeaderRect());
    }
    emit OnMouseDown(this, e->button(), e->modifiers(), pos);
}

void TLookOutPage::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const bool click = m_headerDown && e->button() == Qt::LeftButton && HeaderRect().contains(pos);
    if (e->button() == Qt::LeftButton) {
        m_headerDown = false;
        update(HeaderRect());
    }
    const PumpGuard alive(this);
    emit OnMouseUp(this, e->button(), e->modifiers(), pos);
    if (alive && click)
        HeaderClicked();
}

void TLookOutPage::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    SetHeaderHover(HeaderRect().contains(pos));
    emit OnMouseMove(this, e->buttons(), e->modifiers(), pos);
}

void TLookOutPage::leaveEvent(QEvent* e)
{
    SetHeaderHover(false);
    QWidget::leaveEvent(e);
}

void TLookOutPage::contextMenuEvent(QContextMenuEvent* e)
{
    const PumpGuard alive(this);
    emit OnPopup(this);
    if (alive && m_popUpMenu)
        m_popUpMenu->popup(e->globalPos());
}

void TLookOutPage::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange)
        update(HeaderRect());
    QWidget::changeEvent(e);
}

} // namespace flk
