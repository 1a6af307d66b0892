// `cmake --install` into a temporary prefix: the files land where a desktop looks for them,
// and the menu's command starts the game on a sample deck it makes itself.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tools/TraceWait.h"

using namespace Qt::StringLiterals;

namespace {

// Desktop entries are almost INI files, but QSettings mangles their keys; a plain reader.
QMap<QString, QString> readDesktopEntry(const QString& path)
{
    QMap<QString, QString> keys;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return keys;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    bool inEntry = false;
    for (const QString& line : lines) {
        if (line.startsWith(u'[')) inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(u'=') && !line.startsWith(u'#'))
            keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return keys;
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(prefix_.isValid());
        QProcess p;
        p.start(QStringLiteral(MOKURI_CMAKE),
                {u"--install"_s, QStringLiteral(MOKURI_BUILD_DIR), u"--prefix"_s, prefix_.path()});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                 p.readAllStandardError().constData());
    }

    void programsAreInstalled()
    {
        for (const QString& name : {u"mokuri"_s, u"mokuri-deck"_s, u"mokuri-play"_s}) {
            const QFileInfo fi(prefix_.path() + u"/bin/"_s + name);
            QVERIFY2(fi.isFile() && fi.isExecutable(), qPrintable(name));
        }
    }

    void desktopEntryIsComplete()
    {
        const auto entry = readDesktopEntry(prefix_.path() + u"/share/applications/mokuri.desktop"_s);
        QCOMPARE(entry.value(u"Type"_s), u"Application"_s);
        QVERIFY(!entry.value(u"Name"_s).isEmpty());
        QCOMPARE(entry.value(u"Name[ja]"_s), u"モクリ"_s);
        QVERIFY(entry.value(u"Categories"_s).split(u';').contains(u"Education"_s));
        QCOMPARE(entry.value(u"Icon"_s), u"mokuri"_s);
        QCOMPARE(entry.value(u"Terminal"_s), u"false"_s);
        // The command is one the package installs.
        const QString program = entry.value(u"Exec"_s).section(u' ', 0, 0);
        QVERIFY2(QFileInfo(prefix_.path() + u"/bin/"_s + program).isExecutable(), qPrintable(program));
    }

    void iconsAreThere()
    {
        for (int size : {48, 64, 128, 256}) {
            const QString path =
                prefix_.path() + u"/share/icons/hicolor/%1x%1/apps/mokuri.png"_s.arg(size);
            const QImage icon(path);
            QVERIFY2(!icon.isNull(), qPrintable(path));
            QCOMPARE(icon.size(), QSize(size, size));
            // Transparent corners around a drawing, not an empty square.
            QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        }
    }

    void menuCommandStartsTheGameOnTheSampleDeck()
    {
        QTemporaryDir home;
        const QString trace = home.path() + u"/trace.txt"_s;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, home.path());
        env.remove(u"XDG_DATA_HOME"_s);
        env.insert(u"MOKURI_TRACE"_s, trace);
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"SDL_AUDIODRIVER"_s, u"dummy"_s);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.start(prefix_.path() + u"/bin/mokuri-play"_s, {});
        QVERIFY(p.waitForStarted());
        const QString question = mokuri::test::waitForFirstQuestion(trace, p, 30000);
        const bool running = p.state() == QProcess::Running;
        p.kill();
        p.waitForFinished();
        QVERIFY2(running, p.readAllStandardError().constData());
        QVERIFY2(!question.isEmpty(), "no question within 30 s");
        const QString deck = home.path() + u"/.local/share/mokuri/sample"_s;
        const QString picture = mokuri::test::traceField(question, u"picture"_s);
        QVERIFY2(QFileInfo::exists(deck + u'/' + QFileInfo(picture).fileName()), qPrintable(question));
        QVERIFY(QFileInfo::exists(deck + u"/あ.wav"_s));
    }

private:
    QTemporaryDir prefix_;
};

QTEST_GUILESS_MAIN(InstallTest)
#include "test_install.moc"
