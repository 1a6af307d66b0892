// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PatientStart.h"

#include "screens/WaitingScreen.h"
#include "support/Executor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <memory>
#include <mutex>

namespace mokuri {

// Between the read on the executor and the waiting loop on the window's thread.
struct StartRead::Shared {
    std::mutex mutex;
    bool done = false;
    std::optional<StartValues> values;
    QEventLoop* loop = nullptr;  // while one waits
};

StartRead::StartRead(const QString& folder, Trace trace)
    : shared_(std::make_shared<Shared>()), folder_(folder), trace_(std::move(trace))
{
    // The read holds its own share of the trace and of the result: on a stalled share it
    // may still be stuck in the kernel when the program ends, and nothing waits for it.
    Executor::shared().post([shared = shared_, folder, trace = trace_]() mutable {
        std::optional<StartValues> values = loadStartValues(folder, trace);
        std::lock_guard lock(shared->mutex);
        shared->values = std::move(values);
        shared->done = true;
        if (shared->loop) QMetaObject::invokeMethod(shared->loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
}

PatientStartResult loadStartValuesPatiently(const QString& folder, Trace trace, std::chrono::milliseconds showAfter)
{
    return StartRead(folder, std::move(trace)).wait(showAfter);
}

PatientStartResult StartRead::wait(std::chrono::milliseconds showAfter)
{
    const QString& folder = folder_;
    Trace& trace = trace_;
    auto done = [this] {
        std::lock_guard lock(shared_->mutex);
        return shared_->done;
    };
    QEventLoop loop;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->loop = &loop;
    }
    PatientStartResult result;
    std::unique_ptr<WaitingScreen> waiting;
    QTimer showWaiting;
    showWaiting.setSingleShot(true);
    QObject::connect(&showWaiting, &QTimer::timeout, &loop, [&] {
        trace.event("waiting", {QStringLiteral("folder=") + folder});
        waiting = std::make_unique<WaitingScreen>(folder);
        QObject::connect(waiting.get(), &WaitingScreen::quitRequested, &loop, [&] {
            trace.event("key", {QStringLiteral("27")});
            result.givenUp = true;
            loop.quit();
        });
        const QScreen* screen = QGuiApplication::primaryScreen();
        waiting->setGeometry(screen ? screen->geometry() : QRect(0, 0, 1024, 768));
        waiting->showFullScreen();
        waiting->raise();
        waiting->activateWindow();
    });
    showWaiting.start(showAfter);
    while (!done() && !result.givenUp) loop.exec();
    std::lock_guard lock(shared_->mutex);
    shared_->loop = nullptr;
    if (!result.givenUp) result.values = std::move(shared_->values);
    return result;
}

} // namespace mokuri
