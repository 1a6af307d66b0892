// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/Fonts.h"
#include "support/Logging.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QRawFont>
#include <QStringList>

namespace mokuri {

void installFontSubstitutes()
{
    const QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
    auto pick = [&](const QStringList& wanted) {
        QStringList found;
        for (const QString& w : wanted)
            if (families.contains(w)) found << w;
        for (const QString& f : families)  // any Japanese font beats boxes
            if (!found.contains(f)) found << f;
        return found;
    };
    const QString gothic = QString::fromUtf8(kGothic);
    const QString pgothic = QString::fromUtf8(kPGothic);
    if (!QFontDatabase::hasFamily(gothic))
        QFont::insertSubstitutions(gothic, pick({QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                                                 QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP")}));
    if (!QFontDatabase::hasFamily(pgothic))
        QFont::insertSubstitutions(pgothic, pick({QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                                  QStringLiteral("Noto Sans CJK JP")}));
}

bool hasBoldFace(const QFont& font)
{
    static QHash<QString, bool> known;
    const QString family = QFontInfo(font).family();
    auto it = known.constFind(family);
    if (it != known.constEnd()) return *it;
    bool bold = false;
    for (const QString& style : QFontDatabase::styles(family))
        bold = bold || QFontDatabase::weight(family, style) >= QFont::DemiBold;
    known.insert(family, bold);
    return bold;
}

bool drawsKana(const QFont& font)
{
    // Qt's last resort draws boxes and claims every letter; only a face of a family made
    // for Japanese counts: the one `font` comes to, or one the fallback would take.
    QStringList families{QFontInfo(font).family()};
    families += QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& family : families) {
        if (!QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)) continue;
        const QRawFont raw = QRawFont::fromFont(QFont(family), QFontDatabase::Japanese);
        if (raw.isValid() && raw.supportsCharacter(QChar(u'あ')) && raw.supportsCharacter(QChar(u'ア'))) return true;
    }
    return false;
}

QString noKanaFontNotice()
{
    if (drawsKana(QFont(QString::fromUtf8(kGothic)))) return {};
    // In Latin letters: no kana can be drawn, in the box either.
    const QString text = QStringLiteral(
        "No installed font can draw kana: every letter of the game shows as an empty box. "
        "Install a Japanese font, for example the Debian package fonts-ipafont-gothic "
        "(sudo apt install fonts-ipafont-gothic), then start the game again.");
    qCWarning(logScreens, "%s", qPrintable(text));
    return text;
}

} // namespace mokuri
