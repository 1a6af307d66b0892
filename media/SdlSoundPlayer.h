// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound player on SDL2: WAV files by bare name in the current folder, played on the
// AudioMixer's sound voice.
#include "media/AudioMixer.h"
#include "media/SoundPlayer.h"
#include "support/FileStamp.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>

namespace mokuri {

class Trace;

class SdlSoundPlayer final : public SoundPlayer {
    Q_OBJECT
public:
    // Files that cannot be played are reported to `trace` ("missing"), which must outlive
    // the player.
    explicit SdlSoundPlayer(Trace& trace, std::shared_ptr<AudioMixer> mixer = AudioMixer::shared(),
                            QObject* parent = nullptr);
    ~SdlSoundPlayer() override; // stops its sound

    // A recording left running would make a letter last minutes, and the game listens to a
    // letter before it judges the tile: a sound is cut after this long.
    static constexpr int kMaxSeconds = 10;
    // A sound file is read off the window's thread; one that has not come after this long
    // (a stalled network share) is skipped, as a missing one is, and kept when it comes.
    static constexpr std::chrono::milliseconds kPatience{500};
    // Past a sound's due end, a device that has stopped taking sound is given up on.
    static constexpr std::chrono::milliseconds kStallSlack{2000};

    // Reads any WAV libsndfile reads (WavReader), converted to the device format and cached, so that
    // playing the same file again costs a look at its size and date. Only the first
    // kMaxSeconds are read and played; a longer file is reported once, on stderr and to the
    // trace ("warning <name> plays only its first 10 s"). A missing or unreadable file: the
    // trace line "missing <name>", and the sound before stays cut off.
    void play(const QString& fileName) override;
    void stop() override;
    bool isPlaying() override { return active_; }
    void prepare(const QString& fileName) override;

    // For tests and benchmarks.
    AudioMixer& mixer() { return *mixer_; }
    std::uint64_t playToken() const { return token_; }
    // The clip of the last play, null when that file could not be played (or is not read yet).
    const AudioClip* lastClip() const { return clip_.get(); }

private:
    struct CacheEntry {
        FileStamp stamp;
        std::shared_ptr<const AudioClip> clip;  // null: the file could not be played
    };
    struct ReadResult;
    struct Relay;
    void read(const QString& key);
    void onRead(const QString& key, const ReadResult& r);
    void start(std::shared_ptr<const AudioClip> clip);
    void skip(const QString& fileName);
    void cut(); // silences the mixer's sound of our last start
    void end(std::uint64_t play);
    std::shared_ptr<const AudioClip> remember(const QString& key, const ReadResult& r);

    Trace& trace_;
    std::shared_ptr<AudioMixer> mixer_;
    std::shared_ptr<const AudioClip> clip_;
    std::uint64_t token_ = 0; // the mixer's token of our last play
    std::uint64_t play_ = 0;  // bumped by every play and stop
    std::uint64_t tokenPlay_ = 0; // the play that started token_
    bool active_ = false;
    QString waitingFor_;      // the key whose read the current play waits for
    QString waitingName_;
    QTimer* patience_;
    QTimer* stallWatch_;
    QHash<QString, CacheEntry> cache_;
    std::size_t cacheBytes_ = 0;
    QSet<QString> reading_;     // reads on their way
    QSet<QString> cutReported_; // files said to be cut
    bool stallReported_ = false;
    std::shared_ptr<Relay> relay_;
    std::shared_ptr<void> endListener_;
};

} // namespace mokuri
