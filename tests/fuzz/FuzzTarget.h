#pragma once
// One fuzz target: a function over one input. Built with libFuzzer
// (FLK_LIBFUZZER) a target's file is the fuzzer's entry point; in the test
// suite the same functions register by name and the replay driver runs them
// over the seed corpora and the regression inputs, so a fixed crash stays
// fixed without libFuzzer.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace flk::fuzz {

using Target = int (*)(const uint8_t* data, size_t size);
bool Register(const char* name, Target target);

// The application object the socket clients and Qt's file classes need;
// created once, on the first call, unless a driver made one already.
void EnsureApp();
// A folder of this process for targets that read files.
QString ScratchDir();
// Writes `bytes` to `name` in the scratch folder; returns its path.
QString ScratchFile(const QString& name, const QByteArray& bytes);

// A property every input must keep: report and abort, so that libFuzzer
// saves the input and the replay driver fails.
[[noreturn]] void Failed(const char* what, const char* file, int line);

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The input cut at its first NUL byte into two parts (the second empty when
// there is none): targets that take two texts.
inline std::pair<QByteArray, QByteArray> TwoParts(const QByteArray& input)
{
    const qsizetype nul = input.indexOf('\0');
    if (nul < 0)
        return {input, QByteArray()};
    return {input.left(nul), input.mid(nul + 1)};
}

} // namespace flk::fuzz

#define FUZZ_CHECK(cond)                                          \
    do {                                                          \
        if (!(cond))                                              \
            ::flk::fuzz::Failed(#cond, __FILE__, __LINE__);       \
    } while (0)

#ifdef FLK_LIBFUZZER
#define FLK_FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
#else
#define FLK_FUZZ_TARGET(name)                                                              \
    static int FuzzOne_##name(const uint8_t* data, size_t size);                           \
    [[maybe_unused]] static const bool kRegistered_##name =                                \
        ::flk::fuzz::Register(#name, FuzzOne_##name);                                      \
    static int FuzzOne_##name(const uint8_t* data, size_t size)
#endif
