#include "sound/ogg_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "packdat_lib.h"
#include "sound_fixture.h"

using sndtest::SoundFixture;

namespace {

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// A "PACKDAT." archive made by the packing tool's library.
std::vector<uint8_t> Pack(const std::vector<kestrel::packdat::PackEntry>& entries) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(kestrel::packdat::BuildArchive(entries, &out, nullptr, &error)) << error;
    return out;
}

std::vector<uint8_t> DecodeAll(COggReader& r) {
    std::vector<uint8_t> pcm;
    std::vector<uint8_t> chunk(30000);
    while (!r.IsEnd()) {
        uint32_t got = 0;
        EXPECT_TRUE(r.Read(chunk.data(), static_cast<uint32_t>(chunk.size()), &got));
        pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + got);
    }
    return pcm;
}

class OggReader : public SoundFixture {};

} // namespace

TEST_F(OggReader, FormatAndLengthComeFromTheStream) {
    Write("voice/m.ogg", kestrel::test::MakeToneOgg(500.0, 0.5, 1, 22050));
    COggReader r;
    EXPECT_FALSE(r.IsOpen());
    ASSERT_TRUE(r.Open(Path("voice/m.ogg").c_str()));
    EXPECT_TRUE(r.IsOpen());
    WaveFormat f{};
    r.GetFormat(&f);
    EXPECT_EQ(f.formatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.samplesPerSec, 22050u);
    EXPECT_EQ(f.avgBytesPerSec, 44100u);
    EXPECT_EQ(f.blockAlign, 2);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(r.GetTotalSamples(), 11025u);
    EXPECT_EQ(r.GetLoopStart(), 0u);
    EXPECT_EQ(r.GetLoopEnd(), 11025u);
    EXPECT_NEAR(r.GetTotalTime(), 0.5, 1e-6);
    EXPECT_EQ(DecodeAll(r).size(), 11025u * 2);
    EXPECT_FALSE(r.Open(Path("voice/m.ogg").c_str())); // opened once
    r.Close();
    EXPECT_FALSE(r.IsOpen());
    EXPECT_EQ(r.GetTotalTime(), 0.0);
    uint32_t got = 7;
    char buf[4];
    EXPECT_FALSE(r.Read(buf, 4, &got));
    EXPECT_FALSE(r.Seek(0));
    EXPECT_EQ(r.Tell(), 0);
}

TEST_F(OggReader, LongMeansMoreThanOneSecond) {
    using kestrel::test::EncodeOggVorbis;
    using kestrel::test::MakeTone;
    Write("se/a.ogg", EncodeOggVorbis(MakeTone(440.0, 44100, 2, 44100), 2, 44100));
    Write("se/b.ogg", EncodeOggVorbis(MakeTone(440.0, 44101, 2, 44100), 2, 44100));
    COggReader a, b;
    ASSERT_TRUE(a.Open(Path("se/a.ogg").c_str()));
    ASSERT_TRUE(b.Open(Path("se/b.ogg").c_str()));
    EXPECT_EQ(a.GetTotalSamples(), 44100u);
    EXPECT_FALSE(a.IsLong());
    EXPECT_EQ(b.GetTotalSamples(), 44101u);
    EXPECT_TRUE(b.IsLong());
}

TEST_F(OggReader, ReadingAtTheEndIsShortAndSeekClearsIt) {
    Write("se/t.ogg", kestrel::test::MakeToneOgg(440.0, 0.25));
    COggReader r;
    ASSERT_TRUE(r.Open(Path("se/t.ogg").c_str()));
    std::vector<uint8_t> all(11025 * 4 + 4000);
    uint32_t got = 0;
    ASSERT_TRUE(r.Read(all.data(), static_cast<uint32_t>(all.size()), &got));
    EXPECT_EQ(got, 11025u * 4);
    EXPECT_TRUE(r.IsEnd());
    ASSERT_TRUE(r.Seek(0));
    EXPECT_FALSE(r.IsEnd());
    EXPECT_EQ(r.Tell(), 0);
    std::vector<uint8_t> again(11025 * 4);
    ASSERT_TRUE(r.Read(again.data(), static_cast<uint32_t>(again.size()), &got));
    EXPECT_TRUE(std::equal(again.begin(), again.end(), all.begin()));
    EXPECT_EQ(r.Tell(), 11025);
    EXPECT_FALSE(r.Seek(20000)); // past the end
}

TEST_F(OggReader, LoopCountBelowMinusOneIsRefused) {
    COggReader r;
    EXPECT_EQ(r.GetLoopCount(), 0);
    EXPECT_TRUE(r.SetLoopCount(-1));
    EXPECT_FALSE(r.SetLoopCount(-2));
    EXPECT_EQ(r.GetLoopCount(), -1);
    EXPECT_TRUE(r.SetLoopCount(5));
    EXPECT_EQ(r.GetLoopCount(), 5);
}

