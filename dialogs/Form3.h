#pragma once
// The picture (task) selection dialog: every picture of the folder in a list, the tasks
// selected.
#include "dialogs/DialogParts.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace mokuri {
class Form1;

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
    QListWidget* List1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;

private:
    Form1* main_;
};

} // namespace mokuri
