// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/OpenJTalk.h"

#include "media/WavReader.h"
#include "support/XdgFolders.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

namespace mokuri {

namespace {

// Debian's open-jtalk-mecab-naist-jdic.
const char kDebianDictionary[] = "/var/lib/mecab/dic/open-jtalk/naist-jdic";
// open_jtalk reads one line of at most this many bytes.
constexpr int kMaxTextBytes = 1000;
// Far longer than open_jtalk speaks the longest text it takes.
constexpr int kMaxSpeechSeconds = 120;

QString environment(const char* name) { return qEnvironmentVariable(name); }

bool isFile(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

} // namespace

OpenJTalkSearch OpenJTalkSearch::standard(const QString& soundsFolder)
{
    OpenJTalkSearch s;
    s.soundsFolder = soundsFolder;
    if (!environment("MOKURI_VOICE_DIR").isEmpty())
        s.meiFolders << environment("MOKURI_VOICE_DIR");
    const QString cache = xdgFolder("XDG_CACHE_HOME", QStringLiteral(".cache"));
    if (!cache.isEmpty()) {
        s.fetchedFolder = cache + QStringLiteral("/mokuri/voice/mei");
        s.meiFolders << s.fetchedFolder;
    }
    // Beside the program first, so that an install under any prefix finds its own voice.
    if (QCoreApplication::instance())
        s.meiFolders << QDir::cleanPath(QCoreApplication::applicationDirPath()
                                        + QStringLiteral("/../share/mokuri/voice/mei"));
    for (const QString& installed : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                              QStringLiteral("mokuri/voice/mei"),
                                                              QStandardPaths::LocateDirectory))
        if (!s.meiFolders.contains(installed)) s.meiFolders << installed;
    return s;
}

OpenJTalkChoice chooseOpenJTalk(const OpenJTalkSearch& search)
{
    OpenJTalkChoice choice;
    if (environment("MOKURI_SPEECH") == QLatin1String("espeak-ng")) {
        choice.why = QStringLiteral("MOKURI_SPEECH=espeak-ng asks for it");
        choice.asked = true;
        return choice;
    }
    OpenJTalkSetup setup;
    setup.program = environment("MOKURI_OPEN_JTALK");
    if (setup.program.isEmpty())
        setup.program = QStandardPaths::findExecutable(QStringLiteral("open_jtalk"));
    if (setup.program.isEmpty() || !QFileInfo(setup.program).isExecutable()) {
        choice.why = QStringLiteral("open_jtalk is not installed (Debian package open-jtalk)");
        return choice;
    }
    setup.dictionary = environment("MOKURI_OPEN_JTALK_DIC");
    if (setup.dictionary.isEmpty())
        setup.dictionary = QString::fromLatin1(kDebianDictionary);
    if (!isFile(setup.dictionary + QStringLiteral("/sys.dic"))) {
        choice.why = QStringLiteral("Open JTalk's dictionary is missing in %1 (Debian package "
                                    "open-jtalk-mecab-naist-jdic)").arg(setup.dictionary);
        return choice;
    }

    // A voice the parent chose wins: named in the environment, or dropped in the sounds folder.
    const QString voice = environment("MOKURI_VOICE");
    if (!voice.isEmpty()) {
        if (!isFile(voice)) {
            choice.why = QStringLiteral("MOKURI_VOICE names no file: %1").arg(voice);
            return choice;
        }
        setup.voice = voice;
    } else if (!search.soundsFolder.isEmpty()) {
        const QFileInfoList dropped = QDir(search.soundsFolder)
                                          .entryInfoList({QStringLiteral("*.htsvoice")}, QDir::Files, QDir::Name);
        if (!dropped.isEmpty())
            setup.voice = dropped.front().absoluteFilePath();
    }
    if (!setup.voice.isEmpty()) {
        setup.praiseVoice = setup.voice;
    } else {
        for (const QString& folder : search.meiFolders) {
            const QString normal = folder + QStringLiteral("/mei_normal.htsvoice");
            if (!isFile(normal))
                continue;
            const QString happy = folder + QStringLiteral("/mei_happy.htsvoice");
            setup.voice = normal;
            setup.praiseVoice = isFile(happy) ? happy : normal;
            break;
        }
        if (setup.voice.isEmpty()) {
            choice.why = QStringLiteral("the voice Mei is not installed (./run.sh fetches it into %1)")
                             .arg(search.fetchedFolder.isEmpty() ? search.meiFolders.join(QStringLiteral(", "))
                                                                 : search.fetchedFolder);
            return choice;
        }
    }
    const QString praise = environment("MOKURI_PRAISE_VOICE");
    if (isFile(praise))
        setup.praiseVoice = praise;
    choice.setup = setup;
    return choice;
}

OpenJTalkAudio readOpenJTalkWav(const QByteArray& wav)
{
    OpenJTalkAudio audio;
    QBuffer bytes;
    bytes.setData(wav);
    bytes.open(QIODevice::ReadOnly);
    WavReader reader(bytes);
    if (!reader.ok()) {
        audio.error = QStringLiteral("open_jtalk wrote no readable WAV");
        return audio;
    }
    if (!reader.isPcm16() || reader.channels() != 1 || reader.sampleRate() < 8000 || reader.sampleRate() > 192000) {
        audio.error = QStringLiteral("open_jtalk wrote an unexpected WAV format");
        return audio;
    }
    audio.sampleRate = reader.sampleRate();
    audio.samples = reader.readInt16(qint64(kMaxSpeechSeconds) * audio.sampleRate);
    // A voice that yields silence is as broken as one that yields nothing.
    int peak = 0;
    for (std::int16_t v : audio.samples)
        peak = std::max(peak, std::abs(int(v)));
    if (peak < 64) {
        audio.error = QStringLiteral("open_jtalk's WAV is silent");
        audio.samples.clear();
        return audio;
    }
    // open_jtalk puts some 0.3 s of silence before the speech and after it: the child would
    // hear the instruction that late, and wait that long after the praise.
    const int threshold = std::max(64, peak / 100);
    auto loud = [&](std::int16_t v) { return std::abs(int(v)) > threshold; };
    const auto first = std::find_if(audio.samples.begin(), audio.samples.end(), loud);
    const auto last = std::find_if(audio.samples.rbegin(), audio.samples.rend(), loud).base();
    const auto lead = std::ptrdiff_t(audio.sampleRate / 200);     // 5 ms: the onset's own rise
    const auto tail = std::ptrdiff_t(audio.sampleRate * 6 / 100); // 60 ms: the last sound's fall
    const auto begin = first - std::min(lead, first - audio.samples.begin());
    const auto end = last + std::min(tail, audio.samples.end() - last);
    audio.samples = std::vector<std::int16_t>(begin, end);
    return audio;
}

OpenJTalkAudio synthesizeWithOpenJTalk(const OpenJTalkSetup& setup, const QString& voiceFile,
                                       const QString& text, const std::function<bool()>& cancelled)
{
    OpenJTalkAudio audio;
    // open_jtalk speaks the first line of its input only.
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QStringLiteral("、"));
    const QByteArray utf8 = line.trimmed().toUtf8();
    if (utf8.isEmpty()) {
        audio.error = QStringLiteral("nothing to say");
        return audio;
    }
    if (utf8.size() > kMaxTextBytes) {
        audio.error = QStringLiteral("the text is longer than open_jtalk reads");
        return audio;
    }
    QTemporaryDir work;
    if (!work.isValid()) {
        audio.error = QStringLiteral("no temporary folder for open_jtalk's WAV");
        return audio;
    }
    const QString wavPath = work.filePath(QStringLiteral("speech.wav"));
    QProcess process;
    process.setProgram(setup.program);
    process.setArguments({QStringLiteral("-x"), setup.dictionary, QStringLiteral("-m"), voiceFile,
                          QStringLiteral("-r"), QString::number(setup.speed, 'f', 2), QStringLiteral("-ow"),
                          wavPath});
    process.setStandardOutputFile(QProcess::nullDevice());
    audio.ran = true;
    process.start();
    if (!process.waitForStarted(int(setup.timeout.count()))) {
        audio.error = QStringLiteral("open_jtalk did not start: %1").arg(process.errorString());
        return audio;
    }
    process.write(utf8);
    process.write("\n", 1);
    process.closeWriteChannel();
    const QDeadlineTimer deadline(setup.timeout);
    bool finished = false;
    while (!(finished = process.waitForFinished(50))) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (deadline.hasExpired() || (cancelled && cancelled()))
            break;
    }
    if (!finished && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
        audio.error = deadline.hasExpired()
                          ? QStringLiteral("open_jtalk took longer than %1 s").arg(double(setup.timeout.count()) / 1000.0)
                          : QStringLiteral("cancelled");
        return audio;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).simplified().left(200);
        audio.error = QStringLiteral("open_jtalk failed (exit %1)%2")
                          .arg(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1)
                          .arg(said.isEmpty() ? QString() : QStringLiteral(": ") + said);
        return audio;
    }
    QFile file(wavPath);
    if (!file.open(QIODevice::ReadOnly)) {
        audio.error = QStringLiteral("open_jtalk wrote no WAV");
        return audio;
    }
    // A sentence is a few hundred KB; anything far larger is not speech of ours.
    constexpr qint64 kMaxWavBytes = 64 << 20;
    if (file.size() > kMaxWavBytes) {
        audio.error = QStringLiteral("open_jtalk's WAV is too large");
        return audio;
    }
    OpenJTalkAudio read = readOpenJTalkWav(file.readAll());
    read.ran = true;
    return read;
}

} // namespace mokuri
