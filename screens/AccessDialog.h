// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The access dialog (操作方法), reached from the settings dialog: how a child who cannot
// point and click takes a tile (dwell for an eye-gaze tracker or a head pointer, one or two
// switches) and the timings that suit the child. "実行" hands the choice on; "キャンセル"
// keeps the stored one. Every control is reached with Tab.
#include "content/AccessSettings.h"
#include "screens/DialogParts.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace mokuri {

class AccessDialog : public DialogWindow {
    Q_OBJECT
public:
    explicit AccessDialog(const TwipScale& scale);

    void setStored(const AccessSettings& stored) { stored_ = stored; }
    AccessSettings chosenAccess() const;
    void execute();
    void cancel();

signals:
    // "実行": the adult's choice, before finished().
    void accessChosen(const mokuri::AccessSettings& chosen);

protected:
    void showStoredChoices() override;

private:
    // The timings that mean something for the method that is on are the ones enabled.
    void enableForMethod();
    template <class Box>
    Box* addRow(const QString& name, const QString& caption, float top);

    QGroupBox* methodFrame = nullptr;
    QRadioButton* pointerButton = nullptr;
    QRadioButton* oneSwitchButton = nullptr;
    QRadioButton* twoSwitchesButton = nullptr;
    QDoubleSpinBox* dwellBox = nullptr;
    QDoubleSpinBox* intervalBox = nullptr;
    QComboBox* startBox = nullptr;
    QSpinBox* roundsBox = nullptr;
    QCheckBox* auditoryBox = nullptr;
    QSpinBox* holdBox = nullptr;
    QSpinBox* ignoreRepeatBox = nullptr;
    QPushButton* executeButton = nullptr;
    QPushButton* cancelButton = nullptr;

    AccessSettings stored_;
};

} // namespace mokuri
