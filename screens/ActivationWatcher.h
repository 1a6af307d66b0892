// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tells when one of our windows becomes active in a way that counts as "activated": the
// window is left for another of our windows and comes back (a dialog closes, the main
// screen returns), not when the desktop hands the focus back after another application.
// The main screen starts a new series of questions on it; a dialog shows the stored
// choices again.
#include <QObject>

class QWidget;
class QWindow;

namespace mokuri {

class ActivationWatcher : public QObject {
    Q_OBJECT
public:
    struct Rules {
        bool firstFocusCounts = false;     // the window's very first focus is an activation
        bool messageBoxReturnCounts = true; // coming back from a message box is one
    };
    // Not parented to `window`: keep it as a member so that it stops listening before the
    // window is half-destroyed (closing windows moves the focus).
    ActivationWatcher(QWidget* window, Rules rules);
    ~ActivationWatcher() override;

    // The activation has been run by hand just before the window takes the focus, as when
    // a dialog opens: that focus does not count again.
    void skipNextFocus() { skipNext_ = true; }
    int count() const { return count_; }

signals:
    void activated();

private:
    void onFocusWindowChanged(QWindow* now);

    QWidget* window_;
    Rules rules_;
    QWindow* lastFocus_ = nullptr;
    bool seenFocus_ = false;
    bool skipNext_ = false;
    int count_ = 0;
};

} // namespace mokuri
