// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/Deck.h"

#include "content/PictureFolder.h"
#include "support/FileRead.h"
#include "support/SafeSave.h"

#include "media/WavData.h"
#include "support/TextEncoding.h"
#include "tools/DeckWords.h"
#include "tools/EffectSounds.h"
#include "tools/LetterVoices.h"
#include "tools/Pictures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

namespace mokuri::deck {

WriteOutcome writeNewFile(const QString& dir, const QString& name, const QByteArray& bytes,
                          QString* error)
{
    QString why;
    const WriteOutcome outcome = createFile(QDir(dir).filePath(name), bytes, &why);
    if (error) *error = why;
    return outcome;
}

QStringList praiseLines()
{
    return {
        QStringLiteral("よくできました"), QStringLiteral("すごいね"),
        QStringLiteral("じょうずだね"),   QStringLiteral("やったね"),
        QStringLiteral("よくがんばったね"), QStringLiteral("はなまるだよ"),
    };
}

namespace {

QByteArray sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace

QByteArray fileSha256(const QString& path)
{
    // A FIFO or a device under a letter's name would block for ever, and a file of many
    // megabytes is no letter of ours: neither has a checksum the manifest could hold.
    const ReadResult read = readFileBytes(path);
    if (read.status != ReadStatus::Ok || read.truncated) return {};
    return sha256Hex(read.bytes);
}

// The effects are what the child hears around the letters: the letters are as loud as the
// chime. (The buzzer is a harsh wave, louder by its nature; a letter that loud would clip.)
double effectLoudness()
{
    static const double loudness = voicedLoudness(chimeSound());
    return loudness;
}

// espeak-ng does not say a letter the same way twice (it carries state from one text to the
// next), so the file is known by its form instead: exactly the WAV wavBytes writes, at
// espeak-ng's rate, its loudest sample exactly where tidyVoice puts it, faded to zero at the
// end. A recording made any other way has a different header, rate or level.
bool isEarlierEspeakLetter(const QString& path)
{
    QFile f(path);
    if (f.size() <= 44 || f.size() > (4 << 20) || !f.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = f.readAll();
    std::vector<int16_t> samples(size_t(bytes.size() - 44) / 2);
    std::memcpy(samples.data(), bytes.constData() + 44, samples.size() * 2);
    if (wavBytes(samples, 22050) != bytes || samples.back() != 0) return false;
    int peak = 0;
    for (int16_t v : samples) peak = std::max(peak, std::abs(int(v)));
    return peak == int(std::lround(0.9 * 32767));
}

QHash<QString, MadeLetter> readVoiceManifest(const QString& dir)
{
    QHash<QString, MadeLetter> made;
    // A few hundred short lines; a file that is not even a regular file is not ours.
    const QByteArray text = readFileBytes(QDir(dir).filePath(kVoiceManifest)).bytes;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 3 || fields[1].size() != 64) continue;
        made.insert(QString::fromUtf8(fields[0]), {fields[1], QString::fromUtf8(fields[2])});
    }
    return made;
}

bool writeVoiceManifest(const QString& dir, const QHash<QString, MadeLetter>& made, QString* error)
{
    QByteArray manifest;
    QStringList names = made.keys();
    names.sort();
    for (const QString& name : names) {
        const MadeLetter& m = made[name];
        // A letter deleted, or recorded over by other means, is no longer the one noted.
        if (fileSha256(QDir(dir).filePath(name)) != m.sha256) continue;
        manifest += name.toUtf8() + '\t' + m.sha256 + '\t' + m.engine.toUtf8() + '\n';
    }
    QString why;
    if (saveFile(QDir(dir).filePath(kVoiceManifest), manifest, &why)) return true;
    if (error) *error = why;
    return false;
}

DeckMaker::DeckMaker(QString dir, LetterVoice voice, LetterVoice fallback, Reporter report)
    : dir_(std::move(dir)), voice_(std::move(voice)), fallback_(std::move(fallback)), report_(std::move(report))
{
}

bool DeckMaker::missing(const QString& name) const
{
    const QFileInfo info(QDir(dir_).filePath(name));
    return !info.exists() && !info.isSymLink();
}

bool DeckMaker::pictureMissing(const QString& word) const
{
    // A picture the adult converted to another kind still names the word; a second one
    // would show the same question twice.
    return !existingPictureWords_.contains(word);
}

void DeckMaker::store(const QString& name, const QByteArray& bytes)
{
    QString error;
    const WriteOutcome outcome = writeNewFile(dir_, name, bytes, &error);
    std::lock_guard<std::mutex> g(lock_);
    if (outcome == WriteOutcome::Created) {
        ++created_;
        report_(QStringLiteral("created %1").arg(QDir(dir_).filePath(name)));
    } else if (outcome == WriteOutcome::Failed) {
        ++failed_;
        report_(QStringLiteral("could not write %1: %2").arg(QDir(dir_).filePath(name), error));
    }
}

void DeckMaker::fail(const QString& name, const QString& why)
{
    std::lock_guard<std::mutex> g(lock_);
    ++failed_;
    report_(QStringLiteral("could not make %1: %2").arg(QDir(dir_).filePath(name), why));
}

QByteArray DeckMaker::letterFile(const Spoken& spoken, bool level) const
{
    std::vector<int16_t> samples = tidyVoice(spoken.samples, spoken.sampleRate);
    if (samples.empty()) return {};
    // espeak-ng's letters stay as earlier versions made them, byte for byte, so that --renew
    // recognises them.
    if (level) samples = matchLoudness(samples, effectLoudness());
    return wavBytes(samples, spoken.sampleRate);
}

void DeckMaker::replaceOwn(const QString& name, const QByteArray& bytes, const QByteArray& expectedSha)
{
    const QString path = QDir(dir_).filePath(name);
    // Checked again just before: a recording put there meanwhile is kept.
    if (fileSha256(path) != expectedSha) return;
    if (QString why; !saveFile(path, bytes, &why)) {
        fail(name, why);
        return;
    }
    std::lock_guard<std::mutex> g(lock_);
    ++renewed_;
    report_(QStringLiteral("renewed %1").arg(path));
}

void DeckMaker::makeVoices()
{
    made_ = readVoiceManifest(dir_);
    struct Job {
        const VoiceLetter* letter;
        QByteArray replaces; // the checksum of the file it renews; empty for a new file
    };
    std::vector<Job> jobs;
    for (const VoiceLetter& v : voiceLetters()) {
        const QString name = v.letter + QStringLiteral(".wav");
        if (missing(name)) {
            jobs.push_back({&v, {}});
            continue;
        }
        if (!renew_) continue;
        const QByteArray sha = fileSha256(QDir(dir_).filePath(name));
        const auto known = made_.constFind(name);
        QString engine;
        if (known != made_.constEnd()) {
            if (known->sha256 == sha) engine = known->engine;
        } else if (isEarlierEspeakLetter(QDir(dir_).filePath(name))) {
            engine = kEspeakEngine;
        }
        if (!engine.isEmpty() && engine != voice_.engine && engine != kPersonEngine) jobs.push_back({&v, sha});
    }

    std::atomic<std::size_t> next{0};
    int done = 0;
    const int total = int(jobs.size());
    auto work = [&] {
        for (std::size_t i; (i = next++) < jobs.size();) {
            const Job& job = jobs[i];
            const QString name = job.letter->letter + QStringLiteral(".wav");
            Spoken spoken = voice_.speak ? voice_.speak(job.letter->spoken) : Spoken{{}, 0, QStringLiteral("no speech engine")};
            QString engine = voice_.engine;
            if (!spoken.error.isEmpty() && fallback_.speak && fallback_.engine != voice_.engine) {
                {
                    std::lock_guard<std::mutex> g(lock_);
                    if (!fallbackSaid_)
                        report_(QStringLiteral("%1 could not speak %2 (%3): %4 speaks it")
                                    .arg(voice_.engine, job.letter->letter, spoken.error, fallback_.engine));
                    fallbackSaid_ = true;
                }
                spoken = fallback_.speak(job.letter->spoken);
                engine = fallback_.engine;
            }
            const QByteArray bytes = spoken.error.isEmpty() && spoken.sampleRate > 0
                                         ? letterFile(spoken, engine != kEspeakEngine) : QByteArray();
            if (!spoken.error.isEmpty()) {
                fail(name, spoken.error);
            } else if (bytes.isEmpty()) {
                fail(name, QStringLiteral("the speech engine gave only silence"));
            } else {
                if (job.replaces.isEmpty())
                    store(name, bytes);
                else
                    replaceOwn(name, bytes, job.replaces);
                // Recorded only if the file now holds these bytes (not if a file appeared meanwhile).
                if (fileSha256(QDir(dir_).filePath(name)) == sha256Hex(bytes)) {
                    std::lock_guard<std::mutex> g(lock_);
                    made_.insert(name, {sha256Hex(bytes), engine});
                }
            }
            std::lock_guard<std::mutex> g(lock_);
            ++done;
            if (progress_) progress_(done, total);
        }
    };
    // open_jtalk runs as its own process: two at a time keep both cores busy. QThreads, for
    // the QProcess inside.
    std::unique_ptr<QThread> second(QThread::create(work));
    second->start();
    work();
    second->wait();
    if (jobs.empty()) return;

    QString error;
    if (!writeVoiceManifest(dir_, made_, &error))
        report_(QStringLiteral("could not write %1: %2").arg(QDir(dir_).filePath(kVoiceManifest), error));
}

void DeckMaker::makeEffects()
{
    for (const EffectSound& e : kEffectSounds) {
        const QString name = QString::fromUtf16(e.file);
        if (missing(name)) store(name, wavBytes(e.make(), kEffectRate));
    }
}

void DeckMaker::makeTextAndIcon()
{
    // The game reads O.txt in the Windows code page with CR LF lines, like the files it
    // writes itself.
    if (missing(QStringLiteral("O.txt")))
        store(QStringLiteral("O.txt"), encodeText(praiseLines().join(QStringLiteral("\r\n")) +
                                                  QStringLiteral("\r\n")));
    if (missing(QStringLiteral("Clear.ico"))) {
        const QByteArray icon = transparentIcon();
        if (icon.isEmpty())
            fail(QStringLiteral("Clear.ico"), QStringLiteral("Qt's ico image plugin is missing"));
        else
            store(QStringLiteral("Clear.ico"), icon);
    }
}

void DeckMaker::makePictures()
{
    const QString fontProblem = emojiFontProblem();
    int variant = 0;
    for (const DeckWord& w : sampleWords()) {
        const int thisVariant = variant++;
        if (!pictureMissing(w.word)) continue;
        const QString name = w.word + QLatin1Char('.') + w.format;
        if (!fontProblem.isEmpty()) {
            fail(name, fontProblem);
            continue;
        }
        const QByteArray bytes = encodePicture(drawEmojiPicture(w.emoji, thisVariant), w.format);
        if (bytes.isEmpty()) {
            fail(name, QStringLiteral("the emoji font has no picture for it"));
            continue;
        }
        store(name, bytes);
    }
}

void DeckMaker::make(bool withPictures)
{
    // The pictures the game will play in this folder, whose words need their letters.
    const QStringList pictures = listPictureFolder(dir_).names;
    existingPictureWords_.clear();
    // The game's word for a picture is its file name up to the first dot.
    for (const QString& p : pictures) existingPictureWords_.push_back(QFileInfo(p).baseName());

    // Speaking is the slow part and the engine serves one text at a time, so one thread
    // speaks while this one draws.
    std::unique_ptr<QThread> voices(QThread::create([this] { makeVoices(); }));
    voices->start();
    makeEffects();
    makeTextAndIcon();
    if (withPictures) makePictures();
    voices->wait();
}

} // namespace mokuri::deck
