// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeSpeech.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace mokuri::test {

void FakeSpeech::speak(const QString& text)
{
    spoken << text;
    speaking = true;
}

void FakeSpeech::stop()
{
    ++stops;
    speaking = false;
}

void FakeSpeech::finishSpeaking()
{
    if (!speaking) return;
    speaking = false;
    QMetaObject::invokeMethod(this, &SpeechVoice::speechEnded, Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

} // namespace mokuri::test
