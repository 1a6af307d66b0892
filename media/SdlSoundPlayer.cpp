// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SdlSoundPlayer.h"

#include "media/WavReader.h"

#include "support/Executor.h"
#include "support/FileStamp.h"
#include "support/Logging.h"
#include "support/Trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace mokuri {

namespace {
// Decoded sounds kept in memory: about ten seconds of sound, the letters of the words in
// play, so memory stays flat however many sound files the folder holds. Decoding a file
// again costs under a millisecond.
constexpr std::size_t kCacheLimitBytes = 4u << 20;

// What a read of a sound file found, on the thread that read it.
struct ReadClip {
    bool isFile = false;
    FileStamp stamp;
    bool unchanged = false;  // the same stamp as the cached clip: not read again
    std::shared_ptr<const AudioClip> clip;
    bool cut = false;  // longer than kMaxSeconds
};

ReadClip readClip(const QString& path, const FileStamp& cached, const AudioMixer& mixer, int maxSeconds)
{
    ReadClip r;
    r.isFile = QFileInfo(path).isFile();
    if (!r.isFile)
        return r;
    r.stamp = FileStamp::of(path);
    r.unchanged = r.stamp == cached;
    if (r.unchanged)
        return r;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return r;
    const WavStart wav = readWavStart(file, maxSeconds);
    file.close();
    if (wav.channels == 0)
        return r;
    r.cut = wav.cut;
    SDL_AudioSpec spec{};
    spec.format = AUDIO_F32SYS;
    spec.channels = Uint8(wav.channels);
    spec.freq = wav.sampleRate;
    r.clip = mixer.convert(spec, reinterpret_cast<const std::uint8_t*>(wav.samples.data()),
                           wav.samples.size() * sizeof(float));
    return r;
}
} // namespace

struct SdlSoundPlayer::ReadResult : ReadClip {};

// Between the audio thread, which hears a sound end, and the player, which may be gone.
struct SdlSoundPlayer::Relay {
    std::mutex mutex;
    SdlSoundPlayer* owner = nullptr;
};

SdlSoundPlayer::SdlSoundPlayer(Trace& trace, std::shared_ptr<AudioMixer> mixer, QObject* parent)
    : SoundPlayer(parent), trace_(trace), mixer_(std::move(mixer)), patience_(new QTimer(this)),
      stallWatch_(new QTimer(this)), relay_(std::make_shared<Relay>())
{
    relay_->owner = this;
    endListener_ = mixer_->listenForSoundEnds([relay = relay_](std::uint64_t token) {
        std::lock_guard lock(relay->mutex);
        if (SdlSoundPlayer* owner = relay->owner)
            QMetaObject::invokeMethod(owner, [owner, token] {
                if (token == owner->token_) owner->end(owner->tokenPlay_);
            }, Qt::QueuedConnection);
    });
    patience_->setSingleShot(true);
    patience_->setInterval(kPatience);
    connect(patience_, &QTimer::timeout, this, [this] {
        if (waitingFor_.isEmpty()) return;
        if (!stallReported_) {
            stallReported_ = true;
            qCWarning(logMedia, "%s does not answer (a network share?); its sound is skipped",
                         qPrintable(QDir::toNativeSeparators(waitingFor_)));
        }
        waitingFor_.clear();
        cut();
        skip(waitingName_);
        end(play_);
    });
    stallWatch_->setSingleShot(true);
    connect(stallWatch_, &QTimer::timeout, this, [this] {
        // The device took no sound for seconds: the game goes on rather than waiting for ever.
        if (!active_ || !token_ || tokenPlay_ != play_) return;
        cut();
        end(play_);
    });
}

SdlSoundPlayer::~SdlSoundPlayer()
{
    {
        std::lock_guard lock(relay_->mutex);
        relay_->owner = nullptr;
    }
    if (token_)
        mixer_->stopSound(token_);
}

void SdlSoundPlayer::play(const QString& fileName)
{
    // The sound before goes on until this one starts, which cuts it in the same step:
    // stopping it first would leave the mixer idle for a moment, and the device might
    // close in between.
    ++play_;
    active_ = false;
    waitingFor_.clear();
    patience_->stop();
    stallWatch_->stop();
    clip_ = nullptr;
    if (fileName.isEmpty()) {
        cut();
        skip(fileName);
        return;
    }
    // No look at the disk here: absoluteFilePath() only joins names.
    const QString key = QFileInfo(QDir::current().filePath(fileName)).absoluteFilePath();
    const auto cached = cache_.constFind(key);
    if (cached != cache_.constEnd() && !cached->clip) {
        // Known to be unplayable: skipped at once, and looked at again for the next time.
        cut();
        skip(fileName);
        read(key);
        return;
    }
    active_ = true;
    waitingFor_ = key;
    waitingName_ = fileName;
    patience_->start();
    read(key);
}

