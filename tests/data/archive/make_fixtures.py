#!/usr/bin/env python3
"""Writes the malformed archives of this folder. Each holds one record "x"; the loader must refuse it
with the result named in the file name (4: read error, 3: no memory, 2: bad size). Where a coded
stream is at fault, the record's sizes pass the loader's own checks so that the decoder meets it."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def archive(stored, size, flags, name=b"x", count=None, offset=None, stored_len=None):
    rec_count = 1 if count is None else count
    data_at = 16 + 48
    rec = name.ljust(32, b"\0")[:32] if len(name) < 32 else name[:32]
    rec += struct.pack("<IIII", data_at if offset is None else offset, flags, size,
                       len(stored) if stored_len is None else stored_len)
    return b"PACKDAT." + struct.pack("<Ii", 0, rec_count) + rec + stored


def be(n):
    return struct.pack(">I", n)


FIXTURES = {
    # Stored length above the decoded size + 1 (the block it is read into).
    "stored_above_size_4.dat": archive(b"A" * 40, 8, 0),
    # The stored bytes run past the end of the file.
    "stored_past_end_4.dat": archive(b"abc", 3, 0, stored_len=3000),
    # 1000 records declared in a file that holds one.
    "count_past_end_4.dat": archive(b"abc", 3, 0, count=1000),
    # A record name that fills its 32 bytes without a terminator.
    "name_unterminated_4.dat": archive(b"abc", 3, 0, name=b"x" * 32),
    # LZSS stream that declares 6 bytes and ends after 1.
    "lzss_short_4.dat": archive(be(6) + b"\x01a", 6, 0x200),
    # LZSS reference that would write past the declared length.
    "lzss_overrun_4.dat": archive(be(4) + b"\x07abc\xee\xf0", 9, 0x200),
    # Recency-list rank 2 with one value in the list.
    "recency_rank_4.dat": archive(be(2) + b"\x30\xd0", 5, 0x1),
    # Range stream that runs out of input before its end symbol.
    "range_exhausted_4.dat": archive(be(100) + b"\x12\x34\x56\x78\x9a", 100, 0x2),
    # Range stream whose end symbol comes before the declared length.
    "range_early_end_4.dat": archive(be(1) + b"\xff\x00\xff\x00", 7, 0x2),
    # Block-sort primary index out of range.
    "blocksort_primary_4.dat": archive(b"nnbaaa" + be(6), 10, 0x100),
    # Block-sort input shorter than its index.
    "blocksort_short_4.dat": archive(b"\0\0", 2, 0x100),
    # A complete result longer than the record's size: a literal and one reference, 19 bytes.
    "result_above_size_4.dat": archive(be(19) + b"\x01a\xee\xff", 10, 0x200),
    # A declared LZSS length beyond the loader's limit.
    "lzss_huge_3.dat": archive(be(0x7FFFFFFF) + b"\0\0\x0f", 7, 0x200),
    # Size 0xFFFFFFFF.
    "size_ffffffff_2.dat": archive(b"abc", 0xFFFFFFFF, 0),
}

for name, data in FIXTURES.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
