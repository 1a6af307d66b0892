// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/PictureLoader.h"

#include "support/FileRead.h"

#include <QFileInfo>
#include <QImageReader>
#include <chrono>
#include <memory>
#include <thread>

namespace mokuri {

namespace {
constexpr size_t kKept = 3;  // the current picture, the next one, and one spare
constexpr std::chrono::milliseconds kPatience{900};
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
    // Decodes normally finish in milliseconds; one stuck on a stalled share must not keep
    // the program from ending.
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (const std::shared_future<QImage>& f : started_) f.wait_until(deadline);
}

PictureLoader::Entry PictureLoader::start(const QString& path, QSize size)
{
    Entry e;
    e.path = path;
    e.size = size;
    QFileInfo info(path);
    e.modified = info.lastModified();
    e.bytes = info.exists() ? info.size() : -1;
    // A detached thread rather than std::async: the future of std::async waits for its
    // thread when dropped, and a decode stuck on a stalled share would then block the screen.
    auto promise = std::make_shared<std::promise<QImage>>();
    e.image = promise->get_future().share();
    std::thread([promise, path, size] { promise->set_value(decodePictureAt(path, size)); }).detach();
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
    while (entries_.size() > kKept) entries_.pop_front();
    // Evicted decodes may still run; the destructor waits for those too.
    std::erase_if(started_, [](const std::shared_future<QImage>& f) {
        return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    started_.push_back(entries_.back().image);
}

QImage PictureLoader::load(const QString& path, QSize size)
{
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path != path || it->size != size) continue;
        if (stillCurrent(*it)) {
            Entry e = *it;
            entries_.erase(it);
            entries_.push_back(e);  // most recently used stays longest
            return ready(e);
        }
        entries_.erase(it);
        break;
    }
    prefetch(path, size);
    return ready(entries_.back());
}

QImage PictureLoader::ready(const Entry& e)
{
    // A picture that takes longer than this (a stalled network share) is left out of the
    // question rather than freezing the screen; a later question may still get it.
    if (e.image.wait_for(kPatience) != std::future_status::ready) return {};
    return e.image.get();
}

} // namespace mokuri
