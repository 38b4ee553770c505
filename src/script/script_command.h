// Readers of the operands of one script command. Commands are not aligned (texts shift the ones
// that follow), so every word is read byte by byte, little-endian. The interpreter has checked
// that the command's fixed part and text lie inside the script before a handler reads them.
#pragma once

#include <cstdint>

namespace kestrel::script {

inline uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void WriteU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Fixed-part length of the command (byte 1).
inline uint8_t CmdLength(const uint8_t* cmd) {
    return cmd[1];
}
inline uint8_t B2(const uint8_t* cmd) {
    return cmd[2];
}
inline uint8_t B3(const uint8_t* cmd) {
    return cmd[3];
}
inline int8_t SignedB2(const uint8_t* cmd) {
    return static_cast<int8_t>(cmd[2]);
}
inline int8_t SignedB3(const uint8_t* cmd) {
    return static_cast<int8_t>(cmd[3]);
}
// The u32 operand word at `offset` (4, 8, 12, ...).
inline uint32_t D(const uint8_t* cmd, int offset) {
    return ReadU32(cmd + offset);
}
// Trailing text of the command: it starts right after the fixed part.
inline const char* TrailingText(const uint8_t* cmd) {
    return reinterpret_cast<const char*>(cmd + cmd[1]);
}

} // namespace kestrel::script
