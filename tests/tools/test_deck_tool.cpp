// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-deck run as the adult runs it, and the real game started on what it made.
#include "game/Letters.h"
#include "support/TextEncoding.h"
#include "tools/TraceWait.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <SDL.h>
#include <cmath>

using namespace mokuri;
using namespace Qt::StringLiterals;

namespace {

struct Run {
    int exitCode = -1;
    QStringList created; // the paths the tool says it created
    QString out, err;
};

Run runDeck(const QStringList& args, const QMap<QString, QString>& extraEnv = {})
{
    QProcess p;
    p.setProgram(QStringLiteral(MOKURI_DECK_BIN));
    p.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = extraEnv.begin(); it != extraEnv.end(); ++it) env.insert(it.key(), it.value());
    env.remove(u"QT_QPA_PLATFORM"_s); // the tool must cope without a display on its own
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    p.setProcessEnvironment(env);
    p.start();
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    for (const QString& line : r.out.split(u'\n'))
        if (line.startsWith("created "_L1)) r.created.push_back(line.mid(8));
    return r;
}

struct FileState {
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const FileState&) const = default;
};

QMap<QString, FileState> snapshot(const QString& dir)
{
    QMap<QString, FileState> m;
    for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile f(fi.filePath());
        if (f.open(QIODevice::ReadOnly)) m.insert(fi.fileName(), {f.readAll(), fi.lastModified()});
    }
    return m;
}

// Dates every file of the folder far back, so that a file the tool wrote again shows in its
// modification time however quickly it ran.
void backdateFiles(const QString& dir)
{
    const QDateTime past(QDate(2001, 2, 3), QTime(4, 5, 6));
    for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile f(fi.filePath());
        const QFile::Permissions was = f.permissions();
        f.setPermissions(was | QFile::WriteOwner);
        if (f.open(QIODevice::ReadWrite)) f.setFileTime(past, QFileDevice::FileModificationTime);
        f.close();
        f.setPermissions(was);
    }
}

QStringList pictures(const QString& dir)
{
    return QDir(dir).entryList({u"*.jpg"_s, u"*.gif"_s, u"*.bmp"_s}, QDir::Files, QDir::Name);
}

QStringList sounds(const QString& dir) { return QDir(dir).entryList({u"*.wav"_s}, QDir::Files); }

struct Wav {
    bool ok = false;
    int rate = 0;
    std::vector<int16_t> samples;
    QString error;
};

Wav loadWav(const QString& path)
{
    Wav w;
    SDL_AudioSpec spec;
    Uint8* buf = nullptr;
    Uint32 len = 0;
    if (!SDL_LoadWAV(QFile::encodeName(path).constData(), &spec, &buf, &len)) {
        w.error = QString::fromUtf8(SDL_GetError());
        return w;
    }
    if (spec.format == AUDIO_S16LSB && spec.channels == 1) {
        w.ok = true;
        w.rate = spec.freq;
        w.samples.assign(reinterpret_cast<int16_t*>(buf), reinterpret_cast<int16_t*>(buf) + len / 2);
    } else {
        w.error = u"not mono 16-bit"_s;
    }
    SDL_FreeWAV(buf);
    return w;
}

double seconds(const Wav& w) { return double(w.samples.size()) / w.rate; }

// The first sample above 3 % of the peak.
size_t firstLoud(const Wav& w)
{
    int peak = 0;
    for (int16_t v : w.samples) peak = std::max(peak, std::abs(int(v)));
    size_t i = 0;
    while (i < w.samples.size() && std::abs(int(w.samples[i])) <= peak * 3 / 100) ++i;
    return i;
}

