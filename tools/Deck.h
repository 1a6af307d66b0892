// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fills a folder with what the game needs, creating only the files that are missing.
#include "support/SafeSave.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace mokuri::deck {

using WriteOutcome = CreateOutcome;

// `name` in `dir` made by createFile: never replacing a file.
WriteOutcome writeNewFile(const QString& dir, const QString& name, const QByteArray& bytes,
                          QString* error);

// The praise lines for O.txt, one per line.
QStringList praiseLines();

// What a speech engine made of a text: mono 16-bit samples and their rate, or why nothing.
struct Spoken {
    std::vector<int16_t> samples;
    int sampleRate = 0;
    QString error;
};

// A speech engine for the letters. `engine` names it and its voice in the manifest, so that
// a later run knows which letters another engine spoke. `speak` may be called from two
// threads at once.
struct LetterVoice {
    QString engine;
    std::function<Spoken(const QString& text)> speak;
};
inline const QString kEspeakEngine = QStringLiteral("espeak-ng");

// The letter files mokuri-deck made in a folder: name -> SHA-256 (hex) and engine. Kept in
// the folder as kVoiceManifest, one "name TAB sha256 TAB engine" a line, so that --renew can
// tell its own letters from a person's recordings.
inline const QString kVoiceManifest = QStringLiteral(".mokuri-deck-voices");
struct MadeLetter {
    QByteArray sha256;
    QString engine;
};
QHash<QString, MadeLetter> readVoiceManifest(const QString& dir);
// A letter an adult recorded (mokuri-voices) is in the manifest under this engine, so that
// no run of the tool takes it for its own.
inline const QString kPersonEngine = QStringLiteral("person");
// Writes the manifest of `dir` crash-safely: the entries whose files still hold their
// checksums (a letter deleted, or recorded over without the recorder, is dropped).
bool writeVoiceManifest(const QString& dir, const QHash<QString, MadeLetter>& made, QString* error);
QByteArray fileSha256(const QString& path);
// A letter an earlier mokuri-deck spoke with espeak-ng, before it kept a manifest.
bool isEarlierEspeakLetter(const QString& path);

// The voiced loudness (voicedLoudness) the letters are brought to: that of the effects.
double effectLoudness();

class DeckMaker {
public:
    using Reporter = std::function<void(const QString& line)>;
    // `voice` speaks the letters; `fallback` (espeak-ng) speaks a letter `voice` fails on.
    DeckMaker(QString dir, LetterVoice voice, LetterVoice fallback, Reporter report);

    // With renew, letter files this tool made with another engine (by the manifest, or, from
    // before the manifest, by the exact form of its espeak-ng letters) are made again with
    // `voice`; a file whose checksum is not the tool's own is never replaced.
    void setRenew(bool renew) { renew_ = renew; }
    // Called after each letter with how many of how many are done (from a worker thread).
    void setProgress(std::function<void(int done, int total)> progress) { progress_ = std::move(progress); }
    const std::function<void(int, int)>& progress() const { return progress_; }

    // Everything a folder of one's own pictures needs: letter voices, effect sounds, O.txt,
    // Clear.ico. With pictures, also the sample pictures, made while the voices are spoken.
    void make(bool withPictures);

    int created() const { return created_; }
    int failed() const { return failed_; }
    int renewed() const { return renewed_; }

private:
    bool missing(const QString& name) const;
    bool pictureMissing(const QString& word) const;
    void store(const QString& name, const QByteArray& bytes);
    void fail(const QString& name, const QString& why);
    void makeVoices();
    QByteArray letterFile(const Spoken& spoken, bool level) const;
    void replaceOwn(const QString& name, const QByteArray& bytes, const QByteArray& expectedSha);
    void makeEffects();
    void makeTextAndIcon();
    void makePictures();

    QString dir_;
    LetterVoice voice_;
    LetterVoice fallback_;
    Reporter report_;
    bool renew_ = false;
    std::function<void(int, int)> progress_;
    QHash<QString, MadeLetter> made_; // the manifest, updated as letters are made
    bool fallbackSaid_ = false;
    QStringList existingPictureWords_;
    std::mutex lock_; // the voices are made on their own thread
    int created_ = 0;
    int failed_ = 0;
    int renewed_ = 0;
};

} // namespace mokuri::deck
