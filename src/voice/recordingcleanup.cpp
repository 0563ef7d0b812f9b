#include "voice/recordingcleanup.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

// Own code rather than a signal library's effects: the recording is already in memory as
// 16-bit samples, and the rules are a few loops over frame levels. A library's silence
// effect would need its own thresholds tuned the same way, a copy of the samples in and
// out, and would still not know a key click from a spoken word; here each rule is small
// enough to test on generated tones.
namespace RecordingCleanup
{
namespace
{

constexpr int FrameMs = 10;
// The floor is at least -60 dBFS (RMS): a quiet room on a good microphone is no quieter.
constexpr double MinFloor = 32768.0 / 1000.0;
// ...and at most -45 dBFS: when the voice fills nearly the whole recording, its quietest
// tenth is voice, not room noise, and must not count as the floor.
constexpr double MaxFloor = 32768.0 / 178.0;
// Voice is 12 dB above the floor.
constexpr double VoiceMargin = 4.0;
// A key click: a transient this short followed by this much silence.
constexpr int ClickMs = 30;
constexpr int ClickGapMs = 100;
// Clipping: this many consecutive samples at full scale.
constexpr int ClipRun = 3;
constexpr int FullScale = 32767;

// The first voice frame seen from one end of the recording, passing over clicks; -1 when
// there is none.
qsizetype voiceEdge(const std::vector<char> &voice, bool fromEnd)
{
    const auto n = qsizetype(voice.size());
    auto at = [&](qsizetype i) { return voice[size_t(fromEnd ? n - 1 - i : i)] != 0; };
    qsizetype i = 0;
    while (true) {
        while (i < n && !at(i))
            ++i;
        if (i == n)
            return -1;
        qsizetype runEnd = i;
        while (runEnd < n && at(runEnd))
            ++runEnd;
        qsizetype gapEnd = runEnd;
        while (gapEnd < n && !at(gapEnd))
            ++gapEnd;
        const bool click = (runEnd - i) * FrameMs <= ClickMs && (gapEnd - runEnd) * FrameMs >= ClickGapMs;
        if (!click)
            return fromEnd ? n - 1 - i : i;
        i = gapEnd;
    }
}

bool clipped(std::span<const qint16> samples)
{
    int run = 0;
    for (const qint16 s : samples) {
        run = std::abs(int(s)) >= FullScale ? run + 1 : 0;
        if (run >= ClipRun)
            return true;
    }
    return false;
}

} // namespace

Result clean(std::span<const qint16> samples, int rate)
{
    Result result;
    result.verdict = Verdict::NoVoice;
    result.samples.assign(samples.begin(), samples.end());
    if (rate <= 0 || samples.empty())
        return result;

    // Level of each 10 ms frame.
    const size_t frameLen = std::max(1, rate * FrameMs / 1000);
    const size_t frames = (samples.size() + frameLen - 1) / frameLen;
    std::vector<double> rms(frames);
    for (size_t f = 0; f < frames; ++f) {
        const size_t from = f * frameLen;
        const size_t to = std::min(samples.size(), from + frameLen);
        double sum = 0;
        for (size_t i = from; i < to; ++i)
            sum += double(samples[i]) * samples[i];
        rms[f] = std::sqrt(sum / double(to - from));
    }

    // The noise floor is the level of the quietest tenth of the frames.
    std::vector<double> sorted = rms;
    std::nth_element(sorted.begin(), sorted.begin() + qsizetype(frames / 10), sorted.end());
    const double threshold = std::clamp(sorted[frames / 10], MinFloor, MaxFloor) * VoiceMargin;
    std::vector<char> voice(frames);
    for (size_t f = 0; f < frames; ++f)
        voice[f] = rms[f] > threshold;

    const qsizetype first = voiceEdge(voice, false);
    const qsizetype last = voiceEdge(voice, true);
    if (first < 0 || last < first)
        return result;
    if (std::count(voice.begin() + first, voice.begin() + last + 1, 1) * FrameMs < MinVoiceMs)
        return result;

    // From frames to samples: the voice starts at the first loud sample of its first frame
    // and ends at the last loud sample of its last frame.
    auto loud = [&](size_t i) { return std::abs(double(samples[i])) > threshold; };
    size_t start = size_t(first) * frameLen;
    while (start + 1 < samples.size() && !loud(start))
        ++start;
    size_t stop = std::min(samples.size(), size_t(last + 1) * frameLen) - 1;
    while (stop > start && !loud(stop))
        --stop;
    const size_t keep = size_t(rate) * KeptSilenceMs / 1000;
    const size_t from = start > keep ? start - keep : 0;
    const size_t to = std::min(samples.size(), stop + 1 + keep);

    int peak = 0;
    for (size_t i = from; i < to; ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    const double target = 32768.0 * std::pow(10.0, PeakDb / 20.0);
    const double gain = std::min(target / std::max(peak, 1), std::pow(10.0, MaxGainDb / 20.0));

    result.samples.resize(to - from);
    for (size_t i = from; i < to; ++i)
        result.samples[i - from] = qint16(std::clamp(std::lround(samples[i] * gain), -32768L, 32767L));
    result.verdict = clipped(samples) ? Verdict::Clipped : Verdict::Ok;
    return result;
}

} // namespace RecordingCleanup
