// SPDX-License-Identifier: GPL-3.0-or-later
// How the program keeps its window away from a folder that hangs: the write queue (order,
// a newer save replacing a waiting one, what is named at the end) and the executor that
// runs every look at a file and hands its result back. A "hanging" job here waits on a gate the test opens.
#include "support/Executor.h"
#include "support/WriteQueue.h"

#include <QTest>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

using namespace mokuri;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

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

    // Results come back on the asking object's thread, and not at all once it is gone;
    // the end of the program waits for hanging work only so long.
    void executorDeliversToLiveObjectsOnly()
    {
        Executor& executor = Executor::shared();
        QObject receiver;
        std::optional<int> got;
        Qt::HANDLE deliveredOn = nullptr;
        executor.run(&receiver, [] { return 7; }, [&](int v) {
            got = v;
            deliveredOn = QThread::currentThreadId();
        });
        QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 60000);
        QCOMPARE(*got, 7);
        QCOMPARE(deliveredOn, QThread::currentThreadId());

        auto gate = std::make_shared<Gate>();
        bool lateDelivery = false;
        {
            QObject gone;
            executor.run(&gone, [gate] { gate->pass(); return 1; }, [&](int) { lateDelivery = true; });
            gate->waitForWaiting(1);
        }
        QVERIFY(!executor.finish(10ms));  // the hanging look holds a worker
        gate->open();
        QVERIFY(executor.finish(60s));
        QCoreApplication::processEvents();
        QVERIFY(!lateDelivery);
    }

    // A dialog hears how its save went, also when a newer save of the same file replaced it
    // while it waited.
    void aSaveIsHeardOfOnTheAskingThread()
    {
        WriteQueue writes;
        auto gate = std::make_shared<Gate>();
        QObject dialog;
        QStringList heard;
        writes.submit(QStringLiteral("Fname.txt"), [gate] { gate->pass(); return true; });
        gate->waitForWaiting(1);
        writes.submit(QStringLiteral("Word.txt"), [] { return false; }, &dialog, [&](bool ok) { heard << (ok ? u"1 ok"_s : u"1 failed"_s); });
        writes.submit(QStringLiteral("Word.txt"), [] { return true; }, &dialog, [&](bool ok) { heard << (ok ? u"2 ok"_s : u"2 failed"_s); });
        QCoreApplication::processEvents();
        QVERIFY(heard.isEmpty());
        gate->open();
        QTRY_COMPARE_WITH_TIMEOUT(heard.size(), 2, 60000);
        QCOMPARE(heard, (QStringList{u"1 ok"_s, u"2 ok"_s}));
    }
};

QTEST_GUILESS_MAIN(WaitingOnFiles)
#include "test_waiting_on_files.moc"
