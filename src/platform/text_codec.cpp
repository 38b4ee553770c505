#include "platform/text_codec.h"

#include <iconv.h>

namespace text_codec {
namespace {

// One conversion descriptor per thread, direction and page, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of `in` into `out`; false (state reset) when any of it does not convert.
    bool Run(const char* in, size_t inSize, char* out, size_t outCapacity, size_t* outSize) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            return false;
        }
        char* inPtr = const_cast<char*>(in);
        size_t inLeft = inSize;
        char* outPtr = out;
        size_t outLeft = outCapacity;
        size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
        bool ok = r != static_cast<size_t>(-1) && inLeft == 0;
        if (ok) {
            // Flush any shift state (none for these pages, but the call is cheap).
            ok = iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        *outSize = outCapacity - outLeft;
        return ok;
    }

private:
    iconv_t cd_;
};

Converter& Decoder(CodePage page) {
    thread_local Converter gbk("UTF-32LE", "CP936");
    thread_local Converter sjis("UTF-32LE", "CP932");
    return page == CodePage::Gbk ? gbk : sjis;
}

Converter& Encoder(CodePage page) {
    thread_local Converter gbk("CP936", "UTF-32LE");
    thread_local Converter sjis("CP932", "UTF-32LE");
    return page == CodePage::Gbk ? gbk : sjis;
}

bool IsScalar(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Decodes one UTF-8 sequence at the start of `s`; 0 length for an invalid one.
char32_t DecodeUtf8(std::string_view s, size_t* length) {
    const auto b0 = static_cast<uint8_t>(s[0]);
    int n = 0;
    char32_t c = 0;
    if (b0 < 0x80) {
        *length = 1;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        c = b0 & 0x07;
    } else {
        *length = 0;
        return 0;
    }
    if (s.size() < static_cast<size_t>(n)) {
        *length = 0;
        return 0;
    }
    for (int i = 1; i < n; ++i) {
        const auto b = static_cast<uint8_t>(s[i]);
        if ((b & 0xC0) != 0x80) {
            *length = 0;
            return 0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[n] || !IsScalar(c)) {
        *length = 0;
        return 0;
    }
    *length = static_cast<size_t>(n);
    return c;
}

// Game-text bytes of one scalar; false when the page has no code for it.
bool EncodeChar(char32_t c, CodePage page, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return true;
    }
    const uint8_t in[4] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                           static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 24)};
    char buf[8];
    size_t n = 0;
    if (!Encoder(page).Run(reinterpret_cast<const char*>(in), 4, buf, sizeof buf, &n) || n == 0 || n > 2) {
        return false;
    }
    out.append(buf, n);
    return true;
}

} // namespace

