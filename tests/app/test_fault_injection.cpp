// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged, missing and unwritable files: the files on disk stay intact and the game still
// answers a child's click.
#include "fakes/ScreenParts.h"
#include "content/PraiseLines.h"
#include "content/TaskListFile.h"
#include "fakes/MessageCloser.h"
#include "fakes/StartedGame.h"
#include "fakes/TestFolder.h"
#include "game/QuestionSetUp.h"
#include "screens/SettingsDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace mokuri;
using namespace mokuri::test;

namespace {

const QStringList kFour = {QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"),
                           QStringLiteral("うし.bmp")};

bool canCreateIn(const QString& folder)
{
    QFile probe(folder + QStringLiteral("/.probe"));
    const bool ok = probe.open(QIODevice::WriteOnly);
    if (ok) probe.remove();
    return ok;
}

// Read-only for everybody, root included (root ignores the permission bits), as a read-only
// share is: the folder and its files. (A folder that only takes no new file still has its
// writable files written in place.)
bool makeReadOnly(const QString& folder, bool on)
{
    const QFile::Permissions writable = QFile::ReadOwner | QFile::WriteOwner;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        const QString file = folder + u'/' + name;
        QFile::setPermissions(file, on ? QFile::ReadOwner : writable);
        if (geteuid() == 0) QProcess::execute(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), file});
    }
    QFile::setPermissions(folder, on ? (QFile::ReadOwner | QFile::ExeOwner) : (writable | QFile::ExeOwner));
    if (geteuid() == 0) QProcess::execute(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), folder});
    return canCreateIn(folder) != on;
}

// The game answers: a question is up, its instruction ends, and a click on the tile of the
// word's first letter places it.
void answersATile(StartedGame& g)
{
    g.round->start();
    const Question& q = g.question();
    QVERIFY(q.tileCount() >= 1 && q.wordLength() >= 1);
    QVERIFY(g.round->speaking());
    g.speech.finishSpeaking();
    QVERIFY(!g.round->speaking());
    g.sound.finish();
    const int tile = freeTileWith(q, q.tileLetter(0));
    QTest::mouseClick(tileOf(*g.screen, tile), Qt::LeftButton);
    g.settle();
    QCOMPARE(q.nextLetter, 1);
    QCOMPARE(q.placedAt[size_t(tile)], 0);
}

} // namespace

class FaultInjection : public QObject {
    Q_OBJECT
private slots:
    void readOnlyDataFolderAfterStartUp()
    {
        TestFolder folder;
        folder.addPictures(kFour);
        std::unique_ptr<StartedGame> g = startGame(folder.data());
        QVERIFY(g);
        const QByteArray word = readBytes(folder.data() + QStringLiteral("/Word.txt"));
        const QByteArray fname = readBytes(folder.data() + QStringLiteral("/Fname.txt"));
        if (!makeReadOnly(folder.data(), true)) QSKIP("cannot make a folder read-only here");
        auto restore = qScopeGuard([&] { makeReadOnly(folder.data(), false); });
        // The adult asks for two decoys and presses "実行"; the message says it was not saved.
        // The dialog is made here rather than by H, so that no return to the main screen
        // starts a question behind the test's back.
        MessageCloser closer;
        SettingsDialog settings(g->scale);
        settings.setStored(g->session->settings());
        connect(&settings, &SettingsDialog::settingsChosen, g->session.get(), &AdultSession::chooseSettings);
        settings.showFromMainScreen();
        QTest::mouseClick(partOf<QRadioButton>(&settings, "Option7"), Qt::LeftButton);
        QTest::mouseClick(partOf<QPushButton>(&settings, "Command1"), Qt::LeftButton);
        // The save's outcome comes from the executor, and the message with it.
        QTRY_COMPARE_WITH_TIMEOUT(closer.texts.size(), 1, 60000);
        const bool savedTasks = saveTaskList(g->values.folder, g->values.tasks.mid(0, 1), g->trace);
        restore.dismiss();
        QVERIFY(makeReadOnly(folder.data(), false));
        QVERIFY(!savedTasks);
        QCOMPARE(readBytes(folder.data() + QStringLiteral("/Word.txt")), word);
        QCOMPARE(readBytes(folder.data() + QStringLiteral("/Fname.txt")), fname);
        QCOMPARE(g->round->settings().decoyCount, DecoyCount::Two);  // the choice holds for this run
        answersATile(*g);
        QCOMPARE(g->question().tileCount(), g->question().wordLength() + 2);
    }

