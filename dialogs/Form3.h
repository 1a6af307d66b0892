#pragma once
// The picture (task) selection dialog.
#include <QWidget>

namespace mokuri {
class Form1;

class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Form1* mainScreen);
private:
    Form1* main_;
};

} // namespace mokuri
