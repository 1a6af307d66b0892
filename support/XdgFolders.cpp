// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XdgFolders.h"

#include <QDir>
#include <QFile>
#include <pwd.h>
#include <unistd.h>

namespace mokuri {

QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home)) return QDir::cleanPath(home);
    // A service or a `env -i` start has no HOME: the account still has a home folder.
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
        return QDir::cleanPath(QFile::decodeName(pw->pw_dir));
    return {};
}

QString xdgFolder(const char* variable, const QString& underHome)
{
    const QString given = qEnvironmentVariable(variable);
    if (QDir::isAbsolutePath(given)) return QDir::cleanPath(given);
    const QString home = homeFolder();
    return home.isEmpty() ? QString() : QDir(home).filePath(underHome);
}

} // namespace mokuri
