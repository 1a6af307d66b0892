// Opening the two dialogs from the main screen's keys.
#include "app/Form1.h"
#include "dialogs/Form2.h"
#include "dialogs/Form3.h"

namespace mokuri {

namespace {
void Present(QWidget* w)
{
    w->show();
    w->raise();
    w->activateWindow();
}
}

void Form1::OpenSettingsDialog()
{
    if (!SettingsDialog) SettingsDialog = new Form2(this);
    Present(SettingsDialog);
}

void Form1::OpenTaskDialog()
{
    if (!TaskDialog) TaskDialog = new Form3(this);
    Present(TaskDialog);
}

} // namespace mokuri
