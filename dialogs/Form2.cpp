#include "dialogs/Form2.h"

#include "app/Form1.h"
#include "content/Globals.h"
#include "content/SettingsFile.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace mokuri {

int16_t OptionValue(const QRadioButton* b) { return VbBool(b->isChecked()); }

void SetOptionValue(QRadioButton* b, int16_t value)
{
    if (value) {
        b->setChecked(true);
        return;
    }
    if (!b->isChecked()) return;
    // Qt keeps the checked button of an exclusive frame on; turning it off on purpose
    // must leave the frame with none.
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(true);
}

namespace {

// A frame whose top line runs through the middle of its caption, so the line stays above
// the first button at the stored positions (the style's own box starts below the caption
// and would cut through that button).
class CaptionedFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int top = fm.height() / 2;
        const QRect box(0, top, width() - 1, height() - 1 - top);
        // Etched like the system's frames: a shadow line with a light one inside it.
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(box);
        p.setPen(palette().color(QPalette::Light));
        p.drawRect(box.adjusted(1, 1, -1, -1));
        const QRect caption(5, 0, fm.horizontalAdvance(title()) + 4, fm.height());
        p.fillRect(caption, palette().color(QPalette::Window));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(caption, Qt::AlignCenter, title());
    }
};

QGroupBox* MakeFrame(QWidget* parent, const QString& name, const QString& caption, float left, float top, float width,
                     float height)
{
    auto* f = new CaptionedFrame(caption, parent);
    f->setObjectName(name);
    PlaceTwips(f, left, top, width, height);
    return f;
}

QRadioButton* MakeOption(QGroupBox* frame, const QString& name, const QString& caption, float left, float top,
                         float width, float height)
{
    auto* o = new QRadioButton(caption, frame);
    o->setObjectName(name);
    o->setAutoExclusive(true);  // per frame: the frame is the buttons' parent
    PlaceTwips(o, left, top, width, height);
    // The stored widths suit the Windows font and indicator; where this style needs a
    // little more, the button grows inside its frame rather than clip its caption.
    const int need = o->sizeHint().width();
    if (need > o->width()) o->resize(std::min(need, frame->width() - o->x() - 2), o->height());
    return o;
}

} // namespace

