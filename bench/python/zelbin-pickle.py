# The records of bench/zelbin_bench.cpp as python values (a word as an interned string),
# through pickle's highest protocol: the size and the best CPU time of several rounds.
import pickle
import sys
import time

records = int(sys.argv[1]) if len(sys.argv) > 1 else 230000
shared = "the quick brown fox jumps over the lazy dog"
data = [[i, i * 1.5, "name-" + str(i), "word", [i, i + 1], i % 2 == 0, shared] for i in range(1, records + 1)]


def best(body):
    times = []
    for _ in range(5):
        start = time.process_time()
        body()
        times.append(time.process_time() - start)
    return min(times)


encoded = pickle.dumps(data, pickle.HIGHEST_PROTOCOL)
dump = best(lambda: pickle.dumps(data, pickle.HIGHEST_PROTOCOL))
load = best(lambda: pickle.loads(encoded))
print(f"pickle          {len(encoded):10d} bytes  encode {dump:.3f} s  decode {load:.3f} s")
