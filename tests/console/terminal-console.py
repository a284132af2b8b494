#!/usr/bin/env python3
"""The console on a pseudo-terminal: editing keys, completion, history, undo, hidden input
and the terminal's size, checked through what the console prints for each entered line."""
import fcntl
import os
import pty
import select
import struct
import sys
import termios
import time

ZEL = sys.argv[1]
COLS, ROWS = 60, 20

LEFT, RIGHT, UP, DOWN = "\x1b[D", "\x1b[C", "\x1b[A", "\x1b[B"
HOME, END, DELETE, CTRL_LEFT = "\x1b[H", "\x1b[F", "\x1b[3~", "\x1b[1;5D"


class Console:
    def __init__(self):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execv(ZEL, [ZEL, "--cli"])
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLS, 0, 0))
        self.seen = ""

    def read_until(self, text, timeout=10.0):
        end = time.time() + timeout
        while text not in self.seen:
            left = end - time.time()
            if left <= 0:
                raise AssertionError(f"timed out waiting for {text!r}; output so far:\n{self.seen!r}")
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                try:
                    chunk = os.read(self.fd, 4096)
                except OSError:
                    chunk = b""
                if not chunk:
                    raise AssertionError(f"console ended waiting for {text!r}:\n{self.seen!r}")
                self.seen += chunk.decode("utf-8", "replace")
        at = self.seen.index(text) + len(text)
        got, self.seen = self.seen[:at], self.seen[at:]
        return got

    def send(self, keys):
        # Keys one write each, so that an escape sequence is never split.
        for k in keys:
            os.write(self.fd, k.encode())
            time.sleep(0.02)

    def enter(self, *keys, expect):
        self.read_until(">> ")
        self.send(list(keys) + ["\r"])
        return self.read_until(expect)

    def wait(self):
        _, status = os.waitpid(self.pid, 0)
        return os.WEXITSTATUS(status)


def chars(text):
    return list(text)


failures = []


def case(name, body):
    try:
        body()
    except AssertionError as e:
        failures.append(f"{name}: {e}")


c = Console()
c.read_until("Type HELP")

cases = [
    # name, keys, expected output after Enter
    ("size", chars("system/console/size"), f"== {COLS}x{ROWS}"),
    ("left and backspace", chars("1 + 25") + [LEFT, "\x7f"], "== 6"),
    ("home and end", chars("+ 2") + [HOME] + chars("1 ") + [END] + chars(" * 2"), "== 6"),
    ("ctrl+a and ctrl+e", chars("0 + 4") + ["\x01"] + chars("1") + ["\x05"] + chars("0"), "== 50"),
    ("delete", chars("1 + 23") + [LEFT, LEFT, DELETE], "== 4"),
    ("word back", chars("2 * 3 junk") + ["\x08"], "== 6"),
    ("word left", chars("5 * 3") + [CTRL_LEFT] + chars("2"), "== 115"),
    ("ctrl+k", chars("garbage") + ["\x0b"] + chars("7"), "== 7"),
    ("undo", chars("123") + ["\x1a", "\x1a"], "== 1"),
    ("redo", chars("123") + ["\x1a", "\x1a", "\x19"], "== 12"),
    ("tab, one candidate", chars("prob") + ["\t"] + chars(" 5"), "== 5"),
    ("escape", chars("1 +") + ["\x1b"], "(escape)"),
    ("wide characters", chars('length? "日本"'), "== 2"),
]
for name, keys, expected in cases:
    case(name, lambda: c.enter(*keys, expect=expected))


def several_candidates():
    # The candidates are listed after the prompt, the input extended to their common part.
    c.read_until(">> ")
    c.send(chars("shift-l") + ["\t"])
    c.read_until(">> shift-left shift-logical")
    c.read_until(">> shift-l")
    c.send(chars("eft 1 1") + ["\r"])
    c.read_until("== 2")


def history():
    c.enter(*chars("10 + 1"), expect="== 11")
    # Up shows the last line, Down gives back the line being edited with its caret.
    c.enter(*chars("9"), UP, DOWN, *chars("9"), expect="== 99")
    c.enter(UP, UP, expect="== 11")
    # A line equal to the newest entry is not entered twice.
    c.enter(*chars("10 + 1"), expect="== 11")
    c.enter(*chars("copy/part next system/console/history 2"), expect='== ["10 + 1" "99"]')


def hidden():
    c.read_until(">> ")
    c.send(chars('x: ask/hide "word: "') + ["\r"])
    c.read_until("word: ")
    c.send(chars("secret") + ["\r"])
    shown = c.read_until('== "secret"')
    if "secret" in shown.replace('== "secret"', ""):
        raise AssertionError(f"hidden input echoed: {shown!r}")
    if "******" not in shown:
        raise AssertionError(f"hidden input not shown as stars: {shown!r}")
    c.enter(*chars('find system/console/history "secret"'), expect="== none")


case("several candidates", several_candidates)
case("history", history)
case("hidden input", hidden)

# Ctrl+D on an empty line ends the input, and the console quits.
c.read_until(">> ")
c.send(["\x04"])
status = c.wait()
if status != 0:
    failures.append(f"exit status after Ctrl+D: {status}")

for f in failures:
    print("FAILED", f)
total = len(cases) + 4  # the cases, three stories and the end of input
print(f"{total - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
