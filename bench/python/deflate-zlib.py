"""The python3 side of deflate_bench: times zlib at the default level on the folder's
`input`, prints the ratios of our times and size (given as arguments) to zlib's, and checks
that zlib and gzip decompress our `ours.zlib` and `ours.gz` to the input."""
import gzip
import pathlib
import sys
import time
import zlib

folder = pathlib.Path(sys.argv[1])
data = (folder / "input").read_bytes()


def best(f, rounds=5):
    times = []
    for _ in range(rounds):
        t0 = time.perf_counter()
        f()
        times.append(time.perf_counter() - t0)
    return min(times)


packed = zlib.compress(data, 6)
compress_s = best(lambda: zlib.compress(data, 6))
inflate_s = best(lambda: zlib.decompress(packed))
mb = len(data) / 1e6
print(f"zlib:    {len(data)} -> {len(packed)} bytes ({100 * len(packed) / len(data):.2f}%), "
      f"compress {compress_s:.3f} s ({mb / compress_s:.1f} MB/s), decompress {inflate_s:.3f} s ({mb / inflate_s:.1f} MB/s)")
ours_compress, ours_inflate, ours_size = float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
print(f"ours/zlib: compress time {ours_compress / compress_s:.2f}x, decompress time {ours_inflate / inflate_s:.2f}x, "
      f"size {ours_size / len(packed):.3f}x ({sys.executable} {sys.version.split()[0]})")
ok = zlib.decompress((folder / "ours.zlib").read_bytes()) == data and gzip.decompress((folder / "ours.gz").read_bytes()) == data
print("python3 decodes our zlib and gzip output:", "yes" if ok else "NO")
sys.exit(0 if ok else 1)
