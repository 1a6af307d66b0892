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

namespace mokuri {

namespace {
// Between the read and the waiting loop, both on the window's thread.
struct Reading {
    bool done = false;
    std::optional<StartValues> values;
    QEventLoop* loop = nullptr;
};
} // namespace

PatientStartResult loadStartValuesPatiently(const QString& folder, Trace trace, std::chrono::milliseconds showAfter)
{
    auto reading = std::make_shared<Reading>();
    // The read holds its own share of the trace: on a stalled share it may still be stuck
    // in the kernel when the program ends, and nothing waits for it.
    Executor::shared().run(
        qApp, [folder, trace]() mutable { return loadStartValues(folder, trace); },
        [reading](std::optional<StartValues> values) {
            reading->values = std::move(values);
            reading->done = true;
            if (reading->loop) reading->loop->quit();
        });

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
    while (!reading->done && !result.givenUp) loop.exec();
    reading->loop = nullptr;
    if (!result.givenUp) result.values = std::move(reading->values);
    return result;
}

} // namespace mokuri
