#include "fakes/TestFolder.h"

#include "app/TwipControls.h"
#include "content/Globals.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

namespace mokuri::test {

void WritePicture(const QString& path, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(200, 220, 240));
    QString fmt = QFileInfo(path).suffix().toLower();
    if (fmt == "gif") {
        // Qt reads GIF but cannot write it: a 1 x 1 picture by hand.
        static const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                                            0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                                            0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
        WriteBytes(path, QByteArray(reinterpret_cast<const char*>(gif), sizeof gif));
        return;
    }
    QVERIFY2(img.save(path, fmt.toLatin1().constData()), qPrintable("cannot write " + path));
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

TestFolder::TestFolder()
{
    oldCwd_ = QDir::currentPath();
    QDir(dir_.path()).mkdir("data");
    QDir::setCurrent(dir_.path());
}

TestFolder::~TestFolder() { QDir::setCurrent(oldCwd_); }

void TestFolder::AddPictures(const QStringList& names)
{
    for (const QString& n : names) WritePicture(Data() + "/" + n);
}

Game StartGame(const QString& commandLine, bool* loaded)
{
    ResetGlobals();
    SetTwipsPerPixelForTesting(15);
    SetScreenSizeForTesting(QSize(1024, 768));
    CommandLineText = commandLine;
    Game g;
    auto sound = std::make_unique<FakeSound>();
    g.sound = sound.get();
    g.speech = new FakeSpeech;
    g.form = std::make_unique<Form1>(std::move(sound), g.speech);
    bool ok = g.form->Form_Load();
    if (loaded) *loaded = ok;
    return g;
}

} // namespace mokuri::test
