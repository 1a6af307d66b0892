// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the folder on the command line, the order of the loads and the files they
// leave, the trace of a start, and the real program ending when there is no picture.
#include "app/StartUp.h"
#include "fakes/StartedGame.h"
#include "fakes/TestFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;
using namespace Qt::StringLiterals;

class Startup : public QObject {
    Q_OBJECT
private slots:
    void folderFromTheWholeCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("folder");
        QTest::newRow("none: the current folder") << QStringList() << QString();
        QTest::newRow("one") << QStringList({QStringLiteral("/tmp/pics")}) << QStringLiteral("/tmp/pics");
        // A folder name with blanks needs no quotes.
        QTest::newRow("with blanks") << QStringList({QStringLiteral("/tmp/My"), QStringLiteral("Pictures")})
                                     << QStringLiteral("/tmp/My Pictures");
    }
    void folderFromTheWholeCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, folder);
        QCOMPARE(folderFromArguments(arguments), folder);
    }

    void folderWithoutPictures()
    {
        TestFolder folder;
        Trace trace;
        QVERIFY(!loadStartValues(folder.data(), trace));
        // Settings and praise come before the pictures; the task list after them.
        QVERIFY(QFileInfo::exists(folder.data() + QStringLiteral("/Word.txt")));
        QVERIFY(QFileInfo::exists(QStringLiteral("O.txt")));
        QVERIFY(!QFileInfo::exists(folder.data() + QStringLiteral("/Fname.txt")));
    }

    void folderThatDoesNotExistCreatesNothing()
    {
        TestFolder folder;
        Trace trace;
        const QString missing = folder.path() + QStringLiteral("/no such folder");
        QVERIFY(!loadStartValues(missing, trace));
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }

    void emptyCommandLineUsesTheCurrentFolder()
    {
        TestFolder folder;
        writePicture(folder.path() + QStringLiteral("/いぬ.bmp"));
        Trace trace;
        std::optional<StartValues> v = loadStartValues(QString(), trace);
        QVERIFY(v);
        QCOMPARE(v->folder.path, QString());
        QCOMPARE(v->folder.pictures, QStringList({QStringLiteral("いぬ.bmp")}));
        QCOMPARE(v->tasks, v->folder.pictures);
        QVERIFY(QFileInfo::exists(QStringLiteral("Word.txt")));
        QVERIFY(QFileInfo::exists(QStringLiteral("Fname.txt")));
        QVERIFY(QFileInfo::exists(v->folder.filePath(v->tasks[0])));
    }

    void folderWithBlanksAndATrailingSeparator()
    {
        TestFolder folder;
        QDir(folder.path()).mkdir(QStringLiteral("my pics"));
        writePicture(folder.path() + QStringLiteral("/my pics/ねこ.bmp"));
        Trace trace;
        const QString given = folder.path() + QStringLiteral("/my pics/");
        std::optional<StartValues> v = loadStartValues(folderFromArguments(given.split(u' ')), trace);
        QVERIFY(v);
        QCOMPARE(v->folder.path, given);
        QVERIFY(QFileInfo::exists(v->folder.filePath(QStringLiteral("ねこ.bmp"))));
        QVERIFY(QFileInfo::exists(folder.path() + QStringLiteral("/my pics/Word.txt")));
        QVERIFY(QFileInfo::exists(folder.path() + QStringLiteral("/my pics/Fname.txt")));
        // The praise stays in the current folder.
        QVERIFY(QFileInfo::exists(QStringLiteral("O.txt")));
        QVERIFY(!QFileInfo::exists(folder.path() + QStringLiteral("/my pics/O.txt")));
    }

    void traceOfAStart()
    {
        TestFolder folder;
        folder.addPictures({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp")});
        const QString trace = folder.path() + QStringLiteral("/trace.log");
        std::unique_ptr<StartedGame> g = startGame(folder.data(), trace);
        QVERIFY(g);
        // The first showing of the main screen asks the first question.
        QSignalSpy ready(g->round.get(), &Round::questionReady);
        g->screen->show();
        QVERIFY(ready.wait(60000));

        const QList<QByteArray> lines = readBytes(trace).split('\n');
        QStringList events;
        for (const QByteArray& l : lines) {
            const QList<QByteArray> fields = l.split('\t');
            if (fields.size() < 2) continue;
            bool ok = false;
            fields[0].toDouble(&ok);
            QVERIFY2(ok && fields[0].contains('.'), l.constData());  // milliseconds with a fraction
            events << QString::fromUtf8(fields[1]);
        }
        QCOMPARE(events, QStringList({QStringLiteral("start"), QStringLiteral("save"), QStringLiteral("save"),
                                      QStringLiteral("save"), QStringLiteral("question"), QStringLiteral("speak")}));
        QVERIFY(lines[0].endsWith("folder=" + folder.data().toUtf8()));
        QVERIFY(lines[4].contains("\tword="));
        QVERIFY(lines[4].contains("\tslots="));
        QVERIFY(lines[4].contains("\tpicture="));
    }

    // A desktop with no Japanese font: the adult is told why the tiles are empty boxes and
    // which package brings a font, before the first question; with one, nothing is said.
    void aMissingKanaFontIsToldToTheAdult_data()
    {
        QTest::addColumn<QString>("fontFolder");  // empty: the machine's fonts
        QTest::newRow("Latin fonts only") << QStringLiteral("/usr/share/fonts/truetype/dejavu");
        QTest::newRow("the machine's fonts") << QString();
    }
    void aMissingKanaFontIsToldToTheAdult()
    {
        QFETCH(QString, fontFolder);
        if (!fontFolder.isEmpty() && !QFileInfo(fontFolder).isDir()) QSKIP("no DejaVu fonts for a desktop without Japanese ones");
        TestFolder folder;
        writePicture(folder.data() + QStringLiteral("/いぬ.bmp"));
        const QString trace = folder.path() + QStringLiteral("/trace.txt"), conf = folder.path() + QStringLiteral("/fonts.conf");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOKURI_TRACE"), trace);
        env.insert(QStringLiteral("MOKURI_MESSAGE_TIMEOUT_MS"), QStringLiteral("1"));  // nobody here to press OK
        if (!fontFolder.isEmpty()) {
            QFile f(conf);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(u"<fontconfig><dir>%1</dir><cachedir>%2</cachedir></fontconfig>\n"_s.arg(fontFolder, folder.path()).toUtf8());
            env.insert(QStringLiteral("FONTCONFIG_FILE"), conf);
        }
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder.path());
        p.start(qEnvironmentVariable("MOKURI_BIN"), {folder.data()});
        const bool asked = QTest::qWaitFor([&] { return !traceEvents(trace).filter(QRegularExpression(u"^question"_s)).isEmpty(); }, 60000);
        p.terminate();
        p.waitForFinished(60000);
        QVERIFY(asked);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(err.contains(u"No installed font can draw kana"_s) && err.contains(u"fonts-ipafont-gothic"_s), !fontFolder.isEmpty());
    }

    void realProgramEndsWithoutPictures()
    {
        const QString bin = qEnvironmentVariable("MOKURI_BIN");
        QVERIFY2(!bin.isEmpty() && QFileInfo::exists(bin), "MOKURI_BIN names no built game");
        TestFolder folder;
        const QString trace = folder.path() + QStringLiteral("/trace.txt");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOKURI_TRACE"), trace);
        env.insert(QStringLiteral("MOKURI_MESSAGE_TIMEOUT_MS"), QStringLiteral("1"));  // nobody here to press OK
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder.path());
        p.start(bin, {folder.data()});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY(p.exitCode() != 0);
        QVERIFY(traceEvents(trace).contains(QStringLiteral("warning\tno pictures")));
        QVERIFY(QFileInfo::exists(folder.data() + QStringLiteral("/Word.txt")));
        QVERIFY(!QFileInfo::exists(folder.data() + QStringLiteral("/Fname.txt")));
    }
};

QTEST_MAIN(Startup)
#include "test_startup.moc"
