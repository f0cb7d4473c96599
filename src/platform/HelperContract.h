#pragma once
// What the program and its browser helper (helper/) agree on, in the one
// header both ends include: the window the helper's messages go to, the
// query message, and the shared block that carries the question and its
// answer. Changing any of it breaks helpers already installed.

namespace flk::contract {

// The tray window's caption while downloads are taken over; the helper sends
// its messages to the window of this caption (Endpoint).
inline constexpr const char* kTrayCaption = "FLK";
// The caption while download detection is off: the helper finds no window.
inline constexpr const char* kTrayCaptionOff = "FLK - Download Detect Disabled";

// "Is this address a file to download?" (the user-message base 1024 plus
// 1000); the answer lies in the shared block.
inline constexpr unsigned kQueryMessage = 2024;

// The shared block (FileMapping), made by the helper: three text fields of
// kQueryFieldSize bytes, each zero-terminated (the address first, the other
// two read and not used), then the answer byte the program writes at
// kQueryAnswerOffset: 1 a file to download, 0 not.
inline constexpr const char* kQueryBlock = "ISBINARYMAP";
inline constexpr int kQueryFieldSize = 1025;
inline constexpr int kQueryAnswerOffset = 3 * kQueryFieldSize;
inline constexpr int kQueryBlockSize = kQueryAnswerOffset + 1;

} // namespace flk::contract
