# Slowdown of a line tracer that formats each event, the profiler, and a debugger that never
# stops, on a 100,000-pass loop.
import bdb
import cProfile
import sys
import time


def code():
    n = 0
    for _ in range(100000):
        n = n + 1
    return n


def timed(run):
    start = time.perf_counter()
    run()
    return time.perf_counter() - start


def tracer(frame, event, arg):
    f"{event.upper()} {frame.f_lineno} {arg!r:.30}"
    return tracer


def traced():
    sys.settrace(tracer)
    try:
        code()
    finally:
        sys.settrace(None)


plain = timed(code)
traced_time = timed(traced)
profiled = timed(lambda: cProfile.Profile().runcall(code))
debugger = bdb.Bdb()
debugged = timed(lambda: debugger.runcall(code))
print("trace", round(traced_time / plain, 1), "profile", round(profiled / plain, 1),
      "debug", round(debugged / plain, 1))
