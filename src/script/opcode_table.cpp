#include "script/opcode_table.h"

#include <array>
#include <cctype>
#include <string>

namespace kestrel::script {
namespace {

// Signature of a command: space-separated fields, each a kind letter and the byte offset of the
// field in the command: b = byte, h = u16, d = u32, p = pair of i16, j = jump offset,
// t = trailing text whose length byte is at that offset, u = u32 that the handler does not read
// (written like d, but a command may end before it).
struct RawEntry {
    const char* name;
    const char* signature;
};

std::string Jumps(int first, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            s += ' ';
        s += 'j' + std::to_string(first + 4 * i);
    }
    return s;
}

const std::array<RawEntry, kOpcodeCount>& RawTable() {
    static const std::string switch12 = Jumps(4, 12);
    static const std::string switch20 = Jumps(4, 20);
    static const std::array<RawEntry, kOpcodeCount> table = {{
        {"Message", "t3"},                                   // 0
        {"ExitToMenu", ""},                                  // 1
        {"JumpScript", "t3"},                                // 2
        {"SetMode", "b2"},                                   // 3
        {"SetVar", "h2 d4"},                                 // 4
        {"AddVar", "h2 d4"},                                 // 5
        {"JumpIfEq", "d4 d8 j12"},                           // 6
        {"JumpIfNe", "d4 d8 j12"},                           // 7
        {"JumpIfGt", "d4 d8 j12"},                           // 8
        {"JumpIfLt", "d4 d8 j12"},                           // 9
        {"JumpIfGe", "d4 d8 j12"},                           // 10
        {"JumpIfLe", "d4 d8 j12"},                           // 11
        {"SetMessageId", "d4"},                              // 12
        {"Jump", "j4"},                                      // 13
        {"WindowFade", "d4"},                                // 14
        {"LoadBg", "b2 t3"},                                 // 15
        {"LoadLayer", "b2 t3"},                              // 16
        {"RestoreBg", "d4"},                                 // 17
        {"LoadCharBase", "b2 t3"},                           // 18
        {"SetScrCharSet", "b2 b3 p4"},                       // 19
        {"Transition", "b2 d4"},                             // 20
        {"Quake", "b2 d4"},                                  // 21
        {"BlankLayer", "b2 d4"},                             // 22
        {"FillLayer", "b4 b5 b6 b7"},                        // 23
        {"ScreenEffect", "b2 b3 b4 p8 p12 d16"},             // 24
        {"BlitLayer", "b2 p4 b8 p12 p16"},                   // 25
        {"CreateLayer", "b2 p4"},                            // 26
        {"Choice", "b2"},                                    // 27
        {"BeginChoice", ""},                                 // 28
        {"AddChoice", "j4 t2"},                              // 29
        {"SetFlagA", "b3"},                                  // 30
        {nullptr, nullptr},                                  // 31
        {nullptr, nullptr},                                  // 32
        {"SetFlagB", "b2"},                                  // 33
        {"PlayBgm", "b3 t7"},                                // 34
        {"StopBgm", ""},                                     // 35
        {"FadeOutBgm", "b3 d4"},                             // 36
        {"PlayBgmEx", "b2 d4 t8"},                           // 37
        {"BgmFade", ""},                                     // 38
        {"PlayVoice", "b3 t7"},                              // 39
        {"PlaySeEx", "b2 b3 t7"},                            // 40
        {"StopSeChannel", "b2"},                             // 41
        {"WaitVoice", "b2"},                                 // 42
        {"StopVoice", "b2"},                                 // 43
        {"FadeOutSe", "b2 b3 d4"},                           // 44
        {"PlaySe", "b2 b3 d4 t8"},                           // 45
        {"LoadVoiceSlot", "b2 t7"},                          // 46
        {"LoadVoiceSlotNoCheck", "b2 t7"},                   // 47
        {"LoadSeSlot", "b2 t7"},                             // 48
        {"PlayVoiceEx", "b2 b3"},                            // 49
        {"RestartSeChannel", "b2 b3"},                       // 50
        {"SetHudDate", "b3"},                                // 51
        {"SetClock", "b2 b3"},                               // 52
        {"EyeScreen", "b3"},                                 // 53
        {"ResetLayer", "b2"},                                // 54
        {"Nop55", "u4 u8"},                                  // 55
        {"Nop56", "u4"},                                     // 56
        {"Nop57", "u4"},                                     // 57
        {"SetParam58", "b2"},                                // 58
        {"JumpIfFlagB", "b2 j4"},                            // 59
        {"LoadSprite", "b2 t3"},                             // 60
        {"SpriteMotion", "b2 b3 p4 p8 p12 p16 d20 d24 d28"}, // 61
        {"MessageEx", "d4 t8"},                              // 62
        {"SetParam63", "b3"},                                // 63
        {"WindowStyle", "b2"},                               // 64
        {"TextPage", ""},                                    // 65
        {"MaskTransition", "b2 b3 p4 p8 p12 p16 d20 d24"},   // 66
        {"SpriteSine", "b2 d4 d8 d12"},                      // 67
        {"ColorTransition", "b2 d4 d8"},                     // 68
        {"SpriteAnim", "b2 d4"},                             // 69
        {"SpriteImage", ""},                                 // 70
        {"SpriteRestart", "b2"},                             // 71
        {"StampSprites", "b2"},                              // 72
        {"SetParam73", "b3"},                                // 73
        {"SetFaceFrame", "b2 b3 d4"},                        // 74
        {"Transition40", "b2 b3 d4"},                        // 75
        {"RedrawWindow", ""},                                // 76
        {"Transition41", "d4"},                              // 77
        {"EyeSequence", "b2"},                               // 78
        {"ClearMessageArea", ""},                            // 79
        {"ScreenEffectSwitch", "b2 b3 d4 d8"},               // 80
        {"StopEffect", "u4"},                                // 81
        {"OverlayEffect", "b2"},                             // 82
        {"EndOverlay", ""},                                  // 83
        {"WaitClick", ""},                                   // 84
        {"SpriteRange", "b2 d4 h8"},                         // 85
        {"SpriteReset", "b2"},                               // 86
        {"ApplySetting", "b2"},                              // 87
        {"LoadSpriteNoName", "b2 t3"},                       // 88
        {nullptr, nullptr},                                  // 89
        {"EnterMap", "b2 b3"},                               // 90
        {nullptr, nullptr},                                  // 91
        {"EnterSearch", ""},                                 // 92
        {"ClearTables", ""},                                 // 93
        {"JumpIfT1", "b2 b3 j4"},                            // 94
        {nullptr, nullptr},                                  // 95
        {"AddList1", "b2 b3"},                               // 96
        {"SetList1b", "b2 b3"},                              // 97
        {"Nop98", ""},                                       // 98
        {"AddList5", "b2 b3"},                               // 99
        {"SetList2b", "b2 b3"},                              // 100
        {"SetList3b", "b2 b3"},                              // 101
        {"AddList3", "b2 b3"},                               // 102
        {nullptr, nullptr},                                  // 103
        {"AddList2", "b2 b3"},                               // 104
        {nullptr, nullptr},                                  // 105
        {"SetSlot", "b2 b3 p4 p8 d12"},                      // 106
        {"SetSlotState107", "b2"},                           // 107
        {nullptr, nullptr},                                  // 108
        {nullptr, nullptr},                                  // 109
        {"SetSlotMotion", "b2 b3 p4 p8 p12 d16"},            // 110
        {"SetSlotState111", "b2"},                           // 111
        {nullptr, nullptr},                                  // 112
        {nullptr, nullptr},                                  // 113
        {nullptr, nullptr},                                  // 114
        {nullptr, nullptr},                                  // 115
        {nullptr, nullptr},                                  // 116
        {nullptr, nullptr},                                  // 117
        {nullptr, nullptr},                                  // 118
        {nullptr, nullptr},                                  // 119
        {"SetListState120", "b2 b3"},                        // 120
        {"AddList4", "b2 b3"},                               // 121
        {nullptr, nullptr},                                  // 122
        {"RebuildLayers", "p4 p8"},                          // 123
        {"FrameZoom", "b3 p4 p8 p12 p16 d20"},               // 124
        {nullptr, nullptr},                                  // 125
        {"Flash", "b2 b3 d4"},                               // 126
        {"WaitSe", "b2"},                                    // 127
        {"EnterCommand", "b2 b3 b4 b5 b6 b7"},               // 128
        {"SetKeyword1", "b2 b3"},                            // 129
        {"SetKeyword2", "b2 b3"},                            // 130
        {"SetKeyword3", "b2 b3"},                            // 131
        {"SetKeyword4", "b2 b3"},                            // 132
        {"SetKeyword5", "b2 b3"},                            // 133
        {"AdvanceClock", ""},                                // 134
        {"EnterLegwork", "b3"},                              // 135
        {"SetTable136", "b2 b3"},                            // 136
        {"SetTable137", "b2 b3"},                            // 137
        {"SetTable138", "b2 b3"},                            // 138
        {"ClearTable139", ""},                               // 139
        {"JumpIfClockReached", "b2 b3 j4"},                  // 140
        {"Switch12", switch12.c_str()},                      // 141
        {"ClearT2", ""},                                     // 142
        {"SetT2", "b2 b3"},                                  // 143
        {"JumpIfT2", "b2 b3 j4"},                            // 144
        {"SetThresholdIndex", "b3"},                         // 145
        {"JumpIfDay", "b2 j4"},                              // 146
        {"DrawLegworkPanel", ""},                            // 147
        {"SetTimeGauge", "b3"},                              // 148
        {"CharSelect", ""},                                  // 149
        {"EnterKeywords", "b2"},                             // 150
        {"Switch20b", switch20.c_str()},                     // 151
        {"SetT1", "b2 b3"},                                  // 152
        {"SetDay", "b2 b3"},                                 // 153
        {"SetHudInfo", "d4"},                                // 154
        {"ItemSelect", ""},                                  // 155
        {"JumpIfParam156", "b2 j4"},                         // 156
        {"SetTable157", "b2 b3"},                            // 157
        {"SetNoteMark", "d4"},                               // 158
        {"EnterSearchInventory", "b2"},                      // 159
        {"ClearV", ""},                                      // 160
        {"Switch20", switch20.c_str()},                      // 161
        {"SetV", "b2 b3"},                                   // 162
        {"JumpIfV", "b2 b3 j4"},                             // 163
        {"SetParam164", "b2"},                               // 164
        {"WindowFrame", "b2"},                               // 165
        {"FreeLayers", ""},                                  // 166
    }};
    return table;
}

OpcodeInfo Parse(const RawEntry& raw) {
    OpcodeInfo info;
    if (raw.name == nullptr)
        return info;
    info.used = true;
    info.name = raw.name;
    int end = 4;     // the bytes written
    int readEnd = 4; // the bytes the handler reads
    std::string_view sig = raw.signature;
    while (!sig.empty()) {
        size_t space = sig.find(' ');
        std::string_view tok = sig.substr(0, space);
        sig = space == std::string_view::npos ? std::string_view{} : sig.substr(space + 1);
        if (tok.empty())
            continue;
        int offset = std::stoi(std::string(tok.substr(1)));
        OperandField f{FieldKind::kByte, static_cast<uint8_t>(offset)};
        int width = 1;
        switch (tok[0]) {
            case 'b':
                f.kind = FieldKind::kByte;
                break;
            case 'h':
                f.kind = FieldKind::kHalf;
                width = 2;
                break;
            case 'd':
            case 'u':
                f.kind = FieldKind::kWord;
                width = 4;
                break;
            case 'p':
                f.kind = FieldKind::kPair;
                width = 4;
                break;
            case 'j':
                f.kind = FieldKind::kJump;
                width = 4;
                break;
            case 't':
                f.kind = FieldKind::kText;
                info.textLengthAt = offset;
                break;
        }
        if (offset + width > end)
            end = offset + width;
        if (tok[0] != 'u' && offset + width > readEnd)
            readEnd = offset + width;
        info.fields.push_back(f);
    }
    // The assembler writes fixed parts as whole words; a shorter command from elsewhere still
    // runs as long as it holds every byte its handler reads.
    info.operandEnd = static_cast<uint8_t>(readEnd);
    info.minLength = static_cast<uint8_t>((end + 3) & ~3);
    return info;
}

const std::array<OpcodeInfo, kOpcodeCount>& Table() {
    static const std::array<OpcodeInfo, kOpcodeCount> table = [] {
        std::array<OpcodeInfo, kOpcodeCount> t;
        for (int i = 0; i < kOpcodeCount; ++i)
            t[i] = Parse(RawTable()[i]);
        return t;
    }();
    return table;
}

} // namespace

const OpcodeInfo& GetOpcodeInfo(unsigned opcode) {
    static const OpcodeInfo unused;
    if (opcode >= static_cast<unsigned>(kOpcodeCount))
        return unused;
    return Table()[opcode];
}

std::optional<uint8_t> FindOpcode(std::string_view name) {
    for (int i = 0; i < kOpcodeCount; ++i) {
        const OpcodeInfo& info = Table()[i];
        if (!info.used || info.name.size() != name.size())
            continue;
        bool same = true;
        for (size_t k = 0; k < name.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(name[k])) ==
                   std::tolower(static_cast<unsigned char>(info.name[k]));
        if (same)
            return static_cast<uint8_t>(i);
    }
    return std::nullopt;
}

} // namespace kestrel::script
