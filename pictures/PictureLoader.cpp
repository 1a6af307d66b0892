// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/PictureLoader.h"

#include "support/FileStamp.h"

#include "pictures/PictureStreams.h"
#include "support/FileRead.h"
#include "support/Executor.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>
#include <chrono>
#include <mutex>
#include <optional>

namespace mokuri {

namespace {
constexpr size_t kKept = 3;  // the current picture, the next one, and one spare

// Above this a picture is large: decoded one at a time, and not waited for.
constexpr qint64 kLargeBytes = qint64(16) << 20;

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

// Ends every read once the decode is given up: Qt's decoders then finish at once with
// what they have, and the image is thrown away.
class CancellableFile : public QFile {
public:
    CancellableFile(const QString& path, const std::atomic<bool>& cancel) : QFile(path), cancel_(cancel) {}

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (cancel_.load(std::memory_order_relaxed)) return -1;
        return QFile::readData(data, maxSize);
    }

private:
    const std::atomic<bool>& cancel_;
};

// Large decodes one at a time, so that four pictures decoded ahead cost one at most.
class LargeDecodeGate {
public:
    bool enter(const std::atomic<bool>& cancel)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !busy_ || cancel.load(); });
        if (cancel.load()) return false;
        busy_ = true;
        return true;
    }
    void leave()
    {
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        changed_.notify_all();
    }
    // After a cancel flag was set: the waiting decodes look at it again.
    void wake()
    {
        { std::lock_guard lock(mutex_); }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool busy_ = false;
};

LargeDecodeGate& largeDecodeGate()
{
    static LargeDecodeGate gate;
    return gate;
}

QImage transformed(QImage img, QImageIOHandler::Transformations t)
{
    if (t & (QImageIOHandler::TransformationMirror | QImageIOHandler::TransformationFlip))
        img = img.mirrored(t & QImageIOHandler::TransformationMirror, t & QImageIOHandler::TransformationFlip);
    if (t & QImageIOHandler::TransformationRotate90) img = img.transformed(QTransform().rotate(90));
    return img;
}

QImage decodeWhole(QIODevice& file, QSize size, const PictureHeader& header)
{
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    if (reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(header.kind == PictureKind::Jpeg ? cheapDecodeSize(reader.size(), size) : size);
    return reader.read();
}

QImage decodeShrunk(QFile& file, QSize size, const PictureHeader& header, const std::atomic<bool>& cancel)
{
    switch (header.kind) {
    case PictureKind::Bmp: return readShrunkBmp(file, size, cancel);
    case PictureKind::Gif: return readShrunkGif(file, size, cancel);
    case PictureKind::Jpeg: {
        // A camera's turn of the picture, read from its header before the pixels.
        QImageReader orientation(&file);
        const QImageIOHandler::Transformations t = orientation.transformation();
        file.seek(0);
        const QSize box = t & QImageIOHandler::TransformationRotate90 ? size.transposed() : size;
        return transformed(readShrunkProgressiveJpeg(file, box, cancel), t);
    }
    case PictureKind::Unknown: break;
    }
    return {};
}

} // namespace

QImage decodePictureAt(const QString& path, QSize size, const DecodeOptions& options)
{
    // A FIFO (or a link to one) would block the decoder, and the question waiting for it,
    // for ever: only regular files are pictures.
    if (!isRegularFile(path)) return {};
    static const std::atomic<bool> never{false};
    const std::atomic<bool>& cancel = options.cancel ? *options.cancel : never;
    CancellableFile file(path, cancel);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const PictureHeader header = readPictureHeader(file);
    const bool whole = header.kind == PictureKind::Unknown || header.fullDecodeBytes <= options.wholeDecodeBudget;
    const bool large = std::max(pixelBytes(header.size), header.fullDecodeBytes) > kLargeBytes;
    if (large && options.whenLarge) options.whenLarge();
    if (large && !largeDecodeGate().enter(cancel)) return {};
    QImage img = whole ? decodeWhole(file, size, header) : decodeShrunk(file, size, header, cancel);
    if (large) largeDecodeGate().leave();
    if (img.isNull() || cancel.load()) return {};
    if (img.size() != size) img = img.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return img;
}

