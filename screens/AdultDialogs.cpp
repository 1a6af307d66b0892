// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/AdultDialogs.h"

#include "screens/AccessDialog.h"
#include "screens/MainScreen.h"
#include "screens/PictureChoiceDialog.h"
#include "screens/SettingsDialog.h"

namespace mokuri {

AdultDialogs::AdultDialogs(AdultSession& session, MainScreen& mainScreen, const TwipScale& scale)
    : QObject(&mainScreen), session_(session), mainScreen_(mainScreen), scale_(scale)
{
    connect(&session_, &AdultSession::dialogWanted, this, &AdultDialogs::open);
    connect(&session_, &AdultSession::notSaved, this, &showNotSavedMessage);
    connect(&session_, &AdultSession::saveWaiting, this, &showSaveWaitingMessage);
    connect(&session_, &AdultSession::savesSettled, this, [this] {
        if (std::exchange(returning_, false)) mainScreen_.returnFromDialog();
    });
}

void AdultDialogs::onLeft()
{
    if (session_.awaitingSave())
        returning_ = true;
    else
        mainScreen_.returnFromDialog();
}

AdultDialogs::~AdultDialogs()
{
    delete settings_;
    delete pictureChoice_;
    delete access_;
}

void AdultDialogs::openAccess()
{
    if (!access_) {
        access_ = new AccessDialog(scale_);
        connect(access_, &AccessDialog::accessChosen, &session_, &AdultSession::chooseAccess);
        // Back to the settings dialog, which the adult left for this one.
        connect(access_, &DialogWindow::finished, this, [this] {
            access_->hide();
            if (settings_) settings_->showFromMainScreen();
        });
    }
    access_->setStored(session_.access());
    access_->showFromMainScreen();
}

void AdultDialogs::open(AdultSession::Dialog dialog)
{
    DialogWindow* shown = nullptr;
    if (dialog == AdultSession::Dialog::Settings) {
        if (!settings_) {
            settings_ = new SettingsDialog(scale_);
            connect(settings_, &SettingsDialog::settingsChosen, &session_, &AdultSession::chooseSettings);
            connect(settings_, &DialogWindow::finished, this, &AdultDialogs::onLeft);
            connect(settings_, &SettingsDialog::accessWanted, this, &AdultDialogs::openAccess);
        }
        settings_->setStored(session_.settings());
        shown = settings_;
    } else {
        if (!pictureChoice_) {
            pictureChoice_ = new PictureChoiceDialog(scale_);
            connect(pictureChoice_, &PictureChoiceDialog::tasksChosen, &session_, &AdultSession::chooseTasks);
            connect(pictureChoice_, &DialogWindow::finished, this, &AdultDialogs::onLeft);
        }
        pictureChoice_->setStored(session_.folder().pictures, session_.tasks());
        shown = pictureChoice_;
    }
    if (const QString notice = session_.takeNotice(dialog); !notice.isEmpty()) shown->setNotice(notice);
    shown->showFromMainScreen();
}

} // namespace mokuri
