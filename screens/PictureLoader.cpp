#include "screens/PictureLoader.h"

#include "support/FileRead.h"

#include <QFileInfo>
#include <QImageReader>

namespace mokuri {

namespace {
constexpr size_t kKept = 3;  // the current picture, the next one, and one spare
}

namespace {

// JPEG decodes at 1/2, 1/4 or 1/8 of its size for a fraction of the work. Taking the
// smallest such size that is at most 10 % short of the box, and stretching the little
// rest, is much cheaper than the next larger one scaled down, and looks the same.
QSize cheapDecodeSize(QSize full, QSize box)
{
    if (!full.isValid() || box.isEmpty()) return box;
    for (int d = 8; d >= 2; d /= 2) {
        QSize s((full.width() + d - 1) / d, (full.height() + d - 1) / d);
        if (s.width() * 10 >= box.width() * 9 && s.height() * 10 >= box.height() * 9) return s;
    }
    return box;
}

} // namespace

QImage decodePictureAt(const QString& path, QSize size)
{
    // A FIFO (or a link to one) would block the decoder, and the question waiting for it,
    // for ever: only regular files are pictures.
    if (!isRegularFile(path)) return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(reader.format() == "jpeg" ? cheapDecodeSize(reader.size(), size) : size);
    QImage img = reader.read();
    if (img.isNull()) return img;
    if (img.size() != size) img = img.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return img;
}

PictureLoader::~PictureLoader()
{
    for (Entry& e : entries_)
        if (e.image.valid()) e.image.wait();
}

PictureLoader::Entry PictureLoader::start(const QString& path, QSize size)
{
    Entry e;
    e.path = path;
    e.size = size;
    QFileInfo info(path);
    e.modified = info.lastModified();
    e.bytes = info.exists() ? info.size() : -1;
    e.image = std::async(std::launch::async, decodePictureAt, path, size).share();
    return e;
}

bool PictureLoader::stillCurrent(const Entry& e)
{
    QFileInfo info(e.path);
    return info.exists() && info.size() == e.bytes && info.lastModified() == e.modified;
}

void PictureLoader::prefetch(const QString& path, QSize size)
{
    for (const Entry& e : entries_)
        if (e.path == path && e.size == size) return;
    entries_.push_back(start(path, size));
    while (entries_.size() > kKept) {
        if (entries_.front().image.valid()) entries_.front().image.wait();
        entries_.pop_front();
    }
}

QImage PictureLoader::load(const QString& path, QSize size)
{
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path != path || it->size != size) continue;
        if (stillCurrent(*it)) {
            Entry e = *it;
            entries_.erase(it);
            entries_.push_back(e);  // most recently used stays longest
            return e.image.get();
        }
        if (it->image.valid()) it->image.wait();
        entries_.erase(it);
        break;
    }
    prefetch(path, size);
    return entries_.back().image.get();
}

} // namespace mokuri
