#!/usr/bin/env python3
"""vkx's password prompt on a real pseudo-terminal: create asks twice and a mismatch exits 2;
Ctrl-C at either prompt ends the run as cancelled (exit 3); the terminal never echoes the
password and gets its echo back. Usage: prompt_cancel.py VKX BOX"""
import os
import pty
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


def run(args, typed, exit_code):
    """Starts vkx on a terminal, answers each expected prompt, and checks how it ends."""
    pid, fd = pty.fork()
    if pid == 0:
        os.environ.pop("VKX_PASSWORD", None)
        os.execv(args[0], args)
    shown = b""
    for prompt, keys in typed:
        shown += read_until(fd, prompt)
        assert prompt in shown, (args, prompt, shown)
        assert not termios.tcgetattr(fd)[3] & termios.ECHO, "the prompt echoes"
        for chunk in keys.split(b"|"):  # Ctrl-C as a key press of its own
            os.write(fd, chunk)
            time.sleep(0.2)
    shown += read_until(fd, b"\n\n", 5)
    _, status = os.waitpid(pid, 0)
    assert os.waitstatus_to_exitcode(status) == exit_code, (args, status, shown)
    assert b"secret" not in shown, shown
    assert termios.tcgetattr(fd)[3] & termios.ECHO, "echo stays off"
    return shown


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
    print("prompts: create asks twice, a mismatch exits 2, Ctrl-C cancels, echo restored")


if __name__ == "__main__":
    main()
