// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user's folders as the XDG base-directory rules name them: a variable holding a
// relative path is ignored, and a missing HOME falls back to the account's home folder, so
// that nothing is ever written relative to the current folder or at the root.
// QStandardPaths would do, but Qt 6.4's takes a relative XDG_CACHE_HOME as it stands and,
// without HOME, names //.cache; it is used where those cases cannot arise (the installed
// data folders, programs on PATH).
#include <QString>

namespace mokuri {

// The home folder: $HOME when it is an absolute path, else the account's; empty when
// neither is known.
QString homeFolder();

// `variable` (XDG_STATE_HOME, XDG_CACHE_HOME, ...) when it holds an absolute path, else
// `underHome` in the home folder; empty when there is no home folder either.
QString xdgFolder(const char* variable, const QString& underHome);

inline QString stateHome() { return xdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state")); }

} // namespace mokuri
