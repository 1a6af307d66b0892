#pragma once
// What the game needs of a speech engine: speak, stop, and hear when speaking ended.
#include <QObject>
#include <QString>

namespace mokuri {

class SpeechControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Starts speaking and returns at once. Exactly one SpeechEnded follows, through the
    // event loop, unless StopSpeaking or another Speak cuts the text off.
    virtual void Speak(const QString& text) = 0;
    // Silences at once; the stopped text raises no SpeechEnded.
    virtual void StopSpeaking() = 0;

signals:
    void SpeechEnded();
};

} // namespace mokuri
