// Damaged, missing and unwritable files: the files on disk stay intact and the game still
// answers.
#include "content/Globals.h"
#include "content/PraiseFile.h"
#include "content/SettingsFile.h"
#include "content/TaskListFile.h"
#include "dialogs/Form2.h"
#include "fakes/TestFolder.h"

#include <QDir>
#include <QFileInfo>
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

bool CanCreateIn(const QString& folder)
{
    QFile probe(folder + "/.probe");
    bool ok = probe.open(QIODevice::WriteOnly);
    if (ok) probe.remove();
    return ok;
}

// Read-only for everybody, root included (root ignores the permission bits).
bool MakeReadOnly(const QString& folder, bool on)
{
    QFile::setPermissions(folder, on ? (QFile::ReadOwner | QFile::ExeOwner)
                                     : (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (geteuid() == 0) QProcess::execute("chattr", {on ? "+i" : "-i", folder});
    return CanCreateIn(folder) != on;
}

// The game answers: a question is up and a right tile is taken.
void AnswersATile(Game& g)
{
    Form1& f = *g.form;
    f.Form_Activate();
    QVERIFY(f.TileCount >= 1);
    g.speech->FinishSpeaking();
    QCOMPARE(f.Speaking, VbFalse);
    for (int i = 0; i < f.TileCount; ++i)
        if (f.TileLetters[i] == f.TileLetters[0] && f.WordLength > 0) {
            f.Label2_Click(i);
            break;
        }
    QCOMPARE(f.NextLetterPos, int16_t(f.WordLength > 0 ? 1 : 0));
}

} // namespace

class FaultInjection : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("MOKURI_MESSAGE_TIMEOUT_MS", "10"); }

    void readOnlyDataFolderAfterStartUp()
    {
        TestFolder folder;
        folder.AddPictures({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"});
        Game g = StartGame(folder.Data());
        const QByteArray word = ReadBytes(folder.Data() + "/Word.txt");
        const QByteArray fname = ReadBytes(folder.Data() + "/Fname.txt");
        if (!MakeReadOnly(folder.Data(), true)) QSKIP("cannot make a folder read-only here");
        // The adult asks for two decoys and presses "実行"; the message closes by itself.
        g.form->Form_KeyDown(72, Qt::NoModifier);
        Form2* settings = g.form->SettingsDialog;
        QVERIFY(settings);
        settings->Option7->setChecked(true);
        QTest::mouseClick(settings->Command1, Qt::LeftButton);
        QTRY_VERIFY(g.form->isActiveWindow());  // back to play after the message
        TaskPictureCount = 1;
        const bool savedTasks = SaveTaskList();
        MakeReadOnly(folder.Data(), false);
        QVERIFY(!savedTasks);
        QCOMPARE(ReadBytes(folder.Data() + "/Word.txt"), word);
        QCOMPARE(ReadBytes(folder.Data() + "/Fname.txt"), fname);
        QCOMPARE(GameSettings.DecoyCount, int16_t(2));  // the choice holds for this run
        AnswersATile(g);
    }

    void saveThatFailsHalfWay()
    {
        TestFolder folder;
        folder.AddPictures({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"});
        Game g = StartGame(folder.Data());
        const QByteArray fname = ReadBytes(folder.Data() + "/Fname.txt");
        QVERIFY(fname.size() > 40);
        // Files may grow to 20 bytes only: the write stops in the middle of the list.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 20;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        TaskPictureCount = 2;
        const bool saved = SaveTaskList();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!saved);
        QCOMPARE(ReadBytes(folder.Data() + "/Fname.txt"), fname);
        QCOMPARE(QDir(folder.Data()).entryList({"*Fname*"}, QDir::Files | QDir::Hidden).size(), 1);
        AnswersATile(g);
    }

    void damagedContentFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray noise(4096, '\0');
        QRandomGenerator rng(5);
        for (char& c : noise) c = char(rng.bounded(256));
        QTest::newRow("Word.txt random bytes") << "data/Word.txt" << noise;
        QTest::newRow("Fname.txt cut in a name") << "data/Fname.txt"
                                                 << QByteArray(QStringEncoder("windows-932").encode(QStringLiteral("\"いぬ.bmp\",#TRUE#\r\n\"う")));
        QTest::newRow("Fname.txt random bytes") << "data/Fname.txt" << noise;
        QByteArray big;
        while (big.size() < 1024 * 1024) big += QStringLiteral("すごいね、,\"\r\n").toUtf8();
        QTest::newRow("O.txt of 1 MB") << "O.txt" << big;
        QTest::newRow("O.txt random bytes") << "O.txt" << noise;
    }
    void damagedContentFiles()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        TestFolder folder;
        folder.AddPictures({"いぬ.bmp", "うし.bmp", "ねこ.bmp", "とり.bmp"});
        WriteBytes(folder.Path() + "/" + file, bytes);
        bool loaded = false;
        Game g = StartGame(folder.Data(), &loaded);
        QVERIFY(loaded);
        QVERIFY(g.form->PraiseCount <= MaxPraiseTexts);
        QVERIFY(TaskPictureCount >= 1 && TaskPictureCount <= AllPictureCount);
        if (file == "O.txt") QCOMPARE(ReadBytes("O.txt"), bytes);  // praise lines are never rewritten
        AnswersATile(g);
    }

    void manyPicturesAndStrangeNames()
    {
        TestFolder folder;
        QStringList names;
        for (int i = 0; i < 500; ++i) names << QString("え%1.bmp").arg(i, 3, 10, QChar('0'));
        names << QStringLiteral("사과.bmp") << QStringLiteral("ａｂｃ　ｄ.bmp");
        folder.AddPictures(names);
        // A name whose bytes are not UTF-8.
        const QByteArray raw = QFile::encodeName(folder.Data()) + "/\xff\xfe\x82\xa0.bmp";
        int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        bool loaded = false;
        Game g = StartGame(folder.Data(), &loaded);
        QVERIFY(loaded);
        QCOMPARE(AllPictureCount, int16_t(MaxPictures));
        for (int k = 0; k < TaskPictureCount; ++k) {
            g.form->TaskIndex = int16_t(k);
            g.form->SetUpQuestion();
            QVERIFY(g.form->TileCount <= 10);
        }
        AnswersATile(g);
    }

    void everyPictureSelectedAfterNamesCp932CannotHold()
    {
        TestFolder folder;
        folder.AddPictures({"사과.bmp", "いぬ.bmp", "ねこ.bmp", "とり.bmp"});
        { Game g = StartGame(folder.Data()); }
        const QByteArray first = ReadBytes(folder.Data() + "/Fname.txt");
        { Game g = StartGame(folder.Data()); }
        QCOMPARE(ReadBytes(folder.Data() + "/Fname.txt"), first);  // read back as it was written
        QVERIFY(first.contains(QStringLiteral("사과.bmp").toUtf8()));
    }
};

QTEST_MAIN(FaultInjection)
#include "test_fault_injection.moc"
