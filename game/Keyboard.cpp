// The adult's keys on the main screen: Esc ends, H opens the settings, N the picture choice.
#include "app/Form1.h"
#include "app/Trace.h"
#include "media/SoundControl.h"
#include "media/SpeechControl.h"

#include <QApplication>

namespace mokuri {

void Form1::Form_KeyDown(int keyCode, Qt::KeyboardModifiers)
{
    if (keyCode != 27 && keyCode != 72 && keyCode != 78) return;
    TraceEvent("key", {QString::number(keyCode)});
    MMControl1->SetCommand(QStringLiteral("Stop"));
    MMControl1->SetCommand(QStringLiteral("Close"));
    PtSvr1->StopSpeaking();
    if (keyCode == 27) {
        QApplication::exit(0);
        return;
    }
    Timer2->stop();
    if (keyCode == 72) OpenSettingsDialog();
    else OpenTaskDialog();
}

} // namespace mokuri
