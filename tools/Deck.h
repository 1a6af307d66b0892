// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fills a folder with what the game needs, creating only the files that are missing.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace mokuri::deck {

enum class WriteOutcome { Created, Existed, Failed };

// Writes a new file without ever replacing one: the bytes go to a temporary file first, which
// is renamed only if the name is still free, so a failure leaves no half-written file either.
WriteOutcome writeNewFile(const QString& dir, const QString& name, const QByteArray& bytes,
                          QString* error);

// The praise lines for O.txt, one per line.
QStringList praiseLines();

// Text to mono 16-bit samples and their rate; returns why nothing could be made, or empty.
using Synthesizer =
    std::function<QString(const QString& text, std::vector<int16_t>& samples, int& sampleRate)>;

class DeckMaker {
public:
    using Reporter = std::function<void(const QString& line)>;
    DeckMaker(QString dir, Synthesizer synthesize, Reporter report);

    // Everything a folder of one's own pictures needs: letter voices, effect sounds, O.txt,
    // Clear.ico. With pictures, also the sample pictures, made while the voices are spoken.
    void make(bool withPictures);

    int created() const { return created_; }
    int failed() const { return failed_; }

private:
    bool missing(const QString& name) const;
    bool pictureMissing(const QString& word) const;
    void store(const QString& name, const QByteArray& bytes);
    void fail(const QString& name, const QString& why);
    void makeVoices();
    void makeEffects();
    void makeTextAndIcon();
    void makePictures();

    QString dir_;
    Synthesizer synthesize_;
    Reporter report_;
    QStringList existingPictureWords_;
    std::mutex lock_; // the voices are made on their own thread
    int created_ = 0;
    int failed_ = 0;
};

} // namespace mokuri::deck
