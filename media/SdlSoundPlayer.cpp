// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SdlSoundPlayer.h"

#include "support/Trace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mokuri {

namespace {
// Decoded sounds kept in memory: about ten seconds of sound, the letters of the words in
// play, so memory stays flat however many sound files the folder holds. Decoding a file
// again costs under a millisecond.
constexpr std::size_t kCacheLimitBytes = 4u << 20;
}

SdlSoundPlayer::SdlSoundPlayer(Trace& trace, std::shared_ptr<AudioMixer> mixer)
    : trace_(trace), mixer_(std::move(mixer))
{
}

SdlSoundPlayer::~SdlSoundPlayer()
{
    if (token_)
        mixer_->stopSound(token_);
}

std::shared_ptr<const AudioClip> SdlSoundPlayer::load(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return nullptr;
    const qint64 size = info.size();
    const qint64 mtime = info.lastModified().toMSecsSinceEpoch();
    const QString key = info.absoluteFilePath();
    if (auto it = cache_.constFind(key); it != cache_.constEnd() && it->size == size && it->mtimeMs == mtime)
        return it->clip;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.readAll();
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.constData(), int(bytes.size()));
    if (!rw)
        return nullptr;
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &spec, &buffer, &length))
        return nullptr;
    std::shared_ptr<const AudioClip> clip = mixer_->convert(spec, buffer, length);
    SDL_FreeWAV(buffer);
    if (!clip)
        return nullptr;

    const std::size_t clipBytes = clip->samples.size() * sizeof(float);
    if (auto it = cache_.find(key); it != cache_.end()) {
        cacheBytes_ -= it->clip->samples.size() * sizeof(float);
        cache_.erase(it);
    }
    if (cacheBytes_ + clipBytes > kCacheLimitBytes) {
        cache_.clear();
        cacheBytes_ = 0;
    }
    cache_.insert(key, CacheEntry{size, mtime, clip});
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
