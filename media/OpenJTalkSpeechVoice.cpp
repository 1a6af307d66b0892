// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/OpenJTalkSpeechVoice.h"
#include "support/Logging.h"

#include "media/Resampler.h"
#include "media/SpeechSynthesis.h"
#include "support/Trace.h"

#include <QFileInfo>
#include <QMetaObject>

#include <cstdio>

namespace mokuri {

OpenJTalkSpeechVoice::OpenJTalkSpeechVoice(OpenJTalkSetup setup, std::shared_ptr<AudioMixer> mixer, Trace* trace,
                                           std::size_t cacheTexts, QObject* parent)
    : SpeechVoice(parent), setup_(std::move(setup)), mixer_(std::move(mixer)), trace_(trace),
      cacheTexts_(std::max<std::size_t>(cacheTexts, 1))
{
    synthesis_.reset(QThread::create([this] { synthesisLoop(); }));
    synthesis_->setObjectName(QStringLiteral("open_jtalk"));
    synthesis_->start();
    playback_ = std::thread([this] { playbackLoop(); });
}

OpenJTalkSpeechVoice::~OpenJTalkSpeechVoice()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        ++generation_;
        wanted_.reset();
        mixer_->stopSpeech();
    }
    work_.notify_all();
    ready_.notify_all();
    synthesis_->wait();
    playback_.join();
}

bool OpenJTalkSpeechVoice::isPraise(const QString& text)
{
    // The praise is "<line>。これが、<word>、だね。": no instruction ends this way.
    return text.trimmed().endsWith(QStringLiteral("だね。"));
}

QString OpenJTalkSpeechVoice::keyOf(const QString& text) const
{
    return (isPraise(text) ? setup_.praiseVoice : setup_.voice) + QLatin1Char('\n') + text;
}

std::shared_ptr<const std::vector<float>> OpenJTalkSpeechVoice::cachedLocked(const QString& key)
{
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->key == key) {
            cache_.splice(cache_.begin(), cache_, it);
            return cache_.front().frames;
        }
    }
    return nullptr;
}

bool OpenJTalkSpeechVoice::isCached(const QString& text) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const QString key = keyOf(text);
    return std::any_of(cache_.begin(), cache_.end(), [&](const Clip& c) { return c.key == key; });
}

std::size_t OpenJTalkSpeechVoice::cachedTexts() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cache_.size();
}

void OpenJTalkSpeechVoice::queueLocked(const QString& text, bool first)
{
    const QString key = keyOf(text);
    if (key == inSynthesis_ || cachedLocked(key))
        return;
    const auto queued = std::find_if(queue_.begin(), queue_.end(), [&](const QString& t) { return keyOf(t) == key; });
    if (queued != queue_.end()) {
        if (!first)
            return;
        queue_.erase(queued);
    }
    if (first)
        queue_.push_front(text);
    else
        queue_.push_back(text);
    // Hints pile up only if the game outruns the synthesiser; the oldest are stale by then.
    while (queue_.size() > cacheTexts_)
        queue_.pop_back();
}

void OpenJTalkSpeechVoice::startLocked(Wanted& wanted, const std::vector<float>& frames)
{
    wanted.stream = mixer_->beginSpeech(); // cuts off whatever was being spoken
    streamId_ = wanted.stream;
    mixer_->appendSpeech(wanted.stream, frames.data(), frames.size());
    mixer_->endSpeech(wanted.stream);
}

void OpenJTalkSpeechVoice::speak(const QString& text)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Wanted wanted{++generation_, keyOf(text), 0};
        if (text.trimmed().isEmpty()) {
            startLocked(wanted, {});
        } else if (const auto frames = cachedLocked(wanted.key)) {
            startLocked(wanted, *frames);
        } else {
            mixer_->stopSpeech();
            queueLocked(text, true);
        }
        wanted_ = std::move(wanted);
    }
    work_.notify_all();
    ready_.notify_all();
}

void OpenJTalkSpeechVoice::stop()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    wanted_.reset();
    mixer_->stopSpeech();
}

