// Playing a sound, waiting for its end, speaking, and hearing that speech ended.
#include "app/Form1.h"
#include "app/Trace.h"
#include "media/SoundControl.h"
#include "media/SpeechControl.h"

namespace mokuri {

void Form1::PlaySoundFile()
{
    TraceEvent("sound", {SoundFile});
    MMControl1->SetCommand(QStringLiteral("Stop"));
    MMControl1->SetCommand(QStringLiteral("Close"));
    MMControl1->SetFileName(SoundFile);
    MMControl1->SetCommand(QStringLiteral("Open"));
    MMControl1->SetCommand(QStringLiteral("Play"));
}

void Form1::WaitWhileSoundPlays()
{
    // The child should see the tile move and the "○" while hearing the sound; input
    // still waits its turn because no event is handled here.
    if (MMControl1->Mode() == ModePlaying) repaint();
    while (MMControl1->Mode() == ModePlaying) MMControl1->WaitForModeChange();
}

void Form1::SpeakSpeechText()
{
    TraceEvent("speak", {SpeechText});
    PtSvr1->Speak(SpeechText);
}

void Form1::PtSvr1_SpeechEnded()
{
    TraceEvent("speech-ended");
    Speaking = VbFalse;
}

} // namespace mokuri
