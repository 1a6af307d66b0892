// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SdlSoundPlayer.h"

#include "support/Patience.h"
#include "support/Trace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
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

SdlSoundPlayer::SdlSoundPlayer(Trace& trace, std::shared_ptr<AudioMixer> mixer)
    : trace_(trace), mixer_(std::move(mixer)), late_(std::make_shared<LateReads>())
{
}

SdlSoundPlayer::~SdlSoundPlayer()
{
    if (token_)
        mixer_->stopSound(token_);
}

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

// Reads that outlived their wait leave their clip here for the next play of the file.
struct SdlSoundPlayer::LateReads {
    std::mutex mutex;
    QHash<QString, ReadClip> clips;
};

std::shared_ptr<const AudioClip> SdlSoundPlayer::load(const QString& path)
{
    // No look at the disk here: absoluteFilePath() only joins names.
    const QString key = QFileInfo(path).absoluteFilePath();
    const CacheEntry cached = cache_.value(key);
    std::optional<ReadClip> read;
    {
        std::lock_guard lock(late_->mutex);
        if (auto it = late_->clips.find(key); it != late_->clips.end()) {
            read = std::move(*it);
            late_->clips.erase(it);
        }
    }
    if (!read) {
        // Set once the wait is over: a read finishing after it leaves its clip for later.
        auto waited = std::make_shared<bool>(true);
        read = withPatience<ReadClip>(kPatience, [path, key, late = late_, mixer = mixer_, size = cached.size,
                                                  mtime = cached.mtimeMs, waited] {
            ReadClip r = readClip(path, size, mtime, *mixer, kMaxSeconds);
            std::lock_guard lock(late->mutex);
            if (!*waited) late->clips.insert(key, r);
            return r;
        });
        if (!read) {
            std::lock_guard lock(late_->mutex);
            *waited = false;
        }
    }
    if (!read) {
        if (!stallReported_) {
            stallReported_ = true;
            std::fprintf(stderr, "mokuri: %s does not answer (a network share?); its sound is skipped\n",
                         qPrintable(QDir::toNativeSeparators(path)));
        }
        return nullptr;
    }
    if (!read->isFile)
        return nullptr;
    if (read->unchanged && cached.clip)
        return cached.clip;
    std::shared_ptr<const AudioClip> clip = read->clip;
    if (!clip)
        return nullptr;
    if (read->cut && !cutReported_.contains(key)) {
        // Said once per file rather than at every play of it.
        cutReported_.insert(key);
        const QString seconds = QString::number(clip->seconds(), 'f', 0);
        std::fprintf(stderr, "mokuri: %s lasts longer than %d s; only its first %s s are played\n",
                     qPrintable(QDir::toNativeSeparators(path)), kMaxSeconds, qPrintable(seconds));
        trace_.event("warning", {QFileInfo(path).fileName() + QStringLiteral(" plays only its first ") + seconds + QStringLiteral(" s")});
    }

    const std::size_t clipBytes = clip->samples.size() * sizeof(float);
    if (auto it = cache_.find(key); it != cache_.end()) {
        cacheBytes_ -= it->clip->samples.size() * sizeof(float);
        cache_.erase(it);
    }
    if (cacheBytes_ + clipBytes > kCacheLimitBytes) {
        cache_.clear();
        cacheBytes_ = 0;
    }
    cache_.insert(key, CacheEntry{read->size, read->mtimeMs, clip});
    cacheBytes_ += clipBytes;
    return clip;
}

void SdlSoundPlayer::play(const QString& fileName)
{
    clip_ = fileName.isEmpty() ? nullptr : load(QDir::current().filePath(fileName));
    if (!clip_) {
        stop();
        trace_.event("missing", {fileName});
        return;
    }
    // Cuts off the sound before in the same step: stopping it first would leave the mixer
    // idle for a moment, and the device might close in between.
    token_ = mixer_->playSound(clip_);
}

void SdlSoundPlayer::stop()
{
    if (token_)
        mixer_->stopSound(token_);
}

bool SdlSoundPlayer::isPlaying()
{
    return token_ && mixer_->soundPlaying(token_);
}

void SdlSoundPlayer::waitUntilEnded()
{
    if (token_)
        mixer_->waitSoundEnd(token_);
}

} // namespace mokuri