void OpenJTalkSpeechVoice::prepare(const QString& text)
{
    if (text.trimmed().isEmpty())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queueLocked(text, false);
    }
    work_.notify_all();
}

std::shared_ptr<const std::vector<float>> OpenJTalkSpeechVoice::synthesize(const QString& text)
{
    const QString voice = isPraise(text) ? setup_.praiseVoice : setup_.voice;
    OpenJTalkAudio audio;
    if (failuresInARow_ >= kFailuresToGiveUp) {
        audio.error = QStringLiteral("it failed %1 times in a row").arg(kFailuresToGiveUp);
    } else {
        ++runs_;
        audio = synthesizeWithOpenJTalk(setup_, voice, text, [this] {
            std::lock_guard<std::mutex> lock(mutex_);
            return quit_;
        });
        if (audio.ok()) {
            failuresInARow_ = 0;
            return std::make_shared<const std::vector<float>>(
                resampleSpeech(audio.samples.data(), audio.samples.size(), audio.sampleRate, mixer_->sampleRate()));
        }
        // A text open_jtalk cannot take (too long) says nothing of open_jtalk itself.
        if (audio.ran)
            ++failuresInARow_;
    }

    ++fallbacks_;
    bool sayIt = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (quit_)
            return std::make_shared<const std::vector<float>>();
        sayIt = !failureSaid_;
        failureSaid_ = true;
    }
    const QString why = QStringLiteral("Open JTalk could not speak with %1 (%2); espeak-ng speaks instead")
                            .arg(QFileInfo(voice).fileName(), audio.error);
    if (sayIt)
        qCWarning(logMedia, "%s", why.toLocal8Bit().constData());
    if (trace_)
        trace_->event("warning", {why, text});
    SpeechAudio fallback = synthesizeSpeech(text);
    if (!fallback.ok()) {
        // Silence, but speechEnded still follows: the child is never left waiting.
        if (sayIt)
            qCWarning(logMedia, "speech failed: %s", fallback.error.toLocal8Bit().constData());
        return std::make_shared<const std::vector<float>>();
    }
    return std::make_shared<const std::vector<float>>(resampleSpeech(
        fallback.samples.data(), fallback.samples.size(), fallback.sampleRate, mixer_->sampleRate()));
}

void OpenJTalkSpeechVoice::synthesisLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return quit_ || !queue_.empty(); });
        if (quit_)
            return;
        const QString text = queue_.front();
        queue_.pop_front();
        const QString key = keyOf(text);
        if (cachedLocked(key))
            continue;
        inSynthesis_ = key;
        lock.unlock();
        auto frames = synthesize(text);
        lock.lock();
        inSynthesis_.clear();
        if (quit_)
            return;
        cache_.push_front(Clip{key, frames});
        while (cache_.size() > cacheTexts_)
            cache_.pop_back();
        if (wanted_ && !wanted_->stream && wanted_->key == key) {
            startLocked(*wanted_, *frames);
            ready_.notify_all();
        }
    }
}

void OpenJTalkSpeechVoice::playbackLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        ready_.wait(lock, [this] { return quit_ || (wanted_ && wanted_->stream); });
        if (quit_)
            return;
        const std::uint64_t generation = wanted_->generation;
        const std::uint64_t stream = wanted_->stream;
        lock.unlock();
        // False when cut off: by our own speak or stop (a new generation), or by another user of
        // the mixer, after which the game must not wait for a text it will never hear.
        mixer_->waitSpeechDrained(stream);
        lock.lock();
        if (quit_)
            return;
        if (wanted_ && wanted_->generation == generation) {
            // Heard to its end: report it through the event loop, unless a speak or stop comes
            // first.
            wanted_.reset();
            QMetaObject::invokeMethod(
                this,
                [this, generation] {
                    bool current;
                    {
                        std::lock_guard<std::mutex> guard(mutex_);
                        current = generation_ == generation;
                    }
                    if (current)
                        emit speechEnded();
                },
                Qt::QueuedConnection);
        }
    }
}

} // namespace mokuri
