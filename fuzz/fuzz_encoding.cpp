// The encoding guess every reader goes through, and the writer's choice of encoding:
// whatever a name or text is, writing it and reading it back must give it unchanged.
#include "FuzzCheck.h"
#include "content/TextEncoding.h"

#include <QStringDecoder>

using namespace mokuri;

namespace {

void CheckRoundTrip(const QString& text)
{
    // Lone surrogates are not text; no file name or file content decodes to one.
    if (!QStringView(text).isValidUtf16()) return;
    // A leading U+FEFF is read as a byte-order mark on purpose (files saved twice
    // with a mark); nothing the program writes begins with one.
    if (text.startsWith(QChar(0xFEFF))) return;

    const QByteArray bytes = EncodeText(text);
    const QString back = DecodeText(bytes);
    FUZZ_CHECK(back == text, QStringLiteral("text changed between writing and reading"), text, back);

    if (bytes.startsWith("\xEF\xBB\xBF")) {
        FUZZ_CHECK(IsValidUtf8(bytes.mid(3)));
    } else {
        QStringDecoder cp932("windows-932");
        cp932.decode(bytes);
        FUZZ_CHECK(!cp932.hasError(), QStringLiteral("written bytes are not CP932"), text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const QString decoded = DecodeText(bytes);
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    if (!bom && IsValidUtf8(bytes))
        FUZZ_CHECK(decoded == QString::fromUtf8(bytes), QStringLiteral("valid UTF-8 not read as UTF-8"), decoded);
    CheckRoundTrip(decoded);

    // The same bytes as UTF-16 reach every character a file name can hold.
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < size; i += 2) units[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    CheckRoundTrip(units);
    return 0;
}
