// The application's message hub: messages posted from anywhere reach the one
// hook later, in the order posted; drops carry their files to the hook.
#include "AppMessages.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace flk;

namespace {

struct Seen {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Seen&) const = default;
};

} // namespace

TEST(AppMessagesTest, MessagesReachTheOwnersHookLaterInTheOrderPostedAndNotWithoutOne)
{
    std::vector<Seen> seen;
    QStringList dropped;
    AppMessages::SetHook([&](UINT msg, WPARAM w, LPARAM l) {
        seen.push_back({msg, w, l});
        if (msg == WM_DROPFILES)
            dropped = AppMessages::DropFiles(w);
        return true;
    });
    AppMessages::Post(WM_FLK_SPLITTER);
    AppMessages::Post(WM_FLK_EDITLOOK, 7, 0);
    AppMessages::PostDropFiles({"/tmp/a file", "/tmp/b"});
    std::thread([] { AppMessages::Post(WM_FLK_NEWFOLDER, 2, 0); }).join();
    AppMessages::Post(WM_FLK_MOVEFOLDER, 3, 4);
    EXPECT_TRUE(seen.empty()) << "posted, not sent";

    ProcessMessages();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], (Seen{WM_FLK_SPLITTER, 0, 0}));
    EXPECT_EQ(seen[1], (Seen{WM_FLK_EDITLOOK, 7, 0}));
    EXPECT_EQ(seen[2].msg, WM_DROPFILES);
    EXPECT_EQ(seen[3], (Seen{WM_FLK_NEWFOLDER, 2, 0}));
    EXPECT_EQ(seen[4], (Seen{WM_FLK_MOVEFOLDER, 3, 4}));
    EXPECT_EQ(dropped, QStringList({"/tmp/a file", "/tmp/b"}));
    EXPECT_TRUE(AppMessages::DropFiles(seen[2].wParam).isEmpty()) << "the drop is finished after its handling";

    int older = 0;
    AppMessages::SetHook([&](UINT, WPARAM, LPARAM) { return ++older, true; }, &older);
    AppMessages::RemoveHook(&seen); // not the owner: the hook stays
    AppMessages::Post(WM_FLK_ENDDRAG, 1, 0);
    ProcessMessages();
    EXPECT_EQ(older, 1);
    AppMessages::RemoveHook(&older);
    AppMessages::Post(WM_FLK_ENDDRAG, 1, 0);
    ProcessMessages();
    EXPECT_EQ(older, 1);
    EXPECT_EQ(seen.size(), 5u);
}
