// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures decoded at the size they are shown, ahead of time on a worker thread, so that
// a question appears at once: the next task's picture is decoded while the praise is
// spoken, and the current one is kept for a retry after a wrong tile.
#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <deque>
#include <future>
#include <vector>

namespace mokuri {

// Decodes at `size` (JPEG scales while decoding), stretched to exactly that size.
// A null image when the file is missing or not a picture.
QImage decodePictureAt(const QString& path, QSize size);

class PictureLoader {
public:
    ~PictureLoader();
    // The picture, from what was decoded ahead when the file has not changed since.
    QImage load(const QString& path, QSize size);
    void prefetch(const QString& path, QSize size);

private:
    struct Entry {
        QString path;
        QSize size;
        QDateTime modified;
        qint64 bytes = -1;
        std::shared_future<QImage> image;
    };
    static Entry start(const QString& path, QSize size);
    static bool stillCurrent(const Entry& e);
    static QImage ready(const Entry& e);
    std::deque<Entry> entries_;  // the few most recent, newest last
    std::vector<std::shared_future<QImage>> started_;  // decodes that may still be running
};

} // namespace mokuri
