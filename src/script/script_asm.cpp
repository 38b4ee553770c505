#include "script/script_asm.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "platform/text_codec.h"
#include "script/opcode_table.h"
#include "script/script_command.h"

namespace kestrel::sasm {
namespace {

using script::FieldKind;
using script::GetOpcodeInfo;
using script::OpcodeInfo;
using script::OperandField;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}
bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// Strips a ';' comment that is not inside a string literal.
std::string_view StripComment(std::string_view line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted && c == '\\') {
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            return line.substr(0, i);
        }
    }
    return line;
}

// Splits operands at commas and blanks outside string literals; "len=N" stays one token.
std::vector<std::string_view> SplitOperands(std::string_view s) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ',' || std::isspace(static_cast<unsigned char>(s[i]))))
            ++i;
        if (i >= s.size())
            break;
        size_t start = i;
        if (s[i] == '"') {
            ++i;
            while (i < s.size() && s[i] != '"') {
                if (s[i] == '\\')
                    ++i;
                ++i;
            }
            if (i < s.size())
                ++i;
        } else {
            while (i < s.size() && s[i] != ',' && !std::isspace(static_cast<unsigned char>(s[i])))
                ++i;
        }
        out.push_back(s.substr(start, i - start));
    }
    return out;
}

std::optional<int64_t> ParseNumber(std::string_view s) {
    if (s.empty())
        return std::nullopt;
    bool negative = false;
    if (s[0] == '-' || s[0] == '+') {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty())
        return std::nullopt;
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    int64_t value = 0;
    for (char c : s) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFll)
            return std::nullopt;
    }
    return negative ? -value : value;
}

// A string literal to game text: literal runs are UTF-8 converted to GBK, \xHH escapes are raw.
bool ParseString(std::string_view token, std::string& out, std::string& error) {
    if (token.size() < 2 || token.front() != '"' || token.back() != '"') {
        error = "expected a string literal";
        return false;
    }
    token = token.substr(1, token.size() - 2);
    std::string run;
    auto flush = [&]() -> bool {
        if (run.empty())
            return true;
        auto converted = text_codec::Utf8ToGameText(run);
        if (!converted) {
            error = "text cannot be stored as GBK";
            return false;
        }
        out += *converted;
        run.clear();
        return true;
    };
    for (size_t i = 0; i < token.size(); ++i) {
        char c = token[i];
        if (c != '\\') {
            run += c;
            continue;
        }
        if (++i >= token.size()) {
            error = "unfinished escape";
            return false;
        }
        char e = token[i];
        switch (e) {
            case 'n':
                run += '\n';
                break;
            case 't':
                run += '\t';
                break;
            case 'r':
                run += '\r';
                break;
            case '\\':
                run += '\\';
                break;
            case '"':
                run += '"';
                break;
            case 'x': {
                auto v = token.size() >= i + 3 ? ParseNumber("0x" + std::string(token.substr(i + 1, 2)))
                                               : std::nullopt;
                if (!v) {
                    error = "\\x needs two hex digits";
                    return false;
                }
                if (!flush())
                    return false;
                out += static_cast<char>(*v);
                i += 2;
                break;
            }
            default:
                error = std::string("unknown escape \\") + e;
                return false;
        }
    }
    return flush();
}

struct Fixup {
    size_t at;
    std::string label;
    int line;
};

class Assembler {
public:
    AsmResult Run(std::string_view source) {
        int lineNo = 0;
        while (!source.empty()) {
            size_t nl = source.find('\n');
            std::string_view line = source.substr(0, nl);
            source = nl == std::string_view::npos ? std::string_view{} : source.substr(nl + 1);
            ++lineNo;
            Line(Trim(StripComment(line)), lineNo);
        }
        for (const Fixup& f : fixups_) {
            auto it = labels_.find(f.label);
            if (it == labels_.end()) {
                Error(f.line, "undefined label '" + f.label + "'");
                continue;
            }
            script::WriteU32(out_.bytes.data() + f.at, it->second);
        }
        return std::move(out_);
    }

private:
    void Error(int line, std::string message) { out_.errors.push_back({line, std::move(message)}); }

