// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings dialog (モクリ設定): the six settings as option buttons, one frame each.
// "実行" hands the choice on; "キャンセル" keeps the stored settings.
#include "content/Settings.h"
#include "screens/DialogParts.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace mokuri {

class SettingsDialog : public DialogWindow {
    Q_OBJECT
public:
    explicit SettingsDialog(const TwipScale& scale);

    // What the buttons show at each activation.
    void setStored(const Settings& stored) { stored_ = stored; }
    // The settings the buttons show; a frame with no button on keeps the stored value.
    Settings chosenSettings() const;
    void execute();
    void cancel();


signals:
    // "実行": the adult's choice, before finished().
    void settingsChosen(const mokuri::Settings& chosen);
    // "操作方法…": the adult wants the access dialog; this dialog keeps what it shows.
    void accessWanted();

protected:
    void showStoredChoices() override;

private:
    // Found by tests through their object names (Command1, Option7, List1 ...).
    QLabel* title = nullptr;
    QLabel* credit = nullptr;
    QGroupBox* instructionFrame = nullptr;
    QGroupBox* modelFrame = nullptr;
    QGroupBox* decoyCountFrame = nullptr;
    QGroupBox* decoyKindFrame = nullptr;
    QGroupBox* pointerFrame = nullptr;
    QGroupBox* takeTileFrame = nullptr;
    QRadioButton* sayWordButton = nullptr;
    QRadioButton* readPictureButton = nullptr;
    QRadioButton* showModelButton = nullptr;
    QRadioButton* hideModelButton = nullptr;
    QRadioButton* noDecoyButton = nullptr;
    QRadioButton* oneDecoyButton = nullptr;
    QRadioButton* twoDecoysButton = nullptr;
    QRadioButton* hiraganaButton = nullptr;
    QRadioButton* katakanaButton = nullptr;
    QRadioButton* digitsButton = nullptr;
    QRadioButton* showPointerButton = nullptr;
    QRadioButton* hidePointerButton = nullptr;
    QRadioButton* touchButton = nullptr;
    QRadioButton* clickButton = nullptr;
    QPushButton* executeButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* accessButton = nullptr;
    QGroupBox* makeFrame(const QString& name, const QString& caption, float left, float top, float width,
                         float height);
    QRadioButton* makeOption(QGroupBox* frame, const QString& name, const QString& caption, float top, float width,
                             float height);

    Settings stored_;
};

} // namespace mokuri