// The RMS of the samples above 3 % of the peak: a sound's loudness without its pauses.
double voicedRms(const std::vector<int16_t>& s)
{
    int peak = 0;
    for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
    double sum = 0;
    size_t n = 0;
    for (int16_t v : s)
        if (std::abs(int(v)) > peak * 3 / 100) sum += double(v) * v, ++n;
    return n ? std::sqrt(sum / double(n)) : 0;
}

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A stand-in for open_jtalk that copies `wav` to the WAV it is asked for.
QString fakeOpenJTalk(const QString& dir, const QString& wav)
{
    const QString path = dir + u"/open_jtalk"_s;
    writeFile(path, u"#!/bin/sh\nwhile [ $# -gt 0 ]; do [ \"$1\" = -ow ] && out=$2; shift; done\ncat >/dev/null\n"
                    u"cp '%1' \"$out\"\n"_s.arg(wav).toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

double rms(const std::vector<int16_t>& s, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to && i < s.size(); ++i) sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// Why the pointer file is not the fully transparent 32 x 32 icon the game hides the cursor
// with; empty when it is.
QString pointerProblem(const QString& path)
{
    const QImage icon(path);
    if (icon.size() != QSize(32, 32)) return u"%1 reads as %2 x %3"_s.arg(path).arg(icon.width()).arg(icon.height());
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(icon.pixel(x, y)) != 0) return u"%1: pixel %2,%3 is not transparent"_s.arg(path).arg(x).arg(y);
    return {};
}

} // namespace

class DeckToolTest : public QObject {
    Q_OBJECT

    QTemporaryDir deckDir_;
    QString deck_; // the whole deck the first run made
    Run first_;

private slots:
    void initTestCase()
    {
        QVERIFY(deckDir_.isValid());
        QElapsedTimer t;
        t.start();
        deck_ = deckDir_.path() + u"/deck"_s;
        first_ = runDeck({deck_});
        qInfo("whole deck made in %lld ms", t.elapsed());
        QVERIFY2(first_.exitCode == 0, qPrintable(first_.err));
    }

    void firstRunMakesAWholeDeck()
    {
        const QStringList pics = pictures(deck_);
        QVERIFY2(pics.size() >= 40, qPrintable(QString::number(pics.size())));
        QVERIFY(pics.size() <= 101);
        for (const QString& ext : {u".jpg"_s, u".gif"_s, u".bmp"_s})
            QVERIFY2(!pics.filter(ext).isEmpty(), qPrintable(ext));
        QCOMPARE(sounds(deck_).size(), 93 + 3);
        QVERIFY(QFileInfo::exists(deck_ + u"/O.txt"_s));
        QVERIFY(QFileInfo::exists(deck_ + u"/Clear.ico"_s));
        // Nothing else: no leftovers of unfinished writes, no settings the game should write
        // itself; but for the list of the letters the tool spoke, one line each.
        QStringList all = QDir(deck_).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(all.removeOne(u".mokuri-deck-voices"_s));
        QCOMPARE(readLines(deck_ + u"/.mokuri-deck-voices"_s).size(), 93);
        QCOMPARE(all.size(), pics.size() + sounds(deck_).size() + 2);
        // The tool lists exactly what it made.
        QStringList listed;
        for (const QString& p : first_.created) listed.push_back(QFileInfo(p).fileName());
        listed.sort();
        all.sort();
        QCOMPARE(listed, all);
        // Both scripts among the words.
        bool hiragana = false, katakana = false;
        for (const QString& p : pics) {
            const QString w = nameWithoutExtension(p);
            QVERIFY2(w.size() <= kMaxTiles, qPrintable(w));
            hiragana |= w[0].unicode() < 0x30A0;
            katakana |= w[0].unicode() > 0x30A0;
        }
        QVERIFY(hiragana && katakana);
        for (const QString& w : {u"りんご"_s, u"ケーキ"_s, u"トマト"_s, u"でんしゃ"_s, u"ぶどう"_s})
            QVERIFY2(pics.filter(QRegularExpression(u'^' + w + u"\\."_s)).size() == 1, qPrintable(w));
    }

    void picturesAreRealAndLargeEnough()
    {
        for (const QString& p : pictures(deck_)) {
            const QImage img(deck_ + u'/' + p);
            QVERIFY2(!img.isNull(), qPrintable(p));
            QVERIFY2(img.width() >= 640 && img.height() >= 480, qPrintable(p));
            // A light plain background at the corners, and a drawing in the middle that is not.
            const QRgb corner = img.pixel(0, 0);
            QVERIFY2(qGray(corner) > 200, qPrintable(p));
            QCOMPARE(img.pixel(img.width() - 1, img.height() - 1), corner);
            int differing = 0;
            for (int y = img.height() / 4; y < img.height() * 3 / 4; y += 8)
                for (int x = img.width() / 4; x < img.width() * 3 / 4; x += 8)
                    differing += std::abs(qGray(img.pixel(x, y)) - qGray(corner)) > 40;
            QVERIFY2(differing > 100, qPrintable(u"%1 looks empty (%2)"_s.arg(p).arg(differing)));
        }
    }

