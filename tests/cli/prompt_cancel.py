#!/usr/bin/env python3
"""Ctrl-C at vkx's password prompt, on a real pseudo-terminal: the run ends as cancelled (exit 3)
and the terminal gets its echo back. Usage: prompt_cancel.py VKX BOX"""
import os
import pty
import select
import sys
import termios
import time


def read_until(fd, text, seconds):
    seen = b""
    end = time.time() + seconds
    while text not in seen and time.time() < end:
        if select.select([fd], [], [], 0.05)[0]:
            try:
                seen += os.read(fd, 1024)
            except OSError:
                break
    return seen


def main():
    vkx, box = sys.argv[1], sys.argv[2]
    pid, fd = pty.fork()
    if pid == 0:
        os.environ.pop("VKX_PASSWORD", None)
        os.execv(vkx, [vkx, "list", box])
    assert b"Password: " in read_until(fd, b"Password: ", 20), "no prompt"
    assert not termios.tcgetattr(fd)[3] & termios.ECHO, "the prompt echoes"
    os.write(fd, b"half a passw")
    time.sleep(0.2)
    os.write(fd, b"\x03")  # Ctrl-C
    shown = read_until(fd, b"cancelled", 20)
    _, status = os.waitpid(pid, 0)
    assert os.waitstatus_to_exitcode(status) == 3, (status, shown)
    assert b"half" not in shown, shown
    assert termios.tcgetattr(fd)[3] & termios.ECHO, "echo stays off after Ctrl-C"
    print("Ctrl-C at the prompt: cancelled, echo restored")


if __name__ == "__main__":
    main()
