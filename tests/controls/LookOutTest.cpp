// The real sections bar driven with the mouse: opening pages, sliding,
// scrolling, hover, latching, caption edit and dragging buttons.
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "LookOutRepeatTimer.h"

#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace flk;

namespace {

// A bar without border, so page tops read as bar coordinates.
struct Bar {
    explicit Bar(int height, int pages = 3)
    {
        bar.SetBorderStyle(bsNone);
        bar.SetAutoSize(true);
        bar.resize(92, height);
        for (int i = 0; i < pages; ++i)
            bar.AddPage(QStringLiteral("Page %1").arg(i + 1));
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    std::vector<int> Tops() const
    {
        std::vector<int> tops;
        for (TLookOutPage* page : bar.Pages())
            tops.push_back(page->y());
        return tops;
    }
    TLookOut bar;
};

// Mouse events through the window, as the desktop delivers them: with
// enter and leave, and to the widget that holds the mouse.
QWindow* WindowOf(QWidget* w) { return w->window()->windowHandle(); }
QPoint InWindow(QWidget* w, QPoint p) { return w->mapTo(w->window(), p); }
void MoveTo(QWidget* w, QPoint p) { QTest::mouseMove(WindowOf(w), InWindow(w, p)); }
void PressAt(QWidget* w, QPoint p) { QTest::mousePress(WindowOf(w), Qt::LeftButton, {}, InWindow(w, p)); }
void ReleaseAt(QWidget* w, QPoint p) { QTest::mouseRelease(WindowOf(w), Qt::LeftButton, {}, InWindow(w, p)); }

void ClickHeader(TLookOutPage* page)
{
    QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(20, 9));
}

// Records every place a widget is moved to.
struct MoveRecorder : QObject {
    explicit MoveRecorder(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Move)
            tops.push_back(static_cast<QMoveEvent*>(e)->pos().y());
        return false;
    }
    std::vector<int> tops;
};

struct FakeRepeatTimer : TLookOutRepeatTimer {
    explicit FakeRepeatTimer(std::vector<int>& starts) : starts(starts) {}
    void Start(int ms) override { starts.push_back(ms); running = true; }
    void Stop() override { running = false; }
    void Fire() { running = false; OnTimer(); }
    std::vector<int>& starts;
    bool running = false;
};

TLookOutPage* PageWithButtons(TLookOut& bar, int count)
{
    TLookOutPage* page = bar.Page(0);
    for (int i = 0; i < count; ++i)
        page->AddButton(QStringLiteral("Folder %1").arg(i + 1));
    return page;
}

} // namespace

TEST(LookOutBar, OpeningAPageStacksTheHeaders)
{
    Bar b(300);
    QSignalSpy barClicks(&b.bar, &TLookOut::OnClick);
    QSignalSpy pageClicks(b.bar.Page(1), &TLookOutPage::OnClick);
    ClickHeader(b.bar.Page(1));
    EXPECT_EQ(b.bar.ActivePage(), b.bar.Page(1));
    EXPECT_EQ(b.Tops(), (std::vector<int>{0, 20, 277}));
    for (TLookOutPage* page : b.bar.Pages())
        EXPECT_EQ(page->size(), QSize(88, 260));
    ASSERT_EQ(barClicks.size(), 1);
    EXPECT_EQ(barClicks[0][0].value<TLookOutPage*>(), b.bar.Page(1));
    EXPECT_EQ(pageClicks.size(), 1);

    b.bar.SetActivePage(b.bar.Page(2));
    EXPECT_EQ(b.Tops(), (std::vector<int>{0, 20, 40}));
    TLookOut other;
    b.bar.SetActivePage(other.AddPage());
    EXPECT_EQ(b.bar.ActivePage(), nullptr);
}

// Without room a click opens nothing: no page is reported open whose
// buttons the bar cannot show. The bar asks the window for that room.
TEST(LookOutBar, AShortBarDoesNotRearrangeNorOpenThePage)
{
    Bar b(100);
    const std::vector<int> before = b.Tops();
    QSignalSpy barClicks(&b.bar, &TLookOut::OnClick);
    QSignalSpy pageClicks(b.bar.Page(1), &TLookOutPage::OnClick);
    ClickHeader(b.bar.Page(1));
    EXPECT_EQ(b.Tops(), before);
    EXPECT_EQ(barClicks.size(), 0);
    EXPECT_EQ(pageClicks.size(), 0);
    EXPECT_EQ(b.bar.ActivePage(), b.bar.Page(0));
    EXPECT_GT(b.bar.minimumSizeHint().height(), 3 * 19 + 65);
    b.bar.resize(b.bar.width(), b.bar.minimumSizeHint().height());
    ClickHeader(b.bar.Page(1));
    EXPECT_EQ(b.bar.ActivePage(), b.bar.Page(1)) << "at its least height the bar opens every page";
}

