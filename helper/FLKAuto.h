#pragma once
// The browser helper library's self-registration entry points. Both return
// 0 on success and a failure code otherwise.

#include <cstdint>

#define FLKAUTO_EXPORT __attribute__((visibility("default")))

extern "C" {
// Makes the browsers able to hand downloads over: writes the native-messaging
// host manifests for the Chromium-family browsers and Firefox in the user's
// folders, and the helper's class and automation entries in the registry.
FLKAUTO_EXPORT std::int32_t DllRegisterServer(void);
// Removes the manifests and the entries again.
FLKAUTO_EXPORT std::int32_t DllUnregisterServer(void);
}
