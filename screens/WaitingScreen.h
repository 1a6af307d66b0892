// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What covers the screen while the picture folder is slow to answer (a network share): the
// game's background, a line for the adult, and Esc to give up. A folder that answers at
// once never shows it.
#include <QWidget>

class QLabel;

namespace mokuri {

class WaitingScreen : public QWidget {
    Q_OBJECT
public:
    explicit WaitingScreen(const QString& folder);

    QLabel* message = nullptr;

signals:
    // Esc, or the window closed by the window manager.
    void quitRequested();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
};

} // namespace mokuri
