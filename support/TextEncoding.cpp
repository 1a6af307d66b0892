// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TextEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace mokuri {

namespace {
const char kBom[] = "\xEF\xBB\xBF";
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = dec.decode(bytes);
    return !dec.hasError();
}

QString decodeText(const QByteArray& bytes)
{
    // Notepad's "Unicode" and "Unicode big endian" always start with their byte-order mark.
    if (bytes.startsWith("\xFF\xFE")) return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF")) return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    if (bytes.startsWith(kBom))
        return decodeText(bytes.mid(3)); // a second BOM would be content, but a damaged file is still read
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QStringDecoder cp932("windows-932");
    if (!cp932.isValid())
        return QString::fromLatin1(bytes);
    return cp932.decode(bytes);
}

QByteArray encodeText(const QString& text)
{
    QStringEncoder cp932("windows-932", QStringEncoder::Flag::Stateless);
    if (cp932.isValid()) {
        QByteArray out = cp932.encode(text);
        // Check the round trip through the reader's own guess: the encoder may substitute
        // '?' without flagging it, and CP932 bytes that happen to be valid UTF-8 (half-width
        // ﾈｺ is C8 BA) would be read back as UTF-8.
        if (!cp932.hasError() && decodeText(out) == text)
            return out;
    }
    return QByteArray(kBom) + text.toUtf8();
}

qsizetype completeUtf8Length(const QByteArray& bytes)
{
    // Step back over continuation bytes to the last lead byte; keep it only when its whole
    // sequence is there.
    qsizetype lead = bytes.size();
    int continuations = 0;
    while (lead > 0 && continuations < 4 && (uchar(bytes[lead - 1]) & 0xC0) == 0x80) {
        --lead;
        ++continuations;
    }
    if (lead == 0) return bytes.size();
    const uchar c = uchar(bytes[lead - 1]);
    const int needed = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    return continuations < needed ? lead - 1 : bytes.size();
}

} // namespace mokuri
