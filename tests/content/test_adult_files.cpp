// SPDX-License-Identifier: GPL-3.0-or-later
// Files as parents and teachers really make them: by hand, with Notepad, on a Mac, through
// links, write-protected, cut short. Each case once lost a choice, hung, or broke a word.
#include "content/PraiseLines.h"
#include "content/SettingsFile.h"
#include "content/TaskListFile.h"
#include "fakes/OtherAccount.h"
#include "support/FileRead.h"
#include "support/SafeSave.h"
#include "support/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mokuri;
using namespace mokuri::test;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray utf16(const QString& text, bool bigEndian)
{
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return out;
}

const QByteArray kStoredSettings = "#FALSE#,#TRUE#,2,1,#TRUE#,#TRUE#\r\n";

} // namespace

class AdultFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    Trace trace;
    QString path(const QString& name) const { return dir->filePath(name); }
    PictureFolder folderWith(const QStringList& pictures) const { return PictureFolder{dir->path(), pictures}; }

private slots:
    void init() { dir = std::make_unique<QTemporaryDir>(); }

    void blankLinesKeepTheChoice_data()
    {
        QTest::addColumn<QByteArray>("fname");
        QTest::newRow("blank lines at the end") << QByteArray("\"a.bmp\",#TRUE#\r\n\"b.bmp\",#FALSE#\r\n\r\n\r\n");
        QTest::newRow("blanks at line ends") << QByteArray("\"a.bmp\",#TRUE#  \r\n\"b.bmp\",#FALSE#\t\r\n");
        QTest::newRow("blank lines between, LF only") << QByteArray("\n\"a.bmp\",#TRUE#\n   \n\"b.bmp\",#FALSE#\n");
    }
    void blankLinesKeepTheChoice()
    {
        QFETCH(QByteArray, fname);
        writeFile(path(QStringLiteral("Fname.txt")), fname);
        const TaskList tasks = loadTaskList(folderWith({QStringLiteral("a.bmp"), QStringLiteral("b.bmp")}), trace);
        QCOMPARE(tasks, QStringList{QStringLiteral("a.bmp")});
        QCOMPARE(readFile(path(QStringLiteral("Fname.txt"))), fname);  // not rewritten

        writeFile(path(QStringLiteral("Word.txt")), "\r\n" + kStoredSettings + "\r\n  \r\n");
        QVERIFY(loadSettings(dir->path(), trace) != Settings{});
        QCOMPARE(parsePraiseLines("\r\n\r\nえらいね  \r\n\r\n"), QStringList{QStringLiteral("えらいね")});
    }

    void quotesAndCommasInPictureNames()
    {
        const QStringList pictures{QStringLiteral("さ\"る.bmp"), QStringLiteral("\"いぬ\".bmp"), QStringLiteral("ね,こ.bmp")};
        const PictureFolder folder = folderWith(pictures);
        const TaskList chosen{pictures[0], pictures[2]};
        QVERIFY(saveTaskList(folder, chosen, trace));
        const QByteArray written = readFile(path(QStringLiteral("Fname.txt")));
        QVERIFY(written.contains(encodeText(QStringLiteral("\"さ\"る.bmp\",#TRUE#\r\n"))));
        QCOMPARE(loadTaskList(folder, trace), chosen);
        QCOMPARE(readFile(path(QStringLiteral("Fname.txt"))), written);
    }

    void unicodeFilesFromNotepad_data()
    {
        QTest::addColumn<bool>("bigEndian");
        QTest::newRow("UTF-16 LE") << false;
        QTest::newRow("UTF-16 BE") << true;
    }
    void unicodeFilesFromNotepad()
    {
        QFETCH(bool, bigEndian);
        const QByteArray settings = utf16(QString::fromLatin1(kStoredSettings), bigEndian);
        writeFile(path(QStringLiteral("Word.txt")), settings);
        const Settings s = loadSettings(dir->path(), trace);
        QCOMPARE(s.instruction, Instruction::ReadThePicture);
        QCOMPARE(s.decoyCount, DecoyCount::Two);
        QCOMPARE(s.takeTile, TakeTile::ByTouch);
        QCOMPARE(readFile(path(QStringLiteral("Word.txt"))), settings);  // read, not replaced

        const QString fname = QStringLiteral("\"りんご.bmp\",#FALSE#\r\n\"バナナ.bmp\",#TRUE#\r\n");
        writeFile(path(QStringLiteral("Fname.txt")), utf16(fname, bigEndian));
        QCOMPARE(loadTaskList(folderWith({QStringLiteral("りんご.bmp"), QStringLiteral("バナナ.bmp")}), trace),
                 QStringList{QStringLiteral("バナナ.bmp")});
        QCOMPARE(parsePraiseLines(utf16(QStringLiteral("すごいね\r\nやったね\r\n"), bigEndian)),
                 QStringList({QStringLiteral("すごいね"), QStringLiteral("やったね")}));
    }

    void damagedSettingsAreKeptBesideTheDefaults()
    {
        const QString word = path(QStringLiteral("Word.txt"));
        writeFile(word + QStringLiteral(".damaged"), "an older copy");
        writeFile(word, "my notes, not settings");
        QString notice;
        QCOMPARE(loadSettings(dir->path(), trace, &notice), Settings{});
        QCOMPARE(readFile(word + QStringLiteral(".damaged")), QByteArray("an older copy"));
        QCOMPARE(readFile(word + QStringLiteral(".damaged.1")), QByteArray("my notes, not settings"));
        QCOMPARE(readFile(word), formatSettings(Settings{}));
        QVERIFY(notice.contains(word + QStringLiteral(".damaged.1")));
        // A file that reads well says nothing.
        notice.clear();
        loadSettings(dir->path(), trace, &notice);
        QVERIFY(notice.isEmpty());
    }

    void savesGoThroughLinksAndKeepPermissions()
    {
        QDir(dir->path()).mkdir(QStringLiteral("real"));
        const QString real = path(QStringLiteral("real/Word.txt"));
        const QString link = path(QStringLiteral("Word.txt"));
        writeFile(real, kStoredSettings);
        QVERIFY(::chmod(QFile::encodeName(real).constData(), 0640) == 0);
        QVERIFY(QFile::link(QStringLiteral("real/Word.txt"), link));
        Settings s;
        s.showModel = false;
        QVERIFY(saveSettings(dir->path(), s, trace));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(real), formatSettings(s));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(real).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(QDir(path(QStringLiteral("real"))).entryList(QDir::Files), QStringList{QStringLiteral("Word.txt")});

        // A link to a file not made yet creates it where the link points.
        QVERIFY(QFile::link(QStringLiteral("real/Fname.txt"), path(QStringLiteral("Fname.txt"))));
        QVERIFY(saveTaskList(folderWith({QStringLiteral("a.bmp")}), {QStringLiteral("a.bmp")}, trace));
        QVERIFY(QFileInfo(path(QStringLiteral("Fname.txt"))).isSymLink());
        QCOMPARE(readFile(path(QStringLiteral("real/Fname.txt"))), QByteArray("\"a.bmp\",#TRUE#\r\n"));
    }

    // A link another account planted in a folder everyone may write to is not followed:
    // the adult's file it points at is neither written nor created.
    void linksOfAnotherAccountAreLeftAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("Word.txt to an adult's file") << QStringLiteral("Word.txt") << true;
        QTest::newRow("Fname.txt to an adult's file") << QStringLiteral("Fname.txt") << true;
        QTest::newRow("Word.txt to no file yet") << QStringLiteral("Word.txt") << false;
    }
    void linksOfAnotherAccountAreLeftAlone()
    {
        QFETCH(QString, file);
        QFETCH(bool, targetExists);
        if (!runningAsRoot()) QSKIP("a link of another account can only be made as root");
        const QString adults = path(QStringLiteral(".bashrc")), link = path(file);
        if (targetExists) writeFile(adults, "alias ls=ls\n");
        QVERIFY(QFile::link(adults, link));
        QCOMPARE(::lchown(QFile::encodeName(link).constData(), kOtherAccount, kOtherAccount), 0);
        QVERIFY(!(file == QStringLiteral("Word.txt") ? saveSettings(dir->path(), Settings{}, trace)
                                                     : saveTaskList(folderWith({QStringLiteral("$(id>X).bmp")}), {}, trace)));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(adults), targetExists ? QByteArray("alias ls=ls\n") : QByteArray());
        QCOMPARE(QFileInfo::exists(adults), targetExists);
    }

    // A class folder: the file is written where it is, keeping its inode, owner and other
    // names, when a new file renamed over it would fail or do harm.
    void savesInAClassFolderKeepTheFile_data()
    {
        QTest::addColumn<QString>("folderCase");
        QTest::newRow("folder that takes no new file") << QStringLiteral("no new file");
        QTest::newRow("file with a second hard link") << QStringLiteral("hard link");
        QTest::newRow("another account's file") << QStringLiteral("other owner");
    }
    void savesInAClassFolderKeepTheFile()
    {
        QFETCH(QString, folderCase);
        if (folderCase == QStringLiteral("other owner") && !runningAsRoot()) QSKIP("giving a file away needs root");
        const auto identity = [](const QString& p) {
            struct stat st {};
            ::lstat(QFile::encodeName(p).constData(), &st);
            return QList<qint64>{qint64(st.st_ino), qint64(st.st_uid), qint64(st.st_nlink)};
        };
        // The other account must reach the folders and keep its copies somewhere.
        const QString folder = path(QStringLiteral("class")), word = folder + QStringLiteral("/Word.txt");
        const QString state = path(QStringLiteral("state")), copy = path(QStringLiteral("copy.txt"));
        QVERIFY(QDir().mkpath(state) && QDir().mkpath(folder));
        QCOMPARE(::chmod(QFile::encodeName(dir->path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(state).constData(), 0777), 0);
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));
        writeFile(word, kStoredSettings);
        QCOMPARE(::chmod(QFile::encodeName(word).constData(), 0666), 0);
        if (folderCase == QStringLiteral("hard link"))
            QCOMPARE(::link(QFile::encodeName(word).constData(), QFile::encodeName(copy).constData()), 0);
        if (folderCase == QStringLiteral("other owner"))
            QCOMPARE(::chown(QFile::encodeName(word).constData(), kOtherAccount, kOtherAccount), 0);
        const QList<qint64> before = identity(word);
        Settings s;
        s.showModel = false;
        const auto save = [&] {
            Trace quiet;
            return saveSettings(folder, s, quiet);
        };
        const bool noNewFile = folderCase == QStringLiteral("no new file");
        if (noNewFile) QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        QVERIFY(noNewFile ? asAnotherAccount(save) : save());
        qunsetenv("XDG_STATE_HOME");
        QCOMPARE(readFile(word), formatSettings(s));
        QCOMPARE(identity(word), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Word.txt")});
        QVERIFY(QDir(path(QStringLiteral("state/mokuri/saves"))).isEmpty());  // the old content kept only meanwhile
    }

    void anInPlaceSaveCutShortIsMendedAtTheNextStart()
    {
        qputenv("XDG_STATE_HOME", QFile::encodeName(path(QStringLiteral("state"))));
        const QString word = path(QStringLiteral("Word.txt")), kept = inPlaceBackupOf(word);
        writeFile(word, "#FALSE#,#TR");  // the new content, cut short by a crash
        QVERIFY(QDir().mkpath(QFileInfo(kept).path()));
        writeFile(kept, kStoredSettings);
        const Settings s = loadSettings(dir->path(), trace);
        qunsetenv("XDG_STATE_HOME");
        QCOMPARE(readFile(word), kStoredSettings);
        QCOMPARE(s.instruction, Instruction::ReadThePicture);
        QVERIFY(!QFileInfo::exists(kept));
    }

    void writeProtectedFileIsLeftAlone()
    {
        const QString word = path(QStringLiteral("Word.txt"));
        writeFile(word, kStoredSettings);
        QVERIFY(::chmod(QFile::encodeName(word).constData(), 0444) == 0);
        QVERIFY(!saveSettings(dir->path(), Settings{}, trace));  // even for root
        QCOMPARE(readFile(word), kStoredSettings);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("Word.txt")});
    }

    void aFileSizeLimitFailsTheSaveWithoutKillingTheProgram()
    {
        // In a child process: the limit and the signal must not reach the test runner.
        const QString word = path(QStringLiteral("Word.txt"));
        writeFile(word, kStoredSettings);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            rlimit small{8, 8};
            ::setrlimit(RLIMIT_FSIZE, &small);
            Trace quiet;
            Settings s;
            s.showPointer = false;
            ::_exit(saveSettings(QFileInfo(word).path(), s, quiet) ? 1 : 0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status), "the save killed the program");
        QCOMPARE(WEXITSTATUS(status), 0);  // reported as failed
        QCOMPARE(readFile(word), kStoredSettings);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("Word.txt")});
    }

    void interruptedSavesAreClearedAtTheNextStart()
    {
        const QString word = path(QStringLiteral("Word.txt"));
        writeFile(word, kStoredSettings);
        const QString leftover = word + QStringLiteral(".mokuri-save-Ab12Cd");
        const QString busy = word + QStringLiteral(".mokuri-save-Zz99Yy");
        const QString adults = word + QStringLiteral(".backup");
        writeFile(leftover, "half");
        writeFile(busy, "being written");
        writeFile(adults, "mine");
        // Another instance is writing `busy` right now and holds its lock.
        QFile held(busy);
        QVERIFY(held.open(QIODevice::ReadOnly));
        QCOMPARE(::flock(held.handle(), LOCK_EX), 0);
        // In a child process, so that the lock is another process's, as it would be.
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            Trace quiet;
            loadSettings(QFileInfo(word).path(), quiet);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY(!QFileInfo::exists(leftover));
        QVERIFY(QFileInfo::exists(busy));
        QCOMPARE(readFile(adults), QByteArray("mine"));
    }

    void fifosAreNotOpened()
    {
        // Opening a FIFO for reading waits for a writer for ever.
        for (const QString& name : {QStringLiteral("Word.txt"), QStringLiteral("Fname.txt")})
            QCOMPARE(::mkfifo(QFile::encodeName(path(name)).constData(), 0644), 0);
        QVERIFY(QFile::link(path(QStringLiteral("Fname.txt")), path(QStringLiteral("link.txt"))));
        QCOMPARE(readFileBytes(path(QStringLiteral("Word.txt"))).status, ReadStatus::Unreadable);
        QCOMPARE(readFileBytes(path(QStringLiteral("link.txt"))).status, ReadStatus::Unreadable);
        QVERIFY(!isRegularFile(path(QStringLiteral("link.txt"))));
        QCOMPARE(loadSettings(dir->path(), trace), Settings{});
        const PictureFolder folder = folderWith({QStringLiteral("a.bmp")});
        QCOMPARE(loadTaskList(folder, trace), folder.pictures);
    }

    void aLongUtf8FileIsCutOnALetter()
    {
        // Three-byte letters, so that the limit falls inside one.
        QByteArray text = "\xEF\xBB\xBF";
        while (text.size() < kMaxTextFileBytes + 10) text += QStringLiteral("えらいね\r\n").toUtf8();
        writeFile(path(QStringLiteral("O.txt")), text);
        const ReadResult r = readFileBytes(path(QStringLiteral("O.txt")));
        QVERIFY(r.truncated);
        QVERIFY(isValidUtf8(r.bytes));
        const QStringList lines = parsePraiseLines(r.bytes);
        QCOMPARE(lines.size(), kMaxPraiseLines);
        QCOMPARE(lines.first(), QStringLiteral("えらいね"));
    }
};

QTEST_MAIN(AdultFiles)
#include "test_adult_files.moc"
