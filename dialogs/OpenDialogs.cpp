// Opening the two dialogs from the main screen's keys.
#include "app/Form1.h"
#include "dialogs/Form2.h"
#include "dialogs/Form3.h"

#include <QGuiApplication>

namespace mokuri {

namespace {
// The dialogs have no owner window, so nothing else ends them with the main screen.
template <class Dialog>
Dialog* CreateDialog(Form1* main)
{
    auto* d = new Dialog(main);
    QObject::connect(main, &QObject::destroyed, d, [d](QObject* gone) {
        // The main screen is half gone here; the focus moves when the dialog's window goes,
        // and must no longer reach the main screen's focus tracking.
        QObject::disconnect(qApp, &QGuiApplication::focusWindowChanged, gone, nullptr);
        delete d;
    });
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
