// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/AdultSession.h"

#include "content/AccessSettingsFile.h"
#include "content/SettingsFile.h"

#include <QTimer>

namespace mokuri {

AdultSession::AdultSession(Round& round, WriteQueue& writes, Trace trace, QObject* parent)
    : QObject(parent), round_(round), writes_(writes), trace_(std::move(trace))
{
    connect(&round_, &Round::settingsRequested, this, [this] { emit dialogWanted(Dialog::Settings); });
    connect(&round_, &Round::pictureChoiceRequested, this, [this] { emit dialogWanted(Dialog::PictureChoice); });
}

void AdultSession::setNotices(const QString& settings, const QString& pictureChoice)
{
    settingsNotice_ = settings;
    pictureChoiceNotice_ = pictureChoice;
}

QString AdultSession::takeNotice(Dialog dialog)
{
    QString& notice = dialog == Dialog::Settings ? settingsNotice_ : pictureChoiceNotice_;
    return std::exchange(notice, QString());
}

void AdultSession::chooseSettings(const Settings& chosen)
{
    if (chosen == round_.settings()) return;
    round_.setSettings(chosen);
    save(round_.folder().filePath(QStringLiteral("Word.txt")), QStringLiteral("設定"),
         [folder = round_.folder().path, chosen, trace = trace_]() mutable { return saveSettings(folder, chosen, trace); });
}

void AdultSession::chooseAccess(const AccessSettings& chosen)
{
    const AccessSettings bounded = chosen.bounded();
    if (bounded == round_.access()) return;
    round_.setAccess(bounded);
    save(round_.folder().filePath(kAccessFileName), QStringLiteral("操作方法の設定"),
         [folder = round_.folder().path, bounded, trace = trace_]() mutable {
             return saveAccessSettings(folder, bounded, trace);
         });
}

bool AdultSession::chooseTasks(const TaskList& ticked)
{
    if (ticked.size() < kFewestPictures) return false;
    round_.setTasks(ticked);
    save(round_.folder().filePath(QStringLiteral("Fname.txt")), QStringLiteral("課題の選択"),
         [folder = round_.folder(), ticked, trace = trace_]() mutable { return saveTaskList(folder, ticked, trace); });
    return true;
}

void AdultSession::save(const QString& path, const QString& what, WriteQueue::Job job)
{
    const int id = ++lastSave_;
    awaited_.insert(id);
    writes_.submit(path, std::move(job), this, [this, id, path, what](bool written) {
        if (!written) emit notSaved(path, what);
        settle(id);
    });
    // Told once the folder has kept the adult waiting; the save still lands when it answers.
    QTimer::singleShot(kSaveAnswerMs, this, [this, id, path, what] {
        if (!awaited_.contains(id)) return;
        emit saveWaiting(path, what);
        settle(id);
    });
}

void AdultSession::settle(int save)
{
    if (awaited_.remove(save) && awaited_.isEmpty()) emit savesSettled();
}

} // namespace mokuri