bool IsLeadByte(uint8_t byte, CodePage page) {
    if (page == CodePage::Gbk) {
        return byte >= 0x81 && byte <= 0xFE;
    }
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

uint32_t ReadCharCode(const char* text, int* length, CodePage page) {
    int n = 0;
    uint32_t code = 0;
    if (text != nullptr && text[0] != '\0') {
        const auto lead = static_cast<uint8_t>(text[0]);
        if (IsLeadByte(lead, page) && text[1] != '\0') {
            code = lead * 256u + static_cast<uint8_t>(text[1]);
            n = 2;
        } else {
            code = lead;
            n = 1;
        }
    }
    if (length != nullptr) {
        *length = n;
    }
    return code;
}

uint32_t ReadCharCode(std::string_view text, int* length, CodePage page) {
    int n = 0;
    uint32_t code = 0;
    if (!text.empty()) {
        const auto lead = static_cast<uint8_t>(text[0]);
        if (IsLeadByte(lead, page) && text.size() >= 2 && text[1] != '\0') {
            code = lead * 256u + static_cast<uint8_t>(text[1]);
            n = 2;
        } else {
            code = lead;
            n = 1;
        }
    }
    if (length != nullptr) {
        *length = n;
    }
    return code;
}

char32_t CharCodeToUnicode(uint32_t code, CodePage page) {
    if (code < 0x80) {
        return code;
    }
    if (code > 0xFFFF) {
        return 0;
    }
    char in[2];
    size_t inSize = 0;
    if (code > 0xFF) {
        in[0] = static_cast<char>(code >> 8);
        in[1] = static_cast<char>(code & 0xFF);
        inSize = 2;
        if (!IsLeadByte(static_cast<uint8_t>(in[0]), page)) {
            return 0;
        }
    } else {
        in[0] = static_cast<char>(code);
        inSize = 1;
        if (IsLeadByte(static_cast<uint8_t>(in[0]), page)) {
            return 0; // a lead byte alone is no character
        }
    }
    uint8_t out[8];
    size_t n = 0;
    if (!Decoder(page).Run(in, inSize, reinterpret_cast<char*>(out), sizeof out, &n) || n != 4) {
        return 0;
    }
    const char32_t c = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
    return IsScalar(c) && c != 0 ? c : 0;
}

std::string EncodeUtf8(char32_t c) {
    std::string s;
    if (!IsScalar(c)) {
        return s;
    }
    if (c < 0x80) {
        s.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        s.push_back(static_cast<char>(0xC0 | (c >> 6)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        s.push_back(static_cast<char>(0xE0 | (c >> 12)));
        s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        s.push_back(static_cast<char>(0xF0 | (c >> 18)));
        s.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return s;
}

std::optional<std::u32string> GameTextToUtf32(std::string_view text, CodePage page) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        int length = 0;
        const uint32_t code = ReadCharCode(text.substr(i), &length, page);
        const char32_t c = CharCodeToUnicode(code, page);
        if (c == 0 && code != 0) {
            return std::nullopt;
        }
        out.push_back(c); // a stored NUL byte stays U+0000
        i += static_cast<size_t>(length);
    }
    return out;
}

std::optional<std::string> GameTextToUtf8(std::string_view text, CodePage page) {
    auto wide = GameTextToUtf32(text, page);
    if (!wide) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (char32_t c : *wide) {
        out += c == 0 ? std::string(1, '\0') : EncodeUtf8(c);
    }
    return out;
}

std::string GameTextToUtf8Lossy(std::string_view text, CodePage page) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    size_t i = 0;
    while (i < text.size()) {
        int length = 0;
        const uint32_t code = ReadCharCode(text.substr(i), &length, page);
        const char32_t c = CharCodeToUnicode(code, page);
        if (c == 0 && code != 0) {
            out += "\xEF\xBF\xBD";
        } else if (c == 0) {
            out.push_back('\0');
        } else {
            out += EncodeUtf8(c);
        }
        i += static_cast<size_t>(length);
    }
    return out;
}

std::optional<std::string> Utf32ToGameText(std::u32string_view text, CodePage page) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char32_t c : text) {
        if (!IsScalar(c) || !EncodeChar(c, page, out)) {
            return std::nullopt;
        }
    }
    return out;
}

std::optional<std::string> Utf8ToGameText(std::string_view utf8, CodePage page) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        size_t length = 0;
        const char32_t c = DecodeUtf8(utf8.substr(i), &length);
        if (length == 0 || !EncodeChar(c, page, out)) {
            return std::nullopt;
        }
        i += length;
    }
    return out;
}

std::string Utf8ToGameTextLossy(std::string_view utf8, CodePage page) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        size_t length = 0;
        const char32_t c = DecodeUtf8(utf8.substr(i), &length);
        if (length == 0) {
            out.push_back('?');
            i += 1;
            // Skip the continuation bytes of the broken sequence.
            while (i < utf8.size() && (static_cast<uint8_t>(utf8[i]) & 0xC0) == 0x80) {
                ++i;
            }
            continue;
        }
        if (!EncodeChar(c, page, out)) {
            out.push_back('?');
        }
        i += length;
    }
    return out;
}

} // namespace text_codec
