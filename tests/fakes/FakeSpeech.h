// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A speech voice that ends a text only when the test says so.
#include "media/SpeechVoice.h"

#include <QStringList>

namespace mokuri::test {

class FakeSpeech : public SpeechVoice {
    Q_OBJECT
public:
    void speak(const QString& text) override;
    void stop() override;
    void prepare(const QString& text) override { prepared << text; }
    // Raises speechEnded for the text in progress, through the event loop as a real voice does.
    void finishSpeaking();

    QStringList spoken;
    QStringList prepared;
    int stops = 0;
    bool speaking = false;
};

} // namespace mokuri::test
