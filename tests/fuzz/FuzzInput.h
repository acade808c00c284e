#pragma once
// What the fuzz targets share: the entry function, the input as texts, and the check
// that turns a broken promise of the code under test into a crash the fuzzer keeps.
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

// The input read as UTF-8; a byte that is not UTF-8 becomes U+FFFD.
inline QString text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The input cut at its NUL bytes: a target that reads several texts takes them from here.
inline QStringList parts(const uint8_t* data, size_t size) { return text(data, size).split(QChar(u'\0')); }

[[noreturn]] inline void broken(const char* check, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, check);
    std::abort();
}

} // namespace fuzz

#define FUZZ_CHECK(condition)                                 \
    do {                                                      \
        if (!(condition))                                     \
            ::fuzz::broken(#condition, __FILE__, __LINE__);   \
    } while (false)
