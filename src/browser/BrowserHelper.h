#pragma once
// What the tray window does for the browser helper: register it at start,
// unregister it at the end, and answer its two messages.

#include "HelperContract.h"
#include "Messages.h"

#include <QByteArray>

namespace flk {
class TfrmAsker;
}

namespace flk::browser {

// The helper's query message.
constexpr UINT WM_ISBINARY = contract::kQueryMessage;

// Start: the Netscape protocols, the helper's self-registration, the
// Internet Explorer keys; every failure is a message box.
void RegisterBrowserHelper();
// Exit or end of session: the helper's self-unregistration only.
void UnregisterBrowserHelper();

// The tray window's handler for messages from the helper: 2024 answers the
// query block (a missing block is shown as the system error), WM_COPYDATA
// takes a hand-off in either form (1) or refuses one the program cannot
// carry (0). Other
// messages answer 0.
LRESULT HandleTrayMessage(UINT msg, WPARAM wParam, LPARAM lParam, const QByteArray& data);

// A new download dialog filled from the hand-off string (`form` 0) or from
// its JSON form with the browser's context (`form` kHandOffContext) and
// shown in front; none (null) for a hand-off the program cannot carry.
TfrmAsker* TakeHandOff(const QByteArray& data, WPARAM form = 0);

} // namespace flk::browser