    void Line(std::string_view line, int lineNo) {
        if (line.empty())
            return;
        // Labels: an identifier directly followed by ':'.
        size_t n = 0;
        while (n < line.size() && IsIdentChar(line[n]))
            ++n;
        if (n > 0 && n < line.size() && line[n] == ':' && IsIdentStart(line[0]) && line[0] != '.') {
            std::string label(line.substr(0, n));
            if (!labels_.emplace(label, static_cast<uint32_t>(out_.bytes.size())).second)
                Error(lineNo, "label '" + label + "' defined twice");
            Line(Trim(line.substr(n + 1)), lineNo);
            return;
        }
        std::string_view mnemonic = line.substr(0, n == 0 ? line.find_first_of(" \t") : n);
        std::string_view rest = Trim(line.substr(mnemonic.size()));
        if (mnemonic == ".byte") {
            for (std::string_view tok : SplitOperands(rest)) {
                auto v = ParseNumber(tok);
                if (!v || *v < -128 || *v > 255) {
                    Error(lineNo, "bad byte '" + std::string(tok) + "'");
                    continue;
                }
                out_.bytes.push_back(static_cast<uint8_t>(*v));
            }
            return;
        }
        if (mnemonic == ".text") {
            std::string text, error;
            if (!ParseString(rest, text, error))
                Error(lineNo, error);
            out_.bytes.insert(out_.bytes.end(), text.begin(), text.end());
            return;
        }
        std::optional<uint8_t> op;
        if (auto num = ParseNumber(mnemonic); num && *num >= 0 && *num < script::kOpcodeCount)
            op = static_cast<uint8_t>(*num);
        else if (!mnemonic.empty() && std::isalpha(static_cast<unsigned char>(mnemonic[0])))
            op = script::FindOpcode(mnemonic);
        if (!op || !GetOpcodeInfo(*op).used) {
            Error(lineNo, "unknown command '" + std::string(mnemonic) + "' (use .byte for raw bytes)");
            return;
        }
        Command(*op, SplitOperands(rest), lineNo);
    }

