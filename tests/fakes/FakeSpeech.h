#pragma once
// A speech control that ends a text only when the test says so.
#include "media/SpeechControl.h"

#include <QStringList>

namespace mokuri::test {

class FakeSpeech : public SpeechControl {
    Q_OBJECT
public:
    void Speak(const QString& text) override;
    void StopSpeaking() override;
    // Raises SpeechEnded for the text in progress, through the event loop.
    void FinishSpeaking();

    QStringList spoken;
    int stops = 0;
    bool speaking = false;
};

} // namespace mokuri::test