    void saveThatFailsHalfWay()
    {
        TestFolder folder;
        folder.addPictures(kFour);
        std::unique_ptr<StartedGame> g = startGame(folder.data());
        QVERIFY(g);
        const QByteArray fname = readBytes(folder.data() + QStringLiteral("/Fname.txt"));
        QVERIFY(fname.size() > 40);
        // Files may grow to 20 bytes only: the write stops in the middle of the list.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 20;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = saveTaskList(g->values.folder, g->values.tasks.mid(0, 2), g->trace);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!saved);
        QCOMPARE(readBytes(folder.data() + QStringLiteral("/Fname.txt")), fname);
        QCOMPARE(QDir(folder.data()).entryList({QStringLiteral("*Fname*")}, QDir::Files | QDir::Hidden).size(), 1);
        answersATile(*g);
    }

    void damagedContentFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray noise(4096, '\0');
        QRandomGenerator rng(5);
        for (char& c : noise) c = char(rng.bounded(256));
        QTest::newRow("Word.txt random bytes") << QStringLiteral("data/Word.txt") << noise;
        QTest::newRow("Fname.txt cut in a name")
            << QStringLiteral("data/Fname.txt")
            << QByteArray(QStringEncoder("windows-932").encode(QStringLiteral("\"いぬ.bmp\",#TRUE#\r\n\"う")));
        QTest::newRow("Fname.txt random bytes") << QStringLiteral("data/Fname.txt") << noise;
        QByteArray big;
        while (big.size() < 1024 * 1024) big += QStringLiteral("すごいね、,\"\r\n").toUtf8();
        QTest::newRow("O.txt of 1 MB") << QStringLiteral("O.txt") << big;
        QTest::newRow("O.txt random bytes") << QStringLiteral("O.txt") << noise;
    }
    void damagedContentFiles()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        TestFolder folder;
        folder.addPictures(kFour);
        writeBytes(folder.path() + u'/' + file, bytes);
        std::unique_ptr<StartedGame> g = startGame(folder.data());
        QVERIFY(g);
        QVERIFY(g->values.praise.size() <= kMaxPraiseLines);
        QVERIFY(!g->values.tasks.isEmpty());
        for (const QString& t : g->values.tasks) QVERIFY(g->values.folder.pictures.contains(t));
        if (file == QLatin1String("O.txt")) QCOMPARE(readBytes(QStringLiteral("O.txt")), bytes);  // never rewritten
        answersATile(*g);
    }

    void manyPicturesAndStrangeNames()
    {
        TestFolder folder;
        QStringList names;
        for (int i = 0; i < 500; ++i) names << QStringLiteral("え%1.bmp").arg(i, 3, 10, QChar(u'0'));
        names << QStringLiteral("사과.bmp") << QStringLiteral("ａｂｃ　ｄ.bmp");
        folder.addPictures(names);
        // A name whose bytes are not UTF-8.
        const QByteArray raw = QFile::encodeName(folder.data()) + "/\xff\xfe\x82\xa0.bmp";
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        std::unique_ptr<StartedGame> g = startGame(folder.data());
        QVERIFY(g);
        QCOMPARE(g->values.folder.pictures.size(), kMaxPictures);
        Random random(9u);
        for (int k = 0; k < g->values.tasks.size(); ++k) {
            const Question q = makeQuestion(k, g->values.tasks[k], g->values.settings, random);
            QVERIFY(q.tileCount() >= 1 && q.tileCount() <= kMaxTiles);
        }
        answersATile(*g);
    }

    void everyPictureTickedAfterNamesCp932CannotHold()
    {
        TestFolder folder;
        folder.addPictures({QStringLiteral("사과.bmp"), QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"),
                            QStringLiteral("とり.bmp")});
        QVERIFY(startGame(folder.data()));
        const QByteArray first = readBytes(folder.data() + QStringLiteral("/Fname.txt"));
        std::unique_ptr<StartedGame> again = startGame(folder.data());
        QVERIFY(again);
        QCOMPARE(readBytes(folder.data() + QStringLiteral("/Fname.txt")), first);  // read back as it was written
        QVERIFY(first.contains(QStringLiteral("사과.bmp").toUtf8()));
        QCOMPARE(again->values.tasks.size(), 4);
    }
};

QTEST_MAIN(FaultInjection)
#include "test_fault_injection.moc"