    void Command(uint8_t op, std::vector<std::string_view> operands, int lineNo) {
        const OpcodeInfo& info = GetOpcodeInfo(op);
        int length = info.minLength;
        for (size_t i = 0; i < operands.size();) {
            if (operands[i].substr(0, 4) == "len=") {
                auto v = ParseNumber(operands[i].substr(4));
                if (!v || *v < info.minLength || *v > 255)
                    Error(lineNo, "len must lie between " + std::to_string(info.minLength) + " and 255");
                else
                    length = static_cast<int>(*v);
                operands.erase(operands.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
        if (operands.size() != info.fields.size()) {
            Error(lineNo, std::string(info.name) + " takes " + std::to_string(info.fields.size()) +
                              " operands, " + std::to_string(operands.size()) + " given");
            return;
        }
        std::vector<uint8_t> cmd(static_cast<size_t>(length), 0);
        cmd[0] = op;
        cmd[1] = static_cast<uint8_t>(length);
        std::string text;
        const size_t base = out_.bytes.size();
        for (size_t i = 0; i < operands.size(); ++i) {
            const OperandField& f = info.fields[i];
            std::string_view tok = operands[i];
            uint8_t* at = cmd.data() + f.offset;
            switch (f.kind) {
                case FieldKind::kByte: {
                    auto v = ParseNumber(tok);
                    if (!v || *v < -128 || *v > 255)
                        Error(lineNo, "bad byte operand '" + std::string(tok) + "'");
                    else
                        *at = static_cast<uint8_t>(*v);
                    break;
                }
                case FieldKind::kHalf: {
                    auto v = ParseNumber(tok);
                    if (!v || *v < -32768 || *v > 65535)
                        Error(lineNo, "bad 16-bit operand '" + std::string(tok) + "'");
                    else
                        script::WriteU16(at, static_cast<uint16_t>(*v));
                    break;
                }
                case FieldKind::kWord: {
                    auto v = ParseNumber(tok);
                    if (!v || *v < -2147483648ll)
                        Error(lineNo, "bad word operand '" + std::string(tok) + "'");
                    else
                        script::WriteU32(at, static_cast<uint32_t>(*v));
                    break;
                }
                case FieldKind::kPair: {
                    size_t colon = tok.find(':');
                    auto x = ParseNumber(tok.substr(0, colon));
                    auto y =
                        colon == std::string_view::npos ? std::nullopt : ParseNumber(tok.substr(colon + 1));
                    if (!x || !y || *x < -32768 || *x > 65535 || *y < -32768 || *y > 65535) {
                        Error(lineNo, "bad pair operand '" + std::string(tok) + "' (expected x:y)");
                    } else {
                        script::WriteU16(at, static_cast<uint16_t>(*x));
                        script::WriteU16(at + 2, static_cast<uint16_t>(*y));
                    }
                    break;
                }
                case FieldKind::kJump: {
                    if (auto v = ParseNumber(tok); v && *v >= 0) {
                        script::WriteU32(at, static_cast<uint32_t>(*v));
                    } else if (!tok.empty() && IsIdentStart(tok[0])) {
                        fixups_.push_back({base + f.offset, std::string(tok), lineNo});
                    } else {
                        Error(lineNo, "bad jump target '" + std::string(tok) + "'");
                    }
                    break;
                }
                case FieldKind::kText: {
                    std::string error;
                    if (!ParseString(tok, text, error)) {
                        Error(lineNo, error);
                    } else if (text.size() > 255) {
                        Error(lineNo, "text longer than 255 bytes");
                        text.resize(255);
                    }
                    *at = static_cast<uint8_t>(text.size());
                    break;
                }
            }
        }
        out_.bytes.insert(out_.bytes.end(), cmd.begin(), cmd.end());
        out_.bytes.insert(out_.bytes.end(), text.begin(), text.end());
    }

    AsmResult out_;
    std::map<std::string, uint32_t> labels_;
    std::vector<Fixup> fixups_;
};

// ---- Disassembler -----------------------------------------------------------------------------

int FieldWidth(FieldKind kind) {
    switch (kind) {
        case FieldKind::kByte:
        case FieldKind::kText:
            return 1;
        case FieldKind::kHalf:
            return 2;
        default:
            return 4;
    }
}

// Whether the command at `at` can be written by name and read back to the same bytes; its total
// size (fixed part and text) in *size.
bool Expressible(const std::vector<uint8_t>& b, size_t at, size_t* size) {
    if (at + 2 > b.size())
        return false;
    const OpcodeInfo& info = GetOpcodeInfo(b[at]);
    const size_t length = b[at + 1];
    if (!info.used || length < info.minLength || at + length > b.size())
        return false;
    size_t text = info.textLengthAt >= 0 ? b[at + static_cast<size_t>(info.textLengthAt)] : 0;
    if (at + length + text > b.size())
        return false;
    std::vector<bool> covered(length, false);
    covered[0] = covered[1] = true;
    for (const OperandField& f : info.fields)
        for (int k = 0; k < FieldWidth(f.kind); ++k)
            covered[f.offset + static_cast<size_t>(k)] = true;
    for (size_t k = 0; k < length; ++k)
        if (!covered[k] && b[at + k] != 0)
            return false;
    *size = length + text;
    return true;
}

std::string QuoteText(const uint8_t* p, size_t n) {
    std::string s = "\"";
    char buf[8];
    for (size_t i = 0; i < n;) {
        uint8_t c = p[i];
        if (text_codec::IsLeadByte(c) && i + 1 < n) {
            std::string pair{static_cast<char>(p[i]), static_cast<char>(p[i + 1])};
            auto utf8 = text_codec::GameTextToUtf8(pair);
            if (utf8) {
                auto back = text_codec::Utf8ToGameText(*utf8);
                if (back && *back == pair) {
                    s += *utf8;
                    i += 2;
                    continue;
                }
            }
        }
        if (c == '"' || c == '\\') {
            s += '\\';
            s += static_cast<char>(c);
        } else if (c == '\n') {
            s += "\\n";
        } else if (c >= 0x20 && c < 0x7F) {
            s += static_cast<char>(c);
        } else {
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            s += buf;
        }
        ++i;
    }
    return s + "\"";
}

} // namespace

AsmResult Assemble(std::string_view source) {
    return Assembler().Run(source);
}

std::vector<uint8_t> InvertBytes(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<uint8_t>(~bytes[i]);
    return out;
}

std::string Disassemble(const std::vector<uint8_t>& b) {
    // First pass: the pieces (named commands and raw runs), their starts and the jump targets.
    struct Piece {
        size_t at;
        size_t size;
        bool named;
    };
    std::vector<Piece> pieces;
    std::set<size_t> starts;
    std::set<uint32_t> targets;
    for (size_t at = 0, size = 0; at < b.size(); at += size) {
        bool named = Expressible(b, at, &size);
        if (named) {
            for (const OperandField& f : GetOpcodeInfo(b[at]).fields)
                if (f.kind == FieldKind::kJump)
                    targets.insert(script::ReadU32(b.data() + at + f.offset));
        } else if (at + 2 <= b.size() && b[at + 1] >= 2 && at + b[at + 1] <= b.size()) {
            size = b[at + 1]; // a command the names cannot express: its fixed part as bytes
        } else {
            size = b.size() - at; // no command boundary to trust: the rest as bytes
        }
        pieces.push_back({at, size, named});
        starts.insert(at);
    }
    auto label = [&](uint32_t offset) { return "L" + std::to_string(offset); };

    std::string out;
    char buf[32];
    for (const Piece& piece : pieces) {
        if (targets.count(static_cast<uint32_t>(piece.at)))
            out += label(static_cast<uint32_t>(piece.at)) + ":\n";
        const uint8_t* cmd = b.data() + piece.at;
        if (!piece.named) {
            for (size_t k = 0; k < piece.size; k += 16) {
                std::string line = "    .byte";
                for (size_t j = k; j < piece.size && j < k + 16; ++j) {
                    std::snprintf(buf, sizeof buf, "%s0x%02x", j == k ? " " : ", ", cmd[j]);
                    line += buf;
                }
                out += line + "\n";
            }
            continue;
        }
        const OpcodeInfo& info = GetOpcodeInfo(cmd[0]);
        std::string line = "    " + std::string(info.name);
        bool first = true;
        for (const OperandField& f : info.fields) {
            line += first ? " " : ", ";
            first = false;
            const uint8_t* p = cmd + f.offset;
            switch (f.kind) {
                case FieldKind::kByte:
                    line += std::to_string(*p);
                    break;
                case FieldKind::kHalf:
                    line += std::to_string(script::ReadU16(p));
                    break;
                case FieldKind::kWord: {
                    uint32_t v = script::ReadU32(p);
                    line += v >= 0x80000000u ? std::to_string(static_cast<int32_t>(v)) : std::to_string(v);
                    break;
                }
                case FieldKind::kPair:
                    line += std::to_string(static_cast<int16_t>(script::ReadU16(p))) + ":" +
                            std::to_string(static_cast<int16_t>(script::ReadU16(p + 2)));
                    break;
                case FieldKind::kJump: {
                    uint32_t t = script::ReadU32(p);
                    line += starts.count(t) ? label(t) : std::to_string(t);
                    break;
                }
                case FieldKind::kText:
                    line += QuoteText(cmd + cmd[1], *p);
                    break;
            }
        }
        if (cmd[1] != info.minLength)
            line += " len=" + std::to_string(cmd[1]);
        out += line + "\n";
    }
    return out;
}

std::string FormatErrors(const std::vector<Diagnostic>& errors) {
    std::string s;
    for (const Diagnostic& d : errors)
        s += "line " + std::to_string(d.line) + ": " + d.message + "\n";
    return s;
}

} // namespace kestrel::sasm
