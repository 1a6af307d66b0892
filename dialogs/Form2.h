#pragma once
// The settings dialog: the six settings as option buttons, one frame each.
#include "dialogs/DialogParts.h"

#include <cstdint>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace mokuri {
class Form1;

class Form2 : public DialogWindow {
    Q_OBJECT
public:
    explicit Form2(Form1* mainScreen);

    // Shows the stored settings, one button on per frame.
    void Form_Activate() override;
    // Takes the buttons over into GameSettings and saves them when anything changed.
    void ApplySettings();
    void Command1_Click();
    void Command2_Click();

    // DecoyCount and DecoyKind as shown at the latest activation.
    int16_t ShownDecoyCount = 0;
    int16_t ShownDecoyKind = 0;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option6 = nullptr;
    QRadioButton* Option7 = nullptr;
    QRadioButton* Option8 = nullptr;
    QRadioButton* Option9 = nullptr;
    QRadioButton* Option10 = nullptr;
    QRadioButton* Option11 = nullptr;
    QRadioButton* Option12 = nullptr;
    QRadioButton* Option13 = nullptr;
    QRadioButton* Option14 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

private:
    Form1* main_;
};

// An option button's value as a truth value (-1 on, 0 off).
int16_t OptionValue(const QRadioButton* b);
// Sets an option button on or off; off may leave its frame with no button on.
void SetOptionValue(QRadioButton* b, int16_t value);

} // namespace mokuri
