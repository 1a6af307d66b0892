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

namespace {

// Desktop entries are almost INI files, but QSettings mangles their keys; a plain reader.
QMap<QString, QString> ReadDesktopEntry(const QString& path)
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
                {"--install", QStringLiteral(MOKURI_BUILD_DIR), "--prefix", prefix_.path()});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                 p.readAllStandardError().constData());
    }

    void programsAreInstalled()
    {
        for (const char* name : {"mokuri", "mokuri-deck", "mokuri-play"}) {
            const QFileInfo fi(prefix_.path() + "/bin/" + name);
            QVERIFY2(fi.isFile() && fi.isExecutable(), name);
        }
    }

    void desktopEntryIsComplete()
    {
        const auto entry = ReadDesktopEntry(prefix_.path() + "/share/applications/mokuri.desktop");
        QCOMPARE(entry.value("Type"), QStringLiteral("Application"));
        QVERIFY(!entry.value("Name").isEmpty());
        QCOMPARE(entry.value("Name[ja]"), QStringLiteral("モクリ"));
        QVERIFY(entry.value("Categories").split(u';').contains("Education"));
        QCOMPARE(entry.value("Icon"), QStringLiteral("mokuri"));
        QCOMPARE(entry.value("Terminal"), QStringLiteral("false"));
        // The command is one the package installs.
        const QString program = entry.value("Exec").section(u' ', 0, 0);
        QVERIFY2(QFileInfo(prefix_.path() + "/bin/" + program).isExecutable(), qPrintable(program));
    }

    void iconsAreThere()
    {
        for (int size : {48, 64, 128, 256}) {
            const QString path =
                prefix_.path() + QStringLiteral("/share/icons/hicolor/%1x%1/apps/mokuri.png").arg(size);
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
        const QString trace = home.path() + "/trace.txt";
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.remove("XDG_DATA_HOME");
        env.insert("MOKURI_TRACE", trace);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("SDL_AUDIODRIVER", "dummy");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.start(prefix_.path() + "/bin/mokuri-play", {});
        QVERIFY(p.waitForStarted());
        const QString question = mokuri::test::WaitForFirstQuestion(trace, p, 30000);
        const bool running = p.state() == QProcess::Running;
        p.kill();
        p.waitForFinished();
        QVERIFY2(running, p.readAllStandardError().constData());
        QVERIFY2(!question.isEmpty(), "no question within 30 s");
        const QString deck = home.path() + "/.local/share/mokuri/sample";
        const QString picture = question.section(QStringLiteral("picture="), 1).section(u'\t', 0, 0);
        QVERIFY2(QFileInfo::exists(deck + "/" + QFileInfo(picture).fileName()), qPrintable(question));
        QVERIFY(QFileInfo::exists(deck + "/あ.wav"));
    }

private:
    QTemporaryDir prefix_;
};

QTEST_GUILESS_MAIN(InstallTest)
#include "test_install.moc"
