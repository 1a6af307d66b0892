#include "content/TextEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace mokuri {

namespace {
const char kBom[] = "\xEF\xBB\xBF";
}

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = dec.decode(bytes);
    return !dec.hasError();
}

QString DecodeText(const QByteArray& bytes)
{
    if (bytes.startsWith(kBom))
        return DecodeText(bytes.mid(3)); // a second BOM would be content, but a damaged file is still read
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QStringDecoder cp932("windows-932");
    if (!cp932.isValid())
        return QString::fromLatin1(bytes);
    return cp932.decode(bytes);
}

QByteArray EncodeText(const QString& text)
{
    QStringEncoder cp932("windows-932", QStringEncoder::Flag::Stateless);
    if (cp932.isValid()) {
        QByteArray out = cp932.encode(text);
        if (!cp932.hasError()) {
            // The encoder may substitute '?' without flagging it: check the round trip.
            QStringDecoder back("windows-932");
            if (back.decode(out) == text)
                return out;
        }
    }
    return QByteArray(kBom) + text.toUtf8();
}

} // namespace mokuri
