// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// O.txt in the current folder: the praise lines, one per line; one of them is said after
// each finished word.
#include "support/Trace.h"

#include <QByteArray>
#include <QStringList>

namespace mokuri {

constexpr int kMaxPraiseLines = 21;
inline const QString kDefaultPraise = QStringLiteral("よくできました");

// The non-empty fields of the file, at most kMaxPraiseLines; `ignored` counts the rest.
QStringList parsePraiseLines(const QByteArray& bytes, int* ignored = nullptr);

// Reads O.txt, creating it with kDefaultPraise when it is missing.
QStringList loadPraiseLines(Trace& trace);

} // namespace mokuri
