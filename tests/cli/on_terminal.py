#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""vkx on a real pseudo-terminal. The password prompt: create asks twice and a mismatch exits 2;
Ctrl-C at either prompt ends the run as cancelled (exit 3); the terminal never echoes the
password and gets its echo back. Progress: the line is ended before the summary; with TERM=dumb
or NO_COLOR it comes as plain lines, one per step, without control sequences.
Usage: on_terminal.py VKX BOX"""
import os
import pty
import re
import select
import sys
import tempfile
import termios
import time


def read_until(fd, text, seconds=20):
    seen = b""
    end = time.time() + seconds
    while text not in seen and time.time() < end:
        if select.select([fd], [], [], 0.05)[0]:
            try:
                seen += os.read(fd, 1024)
            except OSError:
                break
    return seen


def run(args, typed, exit_code, env=None):
    """Starts vkx on a terminal, answers each expected prompt, and checks how it ends."""
    pid, fd = pty.fork()
    if pid == 0:
        os.environ.pop("VKX_PASSWORD", None)
        os.execve(args[0], args, env or os.environ)
    shown = b""
    for prompt, keys in typed:
        shown += read_until(fd, prompt)
        assert prompt in shown, (args, prompt, shown)
        assert not termios.tcgetattr(fd)[3] & termios.ECHO, "the prompt echoes"
        for chunk in keys.split(b"|"):  # Ctrl-C as a key press of its own
            os.write(fd, chunk)
            time.sleep(0.2)
    shown += read_until(fd, b"no end mark", 5 if typed else 60)
    _, status = os.waitpid(pid, 0)
    assert os.waitstatus_to_exitcode(status) == exit_code, (args, status, shown)
    assert b"secret" not in shown, shown
    assert termios.tcgetattr(fd)[3] & termios.ECHO, "echo stays off"
    return shown


def progress(vkx, work):
    src = os.path.join(work, "big")
    os.mkdir(src)
    for name in ("a.txt", "b.txt"):
        with open(os.path.join(src, name), "wb") as f:
            f.write(os.urandom(300000))
    base = {"PATH": os.environ.get("PATH", ""), "VKX_PASSWORD": "pw"}
    for extra, redrawn in [({"TERM": "xterm"}, True), ({"TERM": "dumb"}, False),
                           ({"TERM": "xterm", "NO_COLOR": "1"}, False)]:
        shown = run([vkx, "create", src, "-o", os.path.join(work, "big.vkx")], [], 0,
                    {**base, **extra})
        summary = shown.index(b"Created ")
        assert shown[:summary].endswith((b"\n", b"\r\x1b[K")), ("glued", extra, shown)
        if redrawn:
            continue
        assert b"\x1b" not in shown and not re.search(rb"\r(?!\n)", shown), (extra, shown)
        lines = shown.decode(errors="replace").splitlines()
        for step in ("Scanning", "Building header", "a.txt ", "b.txt "):
            assert len([line for line in lines if line.startswith(step)]) == 1, (step, lines)


def main():
    vkx, box = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        os.mkdir(os.path.join(work, "src"))
        made = os.path.join(work, "made.vkx")
        create = [vkx, "create", os.path.join(work, "src"), "-o", made, "-q"]
        cases = [
            ([vkx, "list", box], [(b"Password: ", b"half a secret|\x03")], 3),
            (create, [(b"Password: ", b"secret one\n"), (b"Re-Type", b"secret two\n")], 2),
            (create, [(b"Password: ", b"secret\n"), (b"Re-Type", b"half a secret|\x03")], 3),
            (create, [(b"Password: ", b"secret\n"), (b"Re-Type", b"secret\n")], 0),
        ]
        for args, typed, exit_code in cases:
            run(args, typed, exit_code)
            assert os.path.exists(made) == (exit_code == 0), (args, typed)
        progress(vkx, work)
    print("on a terminal: prompts ask, cancel and restore echo; progress ends before the summary")


if __name__ == "__main__":
    main()
