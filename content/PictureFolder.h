// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture folder: the pictures whose names are the words (*.jpg, *.gif, *.bmp in any
// letter case), at most kMaxPictures of them.
#include "support/Trace.h"

#include <QString>
#include <QStringList>

namespace mokuri {

constexpr int kMaxPictures = 101;

// The kinds of picture the game shows, as name filters (letter case ignored).
inline const QStringList kPictureNameFilters{QStringLiteral("*.jpg"), QStringLiteral("*.gif"), QStringLiteral("*.bmp")};

// A file of the folder as given on the command line (empty: the current folder).
QString fileInFolder(const QString& folder, const QString& name);

struct PictureFolder {
    QString path;          // as given on the command line; empty for the current folder
    QStringList pictures;  // the catalogue: file names in a stable order

    QString filePath(const QString& name) const { return fileInFolder(path, name); }
};

struct FolderListing {
    bool folderOk = true;   // false: the folder does not exist or cannot be listed
    QStringList names;      // every matching file, in catalogue order
    int otherPictures = 0;  // files named as pictures of kinds the game does not take (.png, .jpeg, ...)
};

// Ordered by name with letter case ignored, exact comparison breaking ties, so the
// order is the same at every start.
FolderListing listPictureFolder(const QString& folder);

// The catalogue of `folder`: its first kMaxPictures pictures, the rest left out with a
// message. An empty catalogue means the game cannot start.
PictureFolder loadPictureFolder(const QString& folder, Trace& trace);

} // namespace mokuri
