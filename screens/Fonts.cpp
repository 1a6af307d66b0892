// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
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

} // namespace mokuri
