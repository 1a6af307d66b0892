// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/PracticeRecorder.h"

#include <QCoreApplication>

namespace mokuri {

PracticeRecorder::Clock PracticeRecorder::Clock::system()
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return Clock{[] { return QDateTime::currentDateTime(); }, [timer] { return timer->elapsed(); }};
}

QString PracticeRecorder::newSession()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) + u'-' +
           QString::number(QCoreApplication::applicationPid());
}

PracticeRecorder::PracticeRecorder(Round& round, RecordSink& writer, QString session, Clock clock, QObject* parent)
    : QObject(parent), round_(round), writer_(writer), session_(std::move(session)), clock_(std::move(clock))
{
    connect(&round_, &Round::questionReady, this, &PracticeRecorder::onQuestionReady);
    connect(&round_, &Round::instructionEnded, this, &PracticeRecorder::onInstructionEnded);
    connect(&round_, &Round::tilePlaced, this, &PracticeRecorder::onTilePlaced);
    connect(&round_, &Round::wrongTile, this, &PracticeRecorder::onWrongTile);
    connect(&round_, &Round::wordDone, this, &PracticeRecorder::onWordDone);
    connect(&round_, &Round::settingsRequested, this, [this] { onLeft(QStringLiteral("H")); });
    connect(&round_, &Round::pictureChoiceRequested, this, [this] { onLeft(QStringLiteral("N")); });
    connect(&round_, &Round::quitRequested, this, [this] { onLeft(QStringLiteral("Esc")); });
}

void PracticeRecorder::write(RecordLine line)
{
    const Question& q = round_.question();
    line.time = clock_.now();
    line.session = session_;
    line.question = questionNumber_;
    line.picture = q.picture;
    line.word = q.word;
    writer_.append(line);
}

void PracticeRecorder::onQuestionReady()
{
    instructionEndedAt_ = -1;
    if (retryPending_) {
        retryPending_ = false;
        ++restarts_;
        RecordLine line;
        line.event = RecordEvent::Restart;
        line.restarts = restarts_;
        write(line);
        return;
    }
    ++questionNumber_;
    restarts_ = 0;
    open_ = true;
    RecordLine line;
    line.event = RecordEvent::Question;
    line.settings = round_.settings();
    line.access = round_.accessName();
    write(line);
}

void PracticeRecorder::onInstructionEnded() { instructionEndedAt_ = clock_.steadyMs(); }

void PracticeRecorder::onTilePlaced(int tile)
{
    const Question& q = round_.question();
    RecordLine line;
    line.event = RecordEvent::Tile;
    line.letter = q.tileLetter(tile);
    line.expected = line.letter;
    line.right = true;
    line.ms = instructionEndedAt_ < 0 ? 0 : clock_.steadyMs() - instructionEndedAt_;
    write(line);
}

void PracticeRecorder::onWrongTile(int tile)
{
    const Question& q = round_.question();
    RecordLine line;
    line.event = RecordEvent::Tile;
    line.letter = q.tileLetter(tile);
    line.expected = q.tileLetter(q.nextLetter);
    line.right = false;
    line.ms = instructionEndedAt_ < 0 ? 0 : clock_.steadyMs() - instructionEndedAt_;
    write(line);
    retryPending_ = true;
}

void PracticeRecorder::onWordDone()
{
    RecordLine line;
    line.event = RecordEvent::Done;
    line.restarts = restarts_;
    line.ms = instructionEndedAt_ < 0 ? 0 : clock_.steadyMs() - instructionEndedAt_;
    write(line);
    open_ = false;
}

void PracticeRecorder::onLeft(const QString& key)
{
    if (!open_) return;  // a finished word's praise, or nothing asked yet
    RecordLine line;
    line.event = RecordEvent::Left;
    line.restarts = restarts_;
    line.leftBy = key;
    write(line);
    open_ = false;
    retryPending_ = false;
}

} // namespace mokuri
