// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/WordLetters.h"

namespace mokuri {

QString nameWithoutExtension(const QString& fileName)
{
    qsizetype dot = fileName.indexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

QString wordOfPicture(const QString& fileName)
{
    return nameWithoutExtension(fileName).normalized(QString::NormalizationForm_C);
}

QStringList splitLetters(const QString& text)
{
    QStringList out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        out << text.mid(i, n);
        i += n;
    }
    return out;
}

QString letterSoundFile(const QString& letter)
{
    QString l = letter;
    if (!l.isEmpty() && l[0].unicode() > 0x30A0 && l[0].unicode() < 0x8000)
        l = QString(QChar(char16_t(l[0].unicode() - kKatakanaOffset)));
    return l + QStringLiteral(".wav");
}

} // namespace mokuri
