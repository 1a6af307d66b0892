// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two dialogs of the adult's session on screen: made at their first opening and kept,
// shown in front of the main screen with the session's values, their choices handed to the
// session, the main screen brought back when they are left, and the session's messages
// about saves shown to the adult.
#include "session/AdultSession.h"

#include <QObject>
#include <QPointer>

namespace mokuri {

class AccessDialog;
class MainScreen;
class PictureChoiceDialog;
class SettingsDialog;
class TwipScale;

class AdultDialogs : public QObject {
    Q_OBJECT
public:
    AdultDialogs(AdultSession& session, MainScreen& mainScreen, const TwipScale& scale);
    // The dialogs have no owner window, so nothing else ends them.
    ~AdultDialogs() override;

    void open(AdultSession::Dialog dialog);

private:
    // A dialog was left: the main screen comes back once the adult has heard how the save
    // went (at once, for a folder that answers), so that no message lands on the child's
    // screen afterwards.
    void onLeft();
    void openAccess();

    bool returning_ = false;
    AdultSession& session_;
    MainScreen& mainScreen_;
    const TwipScale& scale_;
    QPointer<SettingsDialog> settings_;
    QPointer<PictureChoiceDialog> pictureChoice_;
    QPointer<AccessDialog> access_;
};

} // namespace mokuri
