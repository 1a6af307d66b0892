// SPDX-License-Identifier: GPL-3.0-or-later
// The two ways the program keeps its window away from a folder that hangs: the write
// thread (order, a newer save replacing a waiting one, what is named at the end) and the
// bounded wait for a look at a file. A "hanging" job here waits on a gate the test opens.
#include "support/Patience.h"
#include "support/WriteQueue.h"

#include <QTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

using namespace mokuri;
using namespace std::chrono_literals;

namespace {

// Stands for a share that does not answer until the test lets it.
class Gate {
public:
    void open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void pass()
    {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    // Until `n` jobs stand at the gate: no guessing how long a thread takes to get there.
    void waitForWaiting(int n)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_ >= n; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    int waiting_ = 0;
};

// Written files, in the order the write thread wrote them.
struct Disk {
    std::mutex mutex;
    std::vector<QString> writes;
    void write(const QString& what)
    {
        std::lock_guard lock(mutex);
        writes.push_back(what);
    }
    std::vector<QString> all()
    {
        std::lock_guard lock(mutex);
        return writes;
    }
};

} // namespace

class WaitingOnFiles : public QObject {
    Q_OBJECT
private slots:
    void writesKeepTheirOrderAndTheNewestSaveWins()
    {
        WriteQueue writes;
        auto gate = std::make_shared<Gate>();
        auto disk = std::make_shared<Disk>();
        // The first write hangs; behind it two record lines and three saves of one file.
        const auto first = writes.submit(QStringLiteral("Fname.txt"), [gate, disk] {
            gate->pass();
            disk->write(QStringLiteral("Fname.txt"));
            return true;
        });
        gate->waitForWaiting(1);
        writes.post(QStringLiteral("record"), [disk] { disk->write(QStringLiteral("line 1")); return true; });
        std::vector<std::uint64_t> saves;
        for (int i = 1; i <= 3; ++i)
            saves.push_back(writes.submit(QStringLiteral("Word.txt"), [disk, i] {
                disk->write(QStringLiteral("Word.txt %1").arg(i));
                return true;
            }));
        writes.post(QStringLiteral("record"), [disk] { disk->write(QStringLiteral("line 2")); return true; });
        QCOMPARE(writes.waitFor(first, 0ms), WriteQueue::Outcome::Pending);
        QCOMPARE(writes.waitFor(saves.back(), 0ms), WriteQueue::Outcome::Pending);

        gate->open();
        QCOMPARE(writes.finish(60s), QStringList());
        QCOMPARE(writes.waitFor(saves.back(), 60s), WriteQueue::Outcome::Written);
        QCOMPARE(writes.waitFor(first, 60s), WriteQueue::Outcome::Written);
        // The two older saves of Word.txt were replaced while they waited; record lines never are.
        const std::vector<QString> expected{QStringLiteral("Fname.txt"), QStringLiteral("line 1"),
                                            QStringLiteral("Word.txt 3"), QStringLiteral("line 2")};
        QCOMPARE(disk->all(), expected);
    }

    void aFailedSaveIsToldAndTheEndNamesWhatStillWaits()
    {
        WriteQueue writes;
        auto gate = std::make_shared<Gate>();
        const auto failing = writes.submit(QStringLiteral("a/Word.txt"), [] { return false; });
        QCOMPARE(writes.waitFor(failing, 60s), WriteQueue::Outcome::Failed);

        writes.submit(QStringLiteral("a/Word.txt"), [gate] {
            gate->pass();
            return true;
        });
        gate->waitForWaiting(1);
        writes.submit(QStringLiteral("a/Fname.txt"), [] { return true; });
        writes.post(QStringLiteral("record"), [] { return true; });
        writes.post(QStringLiteral("record"), [] { return true; });
        QCOMPARE(writes.finish(10ms),
                 (QStringList{QStringLiteral("a/Word.txt"), QStringLiteral("a/Fname.txt"), QStringLiteral("record")}));
        gate->open();
        QCOMPARE(writes.finish(60s), QStringList());
    }

    void aQueueGoneWhileAWriteHangsDoesNotWait()
    {
        auto gate = std::make_shared<Gate>();
        auto done = std::make_shared<std::atomic<bool>>(false);
        {
            WriteQueue writes;
            writes.submit(QStringLiteral("x"), [gate, done] {
                gate->pass();
                *done = true;
                return true;
            });
            gate->waitForWaiting(1);
        }  // destroyed with the write still hanging: this line is reached at all
        QVERIFY(!*done);
        gate->open();
        QTRY_VERIFY_WITH_TIMEOUT(done->load(), 60000);
    }

    void aLookAtAFileIsWaitedForOnlySoLong()
    {
        QCOMPARE(withPatience<int>(60s, [] { return 7; }), std::optional<int>(7));

        QTRY_COMPARE_WITH_TIMEOUT(patience::running(), 0, 60000);  // the look above has ended
        auto gate = std::make_shared<Gate>();
        const int before = patience::running();
        QCOMPARE(withPatience<int>(0ms, [gate] {
                     gate->pass();
                     return 1;
                 }),
                 std::nullopt);
        gate->waitForWaiting(1);
        QCOMPARE(patience::running(), before + 1);

        // A share that never answers collects no more than so many threads: the rest is
        // refused at once.
        for (int i = 1; i < patience::kMaxBlocked; ++i)
            (void)withPatience<int>(0ms, [gate] {
                gate->pass();
                return 1;
            });
        gate->waitForWaiting(patience::kMaxBlocked);
        std::atomic<bool> ran{false};
        QCOMPARE(withPatience<int>(60s, [&ran] {
                     ran = true;
                     return 2;
                 }),
                 std::nullopt);
        QVERIFY(!ran);

        gate->open();
        QTRY_COMPARE_WITH_TIMEOUT(patience::running(), before, 60000);
        QCOMPARE(withPatience<int>(60s, [] { return 3; }), std::optional<int>(3));
    }
};

QTEST_GUILESS_MAIN(WaitingOnFiles)
#include "test_waiting_on_files.moc"
