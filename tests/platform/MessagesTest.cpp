// The hidden-window message model: queued against direct delivery, handles
// that die with their window, and posts from other threads.
#include "Messages.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace flk;

namespace {

class Recorder : public HiddenWindow {
public:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        received.push_back({msg, wParam, lParam});
        return static_cast<LRESULT>(wParam) * 2;
    }
    struct Message {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Message> received;
};

} // namespace

TEST(MessagesTest, PostQueuesSendCallsAtOnceAndDeadHandlesAreRefused)
{
    auto window = std::make_unique<Recorder>();
    const HWND h = window->handle();
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(PostMessage(h, WM_USER + 1, 7, -3));
    EXPECT_TRUE(window->received.empty()); // queued, not delivered
    EXPECT_EQ(SendMessage(h, WM_USER + 2, 21, 0), 42);
    ASSERT_EQ(window->received.size(), 1u);
    EXPECT_EQ(window->received[0].msg, WM_USER + 2u);
    ProcessMessages();
    ASSERT_EQ(window->received.size(), 2u);
    EXPECT_EQ(window->received[1].msg, WM_USER + 1u);
    EXPECT_EQ(window->received[1].wParam, 7u);
    EXPECT_EQ(window->received[1].lParam, -3);

    // A message still queued when its window goes is dropped with it.
    EXPECT_TRUE(PostMessage(h, WM_USER + 3, 0, 0));
    window.reset();
    ProcessMessages();
    EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
    EXPECT_EQ(SendMessage(h, WM_USER, 1, 0), 0);
    EXPECT_EQ(HiddenWindow::fromHandle(h), nullptr);

    Recorder next; // a new window never takes an old handle
    EXPECT_NE(next.handle(), h);
}

TEST(MessagesTest, OtherThreadsPostWhileWindowsComeAndGo)
{
    Recorder target;
    const HWND live = target.handle();
    std::atomic<HWND> doomed{0};
    std::atomic<int> accepted{0};
    constexpr int kPosts = 2000;

    std::vector<std::thread> posters;
    for (int t = 0; t < 3; ++t) {
        posters.emplace_back([&] {
            for (int i = 0; i < kPosts; ++i) {
                if (PostMessage(live, WM_USER, 1, 0))
                    ++accepted;
                PostMessage(doomed.load(), WM_USER, 2, 0); // may be gone any moment
            }
        });
    }
    // Meanwhile the GUI thread makes and destroys windows the posters aim at.
    int made = 0;
    while (accepted.load() < 3 * kPosts && made < 100000) {
        auto w = std::make_unique<Recorder>();
        doomed = w->handle();
        ProcessMessages();
        ++made;
    }
    for (auto& p : posters)
        p.join();
    ProcessMessages();
    EXPECT_EQ(accepted.load(), 3 * kPosts);
    EXPECT_EQ(static_cast<int>(target.received.size()), 3 * kPosts);
}

TEST(MessagesTest, PumpUntilRunsQueuedWorkUntilTheConditionHolds)
{
    Recorder window;
    QTimer::singleShot(10, [&] { PostMessage(window.handle(), WM_USER, 5, 0); });
    PumpUntil([&] { return !window.received.empty(); });
    EXPECT_EQ(window.received.front().wParam, 5u);
}
