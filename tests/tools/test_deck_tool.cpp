// mokuri-deck run as the adult runs it, and the real game started on what it made.
#include "content/TextEncoding.h"
#include "tools/TraceWait.h"
#include "game/Letters.h"

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

namespace {

struct Run {
    int exitCode = -1;
    QStringList created; // the paths the tool says it created
    QString out, err;
};

Run RunDeck(const QStringList& args)
{
    QProcess p;
    p.setProgram(QStringLiteral(MOKURI_DECK_BIN));
    p.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the tool must cope without a display on its own
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
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
        if (line.startsWith(QLatin1String("created "))) r.created.push_back(line.mid(8));
    return r;
}

struct FileState {
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const FileState&) const = default;
};

QMap<QString, FileState> Snapshot(const QString& dir)
{
    QMap<QString, FileState> m;
    for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile f(fi.filePath());
        f.open(QIODevice::ReadOnly);
        m.insert(fi.fileName(), {f.readAll(), fi.lastModified()});
    }
    return m;
}

QStringList Pictures(const QString& dir)
{
    return QDir(dir).entryList({"*.jpg", "*.gif", "*.bmp"}, QDir::Files, QDir::Name);
}

struct Wav {
    bool ok = false;
    int rate = 0;
    std::vector<int16_t> samples;
    QString error;
};

Wav LoadWav(const QString& path)
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
        w.error = QStringLiteral("not mono 16-bit");
    }
    SDL_FreeWAV(buf);
    return w;
}

double Seconds(const Wav& w) { return double(w.samples.size()) / w.rate; }

double Rms(const std::vector<int16_t>& s, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to && i < s.size(); ++i) sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

} // namespace

class DeckToolTest : public QObject {
    Q_OBJECT

