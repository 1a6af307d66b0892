// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/SettingsDialog.h"

#include "content/SettingsFile.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace mokuri {

namespace {

// Turns on the button of `value` among `buttons` (one for each value from 0); a value
// outside them (a hand-edited file) turns none on and leaves the frame as it was.
void checkValue(std::initializer_list<QRadioButton*> buttons, int value)
{
    int i = 0;
    for (QRadioButton* b : buttons)
        if (i++ == value) b->setChecked(true);
}

// The value of the button that is on; `kept` when none is.
template <class T>
T checkedValue(std::initializer_list<QRadioButton*> buttons, T kept)
{
    int16_t i = 0;
    for (QRadioButton* b : buttons) {
        if (b->isChecked()) return T(i);
        ++i;
    }
    return kept;
}

} // namespace

SettingsDialog::SettingsDialog(const TwipScale& scale)
    : DialogWindow(QStringLiteral("Form2"), QStringLiteral("カード選び"), scale, 5415, 5295, QRect(120, 120, 5175, 5055))
{
    title = new QLabel(QStringLiteral("モクリ設定"), this);
    title->setObjectName(QStringLiteral("Label2"));
    title->setFont(dialogTitleFont());
    title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The title sizes itself to its caption; its top-left corner stays.
    {
        QFontMetrics fm(title->font());
        place(title, 1680, 240, 0, 0);
        title->resize(fm.horizontalAdvance(title->text()), fm.height());
    }

    instructionFrame = makeFrame(QStringLiteral("Frame1"), QStringLiteral("問題設定"), 360, 720, 2295, 975);
    sayWordButton = makeOption(instructionFrame, QStringLiteral("Option1"), QStringLiteral("～を並べよう"), 240, 1695, 255);
    readPictureButton = makeOption(instructionFrame, QStringLiteral("Option2"), QStringLiteral("この名前を並べよう"), 600, 1935, 300);

    modelFrame = makeFrame(QStringLiteral("Frame2"), QStringLiteral("お手本"), 360, 1800, 2295, 975);
    showModelButton = makeOption(modelFrame, QStringLiteral("Option3"), QStringLiteral("表示する"), 240, 1095, 255);
    hideModelButton = makeOption(modelFrame, QStringLiteral("Option4"), QStringLiteral("表示しない"), 600, 1335, 255);

    pointerFrame = makeFrame(QStringLiteral("Frame5"), QStringLiteral("マウスカーソルの表示"), 360, 2880, 2295, 975);
    showPointerButton = makeOption(pointerFrame, QStringLiteral("Option11"), QStringLiteral("有り"), 240, 1335, 300);
    hidePointerButton = makeOption(pointerFrame, QStringLiteral("Option12"), QStringLiteral("無し"), 600, 1335, 255);

    decoyCountFrame = makeFrame(QStringLiteral("Frame3"), QStringLiteral("まどわし文字"), 2880, 720, 2175, 1335);
    noDecoyButton = makeOption(decoyCountFrame, QStringLiteral("Option5"), QStringLiteral("無し"), 240, 1335, 255);
    oneDecoyButton = makeOption(decoyCountFrame, QStringLiteral("Option6"), QStringLiteral("１字有り"), 600, 975, 255);
    twoDecoysButton = makeOption(decoyCountFrame, QStringLiteral("Option7"), QStringLiteral("２字有り"), 960, 975, 255);

    decoyKindFrame = makeFrame(QStringLiteral("Frame4"), QStringLiteral("まどわし文字の種類"), 2880, 2160, 2175, 1335);
    hiraganaButton = makeOption(decoyKindFrame, QStringLiteral("Option8"), QStringLiteral("ひらがな"), 240, 1215, 255);
    katakanaButton = makeOption(decoyKindFrame, QStringLiteral("Option9"), QStringLiteral("カタカナ"), 600, 1335, 255);
    digitsButton = makeOption(decoyKindFrame, QStringLiteral("Option10"), QStringLiteral("数字"), 960, 1335, 255);

    takeTileFrame = makeFrame(QStringLiteral("Frame6"), QStringLiteral("タッチの方法"), 2880, 3600, 2175, 975);
    touchButton = makeOption(takeTileFrame, QStringLiteral("Option13"), QStringLiteral("触れるだけ"), 240, 1335, 255);
    clickButton = makeOption(takeTileFrame, QStringLiteral("Option14"), QStringLiteral("クリックする"), 600, 1335, 255);

    cancelButton = makeDialogButton(this, QStringLiteral("Command2"), QStringLiteral("キャンセル"));
    place(cancelButton, 360, 4200, 975, 375);
    executeButton = makeDialogButton(this, QStringLiteral("Command1"), QStringLiteral("実行"));
    place(executeButton, 1680, 4200, 975, 375);

    accessButton = makeDialogButton(this, QStringLiteral("CommandAccess"), QStringLiteral("操作方法（スイッチ・視線）…"));
    place(accessButton, 360, 4680, 2295, 375);

    credit = makeCreditLabel(this, QStringLiteral("Label1"));
    place(credit, 3000, 4800, 1935, 255);

    QWidget* tabOrder[] = {sayWordButton,   readPictureButton, showModelButton, hideModelButton,
                           executeButton,   cancelButton,      noDecoyButton,   oneDecoyButton,
                           twoDecoysButton, hiraganaButton,    katakanaButton,  digitsButton,
                           showPointerButton, hidePointerButton, touchButton,   clickButton, accessButton};
    for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(executeButton, &QPushButton::clicked, this, &SettingsDialog::execute);
    connect(cancelButton, &QPushButton::clicked, this, &SettingsDialog::cancel);
    connect(accessButton, &QPushButton::clicked, this, [this] {
        // Shown again on return, the buttons keep the choice made so far.
        stored_ = chosenSettings();
        emit accessWanted();
    });
}

