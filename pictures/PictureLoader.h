// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures decoded at the size they are shown, ahead of time on the executor, so that a
// question appears at once: the next task's picture is decoded while the praise is
// spoken, and the current one is kept for a retry after a wrong tile. A picture not yet
// decoded (the first one, a large scan, one on a slow share) never holds the screen: the
// question is shown without it and `decoded` says when it can be put in.
#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>

namespace mokuri {

struct DecodeOptions {
    // Larger pictures are read row by row and shrunk on the way instead of decoded whole
    // (for a progressive JPEG, whole means all its coefficients). Qt's own allocation
    // limit, which refuses larger BMP and GIF pictures, is the same.
    qint64 wholeDecodeBudget = qint64(128) << 20;
    // Set: the decode ends as soon as it can, with a null image.
    const std::atomic<bool>* cancel = nullptr;
    // Called once the header shows a large picture, before its decode starts.
    std::function<void()> whenLarge;
};

// Decodes at `size` (JPEG scales while decoding), stretched to exactly that size.
// A null image when the file is missing or not a picture. Pictures of more than 16 MB
// decode one at a time, whatever the thread.
QImage decodePictureAt(const QString& path, QSize size, const DecodeOptions& options = {});

class PictureLoader : public QObject {
    Q_OBJECT
public:
    PictureLoader();
    ~PictureLoader() override;
    // The picture as decoded ahead, or a null image when it is still being decoded (then
    // `decoded` follows). Never waits. Whether the file has changed since is looked at off
    // this thread; a changed file is decoded again and `decoded` says so.
    QImage load(const QString& path, QSize size);
    void prefetch(const QString& path, QSize size);
    // Still decoding: a null image from load() is no failure (yet).
    bool decoding(const QString& path, QSize size) const;
    // What has been decoded for this path and size, without any look at the file.
    QImage ready(const QString& path, QSize size) const;

signals:
    void decoded(const QString& path, QSize size);

private:
    struct Decode;
    struct Shared;
    struct Entry {
        QString path;
        QSize size;
        std::shared_ptr<Decode> decode;
    };
    Entry start(const QString& path, QSize size);
    void checkStillCurrent(const Entry& e);
    static QImage ready(const Entry& e);
    std::deque<Entry> entries_;  // the few most recent, newest last
    std::shared_ptr<Shared> shared_;
};

} // namespace mokuri
