// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The recorder's course through a sounds folder: choose a sound, listen for the voice, stop
// after it, hear it back, keep it and go on to the next with one key. The window draws this
// and forwards keys; the microphone and the loudspeaker come in from outside.
#include "media/VoiceInput.h"
#include "tools/voices/VoiceShelf.h"
#include "tools/voices/VoiceTake.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace mokuri::voices {

// The messages an adult reads.
inline const QString kTooLoud = QStringLiteral("もう少し小さな声で");
inline const QString kNoVoice = QStringLiteral("声が聞こえませんでした。もう一度どうぞ。");
inline const QString kTooLong = QStringLiteral("10秒で止めました。短く言ってください。");
inline const QString kMicrophoneGone =
    QStringLiteral("マイクが外れました。録音をやめました。これまでの音はそのままです。");

class VoiceRecorder final : public QObject {
    Q_OBJECT
public:
    enum class Stage {
        Choosing,  // nothing recording; a sound chosen
        Listening, // the microphone is open, no voice yet
        Speaking,  // the voice has started
        Heard,     // a take is ready to be kept or tried again
        Saving,    // the take is being written
    };
    // Plays samples (mono, at a rate) or a file of the sounds folder, either cutting off the
    // last; `quiet` silences it (before the microphone opens, so that it does not hear it).
    struct Loudspeaker {
        std::function<void(const std::vector<std::int16_t>& samples, int rate)> playSamples;
        std::function<void(const QString& file)> playFile;
        std::function<void()> quiet;
    };

    VoiceRecorder(QString soundsFolder, QString pictureFolder, VoiceInput& input, Loudspeaker speaker,
                  QObject* parent = nullptr);

    const std::vector<ShelfSound>& shelf() const { return shelf_; }
    int current() const { return current_; }
    Stage stage() const { return stage_; }
    QString message() const { return message_; }
    const CleanTake& take() const { return take_; }
    const QString& soundsFolder() const { return soundsFolder_; }

    // The keys' actions.
    void choose(int index);  // only while nothing records or saves
    void record();           // listen for the voice (again)
    void stopRecording();    // a press instead of the end of the voice
    void playBack();         // the take, or the file kept before
    void keepAndNext();      // writes the take; the next sound then listens at once
    void restoreEffect();    // the chosen effect back to the deck's own
    void cancel();           // drops a take or a recording under way

signals:
    void changed();          // stage, choice, message or a sound's maker
    void level(double level); // the meter, 0..1, as the samples come

private:
    void onSamples(const std::vector<std::int16_t>& samples);
    void onLost();
    void finishTake();
    void setStage(Stage stage, const QString& message = {});
    // Runs `write` off the window's thread in Stage::Saving, notes who made the chosen sound
    // now, then `then`.
    void save(std::function<bool(QString* why)> write, std::function<void(bool ok, const QString& why)> then);

    QString soundsFolder_;
    VoiceInput& input_;
    Loudspeaker speaker_;
    std::vector<ShelfSound> shelf_;
    int current_ = 0;
    Stage stage_ = Stage::Choosing;
    QString message_;
    std::unique_ptr<VoiceWatch> watch_;
    std::vector<std::int16_t> raw_;
    CleanTake take_;
    int takeRate_ = 0;
};

} // namespace mokuri::voices
