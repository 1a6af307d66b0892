// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound player on SDL2: WAV files by bare name in the current folder, played on the
// AudioMixer's sound voice.
#include "media/AudioMixer.h"
#include "media/SoundPlayer.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>

namespace mokuri {

class Trace;

class SdlSoundPlayer final : public SoundPlayer {
public:
    // Files that cannot be played are reported to `trace` ("missing"), which must outlive
    // the player.
    explicit SdlSoundPlayer(Trace& trace, std::shared_ptr<AudioMixer> mixer = AudioMixer::shared());
    ~SdlSoundPlayer() override; // stops its sound

    // The game waits for a letter's sound before it answers the child (and Esc waits behind
    // it), so a sound is cut after this long: a recording left running would freeze it.
    static constexpr int kMaxSeconds = 10;
    // A sound file is read on another thread and waited for this long at most: the child
    // hears a stalled network share's letters as missing rather than a frozen game.
    static constexpr std::chrono::milliseconds kPatience{500};

    // Reads any WAV SDL_LoadWAV reads, converted to the device format and cached, so that
    // playing the same file again costs a stat. Only the first kMaxSeconds are read and
    // played; a longer file is reported once, on stderr and to the trace ("warning <name>
    // plays only its first 10 s"). A missing or unreadable file: the trace line
    // "missing <name>", and the sound before stays cut off.
    void play(const QString& fileName) override;
    void stop() override;
    bool isPlaying() override;
    // Blocks on a condition variable until the sound has ended or was stopped. No polling.
    void waitUntilEnded() override;

    // For tests and benchmarks.
    AudioMixer& mixer() { return *mixer_; }
    std::uint64_t playToken() const { return token_; }
    // The clip of the last play, null when that file could not be played.
    const AudioClip* lastClip() const { return clip_.get(); }

private:
    struct CacheEntry {
        qint64 size = -1;
        qint64 mtimeMs = 0;
        std::shared_ptr<const AudioClip> clip;
    };
    // Waits at most kPatience for the file: one on a stalled share is skipped, not waited for.
    std::shared_ptr<const AudioClip> load(const QString& path);
    struct LateReads;

    Trace& trace_;
    std::shared_ptr<AudioMixer> mixer_;
    std::shared_ptr<const AudioClip> clip_;
    std::uint64_t token_ = 0; // the mixer's token of our last play
    QHash<QString, CacheEntry> cache_;
    std::size_t cacheBytes_ = 0;
    QSet<QString> cutReported_; // files said to be cut
    std::shared_ptr<LateReads> late_;
    bool stallReported_ = false;
};

} // namespace mokuri
