// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the sizes scanners and cameras make: shown, the right way up and in their
// colours, also where Qt's readers refuse them or would hold the whole picture; and a
// question whose picture is large is asked at once, the picture put in when it is ready.
#include "fakes/ScreenParts.h"
#include "fakes/BmpHeader.h"
#include "fakes/StartedGame.h"
#include "fakes/TestFolder.h"
#include "pictures/PictureLoader.h"

#include <gif_lib.h>
#include <jpeglib.h>

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>
#include <cstdio>
#include <functional>
#include <vector>

using namespace mokuri;
using namespace mokuri::test;

namespace {

constexpr int kWait = 60000;
const QSize kBox(160, 120);

// A 24-bit BMP of w x h whose pixels are black but for the top `bandRows` rows' left
// half, red. The black rest is a hole in the file: a 300 MB picture costs no disk and
// little time to write.
void writeBandedBmp(const QString& path, int w, int h, int bandRows)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const qint64 stride = bmpStride(w);
    QCOMPARE(f.write(bmpHeader24(w, h)), qint64(54));
    QVERIFY(f.resize(54 + stride * h));
    // The band is written whole, black half and all: one piece of the file, which the file
    // system frees at once (scattered pieces take seconds to free on a discarding disk).
    QByteArray band(stride, '\0');
    for (int x = 0; x < w / 2; ++x) band[x * 3 + 2] = char(0xff);
    band = band.repeated(bandRows);
    QVERIFY(f.seek(54 + stride * (h - bandRows)));  // bottom up: the top rows are stored last
    QCOMPARE(f.write(band), band.size());
}

// A GIF through giflib: `pixel(x, y)` gives the colour index of the frame's pixels.
void writeGif(const QString& path, QSize screen, QRect frame, bool interlaced, int transparent,
              const std::function<int(int, int)>& pixel)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
    QVERIFY(gif);
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; ++i)
        map->Colors[i] = GifColorType{GifByteType(i / 36 % 6 * 51), GifByteType(i / 6 % 6 * 51), GifByteType(i % 6 * 51)};
    EGifSetGifVersion(gif, true);
    QCOMPARE(EGifPutScreenDesc(gif, screen.width(), screen.height(), 8, 0, map), GIF_OK);
    if (transparent >= 0) {
        GraphicsControlBlock gcb{0, false, 0, transparent};
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        QCOMPARE(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext), GIF_OK);
    }
    QCOMPARE(EGifPutImageDesc(gif, frame.x(), frame.y(), frame.width(), frame.height(), interlaced, nullptr), GIF_OK);
    // Interlaced files hold the rows in four passes; EGifPutLine takes them in file order.
    std::vector<int> order;
    if (interlaced) {
        for (int start : {0, 4, 2, 1})
            for (int y = start; y < frame.height(); y += start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2) order.push_back(y);
    } else {
        for (int y = 0; y < frame.height(); ++y) order.push_back(y);
    }
    std::vector<GifPixelType> line(static_cast<size_t>(frame.width()));
    for (int y : order) {
        for (int x = 0; x < frame.width(); ++x) line[size_t(x)] = GifPixelType(pixel(x, y));
        QCOMPARE(EGifPutLine(gif, line.data(), frame.width()), GIF_OK);
    }
    GifFreeMapObject(map);
    QCOMPARE(EGifCloseFile(gif, &error), GIF_OK);
}

// A progressive JPEG through libjpeg, with the given sampling of the first component and
// restart interval (in MCU rows).
void writeProgressiveJpeg(const QString& path, const QImage& image, int components, int luminanceSampling, int restartRows)
{
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    QVERIFY(out);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, out);
    c.image_width = JDIMENSION(image.width());
    c.image_height = JDIMENSION(image.height());
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = luminanceSampling;
    c.restart_in_rows = restartRows;
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    const QImage rgb = image.convertToFormat(components == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(y));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(out);
}

// Four coloured quarters over a gentle gradient: upside down, mirrored, a colour channel
// swapped or a wrong chroma plane all show as large differences.
QImage quarters(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const bool right = x >= size.width() / 2, bottom = y >= size.height() / 3;
            const int g = 30 * x / size.width();
            img.setPixel(x, y, !bottom && !right ? qRgb(220, g, g) : !bottom ? qRgb(g, 200, g) : !right ? qRgb(g, g, 220) : qRgb(230, 230, g));
        }
    return img;
}

