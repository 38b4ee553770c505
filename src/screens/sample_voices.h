// The sample voices of the configuration screen's character page, one per speaker row.
#pragma once

inline constexpr int kSampleVoiceCount = 12;

// Voice files (file names of the voice folder, 11 characters), row i speaking for voice volume i.
extern const char kSampleVoiceFiles[kSampleVoiceCount][12];
