#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""vkx's progress on a real pseudo-terminal: the progress line is ended before the summary; with
TERM=dumb or NO_COLOR it comes as plain lines, one per step, without control sequences.
Usage: terminal_progress.py VKX"""
import os
import pty
import re
import sys
import tempfile


def run_on_terminal(args, env):
    """Runs args on a new pseudo-terminal; returns all it wrote and its exit code."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execve(args[0], args, env)
    shown = b""
    while True:
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        shown += chunk
    _, status = os.waitpid(pid, 0)
    return shown, os.waitstatus_to_exitcode(status)


def main():
    vkx = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, "src")
        os.mkdir(src)
        for name in ("a.txt", "b.txt"):
            with open(os.path.join(src, name), "wb") as f:
                f.write(os.urandom(300000))
        base = {"PATH": os.environ.get("PATH", ""), "VKX_PASSWORD": "pw"}
        cases = [  # environment, whether progress is redrawn in place
            ({"TERM": "xterm"}, True),
            ({"TERM": "dumb"}, False),
            ({"TERM": "xterm", "NO_COLOR": "1"}, False),
        ]
        for extra, redrawn in cases:
            box = os.path.join(work, "box.vkx")
            shown, code = run_on_terminal([vkx, "create", src, "-o", box], {**base, **extra})
            assert code == 0, (extra, code, shown)
            summary = shown.index(b"Created ")
            assert shown[:summary].endswith((b"\n", b"\r\x1b[K")), ("glued", extra, shown)
            if redrawn:
                assert b"\r" in shown[:summary] and b"\x1b[K" in shown, (extra, shown)
                continue
            assert b"\x1b" not in shown, ("control sequence", extra, shown)
            assert re.search(rb"\r(?!\n)", shown) is None, ("carriage return", extra, shown)
            lines = shown.decode(errors="replace").splitlines()
            for step in ("Scanning", "Building header", "a.txt ", "b.txt "):
                starting = [line for line in lines if line.startswith(step)]
                assert len(starting) == 1, (step, extra, lines)
    print("progress: ended before the summary; plain lines for TERM=dumb and NO_COLOR")


if __name__ == "__main__":
    main()
