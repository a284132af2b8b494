#!/usr/bin/env python3
"""Writes the outside tools' results that tests/unit/checksum_test.cpp and
tests/unit/deflate_test.cpp compare with: CRC-32 and Adler-32 from python3's zlib, digests
and HMACs from hashlib and hmac (codec-vectors.inc), and compressed samples from python3's
zlib and gzip modules and the gzip command (codec-fixtures/). Run once from this folder;
the output is committed. The samples come from the generator in codec-samples.h."""

import gzip
import hashlib
import hmac
import pathlib
import subprocess
import zlib

HERE = pathlib.Path(__file__).resolve().parent
MASK = (1 << 64) - 1
WORDS = ("the quick brown fox jumps over lazy dog series block string binary word context native action "
         "value cell compress inflate window symbol length distance a of and to in is that for "
         "it with as was on be at by").split()


def step(state):
    state = (state * 6364136223846793005 + 1442695040888963407) & MASK
    return state, state >> 33


def text(size, seed=1):
    out = bytearray()
    state, count = seed, 1
    while len(out) < size:
        state, v = step(state)
        out += WORDS[v % len(WORDS)].encode() + (b"\n" if count % 12 == 0 else b" ")
        count += 1
    return bytes(out[:size])


def random_bytes(size, seed=7):
    out = bytearray()
    state = seed
    for _ in range(size):
        state, v = step(state)
        out.append((v >> 7) & 0xFF)
    return bytes(out)


SAMPLES = {"empty": b"", "one": b"A", "text": text(4000), "text-large": text(100000), "random": random_bytes(10000)}


def c_string(data):
    return '"' + "".join(f"\\x{b:02x}" for b in data) + '"'


def write_vectors():
    lines = ["// Written by codec-fixtures.py from python3's zlib, hashlib and hmac.", ""]
    lines.append("// {input, CRC-32, Adler-32}; the last rows name generated samples instead.")
    lines.append("constexpr SumRow sum_rows[] = {")
    for literal in (b"", b"a", b"abc", b"message digest", b"The quick brown fox jumps over the lazy dog"):
        lines.append(f"    {{{c_string(literal)}, {len(literal)}, 0x{zlib.crc32(literal):08X}u, 0x{zlib.adler32(literal):08X}u}},")
    lines.append("};")
    big_text, ones = text(1000003), b"\xff" * 1000003
    lines.append(f"constexpr std::uint32_t text_1000003_crc = 0x{zlib.crc32(big_text):08X}u, "
                 f"text_1000003_adler = 0x{zlib.adler32(big_text):08X}u;")
    lines.append(f"constexpr std::uint32_t ff_1000003_crc = 0x{zlib.crc32(ones):08X}u, "
                 f"ff_1000003_adler = 0x{zlib.adler32(ones):08X}u;")
    lines.append("")
    lines.append("// {method, data, key, digest as hex}; an empty key means a plain digest.")
    lines.append("constexpr DigestRow digest_rows[] = {")
    methods = ("md5", "sha1", "sha256", "sha384", "sha512")
    for data in (b"", b"abc", b"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"):
        for m in methods:
            lines.append(f"    {{DigestMethod::{m}, {c_string(data)}, {len(data)}, \"\", 0, \"{hashlib.new(m, data).hexdigest()}\"}},")
    # The keys and texts of RFC 2202 (MD5, SHA-1) and RFC 4231 (SHA-2) test cases 1-4, 6, 7,
    # and the 64- and 65-byte keys on each side of the SHA-256 block size.
    cases = [
        (b"\x0b" * 16, b"Hi There"), (b"\x0b" * 20, b"Hi There"), (b"Jefe", b"what do ya want for nothing?"),
        (b"\xaa" * 16, b"\xdd" * 50), (b"\xaa" * 20, b"\xdd" * 50), (bytes(range(1, 26)), b"\xcd" * 50),
        (b"\xaa" * 80, b"Test Using Larger Than Block-Size Key - Hash Key First"),
        (b"\xaa" * 80, b"Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
        (b"\xaa" * 131, b"Test Using Larger Than Block-Size Key - Hash Key First"),
        (b"\xaa" * 131, b"This is a test using a larger than block-size key and a larger than block-size data. "
                        b"The key needs to be hashed before being used by the HMAC algorithm."),
        (b"k" * 64, b"block-sized key"), (b"k" * 65, b"block-sized key"),
        (b"k" * 128, b"block-sized key"), (b"k" * 129, b"block-sized key"),
    ]
    for key, data in cases:
        for m in methods:
            mac = hmac.new(key, data, m).hexdigest()
            lines.append(f"    {{DigestMethod::{m}, {c_string(data)}, {len(data)}, {c_string(key)}, {len(key)}, \"{mac}\"}},")
    lines.append("};")
    lines.append("")
    lines.append("// The digests of the 1000003-byte generated text, by method.")
    lines.append("constexpr const char* text_1000003_digests[] = {")
    for m in methods:
        lines.append(f"    \"{hashlib.new(m, big_text).hexdigest()}\",")
    lines.append("};")
    (HERE / "codec-vectors.inc").write_text("\n".join(lines) + "\n")


def write_compressed():
    out = HERE / "codec-fixtures"
    out.mkdir(exist_ok=True)
    for old in out.iterdir():
        old.unlink()
    for name, data in SAMPLES.items():
        # Every level on the small samples; on the large ones a few, each a different
        # match finder in zlib (greedy, lazy, lazy with the longest chains).
        small = len(data) < 10000
        for level in range(10) if small else (1, 6, 9):
            (out / f"{name}.{level}.zlib").write_bytes(zlib.compress(data, level))
        for level in range(10) if small else (6,):
            raw = zlib.compressobj(level, zlib.DEFLATED, -15)
            (out / f"{name}.{level}.deflate").write_bytes(raw.compress(data) + raw.flush())
        (out / f"{name}.module.gz").write_bytes(gzip.compress(data, mtime=0))
        source = out / name
        source.write_bytes(data)
        # The command stores the file's name (FNAME) unless told not to.
        (out / f"{name}.command.gz").write_bytes(subprocess.run(["gzip", "-c", str(source)], capture_output=True, check=True).stdout)
        (out / f"{name}.fast.gz").write_bytes(subprocess.run(["gzip", "-1", "-n", "-c", str(source)], capture_output=True, check=True).stdout)
        source.unlink()


write_vectors()
write_compressed()
