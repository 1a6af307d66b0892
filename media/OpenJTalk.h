// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Open JTalk (the open_jtalk program, with the NAIST dictionary and an HTS voice file) as a
// text -> mono 16-bit PCM function, and where its program, dictionary and voices are found.
// Used by the game's speech voice (OpenJTalkSpeechVoice) and by the deck tool's letters.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mokuri {

struct OpenJTalkSetup {
    QString program;    // the open_jtalk executable
    QString dictionary; // the folder with sys.dic
    QString voice;      // .htsvoice for instructions and letters
    QString praiseVoice; // .htsvoice for praise (the same file when there is one voice)
    // Open JTalk at its own speed runs on a little fast for a young child.
    double speed = 0.9;
    // A synthesis that takes longer is given up (the process killed): a short sentence takes
    // well under a second even on a busy machine.
    std::chrono::milliseconds timeout{5000};
};

// Where the voice is looked for, with the names of the environment variables a parent can set.
struct OpenJTalkSearch {
    QString soundsFolder;           // a .htsvoice file here wins over Mei
    QStringList meiFolders;         // folders holding mei_normal.htsvoice (and mei_happy)
    QString fetchedFolder;          // the one of them that ./run.sh fills
    // Defaults: the environment (MOKURI_SPEECH, MOKURI_OPEN_JTALK, MOKURI_OPEN_JTALK_DIC,
    // MOKURI_VOICE, MOKURI_PRAISE_VOICE, MOKURI_VOICE_DIR), the fetched copy in
    // ${XDG_CACHE_HOME:-~/.cache}/mokuri/voice/mei and the installed one in
    // <prefix>/share/mokuri/voice/mei.
    static OpenJTalkSearch standard(const QString& soundsFolder);
};

struct OpenJTalkChoice {
    std::optional<OpenJTalkSetup> setup; // empty: speak with espeak-ng
    QString why;                         // with no setup, the reason, in one clause
    bool asked = false;                  // espeak-ng was asked for: nothing to warn about
};

// Decides whether Open JTalk can speak and with which voice files. Reads only the file
// system and the environment; runs nothing.
OpenJTalkChoice chooseOpenJTalk(const OpenJTalkSearch& search);

struct OpenJTalkAudio {
    std::vector<std::int16_t> samples; // mono
    int sampleRate = 0;
    QString error; // empty on success
    bool ran = false; // open_jtalk was run, or tried (not so for a text it cannot take)
    bool ok() const { return error.isEmpty(); }
};

// Runs open_jtalk once (no shell; the text on its standard input, the WAV to a temporary
// file) and reads its WAV, cut to 5 ms before the speech and 60 ms after it. Never hangs:
// the process is killed after setup.timeout, or as soon as `cancelled` returns true (asked
// every 50 ms while it runs). A missing program, a failed run, or a WAV that is not 16-bit
// mono PCM with sound in it is an error.
OpenJTalkAudio synthesizeWithOpenJTalk(const OpenJTalkSetup& setup, const QString& voiceFile,
                                       const QString& text, const std::function<bool()>& cancelled = {});

// The WAV bytes open_jtalk wrote, checked; exposed for tests of damaged files.
OpenJTalkAudio readOpenJTalkWav(const QByteArray& wav);

} // namespace mokuri
