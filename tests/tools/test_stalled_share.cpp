// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-stalled-share and StalledShare, which other tests trust to hang a folder the way a
// dead network share does: files read and save through it as through a folder, a stalled
// name hangs only what it names and only until it is let go, and a share that goes away
// fails what was stuck on it instead of hanging the test.
#include "fakes/StalledShare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace mokuri::test;
using namespace Qt::StringLiterals;

namespace {

// Generous limits for things that must happen; none of them is a verdict about speed.
constexpr int kWaitMs = 20000;

// What a call made on another thread got back.
struct Outcome {
    std::atomic<bool> done{false};
    bool ok = false;
    int error = 0;
    QByteArray bytes;
    QStringList names;
};

// Runs one blocking call on its own thread. Its outcome is shared, so that a thread still
// stuck when a test fails can be left behind without pointing into a dead stack frame.
class Background {
public:
    explicit Background(std::function<void(Outcome&)> call) : outcome_(std::make_shared<Outcome>())
    {
        thread_ = std::thread([o = outcome_, call = std::move(call)] {
            call(*o);
            o->done.store(true);
        });
    }
    ~Background()
    {
        if (waitDone())
            thread_.join();
        else
            thread_.detach();
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    bool isDone() const { return outcome_->done.load(); }
    bool waitDone() const { return QTest::qWaitFor([this] { return isDone(); }, kWaitMs); }
    // Read only once isDone().
    const Outcome& outcome() const { return *outcome_; }

private:
    std::shared_ptr<Outcome> outcome_;
    std::thread thread_;
};

// Plain system calls, as the game's own reads end up: no Qt in the way of errno.
void readFile(const QString& path, Outcome& o)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        o.error = errno;
        return;
    }
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            o.error = errno;
            ::close(fd);
            return;
        }
        if (n == 0) break;
        o.bytes.append(buf, n);
    }
    ::close(fd);
    o.ok = true;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readBack(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// Whether the share answers a read of `path` with `expected` while something else is held.
// Read on another thread, so that a share hanging it fails the test instead of hanging it.
bool answers(const QString& path, const QByteArray& expected)
{
    Background reader([path](Outcome& o) { readFile(path, o); });
    return reader.waitDone() && reader.outcome().ok && reader.outcome().bytes == expected;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    return ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
}

} // namespace

// Mounting needs fuse3 and /dev/fuse; without them there is nothing here to test.
#define START_SHARE(share, dir)                                                                                  \
    do {                                                                                                         \
        if (!(share).start(dir)) QSKIP(qPrintable(u"no stalled share here: "_s + (share).why()));              \
    } while (false)

