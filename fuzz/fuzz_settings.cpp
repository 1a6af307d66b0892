// SPDX-License-Identifier: GPL-3.0-or-later
// Word.txt as anyone might have edited it: any bytes, any encoding.
#include "FuzzCheck.h"
#include "content/SettingsFile.h"

#include <cstring>

using namespace mokuri;

namespace {

void checkWrittenForm(const Settings& s, const QByteArray& trailing)
{
    const QByteArray line = formatSettings(s);
    FUZZ_CHECK(line.endsWith("\r\n") && line.count('\n') == 1);
    for (char c : line) FUZZ_CHECK(c > 0, QStringLiteral("written form is not ASCII"), QString::fromLatin1(line));

    auto back = parseSettings(line);
    FUZZ_CHECK(back && *back == s, QStringLiteral("written settings do not read back"), QString::fromLatin1(line));

    // Whatever follows the sixth field, even bytes that force another encoding, is ignored.
    auto withTail = parseSettings(line + trailing);
    FUZZ_CHECK(withTail && *withTail == s, QStringLiteral("text after the sixth field changed the settings"),
               QString::fromLatin1(line));

    // The same six values one a line, with blanks around them, read the same.
    QByteArray spread = line;
    spread.replace(",", " \r\n\t");
    auto fromLines = parseSettings(spread);
    FUZZ_CHECK(fromLines && *fromLines == s, QStringLiteral("values one a line read differently"),
               QString::fromLatin1(spread));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    if (auto s = parseSettings(bytes)) checkWrittenForm(*s, bytes);

    // Any values the dialog or a hand-edited file could leave: the decoy numbers are kept
    // exactly (no range check), the rest are two-way choices.
    if (size >= 12) {
        int16_t raw[6];
        std::memcpy(raw, data, sizeof raw);
        Settings s;
        s.instruction = raw[0] != 0 ? Instruction::SayTheWord : Instruction::ReadThePicture;
        s.showModel = raw[1] != 0;
        s.decoyCount = DecoyCount(raw[2]);
        s.decoyKind = DecoyKind(raw[3]);
        s.showPointer = raw[4] != 0;
        s.takeTile = raw[5] != 0 ? TakeTile::ByTouch : TakeTile::ByClick;
        checkWrittenForm(s, bytes.mid(12));
    }
    return 0;
}
