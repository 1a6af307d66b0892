// Pictures decoded ahead are used only while the file is unchanged.
#include "app/PictureLoader.h"
#include "fakes/TestFolder.h"

#include <QFile>
#include <QTest>
#include <thread>

using namespace mokuri;
using namespace mokuri::test;

namespace {
void WriteColour(const QString& path, QColor c, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(c);
    QVERIFY(img.save(path, "BMP"));
}
}

class PictureLoading : public QObject {
    Q_OBJECT
private slots:
    void decodedAtTheSizeShown()
    {
        TestFolder folder;
        const QString path = folder.Path() + "/a.jpg";
        QImage big(1600, 1200, QImage::Format_RGB32);
        big.fill(Qt::green);
        QVERIFY(big.save(path, "JPG"));
        QImage img = DecodePictureAt(path, QSize(300, 100));
        QCOMPARE(img.size(), QSize(300, 100));  // stretched, not kept in proportion
        QVERIFY(DecodePictureAt(folder.Path() + "/none.jpg", QSize(10, 10)).isNull());
    }

    void changedOrDeletedFilesAreReadAgain()
    {
        TestFolder folder;
        const QString path = folder.Path() + "/p.bmp";
        WriteColour(path, Qt::red, QSize(40, 30));
        PictureLoader loader;
        loader.Prefetch(path, QSize(20, 10));
        QCOMPARE(loader.Load(path, QSize(20, 10)).pixelColor(5, 5), QColor(Qt::red));

        WriteColour(path, Qt::blue, QSize(41, 30));  // another size on disk
        QCOMPARE(loader.Load(path, QSize(20, 10)).pixelColor(5, 5), QColor(Qt::blue));

        loader.Prefetch(path, QSize(20, 10));
        QFile::remove(path);
        QVERIFY(loader.Load(path, QSize(20, 10)).isNull());
    }

    void manyPrefetchesKeepOnlyAFew()
    {
        TestFolder folder;
        PictureLoader loader;
        for (int i = 0; i < 20; ++i) {
            const QString p = folder.Path() + QString("/%1.bmp").arg(i);
            WriteColour(p, QColor(i * 10, 0, 0), QSize(8, 8));
            loader.Prefetch(p, QSize(8, 8));
        }
        QCOMPARE(loader.Load(folder.Path() + "/19.bmp", QSize(8, 8)).pixelColor(1, 1), QColor(190, 0, 0));
        QCOMPARE(loader.Load(folder.Path() + "/3.bmp", QSize(8, 8)).pixelColor(1, 1), QColor(30, 0, 0));
    }
};

QTEST_MAIN(PictureLoading)
#include "test_picture_loader.moc"
