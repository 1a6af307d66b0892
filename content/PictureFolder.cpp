// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/PictureFolder.h"
#include "support/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace mokuri {

QString fileInFolder(const QString& folder, const QString& name)
{
    return folder.isEmpty() ? name : folder + u'/' + name;
}

FolderListing listPictureFolder(const QString& folder)
{
    FolderListing out;
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    QFileInfo info(dir.path());
    if (!info.exists() || !info.isDir() || !info.isReadable() || !info.isExecutable()) {
        out.folderOk = false;
        return out;
    }
    // Unreadable pictures stay in: one left out would shift every later name and reset the
    // adult's choice in Fname.txt; it shows as a picture that cannot be shown. Dot-files
    // count as hidden and are left out.
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Unsorted);
    dir.setNameFilters({QStringLiteral("*.png"), QStringLiteral("*.jpeg"), QStringLiteral("*.jpe"), QStringLiteral("*.webp"),
                        QStringLiteral("*.tif"), QStringLiteral("*.tiff"), QStringLiteral("*.heic")});
    out.otherPictures = int(dir.entryList().size());
    dir.setNameFilters(kPictureNameFilters);
    out.names = dir.entryList();
    std::sort(out.names.begin(), out.names.end(), [](const QString& a, const QString& b) {
        int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return out;
}

PictureFolder loadPictureFolder(const QString& folder, Trace& trace)
{
    PictureFolder out{folder, {}};
    FolderListing listing = listPictureFolder(folder);
    if (!listing.folderOk)
        qCWarning(logContent, "the picture folder \"%s\" does not exist or cannot be listed",
                     qPrintable(folder));
    const QStringList& names = listing.names;
    if (names.isEmpty() && listing.otherPictures > 0)
        qCWarning(logContent, "%d pictures of other kinds (.png, .jpeg, ...) are here; only .jpg, .gif and .bmp "
                             "pictures are questions",
                     listing.otherPictures);
    if (names.size() > kMaxPictures) {
        qCWarning(logContent, "%lld pictures found; only the first %d take part, %lld are left out",
                     static_cast<long long>(names.size()), kMaxPictures,
                     static_cast<long long>(names.size() - kMaxPictures));
        trace.event("warning", {QStringLiteral("%1 pictures left out").arg(names.size() - kMaxPictures)});
    }
    out.pictures = names.mid(0, kMaxPictures);
    return out;
}

} // namespace mokuri
