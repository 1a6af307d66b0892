// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A broken property must stop the fuzzer with the input that broke it, like a crash.
#include <QString>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond, ...)                                                           \
    do {                                                                                \
        if (!(cond)) {                                                                  \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            mokuri::fuzz::explain(__VA_ARGS__);                                         \
            std::abort();                                                               \
        }                                                                               \
    } while (0)

namespace mokuri::fuzz {

inline void explain() {}
inline void explain(const QString& what) { std::fprintf(stderr, "  %s\n", qPrintable(what)); }

// Code points rather than text: the terminal may not show Japanese, and the
// difference is often an invisible one (a BOM, a lone surrogate).
inline void explain(const QString& what, const QString& a, const QString& b = {})
{
    auto dump = [](const QString& s) {
        QString out;
        for (QChar c : s) out += QString::asprintf("U+%04X ", c.unicode());
        return out;
    };
    std::fprintf(stderr, "  %s\n  a: %s\n  b: %s\n", qPrintable(what), qPrintable(dump(a)), qPrintable(dump(b)));
}

} // namespace mokuri::fuzz