QGroupBox* SettingsDialog::makeFrame(const QString& name, const QString& caption, float left, float top, float width,
                                     float height)
{
    QGroupBox* f = makeCaptionedFrame(this, caption);
    f->setObjectName(name);
    place(f, left, top, width, height);
    return f;
}

QRadioButton* SettingsDialog::makeOption(QGroupBox* frame, const QString& name, const QString& caption, float top,
                                         float width, float height)
{
    auto* o = new QRadioButton(caption, frame);
    o->setObjectName(name);
    o->setAutoExclusive(true);  // per frame: the frame is the buttons' parent
    place(o, 240, top, width, height);
    // The stored widths suit the Windows font and indicator; where this style needs a
    // little more, the button grows inside its frame rather than clip its caption.
    const int need = o->sizeHint().width();
    if (need > o->width()) o->resize(std::min(need, frame->width() - o->x() - 2), o->height());
    return o;
}

void SettingsDialog::showStoredChoices()
{
    const Settings& s = stored_;
    (s.instruction == Instruction::SayTheWord ? sayWordButton : readPictureButton)->setChecked(true);
    (s.showModel ? showModelButton : hideModelButton)->setChecked(true);
    (s.showPointer ? showPointerButton : hidePointerButton)->setChecked(true);
    (s.takeTile == TakeTile::ByTouch ? touchButton : clickButton)->setChecked(true);
    checkValue({noDecoyButton, oneDecoyButton, twoDecoysButton}, int16_t(s.decoyCount));
    checkValue({hiraganaButton, katakanaButton, digitsButton}, int16_t(s.decoyKind));
}

Settings SettingsDialog::chosenSettings() const
{
    Settings s = stored_;
    s.instruction = sayWordButton->isChecked() ? Instruction::SayTheWord : Instruction::ReadThePicture;
    s.showModel = showModelButton->isChecked();
    s.showPointer = showPointerButton->isChecked();
    s.takeTile = touchButton->isChecked() ? TakeTile::ByTouch : TakeTile::ByClick;
    s.decoyCount = checkedValue({noDecoyButton, oneDecoyButton, twoDecoysButton}, s.decoyCount);
    s.decoyKind = checkedValue({hiraganaButton, katakanaButton, digitsButton}, s.decoyKind);
    return s;
}

void SettingsDialog::execute()
{
    emit settingsChosen(chosenSettings());
    emit finished();
}

void SettingsDialog::cancel() { emit finished(); }

} // namespace mokuri
