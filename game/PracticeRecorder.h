// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes the practice record as the engine plays: it listens to the round's signals and
// appends one line per event. Recording never changes what the child sees or hears.
#include "content/RecordWriter.h"
#include "game/Round.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <functional>

namespace mokuri {

class PracticeRecorder : public QObject {
    Q_OBJECT
public:
    // Where the time comes from: the wall clock for the lines' dates, a steady clock (ms)
    // for the time a child takes. Tests give their own.
    struct Clock {
        std::function<QDateTime()> now;
        std::function<qint64()> steadyMs;
        static Clock system();
    };

    PracticeRecorder(Round& round, RecordSink& writer, QString session, Clock clock = Clock::system(),
                     QObject* parent = nullptr);

    // A name for one run of the game: the start time and the process, unique enough.
    static QString newSession();

private:
    void onQuestionReady();
    void onInstructionEnded();
    void onTilePlaced(int tile);
    void onWrongTile(int tile);
    void onWordDone();
    void onLeft(const QString& key);
    void write(RecordLine line);

    Round& round_;
    RecordSink& writer_;
    QString session_;
    Clock clock_;
    int questionNumber_ = 0;
    int restarts_ = 0;
    bool retryPending_ = false;  // a wrong tile: the next question is the same one again
    bool open_ = false;          // a question is asked and neither done nor left
    qint64 instructionEndedAt_ = -1;
};

} // namespace mokuri
