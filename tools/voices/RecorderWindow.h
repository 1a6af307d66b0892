// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The recorder's window: the sounds of the folder on the left, the chosen one large on the
// right with the meter, what to do now and the keys. It draws the VoiceRecorder's state and
// forwards keys and clicks to it.
#include "tools/voices/VoiceRecorder.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace mokuri::voices {

class RecorderWindow final : public QWidget {
    Q_OBJECT
public:
    explicit RecorderWindow(VoiceRecorder& recorder, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void draw();
    QString rowText(const ShelfSound& sound) const;

    VoiceRecorder& recorder_;
    QLabel* legend_;
    QListWidget* shelfList_;
    QLabel* letter_;
    QLabel* prompt_;
    QProgressBar* meter_;
    QLabel* doing_;
    QLabel* message_;
    QPushButton* recordButton_;
    QPushButton* playButton_;
    QPushButton* keepButton_;
    QPushButton* deckButton_;
};

} // namespace mokuri::voices
