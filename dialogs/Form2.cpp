#include "dialogs/Form2.h"

namespace mokuri {
Form2::Form2(Form1* mainScreen) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), main_(mainScreen) {}
} // namespace mokuri