TEST(LookOutBar, DisabledPageIgnoresClicks)
{
    Bar b(300);
    b.bar.Page(2)->setEnabled(false);
    ClickHeader(b.bar.Page(2));
    EXPECT_EQ(b.bar.ActivePage(), b.bar.Page(0));
}

TEST(LookOutSlide, APageMoving100PixelsPassesFourSteps)
{
    Bar b(143, 2); // the second page's header sits at 120, opened it goes to 20
    b.bar.SetSmooth(true);
    ASSERT_EQ(b.bar.Page(1)->y(), 120);
    MoveRecorder moves(b.bar.Page(1));
    ClickHeader(b.bar.Page(1));
    EXPECT_EQ(moves.tops, (std::vector<int>{100, 80, 60, 40, 20}));
}

TEST(LookOutSlide, TheBarMayBeDestroyedWhileMessagesRun)
{
    auto* bar = new TLookOut;
    bar->SetBorderStyle(bsNone);
    bar->resize(92, 400);
    for (int i = 0; i < 3; ++i)
        bar->AddPage();
    bar->SetSmooth(true);
    bar->show();
    QPointer<TLookOut> alive(bar);
    QTimer::singleShot(0, bar, [bar] { delete bar; });
    bar->SetActivePage(bar->Page(2));
    EXPECT_TRUE(alive.isNull());
}

TEST(LookOutScroll, ArrowsFollowTheScrollOffset)
{
    Bar b(300);
    TLookOutPage* page = PageWithButtons(b.bar, 5);
    EXPECT_FALSE(page->UpArrow()->isVisible());
    EXPECT_TRUE(page->DownArrow()->isVisible());
    EXPECT_EQ(page->DownArrow()->pos(), QPoint(88 - 23, 260 - 23));
    QTest::mouseClick(page->DownArrow(), Qt::LeftButton);
    EXPECT_EQ(page->ScrollOffset(), 1);
    EXPECT_TRUE(page->UpArrow()->isVisible());
    EXPECT_TRUE(page->DownArrow()->isVisible());
    EXPECT_LT(page->Button(0)->geometry().bottom(), 0);
    EXPECT_EQ(page->Button(1)->y(), 26);
    QTest::mouseClick(page->UpArrow(), Qt::LeftButton);
    QTest::mouseClick(page->UpArrow(), Qt::LeftButton);
    EXPECT_EQ(page->ScrollOffset(), 0);
    EXPECT_FALSE(page->UpArrow()->isVisible());
}

TEST(LookOutScroll, HeldArrowRepeatsAfter400ThenEvery120)
{
    Bar b(300);
    TLookOutPage* page = PageWithButtons(b.bar, 9);
    std::vector<int> starts;
    auto timer = std::make_unique<FakeRepeatTimer>(starts);
    FakeRepeatTimer* clock = timer.get();
    page->SetRepeatTimer(std::move(timer));

    QTest::mousePress(page->DownArrow(), Qt::LeftButton);
    EXPECT_TRUE(starts.empty()); // AutoRepeat is off by default
    QTest::mouseRelease(page->DownArrow(), Qt::LeftButton);
    EXPECT_EQ(page->ScrollOffset(), 1);

    page->SetAutoRepeat(true);
    QTest::mousePress(page->DownArrow(), Qt::LeftButton);
    EXPECT_EQ(starts, (std::vector<int>{400}));
    clock->Fire();
    clock->Fire();
    EXPECT_EQ(starts, (std::vector<int>{400, 120, 120}));
    EXPECT_EQ(page->ScrollOffset(), 3);
    QTest::mouseRelease(page->DownArrow(), Qt::LeftButton);
    EXPECT_FALSE(clock->running);
    EXPECT_EQ(page->ScrollOffset(), 4); // the release is a click too
}