class StalledShareTest : public QObject {
    Q_OBJECT

private slots:
    void filesReadWriteAndListThroughTheShare()
    {
        QTemporaryDir backing;
        QVERIFY(backing.isValid());
        const QByteArray word = u"もくり"_s.toUtf8();
        writeFile(backing.filePath(u"word.txt"_s), word);
        QVERIFY(QDir(backing.path()).mkdir(u"data"_s));
        writeFile(backing.filePath(u"data/a.jpg"_s), "picture");

        StalledShare share;
        START_SHARE(share, backing.path());
        QVERIFY(StalledShare::isMountPoint(share.path()));
        QVERIFY(!StalledShare::isMountPoint(backing.path()));

        QCOMPARE(readBack(share.path() + u"/word.txt"_s), word);
        QCOMPARE(QFileInfo(share.path() + u"/word.txt"_s).size(), word.size());
        QVERIFY(QFileInfo(share.path() + u"/data"_s).isDir());
        QCOMPARE(QDir(share.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({u"data"_s, u"word.txt"_s}));
        QCOMPARE(QDir(share.path() + u"/data"_s).entryList(QDir::Files), QStringList({u"a.jpg"_s}));

        // Written on the share, the file is in the backing folder, and the other way round.
        writeFile(share.path() + u"/data/b.jpg"_s, "second");
        QCOMPARE(readBack(backing.filePath(u"data/b.jpg"_s)), QByteArray("second"));
        writeFile(backing.filePath(u"word.txt"_s), "changed behind the share");
        QCOMPARE(readBack(share.path() + u"/word.txt"_s), QByteArray("changed behind the share"));

        QVERIFY(QFile::remove(share.path() + u"/data/b.jpg"_s));
        QVERIFY(!QFileInfo::exists(backing.filePath(u"data/b.jpg"_s)));
        QVERIFY(QDir(share.path()).mkdir(u"made"_s));
        QVERIFY(QFileInfo(backing.filePath(u"made"_s)).isDir());
        QVERIFY(QDir(share.path()).rmdir(u"made"_s));
        QVERIFY(!QFileInfo::exists(backing.filePath(u"made"_s)));
        QVERIFY(share.held().isEmpty());
    }

    void stalledReadWaitsUntilReleased()
    {
        QTemporaryDir backing;
        QVERIFY(backing.isValid());
        const QByteArray content = u"くるま"_s.toUtf8();
        writeFile(backing.filePath(u"held.txt"_s), content);
        writeFile(backing.filePath(u"other.txt"_s), "other");

        // Declared before the share, here and below: a failing check ends the share first,
        // which lets the stuck reader go before it is waited for.
        std::optional<Background> reader;
        StalledShare share;
        START_SHARE(share, backing.path());
        share.stall(u"held.txt"_s);
        const QString held = share.path() + u"/held.txt"_s;
        reader.emplace([held](Outcome& o) { readFile(held, o); });

        QVERIFY2(share.waitUntilHeld(u"held.txt"_s, kWaitMs), "the read never reached the share");
        // The share still answers a file beside it while the one name hangs...
        QVERIFY2(answers(share.path() + u"/other.txt"_s, "other"), "another file in the folder hung too");
        // ...and the read is still waiting after that came back.
        QVERIFY(!reader->isDone());
        QVERIFY(share.waitUntilHeld(u"held.txt"_s, 0));

        share.release(u"held.txt"_s);
        QVERIFY2(reader->waitDone(), "the read did not finish after the name was let go");
        QVERIFY2(reader->outcome().ok, strerror(reader->outcome().error));
        QCOMPARE(reader->outcome().bytes, content);
        QVERIFY(share.held().isEmpty());
        QCOMPARE(readBack(held), content);
    }

    void anyComponentHoldsUntilItsOwnRelease()
    {
        QTemporaryDir backing;
        QVERIFY(backing.isValid());
        for (const QString& dir : {u"photos"_s, u"photos-old"_s, u"other"_s}) {
            QVERIFY(QDir(backing.path()).mkdir(dir));
            writeFile(backing.filePath(dir + u"/a.jpg"_s), dir.toUtf8());
        }

        std::optional<Background> reader;
        StalledShare share;
        START_SHARE(share, backing.path());
        share.stall(u"photos"_s);
        share.stall(u"unrelated"_s);
        const QString inFolder = share.path() + u"/photos/a.jpg"_s;
        reader.emplace([inFolder](Outcome& o) { readFile(inFolder, o); });
        QVERIFY2(share.waitUntilHeld(u"photos"_s, kWaitMs), "a file in a stalled folder was not held");

        // Only a whole component matches: a longer name and another folder still answer.
        QVERIFY(answers(share.path() + u"/photos-old/a.jpg"_s, "photos-old"));
        QVERIFY(answers(share.path() + u"/other/a.jpg"_s, "other"));
        // Letting another name go leaves this one held.
        share.release(u"unrelated"_s);
        QCOMPARE(share.stalledNames(), QStringList({u"photos"_s}));
        QVERIFY(answers(share.path() + u"/other/a.jpg"_s, "other"));
        QVERIFY(!reader->isDone());
        QVERIFY(share.waitUntilHeld(u"photos"_s, 0));

        share.release(u"photos"_s);
        QVERIFY(reader->waitDone());
        QVERIFY2(reader->outcome().ok, strerror(reader->outcome().error));
        QCOMPARE(reader->outcome().bytes, QByteArray("photos"));
    }

    void starHoldsEvenTheRoot()
    {
        QTemporaryDir backing;
        QVERIFY(backing.isValid());
        writeFile(backing.filePath(u"one.txt"_s), "1");
        writeFile(backing.filePath(u"two.txt"_s), "2");

        std::optional<Background> lister;
        StalledShare share;
        START_SHARE(share, backing.path());
        share.stall(u"*"_s);
        const QString root = share.path();
        lister.emplace([root](Outcome& o) {
            o.names = QDir(root).entryList(QDir::Files, QDir::Name);
            o.ok = true;
        });

        QVERIFY2(QTest::qWaitFor([&] {
                     for (const QString& op : share.held())
                         if (op.endsWith(u" /"_s)) return true;
                     return false;
                 }, kWaitMs),
                 qPrintable(u"no operation on the root was held: "_s + share.held().join(u", "_s)));
        QVERIFY(!lister->isDone());

        share.releaseAll();
        QVERIFY2(lister->waitDone(), "the listing did not finish after everything was let go");
        QCOMPARE(lister->outcome().names, QStringList({u"one.txt"_s, u"two.txt"_s}));
        QVERIFY(share.held().isEmpty());
    }

    void atomicSavesAppendsAndLocksWork()
    {
        QTemporaryDir backing;
        QVERIFY(backing.isValid());
        writeFile(backing.filePath(u"O.txt"_s), "old");

        StalledShare share;
        START_SHARE(share, backing.path());
        const QString target = share.path() + u"/O.txt"_s;

        // A temporary file beside the target, flushed to disk, then renamed over it.
        QByteArray tmpl = QFile::encodeName(share.path() + u"/.O.txt.XXXXXX"_s);
        const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
        QVERIFY2(fd >= 0, strerror(errno));
        const bool written = writeAll(fd, "new by rename");
        const int synced = ::fsync(fd);
        ::close(fd);
        QVERIFY(written);
        QCOMPARE(synced, 0);
        QCOMPARE(::rename(tmpl.constData(), QFile::encodeName(target).constData()), 0);
        QCOMPARE(readBack(target), QByteArray("new by rename"));
        QCOMPARE(readBack(backing.filePath(u"O.txt"_s)), QByteArray("new by rename"));

        // Qt's own atomic save.
        QSaveFile save(target);
        QVERIFY(save.open(QIODevice::WriteOnly));
        save.write("new by QSaveFile");
        QVERIFY2(save.commit(), qPrintable(save.errorString()));
        QCOMPARE(readBack(backing.filePath(u"O.txt"_s)), QByteArray("new by QSaveFile"));
        // No temporary file is left behind, and none of the share's own.
        QCOMPARE(QDir(share.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({u"O.txt"_s}));

        // Appenders on the share and behind it (another computer on the same share): every
        // line lands at the end, none over another.
        const QByteArray log = QFile::encodeName(share.path() + u"/log.txt"_s);
        const int first = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const int second = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const int behind = ::open(QFile::encodeName(backing.filePath(u"log.txt"_s)).constData(),
                                  O_WRONLY | O_APPEND | O_CLOEXEC);
        QVERIFY(first >= 0 && second >= 0 && behind >= 0);
        const bool appended = writeAll(first, "one\n") && writeAll(second, "two\n") &&
                              writeAll(behind, "three\n") && writeAll(first, "four\n");
        ::close(first);
        ::close(second);
        ::close(behind);
        QVERIFY(appended);
        QCOMPARE(readBack(backing.filePath(u"log.txt"_s)), QByteArray("one\ntwo\nthree\nfour\n"));
        QCOMPARE(readBack(share.path() + u"/log.txt"_s), QByteArray("one\ntwo\nthree\nfour\n"));

        // flock between two opens of the share: a waiting lock is granted once the holder
        // lets go, and a close lets go at once.
        const QByteArray lockPath = QFile::encodeName(target);
        const int holder = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
        const int other = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(holder >= 0 && other >= 0);
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), -1);
        QCOMPARE(errno, EWOULDBLOCK);
        {
            Background waiter([other](Outcome& o) {
                o.ok = ::flock(other, LOCK_EX) == 0;
                o.error = errno;
            });
            QCOMPARE(::flock(holder, LOCK_UN), 0);
            QVERIFY2(waiter.waitDone(), "a waiting flock was never granted");
            QVERIFY2(waiter.outcome().ok, strerror(waiter.outcome().error));
        }
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), -1);
        ::close(other);
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
        ::close(holder);
    }

    void killedClientIsLetGo()
    {
        QTemporaryDir backing;
        QVERIFY(backing.isValid());
        writeFile(backing.filePath(u"held.txt"_s), "held");

        StalledShare share;
        START_SHARE(share, backing.path());
        share.stall(u"held.txt"_s);
        QProcess cat;
        cat.start(u"cat"_s, {share.path() + u"/held.txt"_s});
        QVERIFY(cat.waitForStarted(kWaitMs));
        QVERIFY2(share.waitUntilHeld(u"held.txt"_s, kWaitMs), "cat never reached the share");

        // A process stuck on a hard network mount can still be killed; so can this one.
        cat.kill();
        QVERIFY2(cat.waitForFinished(kWaitMs), "a killed client stayed stuck on the share");
        QCOMPARE(cat.exitStatus(), QProcess::CrashExit);
        QVERIFY(QTest::qWaitFor([&] { return share.held().isEmpty(); }, kWaitMs));
        QCOMPARE(share.stalledNames(), QStringList({u"held.txt"_s}));
    }

    void lazyUnmountFailsWhatIsStuck()
    {
        QTemporaryDir backing;
        QVERIFY(backing.isValid());
        writeFile(backing.filePath(u"held.txt"_s), "held");

        std::optional<Background> reader;
        StalledShare share;
        START_SHARE(share, backing.path());
        share.stall(u"held.txt"_s);
        const QString held = share.path() + u"/held.txt"_s;
        reader.emplace([held](Outcome& o) { readFile(held, o); });
        QVERIFY(share.waitUntilHeld(u"held.txt"_s, kWaitMs));

        // Unmounted from outside while a client is inside: the kernel keeps the file
        // system until that client is out, so the share itself has to notice and let go.
        QProcess unmount;
        unmount.start(u"fusermount3"_s, {u"-u"_s, u"-z"_s, share.path()});
        QVERIFY(unmount.waitForFinished(kWaitMs));
        QCOMPARE(unmount.exitCode(), 0);
        QVERIFY2(reader->waitDone(), "the read stayed stuck after the share was unmounted");
        QVERIFY(!reader->outcome().ok);
        QVERIFY(!StalledShare::isMountPoint(share.path()));
        QCOMPARE(readBack(backing.filePath(u"held.txt"_s)), QByteArray("held"));
    }

    void destroyingTheShareFailsWhatIsStuck()
    {
        QTemporaryDir backing;
        QVERIFY(backing.isValid());
        writeFile(backing.filePath(u"held.txt"_s), "held");

        std::optional<Background> reader;
        auto share = std::make_unique<StalledShare>();
        START_SHARE(*share, backing.path());
        const QString mount = share->path();
        share->stall(u"held.txt"_s);
        const QString held = mount + u"/held.txt"_s;
        reader.emplace([held](Outcome& o) { readFile(held, o); });
        QVERIFY(share->waitUntilHeld(u"held.txt"_s, kWaitMs));

        share.reset();
        QVERIFY2(reader->waitDone(), "the read stayed stuck after the share went away");
        QVERIFY2(!reader->outcome().ok, "the read got through a share that had gone away");
        QVERIFY(reader->outcome().error != 0);
        QVERIFY(!StalledShare::isMountPoint(mount));
        // Stopping the share touched nothing behind it.
        QCOMPARE(readBack(backing.filePath(u"held.txt"_s)), QByteArray("held"));
    }
};

QTEST_GUILESS_MAIN(StalledShareTest)
#include "test_stalled_share.moc"
