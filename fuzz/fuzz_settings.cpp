// Word.txt as anyone might have edited it: any bytes, either encoding.
#include "FuzzCheck.h"
#include "content/SettingsFile.h"

#include <cstring>

using namespace mokuri;

namespace {

bool IsTruth(int16_t v) { return v == VbTrue || v == VbFalse; }

void CheckWrittenForm(const GameSettingsT& s, const QByteArray& trailing)
{
    const QByteArray line = FormatSettings(s);
    FUZZ_CHECK(line.endsWith("\r\n") && line.count('\n') == 1);
    for (char c : line) FUZZ_CHECK(c > 0, QStringLiteral("written form is not ASCII"), QString::fromLatin1(line));

    auto back = ParseSettings(line);
    FUZZ_CHECK(back && *back == s, QStringLiteral("written settings do not read back"), QString::fromLatin1(line));

    // Whatever follows the sixth field, even bytes that force the other encoding, is ignored.
    auto withTail = ParseSettings(line + trailing);
    FUZZ_CHECK(withTail && *withTail == s, QStringLiteral("text after the sixth field changed the settings"),
               QString::fromLatin1(line));

    // The same six values one a line, with blanks around them, read the same.
    QByteArray spread = line;
    spread.replace(",", " \r\n\t");
    auto fromLines = ParseSettings(spread);
    FUZZ_CHECK(fromLines && *fromLines == s, QStringLiteral("values one a line read differently"),
               QString::fromLatin1(spread));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    if (auto s = ParseSettings(bytes)) {
        FUZZ_CHECK(IsTruth(s->ArrangeMode) && IsTruth(s->ShowModel) && IsTruth(s->ShowCursor) && IsTruth(s->TouchOnly));
        CheckWrittenForm(*s, bytes);
    }

    // Any values the dialog or a hand-edited file could leave: the counts are kept
    // exactly (no range check), the truth values become -1 or 0.
    if (size >= 12) {
        int16_t raw[6];
        std::memcpy(raw, data, sizeof raw);
        GameSettingsT s;
        s.ArrangeMode = VbBool(raw[0] != 0);
        s.ShowModel = VbBool(raw[1] != 0);
        s.DecoyCount = raw[2];
        s.DecoyKind = raw[3];
        s.ShowCursor = VbBool(raw[4] != 0);
        s.TouchOnly = VbBool(raw[5] != 0);
        CheckWrittenForm(s, bytes.mid(12));
    }
    return 0;
}
