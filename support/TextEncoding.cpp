// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TextEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace mokuri {

namespace {
const char kBom[] = "\xEF\xBB\xBF";
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = dec.decode(bytes);
    return !dec.hasError();
}

namespace {

// Halves of surrogate pairs left alone by a damaged UTF-16 file become U+FFFD, as damaged
// UTF-8 and CP932 do: text with them can be written back in no encoding.
QString withoutLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (text[i].isSurrogate()) text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

QString decodeText(const QByteArray& bytes)
{
    // Notepad's "Unicode" and "Unicode big endian" always start with their byte-order mark.
    if (bytes.startsWith("\xFF\xFE"))
        return withoutLoneSurrogates(QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2)));
    if (bytes.startsWith("\xFE\xFF"))
        return withoutLoneSurrogates(QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2)));
    // Leading UTF-8 marks are dropped in one pass: a damaged file may hold a million of them.
    qsizetype start = 0;
    while (QByteArrayView(bytes).sliced(start).startsWith(kBom)) start += 3;
    const QByteArrayView text = QByteArrayView(bytes).sliced(start);
    if (isValidUtf8(text))
        return QString::fromUtf8(text);
    QStringDecoder cp932("windows-932");
    if (!cp932.isValid())
        return QString::fromLatin1(text);
    return cp932.decode(text);
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