    void everyLetterOfEveryNameHasItsVoice()
    {
        for (const QString& p : pictures(deck_))
            for (QChar c : nameWithoutExtension(p))
                QVERIFY2(QFileInfo::exists(deck_ + u'/' + letterSoundFile(QString(c))),
                         qPrintable(u"%1: no %2"_s.arg(p, letterSoundFile(QString(c)))));
    }

    void everySoundIsLoudAndLastsItsTime()
    {
        // The effects' lengths in seconds; every other sound is a letter's voice.
        const QMap<QString, std::pair<double, double>> effects = {
            {u"ガチャ.wav"_s, {0.03, 0.3}}, {u"ブー.wav"_s, {0.5, 0.7}}, {u"ピンポン.wav"_s, {0.7, 0.9}}};
        int voices = 0, effectsFound = 0;
        for (const QString& name : sounds(deck_)) {
            const bool voice = !effects.contains(name);
            (voice ? voices : effectsFound)++;
            const auto [min, max] = effects.value(name, {0.1, 2.5});
            const Wav w = loadWav(deck_ + u'/' + name);
            QVERIFY2(w.ok, qPrintable(name + u": "_s + w.error));
            QVERIFY2(w.rate >= 8000, qPrintable(name));
            QVERIFY2(seconds(w) >= min && seconds(w) <= max, qPrintable(u"%1 lasts %2 s"_s.arg(name).arg(seconds(w))));
            QVERIFY2(rms(w.samples, 0, w.samples.size()) > 1000, qPrintable(name + u" is (nearly) silent"_s));
            // A voice is heard the moment its tile is touched: sound within the first 10 ms.
            if (voice)
                QVERIFY2(firstLoud(w) < size_t(w.rate) / 100, qPrintable(name + u" starts with silence"_s));
            // Open JTalk's letters are as loud as each other and as the chime (within 1 dB).
            if (voice && w.rate == 48000)
                QVERIFY2(std::abs(20 * std::log10(voicedRms(w.samples) / voicedRms(loadWav(deck_ + u"/ピンポン.wav"_s).samples))) < 1.0,
                         qPrintable(name + u" is not as loud as the chime"_s));
        }
        QCOMPARE(voices, 93);
        QCOMPARE(effectsFound, 3);
        // The chime has two tones: the second half is not just the decay of the first.
        const Wav chime = loadWav(deck_ + u"/ピンポン.wav"_s);
        const size_t at = size_t(chime.rate * 3 / 10), ms20 = size_t(chime.rate / 50), ms10 = size_t(chime.rate / 100);
        const double before = rms(chime.samples, at - ms20, at);
        const double after = rms(chime.samples, at + ms10, at + ms10 + ms20);
        QVERIFY2(after > before * 1.5, qPrintable(u"%1 -> %2"_s.arg(before).arg(after)));
    }

    void praiseAndPointerFiles()
    {
        QFile f(deck_ + u"/O.txt"_s);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        // The Windows code page, not UTF-8, with CR LF after every line.
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(!isValidUtf8(bytes));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        const QStringList lines = decodeText(bytes).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 3 && lines.size() <= 21);
        QVERIFY(lines.contains(u"よくできました"_s));