TEST(LookOutButtons, HoverFramesTheIconAndFiresEnterAndExit)
{
    Bar b(300);
    TLookOutPage* page = PageWithButtons(b.bar, 2);
    TLookOutButton* button = page->Button(0);
    button->SetButtonBorder(bbMono);
    QSignalSpy enters(button, &TLookOutButton::OnMouseEnter);
    QSignalSpy exits(button, &TLookOutButton::OnMouseExit);
    const QPoint corner = button->pos() + button->FrameRect().bottomRight();
    const QColor shadow = page->palette().color(QPalette::Shadow);

    EXPECT_NE(page->grab().toImage().pixelColor(corner).rgb(), shadow.rgb());
    MoveTo(button, QPoint(30, 20));
    EXPECT_EQ(enters.size(), 1);
    EXPECT_TRUE(button->MouseInControl());
    EXPECT_EQ(page->grab().toImage().pixelColor(corner).rgb(), shadow.rgb());
    MoveTo(page, QPoint(5, 250));
    EXPECT_EQ(exits.size(), 1);
    EXPECT_FALSE(button->MouseInControl());

    // A button that is down keeps its frame (pressed colours) after the mouse leaves.
    MoveTo(button, QPoint(30, 20));
    button->SetDown(true);
    MoveTo(page, QPoint(5, 250));
    EXPECT_EQ(exits.size(), 2);
    EXPECT_TRUE(button->MouseInControl());
    const QPoint topLeft = button->pos() + button->FrameRect().topLeft();
    EXPECT_EQ(page->grab().toImage().pixelColor(topLeft).rgb(), shadow.rgb());
}

int PixelsOf(QWidget* w, const QRect& area, const QColor& colour)
{
    const QImage image = w->grab(area).toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == colour.rgb();
    return count;
}

TEST(LookOutHeader, HiLiteFontOnHoverAndEmbossedWhenDisabled)
{
    Bar b(300);
    TLookOutPage* page = b.bar.Page(0);
    const QColor red(255, 0, 0), green(0, 255, 0);
    page->SetHiLiteFontColor(red);
    EXPECT_EQ(PixelsOf(page, page->HeaderRect(), red), 0);
    MoveTo(page, QPoint(20, 9));
    EXPECT_TRUE(page->MouseInHeader());
    EXPECT_GT(PixelsOf(page, page->HeaderRect(), red), 0);
    MoveTo(page, QPoint(20, 100));
    EXPECT_EQ(PixelsOf(page, page->HeaderRect(), red), 0);

    QPalette palette = page->palette();
    palette.setColor(QPalette::Light, green); // the embossed caption's highlight
    page->setPalette(palette);
    EXPECT_EQ(PixelsOf(page, page->HeaderRect(), green), 0);
    page->setEnabled(false);
    EXPECT_GT(PixelsOf(page, page->HeaderRect(), green), 0);
}

TEST(LookOutHeader, ShowPressedSinksTheHeaderWhileHeld)
{
    Bar b(300);
    TLookOutPage* page = b.bar.Page(0); // open already: a click does not move it
    const auto header = [page] { return page->grab(page->HeaderRect()).toImage(); };
    MoveTo(page, QPoint(20, 9));
    PressAt(page, QPoint(20, 9));
    const QImage heldPlain = header();
    ReleaseAt(page, QPoint(20, 9));
    page->SetShowPressed(true);
    PressAt(page, QPoint(20, 9));
    const QImage heldPressed = header();
    ReleaseAt(page, QPoint(20, 9));
    EXPECT_NE(heldPressed, heldPlain);
    EXPECT_EQ(header(), heldPlain); // released, it looks as without ShowPressed
}