void SdlSoundPlayer::prepare(const QString& fileName)
{
    if (!fileName.isEmpty()) read(QFileInfo(QDir::current().filePath(fileName)).absoluteFilePath());
}

void SdlSoundPlayer::read(const QString& key)
{
    if (reading_.contains(key)) return;  // its result serves every play waiting for it
    reading_.insert(key);
    const CacheEntry cached = cache_.value(key);
    Executor::shared().run(
        this,
        [key, mixer = mixer_, stamp = cached.stamp] {
            ReadResult r;
            static_cast<ReadClip&>(r) = readClip(key, stamp, *mixer, kMaxSeconds);
            return r;
        },
        [this, key](const ReadResult& r) { onRead(key, r); });
}

void SdlSoundPlayer::onRead(const QString& key, const ReadResult& r)
{
    reading_.remove(key);
    std::shared_ptr<const AudioClip> clip = remember(key, r);
    if (waitingFor_ != key) return;  // prepared ahead, or its play was cut or given up
    waitingFor_.clear();
    patience_->stop();
    if (!clip) {
        cut();
        skip(waitingName_);
        end(play_);
        return;
    }
    start(std::move(clip));
}

std::shared_ptr<const AudioClip> SdlSoundPlayer::remember(const QString& key, const ReadResult& r)
{
    const auto cached = cache_.constFind(key);
    if (r.unchanged && cached != cache_.constEnd()) return cached->clip;
    std::shared_ptr<const AudioClip> clip = r.isFile ? r.clip : nullptr;
    if (clip && r.cut && !cutReported_.contains(key)) {
        // Said once per file rather than at every play of it.
        cutReported_.insert(key);
        const QString seconds = QString::number(clip->seconds(), 'f', 0);
        qCWarning(logMedia, "%s lasts longer than %d s; only its first %s s are played",
                     qPrintable(QDir::toNativeSeparators(key)), kMaxSeconds, qPrintable(seconds));
        trace_.event("warning", {QFileInfo(key).fileName() + QStringLiteral(" plays only its first ") + seconds + QStringLiteral(" s")});
    }

    if (auto it = cache_.find(key); it != cache_.end()) {
        if (it->clip) cacheBytes_ -= it->clip->samples.size() * sizeof(float);
        cache_.erase(it);
    }
    const std::size_t clipBytes = clip ? clip->samples.size() * sizeof(float) : 0;
    if (cacheBytes_ + clipBytes > kCacheLimitBytes) {
        cache_.clear();
        cacheBytes_ = 0;
    }
    // A file that could not be read (or a share that failed) is remembered as unplayable
    // only when it was looked at; so is a missing one, until the next look.
    cache_.insert(key, CacheEntry{r.stamp, clip});
    cacheBytes_ += clipBytes;
    return clip;
}

void SdlSoundPlayer::start(std::shared_ptr<const AudioClip> clip)
{
    clip_ = std::move(clip);
    token_ = mixer_->playSound(clip_);
    tokenPlay_ = play_;
    if (clip_->frameCount() == 0) {
        // Nothing to hear: no end will come from the device.
        QMetaObject::invokeMethod(this, [this, play = play_] { end(play); }, Qt::QueuedConnection);
        return;
    }
    stallWatch_->start(std::chrono::milliseconds(std::int64_t(clip_->seconds() * 1000)) + kStallSlack);
}

void SdlSoundPlayer::skip(const QString& fileName)
{
    trace_.event("missing", {fileName});
}

void SdlSoundPlayer::end(std::uint64_t play)
{
    if (play != play_ || !active_) return;
    active_ = false;
    stallWatch_->stop();
    emit soundEnded();
}

void SdlSoundPlayer::stop()
{
    ++play_;
    active_ = false;
    waitingFor_.clear();
    patience_->stop();
    stallWatch_->stop();
    cut();
}

void SdlSoundPlayer::cut()
{
    if (token_)
        mixer_->stopSound(token_);
}

} // namespace mokuri
