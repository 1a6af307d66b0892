// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PatientStart.h"

#include "screens/WaitingScreen.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <memory>
#include <mutex>
#include <thread>

namespace mokuri {

namespace {
// Between the reading thread and the window's thread; the reading thread holds it too,
// since it may outlive the caller.
struct Reading {
    std::mutex mutex;
    bool done = false;
    std::optional<StartValues> values;
    QEventLoop* loop = nullptr;  // touched on the window's thread only
};
} // namespace

PatientStartResult loadStartValuesPatiently(const QString& folder, Trace& trace, std::chrono::milliseconds showAfter)
{
    auto reading = std::make_shared<Reading>();
    // Detached: joining a thread stuck on a stalled share would be the very freeze avoided.
    std::thread([reading, folder, &trace] {
        std::optional<StartValues> values = loadStartValues(folder, trace);
        {
            std::lock_guard lock(reading->mutex);
            reading->values = std::move(values);
            reading->done = true;
        }
        QMetaObject::invokeMethod(qApp, [reading] {
            if (reading->loop) reading->loop->quit();
        }, Qt::QueuedConnection);
    }).detach();

    QEventLoop loop;
    reading->loop = &loop;
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
    for (;;) {
        {
            std::lock_guard lock(reading->mutex);
            if (reading->done || result.givenUp) break;
        }
        loop.exec();
    }
    reading->loop = nullptr;
    std::lock_guard lock(reading->mutex);
    if (!result.givenUp) result.values = std::move(reading->values);
    return result;
}

} // namespace mokuri
