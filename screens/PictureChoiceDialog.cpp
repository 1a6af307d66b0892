// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/PictureChoiceDialog.h"

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

void PictureList::setEntryText(int row, const QString& text)
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

QString PictureList::entryText(int row) const { return item(row)->text(); }

bool PictureList::isTicked(int row) const { return item(row)->checkState() == Qt::Checked; }

void PictureList::setTicked(int row, bool on) { item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked); }

void PictureList::toggle(QListWidgetItem* entry)
{
    if (!entry) return;
    entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    setCurrentItem(entry);
}

void PictureList::mousePressEvent(QMouseEvent* e)
{
    setFocus(Qt::MouseFocusReason);
    if (e->button() == Qt::LeftButton) toggle(itemAt(e->position().toPoint()));
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
        toggle(currentItem());
        return;
    }
    QListWidget::keyPressEvent(e);
}

PictureChoiceDialog::PictureChoiceDialog(const TwipScale& scale)
    : DialogWindow(QStringLiteral("Form3"), QStringLiteral("Form3"), scale, 5985, 5910, QRect(120, 120, 5655, 5655))
{
    // Created in tab order; the labels take no focus.
    pictureList = new PictureList(this);
    pictureList->setObjectName(QStringLiteral("List1"));
    place(pictureList, 2640, 480, 2895, 4920);

    title = new QLabel(QStringLiteral("課題選択画面"), this);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFont(dialogTitleFont());
    title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(title, 480, 600, 1815, 375);

    credit = makeCreditLabel(this, QStringLiteral("Label2"));
    place(credit, 360, 5160, 1935, 255);

    decideButton = makeDialogButton(this, QStringLiteral("Command1"), QStringLiteral("決定"));
    place(decideButton, 720, 3960, 1095, 495);
    cancelButton = makeDialogButton(this, QStringLiteral("Command2"), QStringLiteral("キャンセル"));
    place(cancelButton, 720, 3120, 1095, 375);
    tickAllButton = makeDialogButton(this, QStringLiteral("Command3"), QStringLiteral("全選択"));
    place(tickAllButton, 720, 1440, 1095, 375);
    untickAllButton = makeDialogButton(this, QStringLiteral("Command4"), QStringLiteral("全解除"));
    place(untickAllButton, 720, 2280, 1095, 375);

    setTabOrder(pictureList, decideButton);
    setTabOrder(decideButton, cancelButton);
    setTabOrder(cancelButton, tickAllButton);
    setTabOrder(tickAllButton, untickAllButton);

    connect(decideButton, &QPushButton::clicked, this, &PictureChoiceDialog::decide);
    connect(cancelButton, &QPushButton::clicked, this, &PictureChoiceDialog::cancel);
    connect(tickAllButton, &QPushButton::clicked, this, &PictureChoiceDialog::tickAll);
    connect(untickAllButton, &QPushButton::clicked, this, &PictureChoiceDialog::untickAll);
}

void PictureChoiceDialog::showStoredChoices()
{
    const QStringList& pictures = pictures_;
    for (int i = 0; i < pictures.size(); ++i) {
        // Exactly the pictures in play: ticks left from an opening that ended with
        // "キャンセル" would otherwise be taken by a later "決定" without the adult meaning it.
        pictureList->setEntryText(i, pictures[i]);
        pictureList->setTicked(i, tasks_.contains(pictures[i]));
    }
}

void PictureChoiceDialog::decide()
{
    TaskList ticked;
    for (int i = 0; i < pictureList->count(); ++i)
        if (pictureList->isTicked(i)) ticked << pictureList->entryText(i);
    if (ticked.size() < kFewestPictures) return;
    emit tasksChosen(ticked);
    emit finished();
}

void PictureChoiceDialog::setStored(const QStringList& pictures, const TaskList& tasks)
{
    pictures_ = pictures;
    tasks_ = tasks;
}

void PictureChoiceDialog::cancel() { emit finished(); }

void PictureChoiceDialog::tickAll()
{
    for (int i = 0; i < pictureList->count(); ++i) pictureList->setTicked(i, true);
}

void PictureChoiceDialog::untickAll()
{
    for (int i = 0; i < pictureList->count(); ++i) pictureList->setTicked(i, false);
}

} // namespace mokuri
