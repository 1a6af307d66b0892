// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/WavReader.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mokuri {

// libsndfile's view of the device: our own position, so that a seek past the end (which a
// damaged header asks for) is no error of the device's, and the budget counted on every read.
struct WavReader::Source {
    QIODevice& device;
    qint64 bytesLeft;
    qint64 readsLeft = kReadBudget;
    qint64 pos = 0;
    const qint64 size;

    Source(QIODevice& d, qint64 budget) : device(d), bytesLeft(budget), size(d.size()) {}

    static sf_count_t length(void* self) { return static_cast<Source*>(self)->size; }
    static sf_count_t tell(void* self) { return static_cast<Source*>(self)->pos; }
    static sf_count_t write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t seek(sf_count_t offset, int whence, void* self)
    {
        Source& s = *static_cast<Source*>(self);
        const qint64 base = whence == SEEK_CUR ? s.pos : whence == SEEK_END ? s.size : 0;
        if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0)
            return -1;
        s.pos = base + offset;
        return s.pos;
    }
    static sf_count_t read(void* into, sf_count_t count, void* self)
    {
        Source& s = *static_cast<Source*>(self);
        const qint64 wanted = std::min<qint64>({count, s.bytesLeft, s.size - s.pos});
        if (wanted <= 0 || s.readsLeft <= 0)
            return 0;
        --s.readsLeft;
        if (s.device.pos() != s.pos && !s.device.seek(s.pos))
            return 0;
        const qint64 got = s.device.read(static_cast<char*>(into), wanted);
        if (got <= 0)
            return 0;
        s.pos += got;
        s.bytesLeft -= got;
        return got;
    }
};

WavReader::WavReader(QIODevice& source, qint64 byteBudget)
    : source_(std::make_unique<Source>(source, byteBudget))
{
    // Only a WAV is handed to libsndfile: it would take any other kind of sound it knows
    // (MP3, FLAC, Ogg, ...) and its decoders, some of which talk on stderr, for a file named
    // .wav that is not what the folder's adult put there.
    const QByteArray head = source.peek(12);
    const QByteArray riff = head.left(4);
    if (head.size() < 12 || (riff != "RIFF" && riff != "RF64" && riff != "BW64") || head.mid(8) != "WAVE") {
        error_ = QStringLiteral("no readable WAV");
        return;
    }
    SF_VIRTUAL_IO io{&Source::length, &Source::seek, &Source::read, &Source::write, &Source::tell};
    SF_INFO info{};
    file_ = sf_open_virtual(&io, SFM_READ, &info, source_.get());
    if (!file_) {
        error_ = QStringLiteral("no readable WAV");
        return;
    }
    const int container = info.format & SF_FORMAT_TYPEMASK;
    if (container != SF_FORMAT_WAV && container != SF_FORMAT_WAVEX && container != SF_FORMAT_RF64) {
        sf_close(file_);
        file_ = nullptr;
        error_ = QStringLiteral("no readable WAV");
        return;
    }
    channels_ = info.channels;
    sampleRate_ = info.samplerate;
    format_ = info.format;
    frames_ = std::max<sf_count_t>(0, info.frames);
}

WavReader::~WavReader()
{
    if (file_)
        sf_close(file_);
}

bool WavReader::isPcm16() const
{
    return (format_ & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
}

namespace {

// Reads until `frames` frames are in or the decoder has no more; the vector keeps what came.
// It grows with what is decoded, not with what the header claims: a compressed file's
// header may promise far more frames than its bytes hold.
template <typename Sample, typename ReadFrames>
std::vector<Sample> readFrames(SNDFILE* file, int channels, qint64 available, qint64 frames, ReadFrames readFrames)
{
    constexpr qint64 kPiece = 1 << 14;
    std::vector<Sample> out;
    if (!file || channels <= 0)
        return out;
    frames = std::clamp<qint64>(frames, 0, available);
    out.reserve(std::size_t(std::min(frames, 4 * kPiece)) * std::size_t(channels));
    qint64 got = 0;
    while (got < frames) {
        const qint64 want = std::min(kPiece, frames - got);
        out.resize(std::size_t(got + want) * std::size_t(channels));
        const sf_count_t n = readFrames(file, out.data() + got * channels, want);
        if (n <= 0)
            break;
        got += n;
    }
    out.resize(std::size_t(got) * std::size_t(channels));
    return out;
}

} // namespace

std::vector<float> WavReader::readFloat(qint64 frames)
{
    std::vector<float> out = readFrames<float>(file_, channels_, frames_, frames, &sf_readf_float);
    for (float& v : out)
        v = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
    return out;
}

std::vector<std::int16_t> WavReader::readInt16(qint64 frames)
{
    return readFrames<std::int16_t>(file_, channels_, frames_, frames, &sf_readf_short);
}

WavStart readWavStart(QIODevice& source, int maxSeconds)
{
    // An uncompressed file of the most samples taken, 32 bits each, and its header; a
    // compressed one needs less.
    constexpr qint64 kMaxReadBytes = kWavStartMaxSamples * 4 + (1 << 20);
    WavStart start;
    WavReader wav(source, kMaxReadBytes);
    if (!wav.ok() || wav.channels() < 1 || wav.channels() > kWavStartMaxChannels || wav.sampleRate() <= 0)
        return start;
    const qint64 frames = std::min(qint64(std::max(0, maxSeconds)) * wav.sampleRate(), kWavStartMaxSamples / wav.channels());
    start.samples = wav.readFloat(frames);
    start.channels = wav.channels();
    start.sampleRate = wav.sampleRate();
    start.cut = wav.frames() > frames;
    return start;
}

} // namespace mokuri
