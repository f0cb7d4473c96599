// A library whose registration entry points both report failure.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer()
{
    return 5;
}

extern "C" __attribute__((visibility("default"))) std::int32_t DllUnregisterServer()
{
    return 7;
}
