// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes named .bmp, .gif or .jpg in a shared picture folder: the header reader and the
// three readers that shrink large pictures while reading them never crash, never run away
// with memory, and give either nothing or a picture no larger than the box.
#include "FuzzCheck.h"
#include "pictures/PictureStreams.h"

#include <QBuffer>

#include <cstdint>

using namespace mokuri;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    // The first byte picks the box, so that shrinking to one pixel and to a few is tried.
    const QSize box(1 + data[0] % 32, 1 + (data[0] / 32) % 8 * 4);
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const PictureHeader header = readPictureHeader(file);
    FUZZ_CHECK(header.kind == PictureKind::Unknown || header.fullDecodeBytes >= 0);
    static const std::atomic<bool> never{false};
    for (auto read : {readShrunkBmp, readShrunkGif, readShrunkProgressiveJpeg}) {
        file.seek(0);
        const QImage img = read(file, box, never);
        FUZZ_CHECK(img.isNull() || (img.width() <= box.width() && img.height() <= box.height()),
                   QStringLiteral("a picture larger than its box: %1 x %2").arg(img.width()).arg(img.height()));
    }
    return 0;
}