TEST(LookOutButtons, GroupedButtonsLatchOneAtATime)
{
    Bar b(300);
    TLookOutPage* page = PageWithButtons(b.bar, 3);
    for (TLookOutButton* button : page->Buttons())
        button->SetGroupIndex(1);
    QSignalSpy clicks(page->Button(1), &TLookOutButton::OnClick);
    QTest::mouseClick(page->Button(0), Qt::LeftButton);
    EXPECT_TRUE(page->Button(0)->Down());
    QTest::mouseClick(page->Button(1), Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_TRUE(page->Button(1)->Down());
    EXPECT_FALSE(page->Button(0)->Down());
    page->Button(2)->SetGroupIndex(0);
    QTest::mouseClick(page->Button(2), Qt::LeftButton);
    EXPECT_FALSE(page->Button(2)->Down());
}

TEST(LookOutButtons, ExchangingAndDeletingRelayTheButtons)
{
    Bar b(300);
    TLookOutPage* page = PageWithButtons(b.bar, 3);
    TLookOutButton* first = page->Button(0);
    page->ExchangeButtons(0, 2);
    EXPECT_EQ(page->Button(2), first);
    EXPECT_EQ(first->y(), 146);
    delete page->Button(0);
    EXPECT_EQ(page->ButtonCount(), 2);
    EXPECT_EQ(page->Button(0)->y(), 26);
    EXPECT_EQ(first->y(), 86);
}

TEST(LookOutButtons, ImageSizePlacesIconAndCaption)
{
    Bar b(300);
    TLookOutPage* page = PageWithButtons(b.bar, 1);
    TLookOutButton* button = page->Button(0);
    button->resize(88, 60);
    EXPECT_EQ(button->IconRect(), QRect(28, 4, 32, 32)); // centred, Spacing from the top
    EXPECT_EQ(button->FrameRect(), QRect(24, 0, 40, 40));
    EXPECT_EQ(button->CaptionRect().top(), 4 + 32 + 8);

    const TImageList small{QIcon()};
    b.bar.SetImageSize(isSmall);
    EXPECT_EQ(button->EffectiveImageSize(), isLarge); // no small images
    button->SetSmallImages(&small);
    EXPECT_EQ(button->EffectiveImageSize(), isSmall);
    EXPECT_EQ(button->IconRect(), QRect(4, 22, 16, 16));
    EXPECT_EQ(button->CaptionRect().left(), 4 + 16 + 12);
    page->SetParentImageSize(false);
    EXPECT_EQ(button->EffectiveImageSize(), isLarge); // the page's own
}

TEST(LookOutButtons, AutoCenterAndMarginPlaceButtons)
{
    Bar b(300);
    TLookOutPage* page = PageWithButtons(b.bar, 2);
    page->SetMargin(6);
    page->SetAutoCenter(true);
    EXPECT_EQ(page->Button(0)->pos(), QPoint(14, 26)); // (88 - 60) / 2
    EXPECT_EQ(page->Button(1)->pos(), QPoint(14, 26 + 60 + 6));
}

TEST(LookOutEdit, CaptionEditEndsWithEnterOrEscape)
{
    Bar b(300);
    TLookOutPage* page = b.bar.Page(0);
    QSignalSpy edited(page, &TLookOutPage::OnEdited);
    page->EditCaption();
    QLineEdit* editor = page->CaptionEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->geometry(), QRect(0, 0, 88, 19));
    EXPECT_EQ(editor->selectedText(), "Page 1");
    QTest::keyClicks(editor, "Downloads");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(page->Caption(), "Downloads");
    EXPECT_EQ(page->CaptionEditor(), nullptr);
    ASSERT_EQ(edited.size(), 1);
    EXPECT_TRUE(edited[0][1].toBool());

    TLookOutButton* button = page->AddButton("Games");
    button->EditCaption();
    QTest::keyClicks(button->CaptionEditor(), "Toys");
    QTest::keyClick(button->CaptionEditor(), Qt::Key_Escape);
    EXPECT_EQ(button->Caption(), "Games");

    page->EditCaption(); // a page freed while its caption is edited ends quietly
    delete page;
    EXPECT_EQ(edited.size(), 1);
}

TEST(LookOutDrag, DroppingAButtonOnAnAcceptingTarget)
{
    Bar b(300);
    TLookOutPage* page = PageWithButtons(b.bar, 2);
    TLookOutButton* source = page->Button(0);
    TLookOutButton* target = page->Button(1);
    QObject::connect(target, &TLookOutButton::OnDragOver,
                     [](TLookOutButton*, TLookOutButton*, bool* accept) { *accept = true; });
    QSignalSpy drops(target, &TLookOutButton::OnDragDrop);
    QSignalSpy ends(source, &TLookOutButton::OnEndDrag);
    QSignalSpy refused(b.bar.Page(2), &TLookOutPage::OnDragDrop);

    // As the manager does it: a move with the left button down starts the drag.
    QObject::connect(source, &TLookOutButton::OnMouseMove, [source](auto, Qt::MouseButtons buttons, auto, auto) {
        if (buttons == Qt::LeftButton)
            source->BeginDrag();
    });
    PressAt(source, QPoint(30, 30));
    MoveTo(target, QPoint(30, 30));
    EXPECT_TRUE(source->Dragging());
    EXPECT_EQ(source->DragTarget(), target);
    ReleaseAt(target, QPoint(30, 30));
    EXPECT_FALSE(source->Dragging());
    EXPECT_FALSE(source->MouseInControl()) << "no hover frame left on the button dragged away";
    ASSERT_EQ(drops.size(), 1);
    EXPECT_EQ(drops[0][1].value<TLookOutButton*>(), source);
    ASSERT_EQ(ends.size(), 1);
    EXPECT_EQ(ends[0][1].value<QWidget*>(), target);

    // Over a page that does not accept: no drop.
    PressAt(source, QPoint(30, 30));
    MoveTo(b.bar.Page(2), QPoint(20, 9));
    EXPECT_EQ(source->DragTarget(), nullptr);
    ReleaseAt(b.bar.Page(2), QPoint(20, 9));
    EXPECT_EQ(refused.size(), 0);
    EXPECT_EQ(ends[1][1].value<QWidget*>(), nullptr);
}
