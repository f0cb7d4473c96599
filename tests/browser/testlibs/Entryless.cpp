// A library that loads but has neither registration entry point.
extern "C" __attribute__((visibility("default"))) int FLKAutoVersion()
{
    return 1;
}
