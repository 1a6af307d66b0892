// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A microphone as the voice recorder sees it: started and stopped, its samples handed over
// on the window's thread as they come, and word when it went away.
#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

namespace mokuri {

class VoiceInput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Opens the default microphone and starts taking its sound: mono, 16-bit, sampleRate().
    // False, with a message an adult understands, when there is none or it cannot be opened.
    virtual bool start(QString* message) = 0;
    // Closes the microphone; no more samples follow.
    virtual void stop() = 0;
    virtual bool running() const = 0;
    virtual int sampleRate() const = 0;

signals:
    // The samples taken since the last signal, in order, on the thread the input lives in.
    void samplesTaken(const std::vector<std::int16_t>& samples);
    // The microphone stopped giving sound while it was running (unplugged, taken away by
    // the sound server); the input has stopped itself.
    void lost();
};

} // namespace mokuri
