// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture choice dialog (課題選択画面): every picture of the folder in a list, the
// pictures in play ticked. "決定" takes the ticked pictures (at least four) and stores them
// in Fname.txt; "全選択" and "全解除" act on every entry.
#include "session/AdultSession.h"
#include "screens/DialogParts.h"

#include <QListWidget>

class QLabel;
class QPushButton;

namespace mokuri {

// A list whose entries each carry a check box: a click anywhere on an entry (or Space on
// the current one) turns it on or off and leaves the others alone; any number may be on.
class PictureList : public QListWidget {
    Q_OBJECT
public:
    explicit PictureList(QWidget* parent);
    // Sets the text of entry `row`, appending it when the list is one short.
    void setEntryText(int row, const QString& text);
    QString entryText(int row) const;
    bool isTicked(int row) const;
    void setTicked(int row, bool on);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void toggle(QListWidgetItem* entry);
};

class PictureChoiceDialog : public DialogWindow {
    Q_OBJECT
public:
    explicit PictureChoiceDialog(const TwipScale& scale);

    // At least this many pictures must be ticked for "決定" to take them.
    static constexpr int kFewestPictures = AdultSession::kFewestPictures;

    // The catalogue and the pictures in play, shown at each activation.
    void setStored(const QStringList& pictures, const TaskList& tasks);

    void decide();
    void cancel();
    void tickAll();
    void untickAll();


protected:
    // Writes the catalogue into the list and ticks the pictures in play.
    void showStoredChoices() override;

signals:
    // "決定" with enough pictures ticked: the adult's choice, before finished().
    void tasksChosen(const mokuri::TaskList& ticked);

private:
    // Found by tests through their object names (Command1, Option7, List1 ...).
    QLabel* title = nullptr;
    QLabel* credit = nullptr;
    PictureList* pictureList = nullptr;
    QPushButton* decideButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* tickAllButton = nullptr;
    QPushButton* untickAllButton = nullptr;
    QStringList pictures_;
    TaskList tasks_;
};

} // namespace mokuri
