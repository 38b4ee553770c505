// What the sound commands share with the message-window buttons: the voice prefix tables and the
// tests that decide whether a voice plays.
#pragma once

class CScriptMng;

inline constexpr int kVoicePrefixCount = 12;
inline constexpr int kVoicePrefix2Count = 3;
// Three-letter voice-file prefixes of the speaking characters (story data). Entry i of the first
// table selects the voice volume at system data byte 0x08 + i; the second refines entry 11.
extern const char VoicePrefixTable[kVoicePrefixCount][4];
extern const char VoicePrefixTable2[kVoicePrefix2Count][4];

namespace kestrel::sound_cmd {

// Index of the first entry of the first prefix table equal to the first three characters of the
// voice name, or kVoicePrefixCount when none is.
int VoicePrefixGroup(const char* name);
// Index into the voice volumes of the system data for a voice name: its group, or 11 for a speaker
// in no table.
int VoiceVolumeIndex(const char* name);
// The already-read flag of the current message; an id beyond the flag table counts as unread.
bool CurrentMessageRead(const CScriptMng& engine);
// Ctrl is held and may skip this message (the skip option passes every message, or it is read).
bool FastForwarding(const CScriptMng& engine);
// A voice may play: not fast-forwarding, voices on, and SKIP off or passing an unread message
// that the skip option stops at.
bool VoiceAllowed(const CScriptMng& engine);

} // namespace kestrel::sound_cmd
