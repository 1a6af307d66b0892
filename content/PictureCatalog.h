#pragma once
// The pictures of the data folder: *.jpg, *.gif, *.bmp in any letter case.
#include <QString>
#include <QStringList>

namespace mokuri {

struct FolderListing {
    bool folderOk = true;   // false: the folder does not exist or cannot be listed
    QStringList names;      // every matching file, in catalogue order
};

// Ordered by name with letter case ignored, exact comparison breaking ties, so the
// order is the same at every start.
FolderListing ListPictureFolder(const QString& folder);

// Fills AllPictures / AllPictureCount from the folder named by CommandLineText.
// Returns false when there is no picture (the caller tells the user and ends).
bool LoadPictureList();

} // namespace mokuri