TEST_F(OggReader, ArchiveEntryDecodesLikeTheLooseFileAndStopsAtItsEnd) {
    auto a = kestrel::test::MakeToneOgg(440.0, 0.7);
    auto b = kestrel::test::MakeToneOgg(880.0, 0.4);
    Write("voice/x.ogg", a);
    // In voice.dat beside the voice folder, followed by another sound that must not be read on.
    std::filesystem::create_directories(dir_ / "packed");
    Write("packed.dat", Pack({{"x.ogg", a, 0}, {"y.ogg", b, 0}}));
    Write("voice.dat", Pack({{"X.OGG", a, 0}, {"z.ogg", b, 0}}));

    COggReader loose;
    ASSERT_TRUE(loose.Open(Path("voice/x.ogg").c_str()));
    auto ref = DecodeAll(loose);

    std::filesystem::remove(dir_ / "voice" / "x.ogg");
    for (const char* name : {"voice/x.ogg", "packed/x.ogg"}) {
        COggReader r;
        ASSERT_TRUE(r.Open(Path(name).c_str())) << name;
        EXPECT_EQ(r.GetTotalSamples(), loose.GetTotalSamples()) << name;
        WaveFormat f1{}, f2{};
        r.GetFormat(&f1);
        loose.GetFormat(&f2);
        EXPECT_EQ(std::memcmp(&f1, &f2, sizeof f1), 0);
        EXPECT_EQ(DecodeAll(r), ref) << name;
        ASSERT_TRUE(r.Seek(1000));
        EXPECT_EQ(r.Tell(), 1000);
    }
}

TEST_F(OggReader, TransformedEntryIsDecodedFirst) {
    auto a = kestrel::test::MakeToneOgg(440.0, 0.5);
    Write("bgm.dat", Pack({{"s.ogg", a, kArcWordScramble | kArcLzss}}));
    Write("bgm/plain.ogg", a);
    COggReader plain, packed;
    ASSERT_TRUE(plain.Open(Path("bgm/plain.ogg").c_str()));
    ASSERT_TRUE(packed.Open(Path("bgm/s.ogg").c_str()));
    EXPECT_EQ(DecodeAll(packed), DecodeAll(plain));
}

// A stream of more than two channels reads as stereo at its own rate and length: each channel of
// the layout on its side, the centre on both at -3 dB, the surrounds at -3 dB, the low-frequency
// channel on neither, each side's weights scaled to sum to 1; beyond eight channels every channel on
// both sides.
TEST_F(OggReader, MoreThanTwoChannelsAreMixedDownToStereo) {
    constexpr double h = M_SQRT1_2;
    using Weights = std::vector<std::array<double, 2>>;
    const Weights layouts[] = {
        {{1, 0}, {h, h}, {0, 1}},                         // left, centre, right
        {{1, 0}, {0, 1}, {h, 0}, {0, h}},                 // front and rear pairs
        {{1, 0}, {h, h}, {0, 1}, {h, 0}, {0, h}, {0, 0}}, // 5.1
        Weights(9, {1, 1}),                               // no defined order
    };
    constexpr uint32_t kFrames = 22050;
    constexpr double kAmplitude = 8000.0;
    for (const Weights& layout : layouts) {
        // Channel c carries a tone of 300 + 200 c Hz: whole cycles in windows of 4,410 frames.
        const int channels = static_cast<int>(layout.size());
        std::vector<int16_t> pcm(size_t{kFrames} * channels);
        for (int c = 0; c < channels; ++c) {
            auto tone = kestrel::test::MakeTone(300.0 + 200.0 * c, kFrames, 1, 44100, kAmplitude);
            for (uint32_t i = 0; i < kFrames; ++i)
                pcm[size_t{i} * channels + c] = tone[i];
        }
        Write("se/multi.ogg", kestrel::test::EncodeOggVorbis(pcm, channels, 44100));
        COggReader r;
        ASSERT_TRUE(r.Open(Path("se/multi.ogg").c_str())) << channels;
        WaveFormat f{};
        r.GetFormat(&f);
        EXPECT_EQ(f.formatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(f.channels, 2);
        EXPECT_EQ(f.samplesPerSec, 44100u);
        EXPECT_EQ(f.blockAlign, 4);
        EXPECT_EQ(r.GetTotalSamples(), kFrames);
        auto bytes = DecodeAll(r);
        ASSERT_EQ(bytes.size(), size_t{kFrames} * 4) << channels;
        std::vector<int16_t> stereo(bytes.size() / 2);
        std::memcpy(stereo.data(), bytes.data(), bytes.size());
        for (int side = 0; side < 2; ++side) {
            double sum = 0;
            for (const auto& w : layout)
                sum += w[side];
            auto mono = sndtest::Channel(stereo, side);
            for (int c = 0; c < channels; ++c) {
                double expected = kAmplitude * layout[c][side] / sum;
                EXPECT_NEAR(sndtest::ToneAmplitude(mono, 4410, 4410, 300.0 + 200.0 * c), expected, 150.0)
                    << channels << " channels, channel " << c << ", side " << side;
            }
        }
    }
}

TEST_F(OggReader, BadFilesDoNotOpen) {
    auto ogg = kestrel::test::MakeToneOgg(440.0, 0.3);
    Write("se/garbage.ogg", std::vector<uint8_t>(10000, 0x5A));
    Write("se/empty.ogg", {});
    Write("se/header.ogg", std::vector<uint8_t>(ogg.begin(), ogg.begin() + 60));
    std::vector<uint8_t> notVorbis = ogg;
    std::memcpy(notVorbis.data() + 29, "xxxxxx", 6); // the "vorbis" signature of the first packet
    Write("se/other.ogg", notVorbis);
    // An archive record that claims bytes beyond the end of the file.
    auto dat = Pack({{"long.ogg", ogg, 0}});
    Put32(dat, 16 + 44, static_cast<uint32_t>(ogg.size() + 100));
    Write("se.dat", dat);
    for (const char* name : {"se/garbage.ogg", "se/empty.ogg", "se/header.ogg", "se/other.ogg",
                             "se/missing.ogg", "se/long.ogg", ""}) {
        COggReader r;
        EXPECT_FALSE(r.Open(Path(name).c_str())) << name;
        EXPECT_FALSE(r.IsOpen());
    }
    COggReader r;
    EXPECT_FALSE(r.Open(nullptr));
}
