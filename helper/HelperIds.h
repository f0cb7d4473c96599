#pragma once
// Names the helper registers under; the browser extension and the host
// manifests must agree on them.

#include "HelperContract.h"

namespace flk::helper {

// The native-messaging host's name (the manifest's file name without .json).
inline constexpr const char* kHostName = "org.fetchlark.flkauto";
// The Chromium extension id, pinned by the "key" in extension/manifest.json.
inline constexpr const char* kChromiumExtensionId = "oiakoeiabikacimgmifhikedjpmkbkdo";
// The Firefox extension id (browser_specific_settings.gecko.id).
inline constexpr const char* kFirefoxExtensionId = "flkauto@fetchlark.org";
// The host program, beside this library.
inline constexpr const char* kHostProgram = "flkauto-host";

inline constexpr const char* kClassId = "{5F3C2A10-7E4B-4D21-9A6C-3B8E1F0D4C27}";
inline constexpr const char* kAutomationObject = "FLKAuto.FLKAutomation";

// The program's tray window and its messages: the contract both ends share.
inline constexpr const char* kTrayCaption = contract::kTrayCaption;
inline constexpr unsigned kQueryMessage = contract::kQueryMessage;
inline constexpr const char* kQueryBlock = contract::kQueryBlock;
inline constexpr unsigned kQueryBlockSize = contract::kQueryBlockSize;
inline constexpr unsigned kQueryFieldSize = contract::kQueryFieldSize;
inline constexpr unsigned kQueryAnswerOffset = contract::kQueryAnswerOffset;

} // namespace flk::helper
