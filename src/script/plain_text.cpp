#include "script/plain_text.h"

#include <cstdint>
#include <cstring>

namespace kestrel::script {

void BuildPlainText(const char* text, char* out, size_t size) {
    if (size == 0)
        return;
    std::memset(out, 0, size);
    if (text == nullptr)
        return;
    size_t n = 0;
    // 0 outside a ruby, 1 in its base, 2 in its reading.
    int ruby = 0;
    for (size_t i = 0; text[i] != '\0';) {
        const uint8_t b = static_cast<uint8_t>(text[i]);
        if (b >= 0x81 && b <= 0xFE && text[i + 1] != '\0') {
            if (ruby != 2 && n + 2 < size) {
                out[n++] = text[i];
                out[n++] = text[i + 1];
            }
            i += 2;
            continue;
        }
        ++i;
        if (b == '<') {
            ruby = ruby == 0 ? 1 : 2;
            continue;
        }
        if (b == '>' && ruby != 0) {
            ruby = 0;
            continue;
        }
        if (ruby != 2 && n + 1 < size)
            out[n++] = static_cast<char>(b);
    }
}

} // namespace kestrel::script
