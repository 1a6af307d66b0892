// The two pauses: after a wrong tile (until the buzzer ends) and after a finished word
// (until the praise has been spoken).
#include "app/Form1.h"
#include "media/SoundControl.h"

namespace mokuri {

void Form1::Timer1_Timer()
{
    if (MMControl1->Mode() == ModePlaying) return;
    MMControl1->SetCommand(QStringLiteral("Stop"));
    MMControl1->SetCommand(QStringLiteral("Close"));
    Label3->hide();
    Timer1->stop();
    TouchBusy = VbFalse;
    SetUpQuestion();
}

void Form1::Timer2_Timer()
{
    if (Speaking) return;
    Label4->hide();
    Timer2->stop();
    SetUpQuestion();
}

} // namespace mokuri
