#include "content/PictureCatalog.h"

#include "app/Trace.h"
#include "content/Globals.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace mokuri {

FolderListing ListPictureFolder(const QString& folder)
{
    FolderListing out;
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    QFileInfo info(dir.path());
    if (!info.exists() || !info.isDir() || !info.isReadable() || !info.isExecutable()) {
        out.folderOk = false;
        return out;
    }
    dir.setFilter(QDir::Files | QDir::Readable);  // dot-files count as hidden and are left out
    dir.setNameFilters({QStringLiteral("*.jpg"), QStringLiteral("*.gif"), QStringLiteral("*.bmp")});
    dir.setSorting(QDir::Unsorted);
    out.names = dir.entryList();
    std::sort(out.names.begin(), out.names.end(), [](const QString& a, const QString& b) {
        int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return out;
}

bool LoadPictureList()
{
    FolderListing listing = ListPictureFolder(CommandLineText);
    if (!listing.folderOk)
        std::fprintf(stderr, "mokuri: the picture folder \"%s\" does not exist or cannot be listed\n",
                     qPrintable(CommandLineText));
    const QStringList& names = listing.names;
    if (names.size() > MaxPictures) {
        std::fprintf(stderr, "mokuri: %lld pictures found; only the first %d take part, %lld are left out\n",
                     static_cast<long long>(names.size()), MaxPictures,
                     static_cast<long long>(names.size() - MaxPictures));
        TraceEvent("warning", {QStringLiteral("%1 pictures left out").arg(names.size() - MaxPictures)});
    }
    for (auto& s : AllPictures) s.clear();
    AllPictureCount = int16_t(std::min<qsizetype>(names.size(), MaxPictures));
    for (int k = 0; k < AllPictureCount; ++k) AllPictures[k] = names[k];
    return AllPictureCount >= 1;
}

} // namespace mokuri
