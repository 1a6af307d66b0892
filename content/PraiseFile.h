#pragma once
// O.txt in the current folder: the praise lines, one per line.
#include "content/Globals.h"
#include <QByteArray>
#include <QStringList>

namespace mokuri {

inline const QString DefaultPraise = QStringLiteral("よくできました");

// The non-empty fields of the file, at most MaxPraiseTexts.
QStringList ParsePraiseTexts(const QByteArray& bytes, int* ignored = nullptr);

// Reads "O.txt" (creating it with DefaultPraise when it is missing) into the table.
void LoadPraiseTexts(QString (&texts)[MaxPraiseTexts], int16_t& count);

} // namespace mokuri
