#include "packdat_lib.h"

#include <algorithm>
#include <cstring>

#include "archive/arc_file.h"
#include "archive/arc_transforms.h"

namespace kestrel::packdat {
namespace {

void PushBE32(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetLE32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

uint32_t RotateLeft(uint32_t v, uint32_t n) {
    n &= 31;
    return n == 0 ? v : (v << n) | (v >> (32 - n));
}

class BitWriter {
public:
    explicit BitWriter(Bytes& out) : m_out(out) {}
    void Bit(uint32_t b) {
        m_acc = static_cast<uint8_t>((m_acc << 1) | (b & 1));
        if (++m_count == 8) {
            m_out.push_back(m_acc);
            m_acc = 0;
            m_count = 0;
        }
    }
    void Bits(uint32_t value, uint32_t count) {
        while (count-- > 0) {
            Bit(value >> count);
        }
    }
    void Flush() {
        while (m_count != 0) {
            Bit(0);
        }
    }

private:
    Bytes& m_out;
    uint8_t m_acc = 0;
    int m_count = 0;
};

} // namespace

Bytes BlockSort(const Bytes& in) {
    const size_t n = in.size();
    Bytes out;
    out.reserve(n + 4);
    if (n == 0) {
        PushBE32(out, 0);
        return out;
    }
    // Sorts the cyclic rotations by prefix doubling: p holds the order, c the class of each start.
    std::vector<uint32_t> p(n), c(n), pn(n), cn(n), cnt(std::max<size_t>(256, n), 0);
    for (uint8_t b : in) {
        ++cnt[b];
    }
    for (size_t i = 1; i < 256; ++i) {
        cnt[i] += cnt[i - 1];
    }
    for (size_t i = 0; i < n; ++i) {
        p[--cnt[in[i]]] = static_cast<uint32_t>(i);
    }
    uint32_t classes = 1;
    c[p[0]] = 0;
    for (size_t i = 1; i < n; ++i) {
        if (in[p[i]] != in[p[i - 1]]) {
            ++classes;
        }
        c[p[i]] = classes - 1;
    }
    for (size_t h = 1; h < n && classes < n; h <<= 1) {
        for (size_t i = 0; i < n; ++i) {
            pn[i] = static_cast<uint32_t>((p[i] + n - h) % n);
        }
        std::fill(cnt.begin(), cnt.begin() + classes, 0);
        for (size_t i = 0; i < n; ++i) {
            ++cnt[c[pn[i]]];
        }
        for (size_t i = 1; i < classes; ++i) {
            cnt[i] += cnt[i - 1];
        }
        for (size_t i = n; i-- > 0;) {
            p[--cnt[c[pn[i]]]] = pn[i];
        }
        cn[p[0]] = 0;
        classes = 1;
        for (size_t i = 1; i < n; ++i) {
            if (c[p[i]] != c[p[i - 1]] || c[(p[i] + h) % n] != c[(p[i - 1] + h) % n]) {
                ++classes;
            }
            cn[p[i]] = classes - 1;
        }
        c.swap(cn);
    }
    uint32_t primary = 0;
    for (size_t i = 0; i < n; ++i) {
        out.push_back(in[(p[i] + n - 1) % n]);
        if (p[i] == 0) {
            primary = static_cast<uint32_t>(i);
        }
    }
    PushBE32(out, primary);
    return out;
}

Bytes EncodeLzss(const Bytes& in) {
    constexpr size_t kStart = 4078;   // ring position of the first byte; the ring before it holds zeros
    constexpr size_t kMaxDist = 4095; // a reference reads bytes written at most this far back
    constexpr size_t kMaxLen = 18;
    constexpr size_t kMinLen = 3;
    constexpr int kChainDepth = 48;
    Bytes out;
    PushBE32(out, static_cast<uint32_t>(in.size()));
    // The stream as the decoder's ring sees it: the zeros it starts with, then the data.
    Bytes s(kStart, 0);
    s.insert(s.end(), in.begin(), in.end());
    std::vector<int32_t> head(1 << 16, -1);
    std::vector<int32_t> prev(s.size(), -1);
    auto hash = [&](size_t i) {
        uint32_t v = uint32_t{s[i]} | (uint32_t{s[i + 1]} << 8) | (uint32_t{s[i + 2]} << 16);
        return (v * 2654435761u) >> 16;
    };
    auto insert = [&](size_t i) {
        if (i + 2 < s.size()) {
            uint32_t h = hash(i);
            prev[i] = head[h];
            head[h] = static_cast<int32_t>(i);
        }
    };
    for (size_t i = kStart > kMaxDist ? kStart - kMaxDist : 0; i < kStart; ++i) {
        insert(i);
    }
    size_t flagAt = 0;
    int items = 8;
    auto item = [&](bool literal) {
        if (items == 8) {
            flagAt = out.size();
            out.push_back(0);
            items = 0;
        }
        if (literal) {
            out[flagAt] = static_cast<uint8_t>(out[flagAt] | (1u << items));
        }
        ++items;
    };
    size_t w = kStart;
    while (w < s.size()) {
        size_t bestLen = 0;
        size_t bestSrc = 0;
        size_t limit = std::min(kMaxLen, s.size() - w);
        if (limit >= kMinLen) {
            int depth = kChainDepth;
            for (int32_t c = head[hash(w)]; c >= 0 && depth-- > 0; c = prev[c]) {
                size_t src = static_cast<size_t>(c);
                if (w - src > kMaxDist) {
                    break;
                }
                size_t len = 0;
                while (len < limit && s[src + len] == s[w + len]) {
                    ++len;
                }
                if (len > bestLen) {
                    bestLen = len;
                    bestSrc = src;
                    if (len == limit) {
                        break;
                    }
                }
            }
        }
        if (bestLen >= kMinLen) {
            item(false);
            uint32_t pos = static_cast<uint32_t>(bestSrc & 0xFFF);
            out.push_back(static_cast<uint8_t>(pos & 0xFF));
            out.push_back(static_cast<uint8_t>(((pos >> 4) & 0xF0) | (bestLen - kMinLen)));
            for (size_t k = 0; k < bestLen; ++k) {
                insert(w + k);
            }
            w += bestLen;
        } else {
            item(true);
            out.push_back(s[w]);
            insert(w);
            ++w;
        }
    }
    return out;
}

Bytes EncodeRange(const Bytes& in) {
    constexpr uint32_t kSymbols = 257;
    Bytes out;
    PushBE32(out, static_cast<uint32_t>(in.size()));
    uint32_t freq[kSymbols];
    uint32_t cum[kSymbols + 1];
    for (uint32_t s = 0; s < kSymbols; ++s) {
        freq[s] = 1;
        cum[s] = s;
    }
    cum[kSymbols] = kSymbols;
    uint32_t low = 0;
    uint32_t range = 0xFFFFFFFFu;
    auto encode = [&](uint32_t s) {
        uint32_t step = range / cum[kSymbols];
        low += cum[s] * step;
        range = freq[s] * step;
    };
    for (uint8_t b : in) {
        encode(b);
        ++freq[b];
        for (uint32_t t = b + 1u; t <= kSymbols; ++t) {
            ++cum[t];
        }
        if (cum[kSymbols] >= 0x10000) {
            cum[0] = 0;
            for (uint32_t t = 0; t < kSymbols; ++t) {
                freq[t] = (freq[t] | 2) >> 1;
                cum[t + 1] = cum[t] + freq[t];
            }
        }
        while (((low + range) ^ low) < 0x1000000u) {
            out.push_back(static_cast<uint8_t>(low >> 24));
            low <<= 8;
            range <<= 8;
        }
        while (range < 0x10000u) {
            range = (0x10000u - (low & 0xFFFFu)) << 8;
            out.push_back(static_cast<uint8_t>(low >> 24));
            low <<= 8;
        }
    }
    encode(256);
    // Four bytes of low: the decoder's code window then lies inside the end symbol's interval.
    for (int k = 0; k < 4; ++k) {
        out.push_back(static_cast<uint8_t>(low >> 24));
        low <<= 8;
    }
    return out;
}

Bytes EncodeRecencyList(const Bytes& in) {
    Bytes out;
    PushBE32(out, static_cast<uint32_t>(in.size()));
    BitWriter bits(out);
    uint8_t list[16];
    uint32_t count = 0;
    for (uint8_t v : in) {
        uint32_t at = count;
        for (uint32_t i = 0; i < count; ++i) {
            if (list[i] == v) {
                at = i;
                break;
            }
        }
        if (at < count) {
            uint32_t rank = count - at;
            uint32_t z = 0;
            while ((rank >> (z + 1)) != 0) {
                ++z;
            }
            bits.Bit(1);
            bits.Bits(0, z);
            bits.Bits(rank, z + 1);
            std::memmove(list + at, list + at + 1, count - at - 1);
            list[count - 1] = v;
        } else {
            bits.Bit(0);
            bits.Bits(v, 8);
            list[count++] = v;
            if (count == 16) {
                std::memmove(list, list + 1, 15);
                count = 15;
            }
        }
    }
    bits.Flush();
    return out;
}

void ScrambleWords(Bytes& data) {
    uint32_t n = static_cast<uint32_t>(data.size() / 4);
    if (n == 0) {
        return;
    }
    uint32_t key = (n << ((n % 8) + 8)) ^ n;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t* p = data.data() + size_t{i} * 4;
        uint32_t w = GetLE32(p);
        PutLE32(p, w ^ key);
        key = RotateLeft(key, w % 24);
    }
}

Bytes EncodeEntry(const Bytes& data, uint32_t flags, uint32_t* usedFlags) {
    const uint32_t coders = kArcRecencyCode | kArcRangeCode | kArcLzss | kArcBlockSort;
    Bytes stored = data;
    uint32_t used = flags;
    if ((flags & kArcBlockSort) && data.size() > arc::kMaxBlockSortLength) {
        used &= ~coders; // the decoder's tables hold no more
    }
    if (used & coders) {
        if (used & kArcBlockSort) {
            stored = BlockSort(stored);
        }
        if (used & kArcLzss) {
            stored = EncodeLzss(stored);
        }
        if (used & kArcRangeCode) {
            stored = EncodeRange(stored);
        }
        if (used & kArcRecencyCode) {
            stored = EncodeRecencyList(stored);
        }
        if (stored.size() > data.size() + 1) {
            stored = data;
            used &= ~coders;
        }
    }
    if (used & kArcWordScramble) {
        ScrambleWords(stored);
    }
    *usedFlags = used;
    return stored;
}

bool BuildArchive(const std::vector<PackEntry>& entries, Bytes* archive, std::vector<PackedRecord>* records,
                  std::string* error) {
    std::vector<PackedRecord> index;
    std::vector<Bytes> stored;
    uint64_t offset = 16 + 48 * uint64_t{entries.size()};
    for (const PackEntry& e : entries) {
        if (e.name.empty() || e.name.size() >= 32) {
            *error = "record name must be 1 to 31 bytes: " + e.name;
            return false;
        }
        if (e.data.size() >= 0xFFFFFFFFu) {
            *error = "entry too large: " + e.name;
            return false;
        }
        PackedRecord r;
        r.name = e.name;
        stored.push_back(EncodeEntry(e.data, e.flags, &r.flags));
        r.offset = static_cast<uint32_t>(offset);
        r.size = static_cast<uint32_t>(e.data.size());
        r.storedLength = static_cast<uint32_t>(stored.back().size());
        offset += r.storedLength;
        if (offset > 0xFFFFFFFFu) {
            *error = "archive larger than 4 GiB";
            return false;
        }
        index.push_back(r);
    }
    Bytes out(16 + 48 * index.size(), 0);
    std::memcpy(out.data(), "PACKDAT.", 8);
    PutLE32(out.data() + 8, 0);
    PutLE32(out.data() + 12, static_cast<uint32_t>(index.size()));
    for (size_t i = 0; i < index.size(); ++i) {
        uint8_t* rec = out.data() + 16 + 48 * i;
        std::memcpy(rec, index[i].name.data(), index[i].name.size());
        PutLE32(rec + 32, index[i].offset);
        PutLE32(rec + 36, index[i].flags);
        PutLE32(rec + 40, index[i].size);
        PutLE32(rec + 44, index[i].storedLength);
    }
    for (const Bytes& s : stored) {
        out.insert(out.end(), s.begin(), s.end());
    }
    *archive = std::move(out);
    if (records != nullptr) {
        *records = std::move(index);
    }
    return true;
}

bool ReadIndex(const Bytes& archive, std::vector<PackedRecord>* records, std::string* error) {
    records->clear();
    if (archive.size() < 16 || std::memcmp(archive.data(), "PACKDAT.", 8) != 0) {
        *error = "not a PACKDAT. archive";
        return false;
    }
    int32_t count = static_cast<int32_t>(GetLE32(archive.data() + 12));
    if (count < 0) {
        count = 0;
    }
    if (16 + 48 * uint64_t(count) > archive.size()) {
        *error = "index runs past the end of the file";
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* rec = archive.data() + 16 + 48 * size_t(i);
        size_t len = strnlen(reinterpret_cast<const char*>(rec), 32);
        if (len == 32) {
            *error = "record " + std::to_string(i) + " has no name terminator";
            return false;
        }
        PackedRecord r;
        r.name.assign(reinterpret_cast<const char*>(rec), len);
        r.offset = GetLE32(rec + 32);
        r.flags = GetLE32(rec + 36);
        r.size = GetLE32(rec + 40);
        r.storedLength = GetLE32(rec + 44);
        records->push_back(r);
    }
    return true;
}

} // namespace kestrel::packdat
