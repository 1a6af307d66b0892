// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-access.ini as anyone might have edited it: any bytes.
#include "FuzzCheck.h"
#include "content/AccessSettingsFile.h"

using namespace mokuri;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<AccessSettings> s = parseAccessSettings(bytes);
    if (!s) return 0;
    // Whatever was read is within range and reads back the same from its written form.
    FUZZ_CHECK(*s == s->bounded(), QStringLiteral("a value read is out of range"), QString::fromLatin1(bytes));
    const QByteArray written = formatAccessSettings(*s);
    for (char c : written) FUZZ_CHECK(c > 0, QStringLiteral("written form is not ASCII"), QString::fromLatin1(written));
    const std::optional<AccessSettings> back = parseAccessSettings(written);
    FUZZ_CHECK(back && *back == *s, QStringLiteral("written access settings do not read back"),
               QString::fromLatin1(written));
    return 0;
}
