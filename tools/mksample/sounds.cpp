// The sample game's sounds: two loopable chords for music, short clicks and a chime for effects and
// a voiced line of four syllables. Every frequency of a loop is a whole number of cycles over its
// length, so the end meets the start.
#include <algorithm>
#include <cmath>

#include "mksample/sample_assets.h"

namespace kestrel::sample {

namespace {

constexpr int kRate = 44100;

int16_t Clip(double v) {
    return static_cast<int16_t>(std::lround(std::clamp(v, -32767.0, 32767.0)));
}

double Sine(double hz, uint32_t frame, int rate) {
    return std::sin(2.0 * M_PI * hz * frame / rate);
}

// A chord held over the whole length with a slow swell; `pan` moves the upper notes to one side.
struct Note {
    double hz;
    double level;
    double pan; // -1 left, 0 centre, 1 right
};

std::vector<int16_t> Chord(const SoundAsset& a, const Note* notes, int count, double swellHz) {
    std::vector<int16_t> pcm(static_cast<size_t>(a.frames) * a.channels);
    for (uint32_t i = 0; i < a.frames; ++i) {
        const double swell = 0.8 + 0.2 * std::cos(2.0 * M_PI * swellHz * i / a.rate);
        double left = 0;
        double right = 0;
        for (int n = 0; n < count; ++n) {
            const double s = notes[n].level * Sine(notes[n].hz, i, a.rate) * swell;
            left += s * (1.0 - notes[n].pan) / 2.0;
            right += s * (1.0 + notes[n].pan) / 2.0;
        }
        if (a.channels == 1) {
            pcm[i] = Clip(left + right);
        } else {
            pcm[2 * static_cast<size_t>(i)] = Clip(left);
            pcm[2 * static_cast<size_t>(i) + 1] = Clip(right);
        }
    }
    return pcm;
}

std::vector<int16_t> TitleMusic(const SoundAsset& a) {
    // C major over C: every frequency a whole number of hertz, the swell one cycle a second.
    constexpr Note kNotes[] = {{131, 5000, 0}, {262, 4000, -0.4}, {330, 3500, 0.4}, {392, 3000, -0.2}};
    return Chord(a, kNotes, 4, 1.0);
}

std::vector<int16_t> StoryMusic(const SoundAsset& a) {
    // A minor over A, a slower swell.
    constexpr Note kNotes[] = {{110, 5000, 0}, {220, 4000, 0.3}, {262, 3500, -0.4}, {330, 3000, 0.2}};
    return Chord(a, kNotes, 4, 0.5);
}

// A tone that starts at once and dies away exponentially (`decay` per second).
std::vector<int16_t> Struck(const SoundAsset& a, const double* hz, int count, double level, double decay) {
    std::vector<int16_t> pcm(static_cast<size_t>(a.frames) * a.channels);
    const uint32_t fadeOut = std::min<uint32_t>(a.frames, a.rate / 200);
    for (uint32_t i = 0; i < a.frames; ++i) {
        const double t = static_cast<double>(i) / a.rate;
        double s = 0;
        for (int n = 0; n < count; ++n) {
            s += Sine(hz[n], i, a.rate) / count;
        }
        // A short ramp at the end keeps the last sample at zero.
        const uint32_t left = a.frames - i;
        const double tail = left < fadeOut ? static_cast<double>(left) / fadeOut : 1.0;
        const int16_t v = Clip(level * s * std::exp(-decay * t) * tail);
        for (int c = 0; c < a.channels; ++c) {
            pcm[static_cast<size_t>(i) * a.channels + c] = v;
        }
    }
    return pcm;
}

std::vector<int16_t> ClickHigh(const SoundAsset& a) {
    constexpr double kHz[] = {1800, 2700};
    return Struck(a, kHz, 2, 14000, 40);
}

std::vector<int16_t> ClickSoft(const SoundAsset& a) {
    constexpr double kHz[] = {1200, 1800};
    return Struck(a, kHz, 2, 12000, 35);
}

std::vector<int16_t> ClickPick(const SoundAsset& a) {
    constexpr double kHz[] = {2400, 3000};
    return Struck(a, kHz, 2, 12000, 50);
}

std::vector<int16_t> Chime(const SoundAsset& a) {
    constexpr double kHz[] = {880, 1320, 1760};
    return Struck(a, kHz, 3, 16000, 6);
}

// A voiced line: four syllables of a buzzing source (harmonics of a gliding pitch) weighted by the
// formants of an open vowel, each with its own rise and fall.
std::vector<int16_t> VoiceLine(const SoundAsset& a) {
    struct Syllable {
        double start, length, pitchFrom, pitchTo;
    };
    constexpr Syllable kSyllables[] = {
        {0.10, 0.26, 190, 215}, {0.42, 0.22, 215, 200}, {0.70, 0.30, 200, 230}, {1.08, 0.32, 225, 160}};
    constexpr double kFormants[][2] = {{700, 130}, {1220, 160}, {2600, 250}};
    std::vector<int16_t> pcm(static_cast<size_t>(a.frames) * a.channels, 0);
    for (const Syllable& s : kSyllables) {
        const uint32_t first = static_cast<uint32_t>(s.start * a.rate);
        const uint32_t count = static_cast<uint32_t>(s.length * a.rate);
        double phase = 0;
        for (uint32_t k = 0; k < count && first + k < a.frames; ++k) {
            const double u = static_cast<double>(k) / count;
            const double pitch = s.pitchFrom + (s.pitchTo - s.pitchFrom) * u;
            phase += 2.0 * M_PI * pitch / a.rate;
            double v = 0;
            for (int h = 1; pitch * h < 4000; ++h) {
                double weight = 0;
                for (const auto& f : kFormants) {
                    const double d = (pitch * h - f[0]) / f[1];
                    weight += std::exp(-d * d);
                }
                v += (weight + 0.05) / h * std::sin(phase * h);
            }
            const double envelope = std::sin(M_PI * u) * std::sin(M_PI * u);
            const int16_t out = Clip(6000.0 * v * envelope);
            for (int c = 0; c < a.channels; ++c) {
                pcm[static_cast<size_t>(first + k) * a.channels + c] = out;
            }
        }
    }
    return pcm;
}

constexpr uint32_t Frames(double seconds) {
    return static_cast<uint32_t>(seconds * kRate);
}

} // namespace

const std::vector<SoundAsset>& SampleSounds() {
    static const std::vector<SoundAsset> base = {
        {"bgm\\bgm09.ogg", 2, kRate, Frames(4.0), TitleMusic},
        {"bgm\\bgm01.ogg", 2, kRate, Frames(4.0), StoryMusic},
        {"se\\sys_010.ogg", 2, kRate, Frames(0.1), ClickHigh},
        {"se\\sys_a002.ogg", 2, kRate, Frames(0.1), ClickSoft},
        {"se\\sys_t001.ogg", 2, kRate, Frames(0.1), ClickPick},
        {"se\\se01.ogg", 2, kRate, Frames(0.5), Chime},
        // "tak": the first speaker of the voice tables, with a volume of its own.
        {"voice\\mis001.ogg", 1, kRate, Frames(1.5), VoiceLine},
    };
    static const std::vector<SoundAsset> sounds = Joined(
        Joined(Joined(Joined(Joined(base, SequenceSounds()), SampleCreditSounds()), SystemScreenSounds()),
               SampleExtrasSounds()),
        EndingSounds());
    return sounds;
}

} // namespace kestrel::sample
