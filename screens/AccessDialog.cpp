// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/AccessDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace mokuri {

namespace {
constexpr float kLabelLeft = 360, kLabelWidth = 3000, kBoxLeft = 3480, kBoxWidth = 1575, kRowHeight = 300;
}

template <class Box>
Box* AccessDialog::addRow(const QString& name, const QString& caption, float top)
{
    auto* box = new Box(this);
    box->setObjectName(name);
    auto* label = new QLabel(caption, this);
    label->setObjectName(name + QStringLiteral("Label"));
    label->setBuddy(box);
    place(label, kLabelLeft, top, kLabelWidth, kRowHeight);
    place(box, kBoxLeft, top, kBoxWidth, kRowHeight);
    return box;
}

AccessDialog::AccessDialog(const TwipScale& scale)
    : DialogWindow(QStringLiteral("FormAccess"), QStringLiteral("操作方法"), scale, 5415, 5655, QRect(120, 120, 5175, 5415))
{
    auto* title = new QLabel(QStringLiteral("操作方法"), this);
    title->setObjectName(QStringLiteral("AccessTitle"));
    title->setFont(dialogTitleFont());
    place(title, 360, 240, 4695, 375);

    methodFrame = makeCaptionedFrame(this, QStringLiteral("タイルの取り方"));
    methodFrame->setObjectName(QStringLiteral("AccessMethodFrame"));
    place(methodFrame, 360, 720, 4695, 1335);
    auto option = [this](const QString& name, const QString& caption, float top) {
        auto* o = new QRadioButton(caption, methodFrame);
        o->setObjectName(name);
        o->setAutoExclusive(true);
        place(o, 240, top, 4335, 255);
        connect(o, &QRadioButton::toggled, this, &AccessDialog::enableForMethod);
        return o;
    };
    pointerButton = option(QStringLiteral("AccessPointer"), QStringLiteral("ポインタ（タッチ・クリック・視線の滞留）"), 240);
    oneSwitchButton = option(QStringLiteral("AccessOneSwitch"), QStringLiteral("スイッチ１つ（枠が自動で動く）"), 600);
    twoSwitchesButton = option(QStringLiteral("AccessTwoSwitches"), QStringLiteral("スイッチ２つ（１で動かし、２で選ぶ）"), 960);

    dwellBox = addRow<QDoubleSpinBox>(QStringLiteral("AccessDwell"), QStringLiteral("滞留時間（秒、０で使わない）"), 2160);
    dwellBox->setRange(0, AccessSettings::kDwellMaxMs / 1000.0);
    dwellBox->setSingleStep(0.1);
    dwellBox->setDecimals(1);
    intervalBox = addRow<QDoubleSpinBox>(QStringLiteral("AccessInterval"), QStringLiteral("枠が動く間隔（秒）"), 2520);
    intervalBox->setRange(AccessSettings::kIntervalMinMs / 1000.0, AccessSettings::kIntervalMaxMs / 1000.0);
    intervalBox->setSingleStep(0.1);
    intervalBox->setDecimals(1);
    startBox = addRow<QComboBox>(QStringLiteral("AccessStart"), QStringLiteral("枠の動き始め"), 2880);
    startBox->addItems({QStringLiteral("すぐ動く"), QStringLiteral("最初の文字で長めに止まる"), QStringLiteral("押すと動き出す")});
    roundsBox = addRow<QSpinBox>(QStringLiteral("AccessRounds"), QStringLiteral("止まるまでの周回（０で止まらない）"), 3240);
    roundsBox->setRange(0, AccessSettings::kRoundsMax);
    holdBox = addRow<QSpinBox>(QStringLiteral("AccessHold"), QStringLiteral("押し続ける時間（ミリ秒）"), 3600);
    ignoreRepeatBox = addRow<QSpinBox>(QStringLiteral("AccessIgnoreRepeat"), QStringLiteral("続けて押しても数えない時間（ミリ秒）"), 3960);
    for (QSpinBox* b : {holdBox, ignoreRepeatBox}) {
        b->setRange(0, AccessSettings::kFilterMaxMs);
        b->setSingleStep(50);
    }
    auditoryBox = new QCheckBox(QStringLiteral("枠の文字の音を鳴らす（音声スキャン）"), this);
    auditoryBox->setObjectName(QStringLiteral("AccessAuditory"));
    place(auditoryBox, kLabelLeft, 4320, 4695, kRowHeight);

    cancelButton = makeDialogButton(this, QStringLiteral("AccessCancel"), QStringLiteral("キャンセル"));
    place(cancelButton, 360, 4860, 975, 375);
    executeButton = makeDialogButton(this, QStringLiteral("AccessExecute"), QStringLiteral("実行"));
    place(executeButton, 1680, 4860, 975, 375);

    QWidget* tabOrder[] = {pointerButton, oneSwitchButton, twoSwitchesButton, dwellBox,  intervalBox,
                           startBox,      roundsBox,       holdBox,           ignoreRepeatBox, auditoryBox,
                           executeButton, cancelButton};
    for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(executeButton, &QPushButton::clicked, this, &AccessDialog::execute);
    connect(cancelButton, &QPushButton::clicked, this, &AccessDialog::cancel);
}

void AccessDialog::showStoredChoices()
{
    const AccessSettings s = stored_.bounded();
    (s.method == AccessMethod::OneSwitch     ? oneSwitchButton
     : s.method == AccessMethod::TwoSwitches ? twoSwitchesButton
                                             : pointerButton)
        ->setChecked(true);
    dwellBox->setValue(s.dwellMs / 1000.0);
    intervalBox->setValue(s.scanIntervalMs / 1000.0);
    startBox->setCurrentIndex(int(s.scanStart));
    roundsBox->setValue(s.scanRounds);
    holdBox->setValue(s.holdMs);
    ignoreRepeatBox->setValue(s.ignoreRepeatMs);
    auditoryBox->setChecked(s.auditoryScan);
    enableForMethod();
}

void AccessDialog::enableForMethod()
{
    const bool oneSwitch = oneSwitchButton->isChecked();
    const bool anySwitch = oneSwitch || twoSwitchesButton->isChecked();
    dwellBox->setEnabled(!anySwitch);
    for (QWidget* w : {static_cast<QWidget*>(intervalBox), static_cast<QWidget*>(startBox), static_cast<QWidget*>(roundsBox)})
        w->setEnabled(oneSwitch);
    for (QWidget* w : {static_cast<QWidget*>(holdBox), static_cast<QWidget*>(ignoreRepeatBox), static_cast<QWidget*>(auditoryBox)})
        w->setEnabled(anySwitch);
}

AccessSettings AccessDialog::chosenAccess() const
{
    AccessSettings s = stored_;
    s.method = oneSwitchButton->isChecked()     ? AccessMethod::OneSwitch
               : twoSwitchesButton->isChecked() ? AccessMethod::TwoSwitches
                                                : AccessMethod::Pointer;
    s.dwellMs = int(dwellBox->value() * 1000 + 0.5);
    s.scanIntervalMs = int(intervalBox->value() * 1000 + 0.5);
    s.scanStart = ScanStart(std::clamp(startBox->currentIndex(), 0, 2));
    s.scanRounds = roundsBox->value();
    s.holdMs = holdBox->value();
    s.ignoreRepeatMs = ignoreRepeatBox->value();
    s.auditoryScan = auditoryBox->isChecked();
    return s.bounded();
}

void AccessDialog::execute()
{
    emit accessChosen(chosenAccess());
    emit finished();
}

void AccessDialog::cancel() { emit finished(); }

} // namespace mokuri
