// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small window saying that the letter voices are being made, and how far: shown by
// mokuri-deck for the menu entry's first start, so that a click is not answered by seconds
// of nothing.
#include <QRasterWindow>

namespace mokuri::deck {

class ProgressWindow final : public QRasterWindow {
    Q_OBJECT
public:
    ProgressWindow();
    // Shows the window at the first call with letters to make; thread-safe (queued).
    void setProgress(int done, int total);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int done_ = 0;
    int total_ = 0;
};

} // namespace mokuri::deck
