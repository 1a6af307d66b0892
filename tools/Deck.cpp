#include "tools/Deck.h"

#include "content/TextEncoding.h"
#include "game/Letters.h"
#include "tools/DeckWords.h"
#include "tools/EffectSounds.h"
#include "tools/IconFile.h"
#include "tools/LetterVoices.h"
#include "tools/Pictures.h"
#include "tools/WavFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <thread>

namespace mokuri::deck {

WriteOutcome WriteNewFile(const QString& dir, const QString& name, const QByteArray& bytes,
                          QString* error)
{
    const QString path = QDir(dir).filePath(name);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) return WriteOutcome::Existed;
    QTemporaryFile tmp(QDir(dir).filePath(QStringLiteral(".mokuri-deck-XXXXXX")));
    if (!tmp.open()) {
        if (error) *error = tmp.errorString();
        return WriteOutcome::Failed;
    }
    if (tmp.write(bytes) != bytes.size() || !tmp.flush()) {
        if (error) *error = tmp.errorString();
        return WriteOutcome::Failed;
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

QStringList PraiseLines()
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

bool DeckMaker::Missing(const QString& name) const
{
    const QFileInfo info(QDir(dir_).filePath(name));
    return !info.exists() && !info.isSymLink();
}

bool DeckMaker::PictureMissing(const QString& word) const
{
    // A picture the adult converted to another kind still names the word; a second one
    // would show the same question twice.
    return !existingPictureWords_.contains(word);
}

void DeckMaker::Store(const QString& name, const QByteArray& bytes)
{
    QString error;
    const WriteOutcome outcome = WriteNewFile(dir_, name, bytes, &error);
    std::lock_guard<std::mutex> g(lock_);
    if (outcome == WriteOutcome::Created) {
        ++created_;
        report_(QStringLiteral("created %1").arg(QDir(dir_).filePath(name)));
    } else if (outcome == WriteOutcome::Failed) {
        ++failed_;
        report_(QStringLiteral("could not write %1: %2").arg(QDir(dir_).filePath(name), error));
    }
}

void DeckMaker::Fail(const QString& name, const QString& why)
{
    std::lock_guard<std::mutex> g(lock_);
    ++failed_;
    report_(QStringLiteral("could not make %1: %2").arg(QDir(dir_).filePath(name), why));
}

void DeckMaker::MakeVoices()
{
    for (const VoiceLetter& v : VoiceLetters()) {
        const QString name = v.letter + QStringLiteral(".wav");
        if (!Missing(name)) continue;
        std::vector<int16_t> samples;
        int rate = 0;
        const QString error = synthesize_ ? synthesize_(v.spoken, samples, rate)
                                          : QStringLiteral("no speech engine");
        if (!error.isEmpty() || rate <= 0) {
            Fail(name, error.isEmpty() ? QStringLiteral("the speech engine gave no sound") : error);
            continue;
        }
        samples = TidyVoice(samples, rate);
        if (samples.empty()) {
            Fail(name, QStringLiteral("the speech engine gave only silence"));
            continue;
        }
        Store(name, EncodeWav(samples, rate));
    }
}

void DeckMaker::MakeEffects()
{
    const struct {
        const char16_t* name;
        std::vector<int16_t> (*make)();
    } effects[] = {
        {u"ガチャ.wav", ClickSound},
        {u"ブー.wav", BuzzerSound},
        {u"ピンポン.wav", ChimeSound},
    };
    for (const auto& e : effects) {
        const QString name = QString::fromUtf16(e.name);
        if (Missing(name)) Store(name, EncodeWav(e.make(), kEffectRate));
    }
}

void DeckMaker::MakeTextAndIcon()
{
    // The game reads O.txt in the Windows code page with CR LF lines, like the files it
    // writes itself.
    if (Missing(QStringLiteral("O.txt")))
        Store(QStringLiteral("O.txt"), EncodeText(PraiseLines().join(QStringLiteral("\r\n")) +
                                                  QStringLiteral("\r\n")));
    if (Missing(QStringLiteral("Clear.ico"))) Store(QStringLiteral("Clear.ico"), TransparentIcon());
}

void DeckMaker::MakePictures()
{
    const QString fontProblem = EmojiFontProblem();
    int variant = 0;
    for (const DeckWord& w : SampleWords()) {
        const int thisVariant = variant++;
        if (!PictureMissing(w.word)) continue;
        const QString name = w.word + QLatin1Char('.') + w.format;
        if (!fontProblem.isEmpty()) {
            Fail(name, fontProblem);
            continue;
        }
        const QByteArray bytes = EncodePicture(DrawEmojiPicture(w.emoji, thisVariant), w.format);
        if (bytes.isEmpty()) {
            Fail(name, QStringLiteral("the emoji font has no picture for it"));
            continue;
        }
        Store(name, bytes);
    }
}

void DeckMaker::Make(bool withPictures)
{
    const QStringList pictures = QDir(dir_).entryList(
        {QStringLiteral("*.jpg"), QStringLiteral("*.gif"), QStringLiteral("*.bmp")},
        QDir::Files | QDir::System | QDir::Hidden, QDir::NoSort);
    existingPictureWords_.clear();
    for (const QString& p : pictures) existingPictureWords_.push_back(NameWithoutExtension(p));

    // Speaking is the slow part and the engine serves one text at a time, so one thread
    // speaks while this one draws.
    std::thread voices([this] { MakeVoices(); });
    MakeEffects();
    MakeTextAndIcon();
    if (withPictures) MakePictures();
    voices.join();
}

} // namespace mokuri::deck
