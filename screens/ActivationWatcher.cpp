// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/ActivationWatcher.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <QWindow>

namespace mokuri {

namespace {

bool isMessageWindow(QWindow* w)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->windowHandle() == w) return qobject_cast<QDialog*>(top) != nullptr;
    return false;
}

} // namespace

ActivationWatcher::ActivationWatcher(QWidget* window, Rules rules) : window_(window), rules_(rules)
{
    lastFocus_ = QGuiApplication::focusWindow();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &ActivationWatcher::onFocusWindowChanged);
}

ActivationWatcher::~ActivationWatcher() { disconnect(qApp, &QGuiApplication::focusWindowChanged, this, nullptr); }

void ActivationWatcher::onFocusWindowChanged(QWindow* now)
{
    QWindow* before = lastFocus_;
    lastFocus_ = now;
    if (!now || now != window_->windowHandle()) return;
    const bool first = !seenFocus_;
    seenFocus_ = true;
    if (skipNext_) {
        skipNext_ = false;
        return;
    }
    const bool fromElsewhereOfOurs =
        before && before != now && (rules_.messageBoxReturnCounts || !isMessageWindow(before));
    if (!(first && rules_.firstFocusCounts) && !fromElsewhereOfOurs) return;
    ++count_;
    emit activated();
}

} // namespace mokuri
