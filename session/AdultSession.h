// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The adult's side of a play session: the six settings and the pictures in play, their saves
// to Word.txt and Fname.txt, and what the adult should be told (a file start-up found
// damaged, a save that failed or waits on a folder that does not answer). The dialogs show
// what this holds and hand back the adult's choice; the engine gets the new values here.
#include "game/Round.h"
#include "support/Trace.h"
#include "support/WriteQueue.h"

#include <QObject>
#include <QSet>
#include <QString>

namespace mokuri {

class AdultSession : public QObject {
    Q_OBJECT
public:
    enum class Dialog { Settings, PictureChoice };

    // At least this many pictures must be ticked for a choice of pictures to count.
    static constexpr int kFewestPictures = 4;
    // A save takes milliseconds; a second is far beyond any folder that still answers.
    static constexpr int kSaveAnswerMs = 1000;

    AdultSession(Round& round, WriteQueue& writes, Trace trace, QObject* parent = nullptr);

    const Settings& settings() const { return round_.settings(); }
    const AccessSettings& access() const { return round_.access(); }
    const TaskList& tasks() const { return round_.tasks(); }
    const PictureFolder& folder() const { return round_.folder(); }

    // What the adult should read when first opening the settings (H) or the picture choice
    // (N): a file that start-up found damaged or empty.
    void setNotices(const QString& settings, const QString& pictureChoice);
    // The notice for this dialog, given once.
    QString takeNotice(Dialog dialog);

    // "実行": the engine asks its next questions with these; Word.txt is saved when they
    // differ from the stored ones.
    void chooseSettings(const Settings& chosen);
    // The access dialog's "実行": the engine takes tiles this way from its next question;
    // mokuri-access.ini is saved when they differ from the stored ones.
    void chooseAccess(const AccessSettings& chosen);
    // "決定": false, and nothing changed, when fewer than kFewestPictures are ticked.
    bool chooseTasks(const TaskList& ticked);
    // A save whose outcome the adult has not been told yet: the dialog stays until it is.
    bool awaitingSave() const { return !awaited_.isEmpty(); }

signals:
    // An adult key asked for a dialog.
    void dialogWanted(mokuri::AdultSession::Dialog dialog);
    // `path` could not be saved: the choice (`what`, e.g. "設定") holds until the program ends.
    void notSaved(const QString& path, const QString& what);
    // `path`'s folder has not answered; the save goes on by itself.
    void saveWaiting(const QString& path, const QString& what);
    // Every save has been heard of, or told as waiting: the adult may leave the dialog.
    void savesSettled();

private:
    void save(const QString& path, const QString& what, WriteQueue::Job job);
    void settle(int save);

    Round& round_;
    WriteQueue& writes_;
    Trace trace_;
    QString settingsNotice_;
    QString pictureChoiceNotice_;
    int lastSave_ = 0;
    QSet<int> awaited_;  // saves neither heard of nor told as waiting
};

} // namespace mokuri
