// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures decoded ahead are used only while the file is unchanged.
#include "fakes/TestFolder.h"
#include "fakes/BmpHeader.h"
#include "pictures/PictureLoader.h"
#include "pictures/PictureStreams.h"
#include "support/Executor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>

using namespace mokuri;
using namespace mokuri::test;

namespace {
// The picture once the loader has it: what load() gives, or after `decoded`.
QImage loaded(PictureLoader& loader, const QString& path, QSize size)
{
    QSignalSpy decoded(&loader, &PictureLoader::decoded);
    QImage img = loader.load(path, size);
    while (img.isNull() && loader.decoding(path, size) && decoded.wait(60000)) img = loader.ready(path, size);
    return img;
}

void writeColour(const QString& path, QColor c, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(c);
    QVERIFY(img.save(path, "BMP"));
}
} // namespace

class PictureLoading : public QObject {
    Q_OBJECT
private slots:
    void decodedAtTheSizeShown()
    {
        TestFolder folder;
        const QString path = folder.path() + QStringLiteral("/a.jpg");
        QImage big(1600, 1200, QImage::Format_RGB32);
        big.fill(Qt::green);
        QVERIFY(big.save(path, "JPG"));
        QImage img = decodePictureAt(path, QSize(300, 100));
        QCOMPARE(img.size(), QSize(300, 100));  // stretched, not kept in proportion
        QVERIFY(decodePictureAt(folder.path() + QStringLiteral("/none.jpg"), QSize(10, 10)).isNull());
    }

    void changedOrDeletedFilesAreReadAgain_data()
    {
        QTest::addColumn<QSize>("newSize");
        QTest::newRow("another size on disk") << QSize(41, 30);
        // A copy over the file within the same millisecond, as a script's does.
        QTest::newRow("same size, a nanosecond later") << QSize(40, 30);
    }
    void changedOrDeletedFilesAreReadAgain()
    {
        QFETCH(QSize, newSize);
        TestFolder folder;
        const QString path = folder.path() + QStringLiteral("/p.bmp");
        writeColour(path, Qt::red, QSize(40, 30));
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
        PictureLoader loader;
        loader.prefetch(path, QSize(20, 10));
        QCOMPARE(loaded(loader, path, QSize(20, 10)).pixelColor(5, 5), QColor(Qt::red));
        // The look at the file that showing it began is over before the file changes under
        // it (one that read a half-written file found a black picture).
        QVERIFY(Executor::shared().finish(std::chrono::seconds(60)));
        QCoreApplication::processEvents();

        // What was decoded is shown at once; the look at the file, off this thread, finds it
        // changed and the new picture follows.
        writeColour(path, Qt::blue, newSize);
        timespec times[2] = {before.st_atim, before.st_mtim};
        times[1].tv_nsec = (times[1].tv_nsec + 1) % 1000000000;
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        QSignalSpy decoded(&loader, &PictureLoader::decoded);
        QCOMPARE(loader.load(path, QSize(20, 10)).pixelColor(5, 5), QColor(Qt::red));
        QVERIFY(decoded.wait(60000));
        QCOMPARE(loader.ready(path, QSize(20, 10)).pixelColor(5, 5), QColor(Qt::blue));

        QFile::remove(path);
        QVERIFY(!loader.load(path, QSize(20, 10)).isNull());
        QVERIFY(decoded.wait(60000));
        QVERIFY(loader.ready(path, QSize(20, 10)).isNull());
    }

    // A header may claim any size: what is made stays within the box before a row is read
    // (a few bytes claiming 262144 x 2^31 pixels once asked for half a gigabyte of sums).
    void damagedHeadersNeverOutgrowTheBox_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("167 million rows (found by the fuzzer)") << 8 << 167837696;
        QTest::newRow("the widest and tallest a header can say") << 262144 << 0x7fffffff;
        QTest::newRow("an honest picture") << 40 << 30;
    }
    void damagedHeadersNeverOutgrowTheBox()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QByteArray bytes = bmpHeader24(width, height) + QByteArray(4096, '\x40');
        QBuffer file(&bytes);
        QVERIFY(file.open(QIODevice::ReadOnly));
        static const std::atomic<bool> never{false};
        const QImage img = readShrunkBmp(file, QSize(2, 5), never);
        QVERIFY(!img.isNull());
        QVERIFY2(img.width() <= 2 && img.height() <= 5, qPrintable(QStringLiteral("%1 x %2").arg(img.width()).arg(img.height())));
    }

    void manyPrefetchesKeepOnlyAFew()
    {
        TestFolder folder;
        PictureLoader loader;
        for (int i = 0; i < 20; ++i) {
            const QString p = folder.path() + QStringLiteral("/%1.bmp").arg(i);
            writeColour(p, QColor(i * 10, 0, 0), QSize(8, 8));
            loader.prefetch(p, QSize(8, 8));
        }
        QCOMPARE(loaded(loader, folder.path() + QStringLiteral("/19.bmp"), QSize(8, 8)).pixelColor(1, 1), QColor(190, 0, 0));
        QCOMPARE(loaded(loader, folder.path() + QStringLiteral("/3.bmp"), QSize(8, 8)).pixelColor(1, 1), QColor(30, 0, 0));
    }
};

QTEST_MAIN(PictureLoading)
#include "test_picture_loader.moc"