Form2::Form2(Form1* mainScreen)
    : DialogWindow(QStringLiteral("Form2"), QStringLiteral("カード選び"), 5415, 5295, QRect(120, 120, 5175, 5055)),
      main_(mainScreen)
{
    Label2 = new QLabel(QStringLiteral("モクリ設定"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(DialogTitleFont());
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The title sizes itself to its caption; its top-left corner stays.
    {
        QFontMetrics fm(Label2->font());
        PlaceTwips(Label2, 1680, 240, 0, 0);
        Label2->resize(fm.horizontalAdvance(Label2->text()), fm.height());
    }

    Frame1 = MakeFrame(this, QStringLiteral("Frame1"), QStringLiteral("問題設定"), 360, 720, 2295, 975);
    Option1 = MakeOption(Frame1, QStringLiteral("Option1"), QStringLiteral("～を並べよう"), 240, 240, 1695, 255);
    Option2 = MakeOption(Frame1, QStringLiteral("Option2"), QStringLiteral("この名前を並べよう"), 240, 600, 1935, 300);

    Frame2 = MakeFrame(this, QStringLiteral("Frame2"), QStringLiteral("お手本"), 360, 1800, 2295, 975);
    Option3 = MakeOption(Frame2, QStringLiteral("Option3"), QStringLiteral("表示する"), 240, 240, 1095, 255);
    Option4 = MakeOption(Frame2, QStringLiteral("Option4"), QStringLiteral("表示しない"), 240, 600, 1335, 255);

    Frame5 = MakeFrame(this, QStringLiteral("Frame5"), QStringLiteral("マウスカーソルの表示"), 360, 2880, 2295, 975);
    Option11 = MakeOption(Frame5, QStringLiteral("Option11"), QStringLiteral("有り"), 240, 240, 1335, 300);
    Option12 = MakeOption(Frame5, QStringLiteral("Option12"), QStringLiteral("無し"), 240, 600, 1335, 255);

    Frame3 = MakeFrame(this, QStringLiteral("Frame3"), QStringLiteral("まどわし文字"), 2880, 720, 2175, 1335);
    Option5 = MakeOption(Frame3, QStringLiteral("Option5"), QStringLiteral("無し"), 240, 240, 1335, 255);
    Option6 = MakeOption(Frame3, QStringLiteral("Option6"), QStringLiteral("１字有り"), 240, 600, 975, 255);
    Option7 = MakeOption(Frame3, QStringLiteral("Option7"), QStringLiteral("２字有り"), 240, 960, 975, 255);

    Frame4 = MakeFrame(this, QStringLiteral("Frame4"), QStringLiteral("まどわし文字の種類"), 2880, 2160, 2175, 1335);
    Option8 = MakeOption(Frame4, QStringLiteral("Option8"), QStringLiteral("ひらがな"), 240, 240, 1215, 255);
    Option9 = MakeOption(Frame4, QStringLiteral("Option9"), QStringLiteral("カタカナ"), 240, 600, 1335, 255);
    Option10 = MakeOption(Frame4, QStringLiteral("Option10"), QStringLiteral("数字"), 240, 960, 1335, 255);

    Frame6 = MakeFrame(this, QStringLiteral("Frame6"), QStringLiteral("タッチの方法"), 2880, 3600, 2175, 975);
    Option13 = MakeOption(Frame6, QStringLiteral("Option13"), QStringLiteral("触れるだけ"), 240, 240, 1335, 255);
    Option14 = MakeOption(Frame6, QStringLiteral("Option14"), QStringLiteral("クリックする"), 240, 600, 1335, 255);

    Command2 = MakeDialogButton(this, QStringLiteral("Command2"), QStringLiteral("キャンセル"));
    PlaceTwips(Command2, 360, 4200, 975, 375);
    Command1 = MakeDialogButton(this, QStringLiteral("Command1"), QStringLiteral("実行"));
    PlaceTwips(Command1, 1680, 4200, 975, 375);

    Label1 = MakeCreditLabel(this, QStringLiteral("Label1"));
    PlaceTwips(Label1, 3000, 4800, 1935, 255);

    QWidget* tabOrder[] = {Option1, Option2, Option3,  Option4,  Command1, Command2, Option5,  Option6,
                           Option7, Option8, Option9, Option10, Option11, Option12, Option13, Option14};
    for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
}

void Form2::Form_Activate()
{
    const GameSettingsT& s = GameSettings;
    ShownDecoyCount = s.DecoyCount;
    ShownDecoyKind = s.DecoyKind;
    SetOptionValue(Option1, s.ArrangeMode);
    SetOptionValue(Option2, int16_t(~s.ArrangeMode));
    SetOptionValue(Option3, s.ShowModel);
    SetOptionValue(Option4, int16_t(~s.ShowModel));
    SetOptionValue(Option11, s.ShowCursor);
    SetOptionValue(Option12, int16_t(~s.ShowCursor));
    SetOptionValue(Option13, s.TouchOnly);
    SetOptionValue(Option14, int16_t(~s.TouchOnly));
    // A value outside 0 to 2 (a hand-edited file) turns no button on and leaves the frame
    // as it was.
    switch (s.DecoyCount) {
    case 0: Option5->setChecked(true); break;
    case 1: Option6->setChecked(true); break;
    case 2: Option7->setChecked(true); break;
    default: break;
    }
    switch (s.DecoyKind) {
    case 0: Option8->setChecked(true); break;
    case 1: Option9->setChecked(true); break;
    case 2: Option10->setChecked(true); break;
    default: break;
    }
}

void Form2::ApplySettings()
{
    GameSettingsT& s = GameSettings;
    if (Option5->isChecked()) s.DecoyCount = 0;
    if (Option6->isChecked()) s.DecoyCount = 1;
    if (Option7->isChecked()) s.DecoyCount = 2;
    if (Option8->isChecked()) s.DecoyKind = 0;
    if (Option9->isChecked()) s.DecoyKind = 1;
    if (Option10->isChecked()) s.DecoyKind = 2;
    const int16_t arrange = OptionValue(Option1);
    const int16_t model = OptionValue(Option3);
    const int16_t cursor = OptionValue(Option11);
    const int16_t touch = OptionValue(Option13);

    // The decoy settings are already written, hence the copies from the activation.
    const bool changed = s.DecoyKind != ShownDecoyKind || s.DecoyCount != ShownDecoyCount || touch != s.TouchOnly ||
                         cursor != s.ShowCursor || model != s.ShowModel || arrange != s.ArrangeMode;
    if (!changed) return;
    s.ArrangeMode = arrange;
    s.ShowModel = model;
    s.ShowCursor = cursor;
    s.TouchOnly = touch;
    if (!SaveSettings()) ShowNotSavedMessage(DataFolder + QStringLiteral("Word.txt"), QStringLiteral("設定"));
}

void Form2::Command1_Click()
{
    ApplySettings();
    main_->ReturnFromDialog();
}

void Form2::Command2_Click() { main_->ReturnFromDialog(); }

} // namespace mokuri
