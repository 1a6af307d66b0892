// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/voices/VoiceRecorder.h"

#include "support/Executor.h"
#include "tools/Deck.h"

namespace mokuri::voices {

namespace {

struct SaveResult {
    bool ok = false;
    QString message;
    Maker maker = Maker::Missing;
};

} // namespace

VoiceRecorder::VoiceRecorder(QString soundsFolder, QString pictureFolder, VoiceInput& input,
                             Loudspeaker speaker, QObject* parent)
    : QObject(parent), soundsFolder_(std::move(soundsFolder)), input_(input), speaker_(std::move(speaker)),
      shelf_(shelfOf(soundsFolder_, pictureFolder))
{
    connect(&input_, &VoiceInput::samplesTaken, this, &VoiceRecorder::onSamples);
    connect(&input_, &VoiceInput::lost, this, &VoiceRecorder::onLost);
}

void VoiceRecorder::setStage(Stage stage, const QString& message)
{
    stage_ = stage;
    message_ = message;
    emit changed();
}

void VoiceRecorder::choose(int index)
{
    if (stage_ != Stage::Choosing && stage_ != Stage::Heard) return;
    if (index < 0 || index >= int(shelf_.size())) return;
    current_ = index;
    take_ = {};
    setStage(Stage::Choosing);
}

void VoiceRecorder::record()
{
    if (stage_ == Stage::Listening || stage_ == Stage::Speaking || stage_ == Stage::Saving) return;
    take_ = {};
    raw_.clear();
    if (speaker_.quiet) speaker_.quiet();
    QString why;
    if (!input_.start(&why)) {
        setStage(Stage::Choosing, why);
        return;
    }
    watch_ = std::make_unique<VoiceWatch>(input_.sampleRate());
    takeRate_ = input_.sampleRate();
    setStage(Stage::Listening);
}

void VoiceRecorder::onSamples(const std::vector<std::int16_t>& samples)
{
    if (!watch_ || (stage_ != Stage::Listening && stage_ != Stage::Speaking)) return;
    const std::size_t taken = watch_->feed(samples.data(), samples.size());
    raw_.insert(raw_.end(), samples.begin(), samples.begin() + std::ptrdiff_t(taken));
    emit level(meterLevel(samples.data(), samples.size()));
    if (watch_->finished()) {
        finishTake();
    } else if (stage_ == Stage::Listening && watch_->state() == VoiceWatch::State::Speaking) {
        setStage(Stage::Speaking);
    }
}

void VoiceRecorder::stopRecording()
{
    if (stage_ == Stage::Listening || stage_ == Stage::Speaking) finishTake();
}

void VoiceRecorder::finishTake()
{
    input_.stop();
    const bool tooLong = watch_ && watch_->state() == VoiceWatch::State::TooLong;
    watch_.reset();
    emit level(0);
    take_ = cleanTake(raw_, takeRate_, deck::effectLoudness());
    raw_.clear();
    if (take_.samples.empty()) {
        setStage(Stage::Choosing, kNoVoice);
        return;
    }
    QString say;
    if (take_.clipped) say = kTooLoud;
    else if (tooLong) say = kTooLong;
    setStage(Stage::Heard, say);
    if (speaker_.playSamples) speaker_.playSamples(take_.samples, takeRate_);
}

void VoiceRecorder::onLost()
{
    if (stage_ != Stage::Listening && stage_ != Stage::Speaking) return;
    watch_.reset();
    raw_.clear();
    emit level(0);
    setStage(Stage::Choosing, kMicrophoneGone);
}

void VoiceRecorder::playBack()
{
    if (stage_ == Stage::Heard) {
        if (speaker_.playSamples) speaker_.playSamples(take_.samples, takeRate_);
    } else if (stage_ == Stage::Choosing && shelf_[std::size_t(current_)].maker != Maker::Missing) {
        if (speaker_.playFile) speaker_.playFile(shelf_[std::size_t(current_)].file);
    }
}

void VoiceRecorder::keepAndNext()
{
    if (stage_ != Stage::Heard) return;
    const QString folder = soundsFolder_;
    const QString file = shelf_[std::size_t(current_)].file;
    const std::vector<std::int16_t> samples = take_.samples;
    const int rate = takeRate_;
    const int index = current_;
    save([=](QString* why) { return keepTake(folder, file, samples, rate, why); }, [this, index](bool ok, const QString& why) {
        if (!ok) {
            // The take stays, to be kept again once there is room or a way to write.
            setStage(Stage::Heard, why);
            return;
        }
        take_ = {};
        if (index + 1 >= int(shelf_.size())) {
            setStage(Stage::Choosing, QStringLiteral("全部できました。"));
            return;
        }
        current_ = index + 1;
        stage_ = Stage::Choosing;
        record();
    });
}

void VoiceRecorder::restoreEffect()
{
    if (stage_ != Stage::Choosing && stage_ != Stage::Heard) return;
    const ShelfSound& sound = shelf_[std::size_t(current_)];
    if (!sound.effect) return;
    const QString folder = soundsFolder_, file = sound.file, label = sound.label;
    save([=](QString* why) { return voices::restoreEffect(folder, file, why); }, [this, label](bool ok, const QString& why) {
        take_ = {};
        setStage(Stage::Choosing, ok ? QStringLiteral("%1 をデッキの音に戻しました。").arg(label) : why);
    });
}

void VoiceRecorder::save(std::function<bool(QString* why)> write, std::function<void(bool ok, const QString& why)> then)
{
    const int index = current_;
    const ShelfSound sound = shelf_[std::size_t(index)];
    const QString folder = soundsFolder_;
    setStage(Stage::Saving);
    Executor::shared().run(
        this,
        [write = std::move(write), folder, sound] {
            SaveResult r;
            r.ok = write(&r.message);
            r.maker = makerOf(folder, sound.file, sound.effect);
            return r;
        },
        [this, index, then = std::move(then)](SaveResult r) {
            shelf_[std::size_t(index)].maker = r.maker;
            then(r.ok, r.message);
        });
}

void VoiceRecorder::cancel()
{
    if (stage_ == Stage::Listening || stage_ == Stage::Speaking) {
        input_.stop();
        watch_.reset();
        raw_.clear();
        emit level(0);
    }
    if (stage_ != Stage::Saving) {
        take_ = {};
        setStage(Stage::Choosing);
    }
}

} // namespace mokuri::voices
