// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/Deck.h"

#include "media/WavData.h"
#include "support/TextEncoding.h"
#include "tools/DeckWords.h"
#include "tools/EffectSounds.h"
#include "tools/LetterVoices.h"
#include "tools/Pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace mokuri::deck {

WriteOutcome writeNewFile(const QString& dir, const QString& name, const QByteArray& bytes,
                          QString* error)
{
    const QString path = QDir(dir).filePath(name);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) return WriteOutcome::Existed;
    QTemporaryFile tmp(QDir(dir).filePath(QStringLiteral(".mokuri-deck-XXXXXX")));
    if (!tmp.open()) {
        if (error) *error = tmp.errorString();
        return WriteOutcome::Failed;
    }
    // Written past Qt's buffer, whose failed flush says only "Unknown error": a full disk
    // is told as one.
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(tmp.handle(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (error) *error = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO));
            return WriteOutcome::Failed;
        }
        done += n;
    }
    tmp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                       QFile::ReadOther);
    // QFile::rename refuses to replace an existing file, so a file that appeared meanwhile
    // is left as it is.
    if (!tmp.rename(path)) {
        if (QFileInfo::exists(path)) return WriteOutcome::Existed;
        if (error) *error = tmp.errorString();
        return WriteOutcome::Failed;
    }
    tmp.setAutoRemove(false);
    return WriteOutcome::Created;
}

QStringList praiseLines()
{
    return {
        QStringLiteral("よくできました"), QStringLiteral("すごいね"),
        QStringLiteral("じょうずだね"),   QStringLiteral("やったね"),
        QStringLiteral("よくがんばったね"), QStringLiteral("はなまるだよ"),
    };
}

DeckMaker::DeckMaker(QString dir, Synthesizer synthesize, Reporter report)
    : dir_(std::move(dir)), synthesize_(std::move(synthesize)), report_(std::move(report))
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

void DeckMaker::makeVoices()
{
    for (const VoiceLetter& v : voiceLetters()) {
        const QString name = v.letter + QStringLiteral(".wav");
        if (!missing(name)) continue;
        std::vector<int16_t> samples;
        int rate = 0;
        const QString error = synthesize_ ? synthesize_(v.spoken, samples, rate)
                                          : QStringLiteral("no speech engine");
        if (!error.isEmpty() || rate <= 0) {
            fail(name, error.isEmpty() ? QStringLiteral("the speech engine gave no sound") : error);
            continue;
        }
        samples = tidyVoice(samples, rate);
        if (samples.empty()) {
            fail(name, QStringLiteral("the speech engine gave only silence"));
            continue;
        }
        store(name, wavBytes(samples, rate));
    }
}

void DeckMaker::makeEffects()
{
    const struct {
        const char16_t* name;
        std::vector<int16_t> (*make)();
    } effects[] = {
        {u"ガチャ.wav", clickSound},
        {u"ブー.wav", buzzerSound},
        {u"ピンポン.wav", chimeSound},
    };
    for (const auto& e : effects) {
        const QString name = QString::fromUtf16(e.name);
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
    const QStringList pictures = QDir(dir_).entryList(
        {QStringLiteral("*.jpg"), QStringLiteral("*.gif"), QStringLiteral("*.bmp")},
        QDir::Files | QDir::System | QDir::Hidden, QDir::NoSort);
    existingPictureWords_.clear();
    // The game's word for a picture is its file name up to the first dot.
    for (const QString& p : pictures) existingPictureWords_.push_back(QFileInfo(p).baseName());

    // Speaking is the slow part and the engine serves one text at a time, so one thread
    // speaks while this one draws.
    std::thread voices([this] { makeVoices(); });
    makeEffects();
    makeTextAndIcon();
    if (withPictures) makePictures();
    voices.join();
}

} // namespace mokuri::deck
