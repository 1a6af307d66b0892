#pragma once
// The sound-playback control on SDL2: WAV files by bare name in the current
// folder, played on the AudioMixer's sound voice.
#include "media/AudioMixer.h"
#include "media/SoundControl.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>

namespace mokuri {

class SdlSoundControl final : public SoundControl {
public:
    explicit SdlSoundControl(std::shared_ptr<AudioMixer> mixer = AudioMixer::Shared());
    ~SdlSoundControl() override; // stops its sound

    // "Open": loads FileName (any WAV SDL_LoadWAV reads, converted to the device format and
    // cached, so a second open of the same file costs a stat). A missing or unreadable file:
    // TraceEvent("missing", {name}), nothing opens. "Play": starts the open file from its
    // start. "Stop" / "Close". Anything in the wrong state is ignored.
    void SetCommand(const QString& command) override;
    void SetFileName(const QString& fileName) override;
    // ModePlaying (526) while the sound plays, ModeStopped (525) when open, else ModeNotOpen.
    int Mode() override;
    // Blocks on a condition variable until the sound has ended (or was stopped); returns at
    // once when nothing plays. No polling.
    void WaitForModeChange() override;

    // For tests and benchmarks.
    AudioMixer& mixer() { return *mixer_; }
    std::uint64_t playToken() const { return token_; }
    double openSeconds() const { return clip_ ? clip_->seconds() : 0.0; }
    const AudioClip* openClip() const { return clip_.get(); }

private:
    struct CacheEntry {
        qint64 size = -1;
        qint64 mtimeMs = 0;
        std::shared_ptr<const AudioClip> clip;
    };
    std::shared_ptr<const AudioClip> load(const QString& path);

    std::shared_ptr<AudioMixer> mixer_;
    QString fileName_;
    std::shared_ptr<const AudioClip> clip_; // the open file, null when nothing is open
    std::uint64_t token_ = 0;               // the mixer's token of our last play
    QHash<QString, CacheEntry> cache_;
    std::size_t cacheBytes_ = 0;
};

} // namespace mokuri
