// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes named .wav in the sounds folder, as the sound player reads them: libsndfile
// behind the program's own budget of bytes and reads, and the bounds it puts on what is
// decoded. Never a crash or a runaway, never more than the bounds, never a sample the mixer
// cannot take.
#include "FuzzCheck.h"
#include "media/WavReader.h"

#include <QBuffer>

#include <cmath>
#include <cstdint>

using namespace mokuri;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // The first byte picks how many seconds are asked for, so that a cut is tried too.
    const int seconds = 1 + data[0] % 10;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const WavStart start = readWavStart(file, seconds);
    if (start.channels == 0) {
        FUZZ_CHECK(start.samples.empty());
        return 0;
    }
    FUZZ_CHECK(start.channels <= kWavStartMaxChannels && start.sampleRate > 0);
    FUZZ_CHECK(start.samples.size() % std::size_t(start.channels) == 0);
    FUZZ_CHECK(qint64(start.samples.size()) <= kWavStartMaxSamples);
    FUZZ_CHECK(qint64(start.samples.size() / std::size_t(start.channels)) <= qint64(seconds) * start.sampleRate,
               QStringLiteral("%1 samples of %2 channels at %3 Hz for %4 s")
                   .arg(start.samples.size()).arg(start.channels).arg(start.sampleRate).arg(seconds));
    for (float v : start.samples)
        FUZZ_CHECK(std::isfinite(v) && v >= -1.0f && v <= 1.0f, QStringLiteral("a sample of %1").arg(double(v)));
    return 0;
}
