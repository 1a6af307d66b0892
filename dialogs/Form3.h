#pragma once
// The picture (task) selection dialog: every picture of the folder in a list, the tasks
// selected.
#include "dialogs/DialogParts.h"

#include <QListWidget>

class QLabel;
class QPushButton;

namespace mokuri {
class Form1;

// A list whose entries each carry a check box: a click anywhere on an entry (or Space on
// the current one) turns it on or off and leaves the others alone; any number may be on.
class PictureList : public QListWidget {
    Q_OBJECT
public:
    explicit PictureList(QWidget* parent);
    // Sets the text of entry `row`, appending it when the list is one short.
    void SetEntryText(int row, const QString& text);
    QString EntryText(int row) const;
    bool Selected(int row) const;
    void SetSelected(int row, bool on);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Toggle(QListWidgetItem* item);
};

class Form3 : public DialogWindow {
    Q_OBJECT
public:
    explicit Form3(Form1* mainScreen);

    // Writes the catalogue into the list and selects the current tasks.
    void Form_Activate() override;
    void Command1_Click();  // 決定
    void Command2_Click();  // キャンセル
    void Command3_Click();  // 全選択
    void Command4_Click();  // 全解除

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    PictureList* List1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;

private:
    Form1* main_;
};

} // namespace mokuri