// Mean difference per channel, 0..255.
double difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// What Qt's own reader makes of the whole file, shrunk to the box.
QImage wholeDecode(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage img = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Transparent pixels over black, as drawn into an opaque box.
    QImage onBlack(img.size(), QImage::Format_RGB32);
    onBlack.fill(Qt::black);
    QPainter(&onBlack).drawImage(0, 0, img);
    return onBlack.scaled(kBox, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage onBlack(const QImage& img)
{
    QImage out(img.size(), QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter(&out).drawImage(0, 0, img);
    return out;
}

using Writer = std::function<void(const QString&)>;

} // namespace

class HugePictures : public QObject {
    Q_OBJECT
private slots:
    void scannerSizesAreShown_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("A4 at 600 dpi, 24-bit BMP (over Qt's 128 MB)") << QSize(4960, 7016);
        QTest::newRow("10000 x 10000, 24-bit BMP") << QSize(10000, 10000);
    }
    void scannerSizesAreShown()
    {
        QFETCH(QSize, size);
        TestFolder folder;
        const QString path = folder.path() + QStringLiteral("/scan.bmp");
        writeBandedBmp(path, size.width(), size.height(), size.height() / 16);
        const QImage img = decodePictureAt(path, QSize(320, 240));
        QVERIFY(!img.isNull());
        QCOMPARE(img.size(), QSize(320, 240));
        QCOMPARE(img.pixelColor(40, 3), QColor(255, 0, 0));   // the band, top left
        QCOMPARE(img.pixelColor(280, 3), QColor(0, 0, 0));    // top right
        QCOMPARE(img.pixelColor(40, 200), QColor(0, 0, 0));   // below the band
    }

    void posterSizedGifIsShown()
    {
        // A 10000 x 10000 GIF whose one frame covers a strip at the bottom: Qt's reader
        // makes the whole 400 MB screen first, and refuses.
        TestFolder folder;
        const QString path = folder.path() + QStringLiteral("/poster.gif");
        writeGif(path, QSize(10000, 10000), QRect(0, 7500, 10000, 2500), false, -1,
                 [](int x, int) { return x < 5000 ? 5 : 180; });  // blue, then red
        const QImage img = decodePictureAt(path, QSize(100, 100));
        QVERIFY(!img.isNull());
        QCOMPARE(onBlack(img).pixelColor(20, 90), QColor(0, 0, 255));
        QCOMPARE(onBlack(img).pixelColor(80, 90), QColor(255, 0, 0));
        QCOMPARE(qAlpha(img.pixel(50, 20)), 0);  // above the frame: nothing
    }

    // Each streaming reader against Qt's reader of the same file (forced by a budget of
    // nothing): the same picture within a small difference.
    void shrunkAsQtShowsIt_data()
    {
        QTest::addColumn<Writer>("write");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("tolerance");
        const QImage q = quarters(QSize(640, 480));
        auto qtBmp = [q](QImage::Format format) {
            return Writer([q, format](const QString& p) { QVERIFY(q.convertToFormat(format).save(p, "BMP")); });
        };
        QTest::newRow("BMP 24-bit") << qtBmp(QImage::Format_RGB32) << QStringLiteral("a.bmp") << 2.0;
        QTest::newRow("BMP 32-bit with alpha") << qtBmp(QImage::Format_ARGB32) << QStringLiteral("a.bmp") << 2.0;
        QTest::newRow("BMP 8-bit palette") << qtBmp(QImage::Format_Indexed8) << QStringLiteral("a.bmp") << 2.0;
        QTest::newRow("BMP 1-bit") << qtBmp(QImage::Format_Mono) << QStringLiteral("a.bmp") << 2.0;
        QTest::newRow("BMP stored top down") << Writer([q](const QString& p) {
            QVERIFY(q.save(p, "BMP"));
            QFile f(p);
            QVERIFY(f.open(QIODevice::ReadWrite));
            uchar h[4];
            qToLittleEndian<qint32>(-q.height(), h);
            QVERIFY(f.seek(22));
            QCOMPARE(f.write(reinterpret_cast<char*>(h), 4), qint64(4));
        }) << QStringLiteral("a.bmp") << 2.0;
        // Colour 215 is white: in the last row it is the see-through one, on the frame's left.
        auto gif = [](bool interlaced, int transparent, QRect frame) {
            return Writer([=](const QString& p) {
                writeGif(p, QSize(640, 480), frame, interlaced, transparent, [=](int x, int y) {
                    return x < frame.width() / 3 ? 215 : (y * 3 / frame.height()) * 36 + (x * 6 / frame.width()) * 6 + (x + y) % 2;
                });
            });
        };
        QTest::newRow("GIF") << gif(false, -1, QRect(0, 0, 640, 480)) << QStringLiteral("a.gif") << 2.0;
        QTest::newRow("GIF interlaced") << gif(true, -1, QRect(0, 0, 640, 480)) << QStringLiteral("a.gif") << 2.0;
        QTest::newRow("GIF frame in the middle, transparent colour")
            << gif(true, 215, QRect(100, 50, 300, 333)) << QStringLiteral("a.gif") << 2.0;
        // JPEG from the DC coefficients alone: block means, so a little softer.
        auto jpeg = [q](int components, int sampling, int restartRows) {
            return Writer([=](const QString& p) { writeProgressiveJpeg(p, q, components, sampling, restartRows); });
        };
        QTest::newRow("progressive JPEG 4:2:0") << jpeg(3, 2, 0) << QStringLiteral("a.jpg") << 4.0;
        QTest::newRow("progressive JPEG 4:4:4") << jpeg(3, 1, 0) << QStringLiteral("a.jpg") << 4.0;
        QTest::newRow("progressive JPEG grey") << jpeg(1, 1, 0) << QStringLiteral("a.jpg") << 4.0;
        QTest::newRow("progressive JPEG with restart markers") << jpeg(3, 2, 1) << QStringLiteral("a.jpg") << 4.0;
        QTest::newRow("progressive JPEG turned by its camera") << Writer([q](const QString& p) {
            writeProgressiveJpeg(p, q, 3, 2, 0);
            // An Exif block saying "turn a quarter clockwise" (orientation 6), after the start.
            static const char exif[] = "\xff\xe1\x00\x22" "Exif\0\0" "MM\0\x2a\0\0\0\x08"
                                       "\0\x01" "\x01\x12\0\x03\0\0\0\x01\0\x06\0\0" "\0\0\0\0";
            QByteArray bytes = readBytes(p);
            bytes.insert(2, exif, sizeof exif - 1);
            writeBytes(p, bytes);
            QCOMPARE(QImageReader(p).transformation(), QImageIOHandler::TransformationRotate90);
        }) << QStringLiteral("a.jpg") << 4.0;
    }
    void shrunkAsQtShowsIt()
    {
        QFETCH(Writer, write);
        QFETCH(QString, name);
        QFETCH(double, tolerance);
        TestFolder folder;
        const QString path = folder.path() + u'/' + name;
        write(path);
        if (QTest::currentTestFailed()) return;
        DecodeOptions streamed;
        streamed.wholeDecodeBudget = 0;
        const QImage img = decodePictureAt(path, kBox, streamed);
        QVERIFY(!img.isNull());
        const QImage expected = wholeDecode(path);
        const double d = difference(onBlack(img), expected);
        if (d > tolerance) {
            onBlack(img).save(QStringLiteral("/tmp/huge_pictures_got.png"));
            expected.save(QStringLiteral("/tmp/huge_pictures_expected.png"));
        }
        QVERIFY2(d <= tolerance, qPrintable(QStringLiteral("mean difference %1").arg(d)));
    }

    void damagedHeadersAreNoPicture_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray bmp = QByteArray("BM") + QByteArray(52, '\0');
        bmp[14] = 40;
        bmp[18] = char(0xff); bmp[19] = char(0xff); bmp[20] = char(0xff); bmp[21] = 0x7f;  // 2^31 wide
        bmp[22] = 1;
        bmp[28] = 24;
        QTest::newRow("BMP two billion pixels wide") << bmp;
        QTest::newRow("progressive JPEG cut after its start") << QByteArray("\xff\xd8\xff\xc2\x00\x0b\x08\x4e\x20\x4e\x20\x01\x01\x11\x00", 15);
        QTest::newRow("GIF of a huge screen and nothing else") << QByteArray("GIF89a\x10\x27\x10\x27\x00\x00\x00\x3b", 14);
    }
    void damagedHeadersAreNoPicture()
    {
        QFETCH(QByteArray, bytes);
        TestFolder folder;
        const QString path = folder.path() + QStringLiteral("/bad.bmp");
        writeBytes(path, bytes);
        DecodeOptions streamed;
        streamed.wholeDecodeBudget = 0;
        QVERIFY(decodePictureAt(path, kBox, streamed).isNull());
    }

    void largePictureComesAfterItsQuestion()
    {
        // Scans the child's own: Qt's reader refused them, and the box stayed empty.
        TestFolder folder;
        const QStringList names{QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"), QStringLiteral("うし.bmp")};
        folder.addPictures(names);
        for (const QString& n : names) writeBandedBmp(folder.data() + u'/' + n, 4960, 7016, 7016 / 32);
        const QString trace = folder.path() + QStringLiteral("/trace.txt");
        std::unique_ptr<StartedGame> game = startGame(folder.data(), trace);
        QVERIFY(game);
        MainScreen& screen = *game->screen;
        game->round->start();
        QVERIFY(tileOf(screen, 0)->isVisibleTo(&screen));
        QTRY_VERIFY_WITH_TIMEOUT(!pictureOf(screen)->pixmap().isNull(), kWait);
        const QImage shown = pictureOf(screen)->pixmap().toImage();
        QCOMPARE(shown.pixelColor(shown.width() / 4, 2), QColor(255, 0, 0));
        QCOMPARE(shown.pixelColor(shown.width() / 4, shown.height() - 2), QColor(0, 0, 0));
        for (const QString& event : traceEvents(trace)) QVERIFY2(!event.startsWith(QLatin1String("missing")), qPrintable(event));
    }
};

QTEST_MAIN(HugePictures)
#include "test_huge_pictures.moc"
