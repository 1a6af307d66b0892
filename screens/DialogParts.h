// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the two dialogs share: their frameless window with its drawn frame, their fonts,
// placing controls in twips, and the message of a choice that could not be saved.
#include "screens/ActivationWatcher.h"
#include "screens/TwipScale.h"

#include <QFont>
#include <QRect>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace mokuri {

// The dialogs' own font for every control but the titles.
QFont dialogFont();
// The titles' font.
QFont dialogTitleFont();

// Puts a child at a place given in twips, relative to its container.
void placeTwips(QWidget* w, const TwipScale& scale, float left, float top, float width, float height);

// A button that Enter does not press: neither dialog has a default button.
QPushButton* makeDialogButton(QWidget* parent, const QString& name, const QString& caption);

// A frame of option buttons whose top line runs through the middle of its caption.
QGroupBox* makeCaptionedFrame(QWidget* parent, const QString& caption);

// The publisher credit, on the system's button-shadow colour.
QLabel* makeCreditLabel(QWidget* parent, const QString& name);

// Tells the adult that a file could not be saved and that the choice holds only until the
// program ends. `what` names the choice, e.g. "設定".
void showNotSavedMessage(const QString& path, const QString& what);

// Tells the adult that the folder of `path` does not answer (a stalled network share): the
// choice holds, and the save goes on by itself once the folder answers.
void showSaveWaitingMessage(const QString& path, const QString& what);

// The base of both dialogs: a borderless window without owner, centred on the screen,
// with a one-pixel rectangle drawn on its surface (`Shape1`).
class DialogWindow : public QWidget {
    Q_OBJECT
public:
    DialogWindow(const QString& name, const QString& caption, const TwipScale& scale, float clientWidth,
                 float clientHeight, QRect shapeTwips);

    // Shows the dialog in front of the main screen, active, with the stored choices; the
    // first time, with the notice set for the adult, if any.
    void showFromMainScreen();
    // Something the adult should read the next time this dialog opens (once).
    void setNotice(const QString& text) { notice_ = text; }
    const ActivationWatcher& activation() const { return activation_; }
    // The drawn frame in pixels.
    QRect shapeRect() const;

signals:
    // The adult left the dialog by one of its buttons.
    void finished();

protected:
    // Puts the stored choices on the controls; runs at each activation.
    virtual void showStoredChoices() = 0;
    void paintEvent(QPaintEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    const TwipScale& scale() const { return scale_; }
    void place(QWidget* w, float left, float top, float width, float height) const
    {
        placeTwips(w, scale_, left, top, width, height);
    }

private:
    const TwipScale& scale_;
    QRect shapeTwips_;
    QString notice_;
    ActivationWatcher activation_;
};

} // namespace mokuri
