#include "fakes/FakeSpeech.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace mokuri::test {

void FakeSpeech::Speak(const QString& text)
{
    spoken << text;
    speaking = true;
}

void FakeSpeech::StopSpeaking()
{
    ++stops;
    speaking = false;
}

void FakeSpeech::FinishSpeaking()
{
    if (!speaking) return;
    speaking = false;
    QMetaObject::invokeMethod(this, &SpeechControl::SpeechEnded, Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

} // namespace mokuri::test
