// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTest>

namespace mokuri::test {

void writePicture(const QString& path, QSize size)
{
    const QString format = QFileInfo(path).suffix().toLower();
    if (format == QLatin1String("gif")) {
        // Qt reads GIF but cannot write it: a 1 x 1 picture by hand.
        static const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                                            0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                                            0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
        writeBytes(path, QByteArray(reinterpret_cast<const char*>(gif), sizeof gif));
        return;
    }
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(200, 220, 240));
    QVERIFY2(img.save(path, format.toLatin1().constData()), qPrintable(QStringLiteral("cannot write ") + path));
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

TestFolder::TestFolder() : oldCurrent_(QDir::currentPath())
{
    QDir(dir_.path()).mkdir(QStringLiteral("data"));
    QDir::setCurrent(dir_.path());
}

TestFolder::~TestFolder() { QDir::setCurrent(oldCurrent_); }

void TestFolder::addPictures(const QStringList& names)
{
    for (const QString& n : names) writePicture(data() + u'/' + n);
}

} // namespace mokuri::test
