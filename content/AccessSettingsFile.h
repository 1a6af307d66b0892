// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// mokuri-access.ini in the picture folder: one "name=value" a line under "[access]".
// Names the game does not know are passed over, so that a later version's file still
// reads; a known name with a value that is no value is a damaged file.
#include "content/AccessSettings.h"
#include "support/Trace.h"

#include <QByteArray>
#include <optional>

namespace mokuri {

inline const QString kAccessFileName = QStringLiteral("mokuri-access.ini");

QByteArray formatAccessSettings(const AccessSettings& s);
// Values out of range are held to it; nothing when a line cannot be read.
std::optional<AccessSettings> parseAccessSettings(const QByteArray& bytes);

// Reads the file of `folder` (empty: the current folder). A missing file means the
// defaults and stays missing; a damaged one is kept beside it, rewritten with the
// defaults, and `notice` gets a sentence for the adult saying so.
AccessSettings loadAccessSettings(const QString& folder, Trace& trace, QString* notice = nullptr);
// False (and a message on stderr) when it could not be written.
bool saveAccessSettings(const QString& folder, const AccessSettings& s, Trace& trace);

} // namespace mokuri
