// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game needs of a speech engine: speak, stop, and hear when speaking ended.
#include <QObject>
#include <QString>

namespace mokuri {

class SpeechVoice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Starts speaking and returns at once. Exactly one speechEnded follows, through the
    // event loop, unless stop or another speak cuts the text off.
    virtual void speak(const QString& text) = 0;
    // Silences at once; the stopped text raises no speechEnded.
    virtual void stop() = 0;
    // A text that is likely to be spoken soon (the next instruction, the praise): a voice
    // that takes long to make its sound may make it now. Never speaks; may be ignored.
    virtual void prepare(const QString& text) { Q_UNUSED(text); }

signals:
    void speechEnded();
};

} // namespace mokuri
