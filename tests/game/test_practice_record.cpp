// SPDX-License-Identifier: GPL-3.0-or-later
// The practice record, written as the engine plays on fakes with a clock of the test's own,
// and the record file as two games, crashes and read-only folders leave it.
#include "content/PracticeRecord.h"
#include "support/Logging.h"
#include "content/RecordWriter.h"
#include "fakes/FakeSound.h"
#include "fakes/FakeSpeech.h"
#include "fakes/OtherAccount.h"
#include "game/PracticeRecorder.h"
#include "game/Round.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mokuri;
using namespace mokuri::test;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

RecordLine lineAt(int question, const QString& picture = {})
{
    RecordLine l;
    l.time = QDateTime(QDate(2026, 1, 5), QTime(10, 0));
    l.question = question;
    l.picture = picture;
    return l;
}

// A game on one picture in a temporary folder, recorded; the test moves the clock.
struct Rig {
    QTemporaryDir dir;
    FakeSound sound;
    FakeSpeech speech;
    Random random{11u};
    Trace trace;
    qint64 ms = 1000;
    std::unique_ptr<Round> round;
    std::unique_ptr<RecordWriter> writer;
    std::unique_ptr<PracticeRecorder> recorder;

    explicit Rig(const QString& picture, Settings settings = {}, AccessSettings access = {})
    {
        sound.soundsLast = false;
        round = std::make_unique<Round>(PictureFolder{dir.path(), {picture}}, TaskList{picture}, settings,
                                        QStringList{QStringLiteral("よくできました")}, sound, speech, random, trace);
        round->setAccess(access);
        writer = std::make_unique<RecordWriter>(dir.path());
        const QDateTime day(QDate(2026, 12, 8), QTime(9, 30));
        recorder = std::make_unique<PracticeRecorder>(*round, *writer, QStringLiteral("s1"),
                                                      PracticeRecorder::Clock{[day] { return day; }, [this] { return ms; }});
        round->start();
    }
    void instructionHeard(qint64 after = 0)
    {
        ms += after;
        speech.finishSpeaking();
    }
    void take(const QString& letter, qint64 after)
    {
        ms += after;
        const Question& q = round->question();
        for (int i = 0; i < q.tileCount(); ++i)
            if (q.tileLetter(i) == letter && !q.isPlaced(i)) {
                round->onTileClicked(i);
                return;
            }
        QFAIL("no such tile");
    }
    std::vector<RecordLine> lines() const { return parseRecord(readFile(dir.filePath(kRecordFileName))); }
};

QString summary(const RecordLine& l)
{
    static const char* names[] = {"question", "tile", "restart", "done", "left"};
    QString s = QString::fromLatin1(names[int(l.event)]) + u' ' + QString::number(l.question);
    if (l.event == RecordEvent::Tile)
        s += u' ' + l.letter + u'/' + l.expected + (l.right ? QStringLiteral(" right ") : QStringLiteral(" wrong ")) +
             QString::number(l.ms);
    if (l.event == RecordEvent::Done) s += QStringLiteral(" ms=%1 restarts=%2").arg(l.ms).arg(l.restarts);
    if (l.event == RecordEvent::Restart) s += QStringLiteral(" restarts=%1").arg(l.restarts);
    if (l.event == RecordEvent::Left) s += u' ' + l.leftBy;
    return s;
}

QStringList summaries(const std::vector<RecordLine>& lines)
{
    QStringList out;
    for (const RecordLine& l : lines) out << summary(l);
    return out;
}

} // namespace

class PracticeRecordTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installProgramLog("mokuri"); }  // the messages on stderr, as the game writes them
    void aWordBuiltRight()
    {
        Settings s;
        s.takeTile = TakeTile::ByClick;
        s.decoyCount = DecoyCount::One;
        s.decoyKind = DecoyKind::Katakana;
        Rig rig(QStringLiteral("いぬ.bmp"), s);
        rig.instructionHeard(2500);
        rig.take(QStringLiteral("い"), 1200);
        rig.take(QStringLiteral("ぬ"), 800);
        QCOMPARE(summaries(rig.lines()), QStringList({QStringLiteral("question 1"), QStringLiteral("tile 1 い/い right 1200"),
                                                      QStringLiteral("tile 1 ぬ/ぬ right 2000"),
                                                      QStringLiteral("done 1 ms=2000 restarts=0")}));
        const RecordLine first = rig.lines().front();
        QCOMPARE(first.settings, s);
        QCOMPARE(first.picture, QStringLiteral("いぬ.bmp"));
        QCOMPARE(first.word, QStringLiteral("いぬ"));
        QCOMPARE(first.session, QStringLiteral("s1"));
        QCOMPARE(first.time, QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        QVERIFY(readFile(rig.dir.filePath(kRecordFileName)).startsWith(recordHeader()));
        // The next question has the next number; the praise is no part of the time.
        rig.speech.finishSpeaking();
        rig.round->onNextQuestionTimer();
        QCOMPARE(rig.lines().back().question, 2);
    }

    void aWrongTileAndItsRestart()
    {
        Rig rig(QStringLiteral("とけい.bmp"));
        rig.instructionHeard();
        rig.take(QStringLiteral("と"), 500);
        rig.take(QStringLiteral("い"), 700);
        rig.round->onRetryTimer();
        rig.instructionHeard(3000);
        rig.take(QStringLiteral("と"), 400);
        rig.take(QStringLiteral("け"), 400);
        rig.take(QStringLiteral("い"), 400);
        QCOMPARE(summaries(rig.lines()),
                 QStringList({QStringLiteral("question 1"), QStringLiteral("tile 1 と/と right 500"),
                              QStringLiteral("tile 1 い/け wrong 1200"), QStringLiteral("restart 1 restarts=1"),
                              QStringLiteral("tile 1 と/と right 400"), QStringLiteral("tile 1 け/け right 800"),
                              QStringLiteral("tile 1 い/い right 1200"), QStringLiteral("done 1 ms=1200 restarts=1")}));
    }

    void aQuestionLeftByAKey_data()
    {
        QTest::addColumn<AdultKey>("key");
        QTest::addColumn<QString>("name");
        QTest::newRow("H") << AdultKey::Settings << QStringLiteral("H");
        QTest::newRow("N") << AdultKey::PictureChoice << QStringLiteral("N");
        QTest::newRow("Esc") << AdultKey::Quit << QStringLiteral("Esc");
    }
    void aQuestionLeftByAKey()
    {
        QFETCH(AdultKey, key);
        QFETCH(QString, name);
        Rig rig(QStringLiteral("いぬ.bmp"));
        rig.instructionHeard();
        rig.take(QStringLiteral("い"), 100);
        rig.round->onAdultKey(key);
        QCOMPARE(summaries(rig.lines()).last(), QStringLiteral("left 1 ") + name);
        // A key during the praise leaves nothing: the word was done.
        rig.round->start();
        rig.instructionHeard();
        rig.take(QStringLiteral("い"), 100);
        rig.take(QStringLiteral("ぬ"), 100);
        rig.round->onAdultKey(key);
        QCOMPARE(rig.lines().back().event, RecordEvent::Done);
    }

    void aTornLastLineIsSkippedAndClosed()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(kRecordFileName);
        RecordLine l;
        l.time = QDateTime(QDate(2026, 1, 5), QTime(10, 0));
        l.session = QStringLiteral("a");
        l.question = 1;
        l.picture = QStringLiteral("ね,こ\".bmp");  // a name a CSV must quote
        l.word = QStringLiteral("ねこ");
        const QByteArray whole = formatRecordLine(l);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(recordHeader() + whole + whole.left(whole.size() / 2));  // a crash mid-line
        }
        RecordWriter writer(dir.path());
        l.question = 2;
        QVERIFY(writer.append(l));
        const std::vector<RecordLine> lines = parseRecord(readFile(file));
        QCOMPARE(lines.size(), size_t(2));
        QCOMPARE(lines[0].picture, QStringLiteral("ね,こ\".bmp"));
        QCOMPARE(lines[1].question, 2);
        // Lines cut inside their last field, and foreign lines, are no records either.
        l.event = RecordEvent::Left;
        l.leftBy = QStringLiteral("Esc");
        const QByteArray left = formatRecordLine(l);
        QVERIFY(parseRecordLine(left.chopped(1)));
        QVERIFY(!parseRecordLine(left.chopped(2)));
        QVERIFY(!parseRecordLine(QByteArrayLiteral("2026-01-05,a,1,question")));
        QVERIFY(!parseRecordLine(recordHeader().chopped(1)));
    }

    void aDeletedRecordStartsAfresh()
    {
        Rig rig(QStringLiteral("いぬ.bmp"));
        rig.instructionHeard();
        QVERIFY(QFile::remove(rig.dir.filePath(kRecordFileName)));
        rig.take(QStringLiteral("い"), 100);
        const QByteArray bytes = readFile(rig.dir.filePath(kRecordFileName));
        QVERIFY(bytes.startsWith(recordHeader()));
        QCOMPARE(summaries(parseRecord(bytes)), QStringList{QStringLiteral("tile 1 い/い right 100")});
    }

    void aFolderThatCannotBeWrittenKeepsItsRecordInTheStateFolder()
    {
        QTemporaryDir state, folder;
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
        // Something in the record's place that no one, root included, can append to.
        QVERIFY(QDir(folder.path()).mkdir(kRecordFileName));
        RecordWriter writer(folder.path());
        RecordLine l;
        l.time = QDateTime(QDate(2026, 1, 5), QTime(10, 0));
        l.question = 1;
        QVERIFY(writer.append(l));
        QCOMPARE(writer.path(), recordInStateFolder(folder.path()));
        QVERIFY(writer.path().startsWith(state.path() + QStringLiteral("/mokuri/records/")));
        QCOMPARE(parseRecord(readFile(writer.path())).size(), size_t(1));
        // A report finds it there too, as long as nothing readable is in the folder.
        QDir(folder.path()).rmdir(kRecordFileName);
        QCOMPARE(existingRecordOf(folder.path()), writer.path());
        qunsetenv("XDG_STATE_HOME");
    }

    // In a folder others may add files to, the record's name may be planted: the game
    // appends only to a regular file of the user's own, never through a link.
    void aPlantedRecordIsNeverFollowed_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::newRow("link to an adult's file") << QStringLiteral("link");
        QTest::newRow("link to no file yet") << QStringLiteral("dangling");
        QTest::newRow("another account's file") << QStringLiteral("theirs");
    }
    void aPlantedRecordIsNeverFollowed()
    {
        QFETCH(QString, planted);
        if (planted == u"theirs" && !runningAsRoot()) QSKIP("giving a file away needs root");
        QTemporaryDir state, folder;
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
        const QString inFolder = folder.filePath(kRecordFileName);
        const QString victim = planted == u"theirs" ? inFolder : state.filePath(QStringLiteral("bashrc"));
        if (planted != u"dangling") writeFile(victim, "alias ls=ls\n");
        if (planted == u"theirs") QCOMPARE(::chown(QFile::encodeName(inFolder).constData(), kOtherAccount, kOtherAccount), 0);
        else QVERIFY(QFile::link(victim, inFolder));
        RecordWriter writer(folder.path());
        QVERIFY(writer.append(lineAt(1, QStringLiteral("$(id>X).jpg"))));
        QCOMPARE(writer.path(), recordInStateFolder(folder.path()));
        QCOMPARE(readFile(victim), planted == u"dangling" ? QByteArray() : QByteArray("alias ls=ls\n"));
        QCOMPARE(QFileInfo::exists(victim), planted != u"dangling");
        if (planted != u"theirs") QCOMPARE(existingRecordOf(folder.path()), writer.path());
        qunsetenv("XDG_STATE_HOME");
    }

    // A spreadsheet opening the record sees each name as text, never a formula to run.
    void namesAreNeverFormulas_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("written");
        for (const char* start : {"=", "+", "-", "@", "\t"})
            QTest::newRow(start) << QString::fromLatin1(start) + QStringLiteral("1+2.jpg") << "'" + QByteArray(start) + "1+2.jpg";
        QTest::newRow("carriage return") << QStringLiteral("\r1.jpg") << QByteArray("\"'\r1.jpg\"");
        QTest::newRow("apostrophe before a formula") << QStringLiteral("'=1.jpg") << QByteArray("''=1.jpg");
        QTest::newRow("apostrophe alone") << QStringLiteral("'いぬ.jpg") << QByteArray("'いぬ.jpg");
        QTest::newRow("minus inside") << QStringLiteral("い-ぬ.jpg") << QByteArray("い-ぬ.jpg");
    }
    void namesAreNeverFormulas()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, written);
        RecordLine l = lineAt(1, name);
        l.event = RecordEvent::Tile;
        l.session = l.word = l.letter = l.expected = name;
        l.ms = 5;
        const QByteArray line = formatRecordLine(l);
        QCOMPARE(line.count(',' + written + ','), 5);  // session, picture, word, letter, expected
        QVERIFY(parseRecordLine(line.chopped(1)) == l);
    }

    // No place takes the record: one message names both places, each with its own reason.
    void whenNoPlaceTakesTheRecordBothAreNamedOnce()
    {
        QTemporaryDir folder, other;
        QVERIFY(QDir(folder.path()).mkdir(kRecordFileName));  // nobody, root included, appends to a folder
        const QString state = other.filePath(QStringLiteral("state")), err = other.filePath(QStringLiteral("err"));
        writeFile(state, {});  // a file where the state folder should be
        const pid_t child = ::fork();  // the environment and stderr are the child's
        QVERIFY(child >= 0);
        if (child == 0) {
            qputenv("XDG_STATE_HOME", QFile::encodeName(state));
            if (!std::freopen(QFile::encodeName(err).constData(), "w", stderr)) ::_exit(2);
            RecordWriter writer(folder.path());
            const bool written = writer.append(lineAt(1)) || writer.append(lineAt(2));
            std::fflush(stderr);
            ::_exit(written ? 1 : 0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QCOMPARE(status, 0);
        const QString said = QString::fromLocal8Bit(readFile(err));
        QCOMPARE(said.count(QStringLiteral("mokuri:")), 1);
        QVERIFY2(said.contains(folder.filePath(kRecordFileName) + QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(EISDIR))) &&
                     said.contains(state + QStringLiteral("/mokuri/records/")),
                 qPrintable(said));
    }

    void twoGamesOnOneFolderNeverMixWithinALine()
    {
        QTemporaryDir dir;
        constexpr int kLines = 400;
        pid_t children[2];
        for (int c = 0; c < 2; ++c) {
            children[c] = ::fork();
            QVERIFY(children[c] >= 0);
            if (children[c] == 0) {
                RecordWriter writer(dir.path());
                RecordLine l;
                l.time = QDateTime(QDate(2026, 1, 5), QTime(10, 0));
                l.session = QString(QChar(u'A' + c));
                l.event = RecordEvent::Tile;
                l.letter = QStringLiteral("あ");
                l.expected = QStringLiteral("い");
                l.picture = QString(300, QChar(u'ね'));  // long lines make mixing likelier
                bool ok = true;
                for (int i = 1; i <= kLines; ++i) {
                    l.question = i;
                    l.ms = i;
                    ok = writer.append(l) && ok;
                }
                ::_exit(ok ? 0 : 1);
            }
        }
        for (pid_t child : children) {
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const QByteArray bytes = readFile(dir.filePath(kRecordFileName));
        QCOMPARE(bytes.count(recordHeader()), 1);
        const std::vector<RecordLine> lines = parseRecord(bytes);
        QCOMPARE(lines.size(), size_t(2 * kLines));
        QCOMPARE(bytes.count('\n'), 2 * kLines + 1);
    }

    // Each question's line says how the child took the tiles.
    void accessOfEachQuestion_data()
    {
        QTest::addColumn<bool>("touch");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("access");
        QTest::newRow("touch") << true << int(AccessMethod::Pointer) << QStringLiteral("touch");
        QTest::newRow("dwell") << true << -1 << QStringLiteral("dwell");
        QTest::newRow("a dwell asked with clicks: clicks") << false << -1 << QStringLiteral("click");
        QTest::newRow("one switch") << false << int(AccessMethod::OneSwitch) << QStringLiteral("one-switch");
        QTest::newRow("two switches") << true << int(AccessMethod::TwoSwitches) << QStringLiteral("two-switch");
    }
    void accessOfEachQuestion()
    {
        QFETCH(bool, touch);
        QFETCH(int, method);
        QFETCH(QString, access);
        Settings s;
        s.takeTile = touch ? TakeTile::ByTouch : TakeTile::ByClick;
        AccessSettings a;
        a.method = AccessMethod(std::max(method, 0));
        a.dwellMs = method < 0 ? 800 : 0;  // -1: a dwell
        Rig rig(QStringLiteral("いぬ.bmp"), s, a);
        QCOMPARE(rig.lines().size(), size_t(1));
        QCOMPARE(rig.lines()[0].access, access);
    }

    // A record an older version began, without the access column, is appended to in its own
    // columns: every line stays readable, and a question's access comes from its take_by.
    void olderRecordKeepsItsColumns()
    {
        QTemporaryDir dir;
        QByteArray oldHeader = recordHeader();
        oldHeader.replace(",access", "");
        RecordLine old = lineAt(1, QStringLiteral("いぬ.bmp"));
        old.session = QStringLiteral("old");
        old.settings.takeTile = TakeTile::ByTouch;
        const QByteArray oldLine = formatRecordLine(old, recordColumnsOf(oldHeader));
        QCOMPARE(oldLine.count(','), oldHeader.count(','));
        writeFile(dir.filePath(kRecordFileName), oldHeader + oldLine);

        RecordWriter writer(dir.path());
        RecordLine now = lineAt(2, QStringLiteral("ねこ.bmp"));
        now.access = QStringLiteral("one-switch");
        QVERIFY(writer.append(now));
        const QByteArray bytes = readFile(dir.filePath(kRecordFileName));
        for (const QByteArray& line : bytes.trimmed().split('\n')) QCOMPARE(line.count(','), oldHeader.count(','));
        std::vector<RecordLine> lines;
        const RecordReading reading = readRecord(bytes, [&lines](const RecordLine& l) { lines.push_back(l); });
        QCOMPARE(reading.skipped, 0);
        QCOMPARE(lines.size(), size_t(2));
        QCOMPARE(lines[0].access, QStringLiteral("touch"));
        QCOMPARE(lines[1].access, QStringLiteral("click"));  // the old columns cannot say more

        // A new record has the column, and a line of it reads back whole.
        QCOMPARE(recordColumnsOf(recordHeader()), recordColumnCount());
        QCOMPARE(recordColumnsOf("something else\n"), recordColumnCount());
        QCOMPARE(parseRecordLine(formatRecordLine(now).chopped(1))->access, QStringLiteral("one-switch"));
    }
};

QTEST_MAIN(PracticeRecordTest)
#include "test_practice_record.moc"