    QTemporaryDir deckDir_;
    QString deck_;  // the whole deck the first run made
    Run first_;
    qint64 firstMs_ = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(deckDir_.isValid());
        QElapsedTimer t;
        t.start();
        deck_ = deckDir_.path() + "/deck";
        first_ = RunDeck({deck_});
        firstMs_ = t.elapsed();
        qInfo("whole deck made in %lld ms", firstMs_);
        QVERIFY2(first_.exitCode == 0, qPrintable(first_.err));
    }

    void firstRunMakesAWholeDeck()
    {
        QVERIFY2(firstMs_ < 15000, qPrintable(QString::number(firstMs_)));
        const QStringList pictures = Pictures(deck_);
        QVERIFY2(pictures.size() >= 40, qPrintable(QString::number(pictures.size())));
        QVERIFY(pictures.size() <= 101);
        for (const char* ext : {"jpg", "gif", "bmp"})
            QVERIFY2(!pictures.filter(QStringLiteral(".") + ext).isEmpty(), ext);
        const QStringList wavs = QDir(deck_).entryList({"*.wav"}, QDir::Files);
        QCOMPARE(wavs.size(), 93 + 3);
        QVERIFY(QFileInfo::exists(deck_ + "/O.txt"));
        QVERIFY(QFileInfo::exists(deck_ + "/Clear.ico"));
        // Nothing else: no leftovers of unfinished writes, no settings the game should write itself.
        const QStringList all = QDir(deck_).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(all.size(), pictures.size() + wavs.size() + 2);
        // The tool lists exactly what it made.
        QStringList listed;
        for (const QString& p : first_.created) listed.push_back(QFileInfo(p).fileName());
        listed.sort();
        QStringList sorted = all;
        sorted.sort();
        QCOMPARE(listed, sorted);
        // Both scripts among the words.
        bool hiragana = false, katakana = false;
        for (const QString& p : pictures) {
            const QString w = NameWithoutExtension(p);
            QVERIFY2(w.size() <= 10, qPrintable(w));
            hiragana |= w[0].unicode() < 0x30A0;
            katakana |= w[0].unicode() > 0x30A0;
        }
        QVERIFY(hiragana && katakana);
        for (const char* w : {"りんご", "ケーキ", "トマト", "でんしゃ", "ぶどう"})
            QVERIFY2(pictures.filter(QRegularExpression("^" + QString::fromUtf8(w) + "\\.")).size() == 1, w);
    }

    void picturesAreRealAndLargeEnough()
    {
        for (const QString& p : Pictures(deck_)) {
            const QImage img(deck_ + "/" + p);
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
            QVERIFY2(differing > 100, qPrintable(QStringLiteral("%1 looks empty (%2)").arg(p).arg(differing)));
        }
    }

    void everyLetterOfEveryNameHasItsVoice()
    {
        for (const QString& p : Pictures(deck_))
            for (QChar c : NameWithoutExtension(p))
                QVERIFY2(QFileInfo::exists(deck_ + "/" + LetterSoundFile(QString(c))),
                         qPrintable(QStringLiteral("%1: no %2").arg(p, LetterSoundFile(QString(c)))));
    }

    void everySoundIsLoudAndLastsItsTime()
    {
        // The effects' lengths in seconds; every other sound is a letter's voice.
        const QMap<QString, std::pair<double, double>> effects = {
            {"ガチャ.wav", {0.03, 0.3}}, {"ブー.wav", {0.5, 0.7}}, {"ピンポン.wav", {0.7, 0.9}}};
        int voices = 0, effectsFound = 0;
        for (const QString& name : QDir(deck_).entryList({"*.wav"}, QDir::Files)) {
            const bool voice = !effects.contains(name);
            (voice ? voices : effectsFound)++;
            const auto [min, max] = effects.value(name, {0.1, 2.5});
            const Wav w = LoadWav(deck_ + "/" + name);
            QVERIFY2(w.ok, qPrintable(name + ": " + w.error));
            QVERIFY2(w.rate >= 8000, qPrintable(name));
            QVERIFY2(Seconds(w) >= min && Seconds(w) <= max, qPrintable(QStringLiteral("%1 lasts %2 s").arg(name).arg(Seconds(w))));
            QVERIFY2(Rms(w.samples, 0, w.samples.size()) > 1000, qPrintable(name + " is (nearly) silent"));
            // A voice is heard the moment its tile is touched: sound within the first 20 ms.
            if (voice) QVERIFY2(Rms(w.samples, 0, size_t(w.rate) / 50) > 100, qPrintable(name + " starts with silence"));
        }
        QCOMPARE(voices, 93);
        QCOMPARE(effectsFound, 3);
        // The chime has two tones: the second half is not just the decay of the first.
        const Wav chime = LoadWav(deck_ + "/ピンポン.wav");
        const size_t at = size_t(chime.rate * 0.3);
        const double before = Rms(chime.samples, at - chime.rate / 50, at);
        const double after = Rms(chime.samples, at + chime.rate / 100, at + chime.rate / 100 + chime.rate / 50);
        QVERIFY2(after > before * 1.5, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
    }

    void praiseAndPointerFiles()
    {
        QFile f(deck_ + "/O.txt");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        // The Windows code page, not UTF-8, with CR LF after every line.
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(!IsValidUtf8(bytes));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        const QStringList lines = DecodeText(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 3 && lines.size() <= 21);
        QVERIFY(lines.contains(QStringLiteral("よくできました")));

        const QImage icon(deck_ + "/Clear.ico");
        QCOMPARE(icon.size(), QSize(32, 32));
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) QCOMPARE(qAlpha(icon.pixel(x, y)), 0);
    }

    void secondRunChangesNothing()
    {
        const auto before = Snapshot(deck_);
        QTest::qSleep(1100); // a rewrite would show in the modification times
        for (const QStringList& args : {QStringList{deck_}, QStringList{"--sounds", deck_}}) {
            const Run again = RunDeck(args);
            QCOMPARE(again.exitCode, 0);
            QVERIFY2(again.created.isEmpty(), qPrintable(again.out));
            QVERIFY(Snapshot(deck_) == before);
        }
    }

    void existingFilesAreNeverTouched()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path();
        // An adult's own files under the names the tool would use, and a picture of a sample
        // word in another format than the tool's.
        const QMap<QString, QByteArray> own = {
            {"りんご.jpg", "not really a jpeg"}, {"あ.wav", "mine"},     {"ピンポン.wav", ""},
            {"O.txt", "\x82\xa8\x82\xa9\r\n"},    {"Clear.ico", "icon"}, {"いぬ.BMP", "bmp"},
        };
        for (auto it = own.begin(); it != own.end(); ++it) {
            QFile f(dir + "/" + it.key());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(it.value());
        }
        QFile::setPermissions(dir + "/あ.wav", QFile::ReadOwner); // read-only is no reason to fail
        const auto before = Snapshot(dir);
        const Run r = RunDeck({dir});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const auto after = Snapshot(dir);
        for (auto it = before.begin(); it != before.end(); ++it)
            QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key() + " was changed"));
        for (const QString& p : r.created) QVERIFY2(!before.contains(QFileInfo(p).fileName()), qPrintable(p));
        QVERIFY(Pictures(dir).filter(QRegularExpression("^いぬ\\.")).size() == 1);
        QVERIFY(QFileInfo::exists(dir + "/い.wav"));
        QCOMPARE(r.created.size(), after.size() - before.size());
    }

    void soundsOnlyAddsNoPictures()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + "/own";
        QVERIFY(QDir().mkpath(dir));
        const Run r = RunDeck({"--sounds", dir});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(Pictures(dir).isEmpty());
        QCOMPARE(QDir(dir).entryList({"*.wav"}, QDir::Files).size(), 96);
        QVERIFY(QFileInfo::exists(dir + "/O.txt") && QFileInfo::exists(dir + "/Clear.ico"));
        QCOMPARE(r.created.size(), 98);
    }

    void badCommandLinesFailCleanly()
    {
        const Run help = RunDeck({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--sounds"));
        QCOMPARE(RunDeck({}).exitCode, 2);
        QCOMPARE(RunDeck({"--bogus", "x"}).exitCode, 2);
        QCOMPARE(RunDeck({"a", "b"}).exitCode, 2);

        QTemporaryDir tmp;
        QFile file(tmp.path() + "/plain-file");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        const Run r = RunDeck({file.fileName()});
        QVERIFY(r.exitCode != 0 && r.exitCode != -1); // an error, not a crash
        QVERIFY(!r.err.isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }

    void gameStartsOnTheDeck()
    {
        const QString game = qEnvironmentVariable("MOKURI_BIN");
        QVERIFY2(QFileInfo(game).isExecutable(), qPrintable("no game at " + game));
        const QString trace = deckDir_.path() + "/trace.txt";
        QProcess p;
        p.setProgram(game);
        p.setWorkingDirectory(deck_);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MOKURI_TRACE", trace);
        env.insert("MOKURI_SEED", "1");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("SDL_AUDIODRIVER", "dummy");
        p.setProcessEnvironment(env);
        p.start();
        QVERIFY(p.waitForStarted());

        const QString question = mokuri::test::WaitForFirstQuestion(trace, p, 20000);
        const bool stillRunning = p.state() == QProcess::Running;
        p.kill();
        p.waitForFinished();
        QVERIFY2(stillRunning, qPrintable("the game ended: " + QString::fromUtf8(p.readAllStandardError())));
        QVERIFY2(!question.isEmpty(), "no question traced within 20 s");

        QString picture, word;
        for (const QString& field : question.split(u'\t')) {
            if (field.startsWith("picture=")) picture = field.mid(8);
            if (field.startsWith("word=")) word = field.mid(5);
        }
        QVERIFY2(Pictures(deck_).contains(QFileInfo(picture).fileName()), qPrintable(question));
        QCOMPARE(word, NameWithoutExtension(QFileInfo(picture).fileName()));
    }
};

QTEST_GUILESS_MAIN(DeckToolTest)
#include "test_deck_tool.moc"
