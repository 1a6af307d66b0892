// Opening the two dialogs from the main screen's keys.
#include "app/Form1.h"
#include "dialogs/Form2.h"
#include "dialogs/Form3.h"

namespace mokuri {

namespace {
// The dialogs have no owner window, so nothing else ends them with the main screen.
template <class Dialog>
Dialog* CreateDialog(Form1* main)
{
    auto* d = new Dialog(main);
    // The main screen has stopped following the focus by now (see ~Form1), so the focus
    // moving as the dialog's window goes reaches nothing half-destroyed.
    QObject::connect(main, &QObject::destroyed, d, [d] { delete d; });
    return d;
}
} // namespace

void Form1::OpenSettingsDialog()
{
    if (!SettingsDialog) SettingsDialog = CreateDialog<Form2>(this);
    SettingsDialog->ShowFromMainScreen();
}

void Form1::OpenTaskDialog()
{
    if (!TaskDialog) TaskDialog = CreateDialog<Form3>(this);
    TaskDialog->ShowFromMainScreen();
}

} // namespace mokuri
