#include "dialogs/Form3.h"

#include "app/Form1.h"
#include "content/Globals.h"
#include "content/TaskListFile.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace mokuri {

PictureList::PictureList(QWidget* parent) : QListWidget(parent)
{
    // The check boxes show the choice; a highlighted block of many entries would not.
    setSelectionMode(QAbstractItemView::NoSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);
}

void PictureList::SetEntryText(int row, const QString& text)
{
    if (row < count()) {
        item(row)->setText(text);
        return;
    }
    auto* entry = new QListWidgetItem(text);
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Unchecked);
    addItem(entry);
}

QString PictureList::EntryText(int row) const { return item(row)->text(); }

bool PictureList::Selected(int row) const { return item(row)->checkState() == Qt::Checked; }

void PictureList::SetSelected(int row, bool on) { item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked); }

void PictureList::Toggle(QListWidgetItem* entry)
{
    if (!entry) return;
    entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    setCurrentItem(entry);
}

void PictureList::mousePressEvent(QMouseEvent* e)
{
    setFocus(Qt::MouseFocusReason);
    if (e->button() == Qt::LeftButton) Toggle(itemAt(e->position().toPoint()));
}

// The second press of a quick double click is a click of its own.
void PictureList::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

// Dragging over entries changes nothing.
void PictureList::mouseMoveEvent(QMouseEvent*) {}

// The press has toggled already; the release must not toggle the check box a second time.
void PictureList::mouseReleaseEvent(QMouseEvent*) {}

void PictureList::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        if (!currentItem() && count() > 0) setCurrentRow(0);
        Toggle(currentItem());
        return;
    }
    QListWidget::keyPressEvent(e);
}

Form3::Form3(Form1* mainScreen)
    : DialogWindow(QStringLiteral("Form3"), QStringLiteral("Form3"), 5985, 5910, QRect(120, 120, 5655, 5655)),
      main_(mainScreen)
{
    // Created in tab order; the labels take no focus.
    List1 = new PictureList(this);
    List1->setObjectName(QStringLiteral("List1"));
    PlaceTwips(List1, 2640, 480, 2895, 4920);

    Label1 = new QLabel(QStringLiteral("課題選択画面"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(DialogTitleFont());
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTwips(Label1, 480, 600, 1815, 375);

    Label2 = MakeCreditLabel(this, QStringLiteral("Label2"));
    PlaceTwips(Label2, 360, 5160, 1935, 255);

    Command1 = MakeDialogButton(this, QStringLiteral("Command1"), QStringLiteral("決定"));
    PlaceTwips(Command1, 720, 3960, 1095, 495);
    Command2 = MakeDialogButton(this, QStringLiteral("Command2"), QStringLiteral("キャンセル"));
    PlaceTwips(Command2, 720, 3120, 1095, 375);
    Command3 = MakeDialogButton(this, QStringLiteral("Command3"), QStringLiteral("全選択"));
    PlaceTwips(Command3, 720, 1440, 1095, 375);
    Command4 = MakeDialogButton(this, QStringLiteral("Command4"), QStringLiteral("全解除"));
    PlaceTwips(Command4, 720, 2280, 1095, 375);

    setTabOrder(List1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);

    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form3::Command4_Click);
}

void Form3::Form_Activate()
{
    for (int16_t i = 0; i < AllPictureCount; ++i) {
        // Only the first activation adds entries; later ones rewrite the text and keep
        // whatever the adult selected on screen.
        List1->SetEntryText(i, AllPictures[i]);
        for (int16_t j = 0; j < TaskPictureCount; ++j)
            if (TaskPictures[j] == AllPictures[i]) List1->SetSelected(i, true);
    }
}

void Form3::Command1_Click()
{
    int16_t n = 0;
    for (int16_t i = 0; i < AllPictureCount; ++i)
        if (List1->Selected(i)) ++n;
    if (n < 4) return;
    n = 0;
    for (int16_t i = 0; i < AllPictureCount; ++i) {
        if (!List1->Selected(i)) continue;
        TaskPictures[n] = List1->EntryText(i);
        ++n;
    }
    TaskPictureCount = n;
    if (!SaveTaskList())
        ShowNotSavedMessage(DataFolder + QStringLiteral("Fname.txt"), QStringLiteral("課題の選択"));
    main_->ReturnFromDialog();
}

void Form3::Command2_Click() { main_->ReturnFromDialog(); }

void Form3::Command3_Click()
{
    for (int16_t i = 0; i < AllPictureCount; ++i) List1->SetSelected(i, true);
}

void Form3::Command4_Click()
{
    for (int16_t i = 0; i < AllPictureCount; ++i) List1->SetSelected(i, false);
}

} // namespace mokuri