        const QString pointer = pointerProblem(deck_ + u"/Clear.ico"_s);
        QVERIFY2(pointer.isEmpty(), qPrintable(pointer));
    }

    void secondRunChangesNothing()
    {
        backdateFiles(deck_);
        const auto before = snapshot(deck_);
        for (const QStringList& args : {QStringList{deck_}, QStringList{u"--sounds"_s, deck_}}) {
            const Run again = runDeck(args);
            QCOMPARE(again.exitCode, 0);
            QVERIFY2(again.created.isEmpty(), qPrintable(again.out));
            QVERIFY(again.out.startsWith("nothing to do"_L1));
            QVERIFY(snapshot(deck_) == before);
        }
    }

    void existingFilesAreNeverTouched()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path();
        // An adult's own files under the names the tool would use, and a picture of a sample
        // word in another format than the tool's.
        const QMap<QString, QByteArray> own = {
            {u"りんご.jpg"_s, "not really a jpeg"}, {u"あ.wav"_s, "mine"},     {u"ピンポン.wav"_s, ""},
            {u"O.txt"_s, "\x82\xa8\x82\xa9\r\n"},    {u"Clear.ico"_s, "icon"}, {u"いぬ.BMP"_s, "bmp"},
        };
        for (auto it = own.begin(); it != own.end(); ++it) {
            QFile f(dir + u'/' + it.key());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(it.value());
        }
        QFile::setPermissions(dir + u"/あ.wav"_s, QFile::ReadOwner); // read-only is no reason to fail
        backdateFiles(dir);
        const auto before = snapshot(dir);
        const Run r = runDeck({dir});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const auto after = snapshot(dir);
        for (auto it = before.begin(); it != before.end(); ++it)
            QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key() + u" was changed"_s));
        for (const QString& p : r.created) QVERIFY2(!before.contains(QFileInfo(p).fileName()), qPrintable(p));
        QVERIFY(pictures(dir).filter(QRegularExpression(u"^いぬ\\."_s)).size() == 1);
        QVERIFY(QFileInfo::exists(dir + u"/い.wav"_s));
        QCOMPARE(r.created.size(), after.size() - before.size() - 1); // and the list of its letters
    }

    void soundsOnlyAddsNoPictures()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + u"/own"_s;
        QVERIFY(QDir().mkpath(dir));
        const Run r = runDeck({u"--sounds"_s, dir});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(pictures(dir).isEmpty());
        QCOMPARE(sounds(dir).size(), 96);
        QVERIFY(QFileInfo::exists(dir + u"/O.txt"_s));
        // Without the drawing part of Qt started, the pointer is written all the same.
        const QString pointer = pointerProblem(dir + u"/Clear.ico"_s);
        QVERIFY2(pointer.isEmpty(), qPrintable(pointer));
        QCOMPARE(r.created.size(), 98);
    }

    // --renew speaks again, in the voice now installed, exactly the letters the tool made
    // with another voice; a letter a person recorded stays, whatever it is called.
    void renewReplacesOnlyItsOwnLetters()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + u"/deck"_s;
        const Run espeak = runDeck({u"--sounds"_s, dir}, {{u"MOKURI_SPEECH"_s, u"espeak-ng"_s}});
        QVERIFY2(espeak.exitCode == 0, qPrintable(espeak.err));
        const QString manifest = dir + u"/.mokuri-deck-voices"_s;
        QStringList listed = readLines(manifest);
        QCOMPARE(listed.size(), 93);
        QVERIFY(listed.filter(u"\tespeak-ng"_s).size() == 93);

        // A recording over a listed letter, a recording of an unlisted one, and two letters
        // of an earlier deck that kept no list.
        const QByteArray recording = u"RIFF....WAVEmine"_s.toUtf8();
        QVERIFY(writeFile(dir + u"/あ.wav"_s, recording));
        QVERIFY(writeFile(dir + u"/い.wav"_s, recording));
        listed = listed.filter(QRegularExpression(u"^(?!い\\.wav|か\\.wav|き\\.wav)"_s));
        QVERIFY(writeFile(manifest, (listed.join(u'\n') + u'\n').toUtf8()));
        backdateFiles(dir);
        const auto before = snapshot(dir);

        // A voice of its own: a fake open_jtalk that always says the same tone.
        QVERIFY(QDir(tmp.path()).mkpath(u"dic"_s));
        QVERIFY(writeFile(tmp.path() + u"/dic/sys.dic"_s, "x"));
        QVERIFY(writeFile(tmp.path() + u"/other.htsvoice"_s, "x"));
        const QString tone = dir + u"/ピンポン.wav"_s;
        const QMap<QString, QString> env = {{u"MOKURI_OPEN_JTALK"_s, fakeOpenJTalk(tmp.path(), tone)},
                                            {u"MOKURI_OPEN_JTALK_DIC"_s, tmp.path() + u"/dic"_s},
                                            {u"MOKURI_VOICE"_s, tmp.path() + u"/other.htsvoice"_s}};
        const Run plain = runDeck({u"--sounds"_s, dir}, env);
        QCOMPARE(plain.exitCode, 0);
        QVERIFY2(snapshot(dir) == before, "without --renew nothing may change");

        const Run renew = runDeck({u"--renew"_s, u"--sounds"_s, dir}, env);
        QVERIFY2(renew.exitCode == 0, qPrintable(renew.err));
        const auto after = snapshot(dir);
        const struct {
            const char16_t* file;
            bool renewed;
        } expected[] = {
            {u"あ.wav", false}, // listed, but a person's recording now
            {u"い.wav", false}, // a person's recording, never listed
            {u"か.wav", true},  // unlisted, but exactly an earlier espeak-ng letter
            {u"う.wav", true},  // listed as espeak-ng's
            {u"ガチャ.wav", false}, // an effect, not a letter
        };
        for (const auto& e : expected) {
            const QString name = QString::fromUtf16(e.file);
            QVERIFY2((after.value(name) != before.value(name)) == e.renewed, qPrintable(name));
            QVERIFY2(renew.out.contains(u"renewed "_s + dir + u'/' + name) == e.renewed, qPrintable(renew.out));
        }
        QCOMPARE(after.value(u"あ.wav"_s).bytes, recording);
        QCOMPARE(after.value(u"い.wav"_s).bytes, recording);
        QCOMPARE(renew.out.count(u"renewed "_s), 91);
        // The renewed letters are listed as the new voice's; the recordings stay unlisted.
        const QStringList now = readLines(manifest);
        QCOMPARE(now.filter(u"\topen_jtalk other.htsvoice"_s).size(), 91);
        QVERIFY(now.filter(QRegularExpression(u"^(あ|い)\\.wav\t"_s)).isEmpty());
        // Renewed once, renewed for good.
        const Run again = runDeck({u"--renew"_s, u"--sounds"_s, dir}, env);
        QVERIFY(again.out.startsWith("nothing to do"_L1));
    }

    // The menu entry's first start shows the letters' progress in a window; without a
    // screen the deck is made all the same.
    void progressWindowWithoutAScreen()
    {
        QTemporaryDir tmp;
        const Run r = runDeck({u"--progress-window"_s, u"--sounds"_s, tmp.path()});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(sounds(tmp.path()).size(), 96);
    }

    void badCommandLinesFailCleanly()
    {
        const Run help = runDeck({u"--help"_s});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--sounds"_L1));
        const QStringList usageErrors[] = {{}, {u"--bogus"_s, u"x"_s}, {u"a"_s, u"b"_s}};
        for (const QStringList& args : usageErrors) {
            const Run r = runDeck(args);
            QVERIFY2(r.exitCode == 2, qPrintable(args.join(u' ')));
            QVERIFY2(r.err.contains("Usage"_L1), qPrintable(r.err));
        }

        QTemporaryDir tmp;
        QFile file(tmp.path() + u"/plain-file"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        const Run r = runDeck({file.fileName()});
        QVERIFY(r.exitCode != 0 && r.exitCode != -1); // an error, not a crash
        QVERIFY(!r.err.isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }

    void gameStartsOnTheDeck()
    {
        const QString game = qEnvironmentVariable("MOKURI_BIN");
        QVERIFY2(QFileInfo(game).isExecutable(), qPrintable(u"no game at "_s + game));
        const QString trace = deckDir_.path() + u"/trace.txt"_s;
        QProcess p;
        p.setProgram(game);
        p.setWorkingDirectory(deck_);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"MOKURI_TRACE"_s, trace);
        env.insert(u"MOKURI_SEED"_s, u"1"_s);
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"SDL_AUDIODRIVER"_s, u"dummy"_s);
        p.setProcessEnvironment(env);
        p.start();
        QVERIFY(p.waitForStarted());

        const QString question = mokuri::test::waitForFirstQuestion(trace, p, 20000);
        const bool stillRunning = p.state() == QProcess::Running;
        p.kill();
        p.waitForFinished();
        QVERIFY2(stillRunning, qPrintable(u"the game ended: "_s + QString::fromUtf8(p.readAllStandardError())));
        QVERIFY2(!question.isEmpty(), "no question traced within 20 s");

        const QString picture = QFileInfo(mokuri::test::traceField(question, u"picture"_s)).fileName();
        QVERIFY2(pictures(deck_).contains(picture), qPrintable(question));
        QCOMPARE(mokuri::test::traceField(question, u"word"_s), nameWithoutExtension(picture));
    }
};

QTEST_GUILESS_MAIN(DeckToolTest)
#include "test_deck_tool.moc"
