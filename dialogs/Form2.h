#pragma once
// The settings dialog.
#include <QWidget>

namespace mokuri {
class Form1;

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(Form1* mainScreen);
private:
    Form1* main_;
};

} // namespace mokuri
