#pragma once
// The browser hand-off with the browser's context, between our own host and
// the tray window. It travels as WM_COPYDATA, like the length-prefixed form,
// but with wParam = kHandOffContext and data = one UTF-8 JSON object:
//
//   kind         "http", "https", "ftp" (or "IE": taken from the address)
//   url          the address the download started from
//   finalUrl     where the browser's redirections led (fetched when given)
//   description  free text
//   filename     the file name the browser decided (made safe on arrival)
//   referrer     the page the download came from
//   userAgent    the browser's User-Agent
//   cookies      the Cookie header's value the browser would send to finalUrl
//
// No field has the length-prefixed form's 255-byte limit; the whole message
// is bounded by the endpoint's frame (Endpoint::kMaxData). Header values
// over kMaxHeaderValue bytes are refused: servers refuse such headers, and
// the browser keeps a download that is refused.

#include "Messages.h"

namespace flk {

inline constexpr WPARAM kHandOffContext = 0x464C4B02;
inline constexpr int kMaxHeaderValue = 8192;

} // namespace flk