struct PictureLoader::Decode {
    std::mutex mutex;
    bool done = false;
    QImage image;
    std::optional<FileStamp> stamp;  // taken by the decoding thread before it reads
};

struct PictureLoader::Shared {
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    PictureLoader* owner = nullptr;  // null once the loader is gone
};

PictureLoader::PictureLoader() : shared_(std::make_shared<Shared>()) { shared_->owner = this; }

PictureLoader::~PictureLoader()
{
    // Running decodes stop at their next row; one stuck on a stalled share holds only what
    // it owns, and the program's end does not wait for it.
    shared_->cancel = true;
    largeDecodeGate().wake();
    std::lock_guard lock(shared_->mutex);
    shared_->owner = nullptr;
}

PictureLoader::Entry PictureLoader::start(const QString& path, QSize size)
{
    Entry e;
    e.path = path;
    e.size = size;
    e.decode = std::make_shared<Decode>();
    Executor::shared().post([decode = e.decode, shared = shared_, path, size] {
        {
            // Here, not on the window's thread: even a look at a file may hang on a share.
            FileStamp stamp = FileStamp::of(path);
            std::lock_guard lock(decode->mutex);
            decode->stamp = std::move(stamp);
        }
        DecodeOptions options;
        options.cancel = &shared->cancel;
        QImage image = decodePictureAt(path, size, options);
        {
            std::lock_guard lock(decode->mutex);
            decode->image = std::move(image);
            decode->done = true;
        }
        std::lock_guard lock(shared->mutex);
        if (PictureLoader* owner = shared->owner)
            QMetaObject::invokeMethod(owner, [owner, path, size] { emit owner->decoded(path, size); }, Qt::QueuedConnection);
    });
    return e;
}

void PictureLoader::checkStillCurrent(const Entry& e)
{
    std::optional<FileStamp> decoded;
    {
        std::lock_guard lock(e.decode->mutex);
        decoded = e.decode->stamp;
    }
    if (!decoded) return;  // still being read: what it finds is the file as it is now
    // The look goes to the executor: a stalled share answers it never, and the picture
    // already decoded is shown meanwhile. A changed file is decoded again and put in.
    Executor::shared().run(
        this, [path = e.path] { return FileStamp::of(path); },
        [this, decode = e.decode, was = *decoded](const FileStamp& now) {
            if (now == was) return;
            for (auto it = entries_.begin(); it != entries_.end(); ++it)
                if (it->decode == decode) {
                    const QString path = it->path;
                    const QSize size = it->size;
                    entries_.erase(it);
                    prefetch(path, size);
                    return;
                }
        });
}

void PictureLoader::prefetch(const QString& path, QSize size)
{
    for (const Entry& e : entries_)
        if (e.path == path && e.size == size) return;
    entries_.push_back(start(path, size));
    // Evicted decodes may still run; the destructor stops them too.
    while (entries_.size() > kKept) entries_.pop_front();
}

QImage PictureLoader::load(const QString& path, QSize size)
{
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path != path || it->size != size) continue;
        Entry e = *it;
        entries_.erase(it);
        entries_.push_back(e);  // most recently used stays longest
        checkStillCurrent(e);
        return ready(e);
    }
    prefetch(path, size);
    return ready(entries_.back());
}

QImage PictureLoader::ready(const QString& path, QSize size) const
{
    for (const Entry& e : entries_)
        if (e.path == path && e.size == size) return ready(e);
    return {};
}

bool PictureLoader::decoding(const QString& path, QSize size) const
{
    for (const Entry& e : entries_) {
        if (e.path != path || e.size != size) continue;
        std::lock_guard lock(e.decode->mutex);
        return !e.decode->done;
    }
    return false;
}

QImage PictureLoader::ready(const Entry& e)
{
    std::lock_guard lock(e.decode->mutex);
    return e.decode->done ? e.decode->image : QImage();
}

} // namespace mokuri
