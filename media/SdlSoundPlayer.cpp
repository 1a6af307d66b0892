// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SdlSoundPlayer.h"
#include "support/Logging.h"

#include "support/Executor.h"
#include "support/Trace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

namespace mokuri {

namespace {
// Decoded sounds kept in memory: about ten seconds of sound, the letters of the words in
// play, so memory stays flat however many sound files the folder holds. Decoding a file
// again costs under a millisecond.
constexpr std::size_t kCacheLimitBytes = 4u << 20;
// Whatever the format claims, no more than this is read from a data chunk: 10 s of 8
// channels of 24-bit sound at 48 kHz. A stranger file plays for less than kMaxSeconds.
constexpr qint64 kMaxDataBytes = 12 << 20;
// A "fmt " chunk holds a few dozen bytes; more would be a damaged file.
constexpr qint64 kMaxFormatBytes = 1 << 16;
// As SDL_LoadWAV: a file of junk after its header is not searched to its end.
constexpr int kMaxChunks = 10000;

constexpr std::uint16_t kFormatPcm = 0x0001, kFormatMsAdpcm = 0x0002, kFormatFloat = 0x0003,
                        kFormatALaw = 0x0006, kFormatMuLaw = 0x0007, kFormatImaAdpcm = 0x0011,
                        kFormatExtensible = 0xFFFE;

std::uint32_t readLE(const char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | std::uint8_t(p[i]);
    return v;
}

void appendLE32(QByteArray& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// The start of a WAV file rebuilt as a small WAV of its own: the file's "fmt " chunk and the
// first bytes of its "data" chunk, enough for `seconds` of sound. Read by seeking from chunk
// to chunk, so that an hour-long recording costs no more memory or time than its first
// seconds; SDL_LoadWAV then decodes it, so that every format it accepts still plays.
struct WavPrefix {
    QByteArray wav;
    bool cut = false; // the data chunk holds more than was taken
};

std::optional<WavPrefix> readWavPrefix(QFile& file, int seconds)
{
    const qint64 end = file.size();
    char head[12];
    if (file.read(head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return std::nullopt;
    QByteArray format;
    qint64 dataAt = -1, dataBytes = 0;
    qint64 pos = 12;
    for (int n = 0; n < kMaxChunks && pos + 8 <= end && (format.isEmpty() || dataAt < 0); ++n) {
        char chunk[8];
        if (!file.seek(pos) || file.read(chunk, 8) != 8)
            return std::nullopt;
        const qint64 length = readLE(chunk + 4, 4);
        const qint64 body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && format.isEmpty()) {
            format = file.read(std::min({length, kMaxFormatBytes, end - body}));
            if (format.size() < 16)
                return std::nullopt;
        } else if (std::memcmp(chunk, "data", 4) == 0 && dataAt < 0) {
            dataAt = body;
            dataBytes = std::min(length, end - body); // a recording cut short: what is there
        }
        pos = body + length + (length & 1); // chunks are padded to an even size
    }
    if (format.isEmpty() || dataAt < 0)
        return std::nullopt;

    char fields[26] = {}; // what is read of the format, zeros where the chunk is shorter
    std::memcpy(fields, format.constData(), std::size_t(std::min<qsizetype>(format.size(), sizeof fields)));
    std::uint16_t tag = std::uint16_t(readLE(fields, 2));
    const qint64 channels = readLE(fields + 2, 2);
    const qint64 rate = readLE(fields + 4, 4);
    const qint64 bytesPerSecond = readLE(fields + 8, 4);
    const qint64 blockAlign = readLE(fields + 12, 2);
    const qint64 bits = readLE(fields + 14, 2);
    if (tag == kFormatExtensible && format.size() >= 26)
        tag = std::uint16_t(readLE(fields + 24, 2)); // the sub-format's first two bytes
    const qint64 frames = qint64(seconds) * rate;
    qint64 wanted = 0;
    switch (tag) {
    case kFormatPcm:
    case kFormatFloat:
    case kFormatALaw:
    case kFormatMuLaw:
        wanted = frames * std::max(blockAlign, channels * ((bits + 7) / 8));
        break;
    case kFormatMsAdpcm:
    case kFormatImaAdpcm: {
        // Blocks of a fixed size, each holding the frames the format's extension names.
        const qint64 perBlock = format.size() >= 20 ? qint64(readLE(fields + 18, 2)) : 0;
        wanted = perBlock > 0 ? (frames / perBlock + 2) * blockAlign : (seconds + 1) * bytesPerSecond + blockAlign;
        break;
    }
    default: // SDL refuses it; it may say why
        wanted = blockAlign;
        break;
    }
    const qint64 taken = std::clamp<qint64>(wanted, 0, std::min(dataBytes, kMaxDataBytes));

    WavPrefix prefix;
    prefix.cut = taken < dataBytes;
    const qint64 formatPad = format.size() & 1;
    const qint64 riffBytes = 4 + 8 + format.size() + formatPad + 8 + taken + (taken & 1);
    prefix.wav.reserve(8 + riffBytes);
    prefix.wav.append("RIFF", 4);
    appendLE32(prefix.wav, std::uint32_t(riffBytes));
    prefix.wav.append("WAVEfmt ", 8);
    appendLE32(prefix.wav, std::uint32_t(format.size()));
    prefix.wav.append(format);
    if (formatPad)
        prefix.wav.append('\0');
    prefix.wav.append("data", 4);
    appendLE32(prefix.wav, std::uint32_t(taken));
    const qint64 at = prefix.wav.size();
    prefix.wav.resize(at + taken + (taken & 1));
    if (!file.seek(dataAt) || file.read(prefix.wav.data() + at, taken) != taken)
        return std::nullopt;
    if (taken & 1)
        prefix.wav[at + taken] = '\0';
    return prefix;
}
} // namespace

namespace {
// What a read of a sound file found, on the thread that read it.
struct ReadClip {
    bool isFile = false;
    qint64 size = -1;
    qint64 mtimeMs = 0;
    bool unchanged = false;  // the same size and date as the cached clip: not read again
    std::shared_ptr<const AudioClip> clip;
    bool cut = false;  // longer than kMaxSeconds
};

ReadClip readClip(const QString& path, qint64 cachedSize, qint64 cachedMtimeMs, const AudioMixer& mixer, int maxSeconds)
{
    ReadClip r;
    const QFileInfo info(path);
    r.isFile = info.isFile();
    if (!r.isFile)
        return r;
    r.size = info.size();
    r.mtimeMs = info.lastModified().toMSecsSinceEpoch();
    r.unchanged = r.size == cachedSize && r.mtimeMs == cachedMtimeMs;
    if (r.unchanged)
        return r;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return r;
    std::optional<WavPrefix> prefix = readWavPrefix(file, maxSeconds);
    file.close();
    if (!prefix)
        return r;
    SDL_RWops* rw = SDL_RWFromConstMem(prefix->wav.constData(), int(prefix->wav.size()));
    if (!rw)
        return r;
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    const bool decoded = SDL_LoadWAV_RW(rw, 1, &spec, &buffer, &length) != nullptr;
    prefix->wav = QByteArray(); // freed before the conversion needs its memory
    if (!decoded)
        return r;
    // A block of compressed sound may reach past the limit.
    const std::size_t frameBytes = std::size_t(SDL_AUDIO_BITSIZE(spec.format) / 8) * spec.channels;
    const std::size_t maxBytes = std::size_t(maxSeconds) * std::size_t(std::max(0, spec.freq)) * frameBytes;
    r.cut = prefix->cut;
    if (length > maxBytes) {
        length = Uint32(maxBytes);
        r.cut = true;
    }
    r.clip = mixer.convert(spec, buffer, length);
    SDL_FreeWAV(buffer);
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
        [key, mixer = mixer_, size = cached.size, mtime = cached.mtimeMs] {
            ReadResult r;
            static_cast<ReadClip&>(r) = readClip(key, size, mtime, *mixer, kMaxSeconds);
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
    cache_.insert(key, CacheEntry{r.size, r.mtimeMs, clip});
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
