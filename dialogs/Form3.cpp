#include "dialogs/Form3.h"

namespace mokuri {
Form3::Form3(Form1* mainScreen) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), main_(mainScreen) {}
} // namespace mokuri
