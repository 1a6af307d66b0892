// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/voices/VoiceShelf.h"

#include "content/PictureFolder.h"
#include "content/WordLetters.h"
#include "media/WavData.h"
#include "support/FileRead.h"
#include "tools/Deck.h"
#include "tools/EffectSounds.h"
#include "tools/LetterVoices.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace mokuri::voices {

namespace {

QString effectLabel(const QString& file)
{
    return QFileInfo(file).completeBaseName();
}

const deck::EffectSound* effectNamed(const QString& file)
{
    for (const deck::EffectSound& e : deck::kEffectSounds)
        if (QString::fromUtf16(e.file) == file) return &e;
    return nullptr;
}

QString folderProblem(const QString& soundsFolder, const QString& file, const QString& error)
{
    const QFileInfo dir(soundsFolder);
    if (!dir.isDir())
        return QStringLiteral("音のフォルダーがありません: %1").arg(soundsFolder);
    if (!dir.isWritable())
        return QStringLiteral("このフォルダーには書き込めません: %1\nこれまでの音はそのままです。").arg(soundsFolder);
    return QStringLiteral("%1 を保存できませんでした (%2)。\nディスクがいっぱいかもしれません。これまでの音はそのままです。")
        .arg(file, error);
}

} // namespace

namespace {

Maker makerBy(const QHash<QString, deck::MadeLetter>& made, const QString& soundsFolder, const QString& file, bool effect)
{
    const QString path = QDir(soundsFolder).filePath(file);
    const QFileInfo info(path);
    if (!info.exists()) return Maker::Missing;
    if (effect) {
        const deck::EffectSound* e = effectNamed(file);
        if (e && readFileBytes(path).bytes == wavBytes(e->make(), deck::kEffectRate)) return Maker::Deck;
        return Maker::Person;
    }
    const auto known = made.constFind(file);
    if (known != made.constEnd())
        return known->engine != deck::kPersonEngine && known->sha256 == deck::fileSha256(path) ? Maker::Deck
                                                                                                 : Maker::Person;
    return deck::isEarlierEspeakLetter(path) ? Maker::Deck : Maker::Person;
}

} // namespace

Maker makerOf(const QString& soundsFolder, const QString& file, bool effect)
{
    return makerBy(effect ? QHash<QString, deck::MadeLetter>() : deck::readVoiceManifest(soundsFolder),
                   soundsFolder, file, effect);
}

std::vector<ShelfSound> shelfOf(const QString& soundsFolder, const QString& pictureFolder)
{
    QStringList needed; // sound files, in the order the words use them
    if (!pictureFolder.isEmpty()) {
        const FolderListing listing = listPictureFolder(pictureFolder);
        for (const QString& picture : listing.names)
            for (const QString& letter : splitLetters(wordOfPicture(picture))) {
                const QString file = letterSoundFile(letter);
                if (!needed.contains(file)) needed << file;
            }
    }
    const auto made = deck::readVoiceManifest(soundsFolder);
    std::vector<ShelfSound> letters;
    for (const deck::VoiceLetter& v : deck::voiceLetters()) {
        ShelfSound s;
        s.file = v.letter + QStringLiteral(".wav");
        // The file of the long vowel mark is named by the letter the game turns ー into.
        s.label = v.letter == QStringLiteral("゜") ? QStringLiteral("ー") : v.letter;
        // The engine is given katakana for a plain letter (a lone は would be read わ); a
        // person reads the letter itself, and the name of a small letter or a digit.
        const bool plain = v.letter.size() == 1 && v.spoken == QString(QChar(char16_t(v.letter[0].unicode() + kKatakanaOffset)));
        s.prompt = plain ? v.letter : v.spoken;
        s.wordsNeedIt = needed.contains(s.file);
        s.maker = makerBy(made, soundsFolder, s.file, false);
        letters.push_back(s);
    }
    std::stable_sort(letters.begin(), letters.end(), [&](const ShelfSound& a, const ShelfSound& b) {
        const qsizetype ia = a.wordsNeedIt ? needed.indexOf(a.file) : needed.size();
        const qsizetype ib = b.wordsNeedIt ? needed.indexOf(b.file) : needed.size();
        return ia < ib;
    });
    for (const deck::EffectSound& e : deck::kEffectSounds) {
        ShelfSound s;
        s.file = QString::fromUtf16(e.file);
        s.label = effectLabel(s.file);
        s.prompt = s.label;
        s.effect = true;
        s.maker = makerBy(made, soundsFolder, s.file, true);
        letters.push_back(s);
    }
    return letters;
}

bool keepTake(const QString& soundsFolder, const QString& file,
              const std::vector<std::int16_t>& samples, int sampleRate, QString* message)
{
    QString error;
    const QString path = QDir(soundsFolder).filePath(file);
    if (!writeWavFile(path, samples, sampleRate, &error)) {
        if (message) *message = folderProblem(soundsFolder, file, error);
        return false;
    }
    // Even without this note no renewal would touch the file (its checksum is not the deck's);
    // with it the adult's recording is known as theirs.
    auto made = deck::readVoiceManifest(soundsFolder);
    made.insert(file, {deck::fileSha256(path), deck::kPersonEngine});
    if (!deck::writeVoiceManifest(soundsFolder, made, &error)) {
        if (message)
            *message = QStringLiteral("%1 は保存しましたが、%2 を書けませんでした (%3)。")
                           .arg(file, deck::kVoiceManifest, error);
        return false;
    }
    return true;
}

bool restoreEffect(const QString& soundsFolder, const QString& file, QString* message)
{
    const deck::EffectSound* e = effectNamed(file);
    if (!e) {
        if (message) *message = QStringLiteral("%1 は効果音ではありません。").arg(file);
        return false;
    }
    QString error;
    if (!writeWavFile(QDir(soundsFolder).filePath(file), e->make(), deck::kEffectRate, &error)) {
        if (message) *message = folderProblem(soundsFolder, file, error);
        return false;
    }
    return true;
}

} // namespace mokuri::voices
