// Makes Ogg Vorbis files for test fixtures: tones of known frequency and length, encoded with
// libvorbisenc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::test {

// `frames` frames of a sine tone of `hz` Hz at `rate` Hz, interleaved over `channels` channels (the
// same on each), peak `amplitude` (0..32767).
std::vector<int16_t> MakeTone(double hz, uint32_t frames, int channels, int rate, double amplitude = 16000.0);

// Encodes interleaved 16-bit PCM as one Ogg Vorbis stream (variable bit rate of `quality`, -0.1 to
// 1.0) with the given serial number. Empty on an encoder failure (rates above 200,000 Hz among
// them). The stream decodes to exactly the same number of frames. Two such files with different
// serials, one after the other, make a chained file.
std::vector<uint8_t> EncodeOggVorbis(const std::vector<int16_t>& pcm, int channels, int rate,
                                     float quality = 0.4f, int serial = 1234);

// Rewrites the sample rate that a file made by EncodeOggVorbis declares (its first page holds the
// identification header alone), keeping the page's checksum right: the same packets then make a
// stream of another rate, beyond what the encoder takes. False when the file is not such a file.
bool SetOggVorbisRate(std::vector<uint8_t>& ogg, uint32_t rate);

// An Ogg file of a tone, as EncodeOggVorbis(MakeTone(...)).
std::vector<uint8_t> MakeToneOgg(double hz, double seconds, int channels = 2, int rate = 44100,
                                 double amplitude = 16000.0);

// Writes bytes to a file (the folders must exist); false on failure.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace kestrel::test
