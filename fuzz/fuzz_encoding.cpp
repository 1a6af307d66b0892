// SPDX-License-Identifier: GPL-3.0-or-later
// The encoding guess every reader goes through, and the writer's choice of encoding:
// whatever a name or text is, writing it and reading it back must give it unchanged.
#include "FuzzCheck.h"
#include "support/TextEncoding.h"

#include <QStringDecoder>

using namespace mokuri;

namespace {

void checkRoundTrip(const QString& text)
{
    // Lone surrogates are not text; no file name or file content decodes to one.
    if (!QStringView(text).isValidUtf16()) return;
    // A leading U+FEFF is read as a byte-order mark on purpose (files saved twice
    // with a mark); nothing the program writes begins with one.
    if (text.startsWith(QChar(0xFEFF))) return;

    const QByteArray bytes = encodeText(text);
    const QString back = decodeText(bytes);
    FUZZ_CHECK(back == text, QStringLiteral("text changed between writing and reading"), text, back);

    if (bytes.startsWith("\xEF\xBB\xBF")) {
        FUZZ_CHECK(isValidUtf8(bytes.mid(3)));
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

    const QString decoded = decodeText(bytes);
    // Whatever the bytes, the readers get text: a damaged sequence becomes U+FFFD in every
    // encoding, never half a letter that no writer can write back.
    FUZZ_CHECK(QStringView(decoded).isValidUtf16(), QStringLiteral("decoded text is not valid UTF-16"), decoded);
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    if (!bom && isValidUtf8(bytes))
        FUZZ_CHECK(decoded == QString::fromUtf8(bytes), QStringLiteral("valid UTF-8 not read as UTF-8"), decoded);
    checkRoundTrip(decoded);

    // The same bytes as UTF-16 reach every character a file name can hold.
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < size; i += 2) units[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    checkRoundTrip(units);
    return 0;
}
