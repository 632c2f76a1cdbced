#!/usr/bin/env python3
"""Keys at a Windows console, as far as Wine lets a test type them, and the
ends of pipes.

Wine gives a program started on a pseudo-terminal a console of its own, read
through ReadConsole with the console's line editing. The terminal's suspend
character is switched off, so that Ctrl+Z reaches the console as a key (as on
Windows); Ctrl+C reaches it as the terminal's interrupt, which Wine turns into
the console's Ctrl+C event.

Usage: console_and_pipes.py CASE EMULATOR... PROGRAM
"""
import os
import pty
import re
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time

LONG_SUM = "+".join(["1"] * 5000)  # 9,999 characters: more than one console read

# name: (keys typed one after another, answers expected, exit status)
CASES = {
    "ctrl_z_enter_ends": (["x=4\r", "\x1a\r"], ["4"], 0),
    # Wine ends the pending read only at Enter; Windows at once. Either way the
    # line with the Ctrl+C in it is dropped and x keeps its value.
    "ctrl_c_drops_the_line": (["x=4\r", "12+", "\x03", "x*2\r", "x\r", "\x1a\r"], ["4", "4"], 0),
    # Left arrow, the history's Up arrow, Backspace.
    "console_editing": (["12", "\x1b[D", "3\r", "\x1b[A", "\r", "y=2\x7f7\r", "\x1a\r"], ["132", "132", "7"], 0),
    "long_line": ([LONG_SUM + "\r", "\x1a\r"], ["5000"], 0),
    # The read returns at each Tab and starts again with the completed text:
    # one name fits; two do (the second Tab lists them); the cursor before
    # "+1"; no name fits.
    "tab_completes_names": (["sq\t", "9)\r", "si\t", "\t", "h(0)\r", "ex+1\x1b[D\x1b[D\t0)\r", "q\t1\r", "\x1a\r"],
                            ["3", "0", "2", "0"], 0),
}

START_WAIT = 20  # seconds for Wine to start the program and print its banner
KEY_PAUSE = 0.5


def read_for(fd, seconds, collected):
    end = time.time() + seconds
    while time.time() < end:
        ready, _, _ = select.select([fd], [], [], 0.05)
        if not ready:
            continue
        try:
            data = os.read(fd, 65536)
        except OSError:
            return
        if not data:
            return
        collected += data


def plain(screen):
    """The console's output without its cursor controls and carriage returns."""
    text = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", bytes(screen)).replace(b"\r", b"")
    return text.decode("utf-8", "replace")


def run_at_console(command, keys, output=None):
    """Types `keys` at the console; with `output`, a file, standard output
    goes there instead (and no banner is awaited)."""
    pid, fd = pty.fork()
    if pid == 0:
        attributes = termios.tcgetattr(0)
        attributes[6][termios.VSUSP] = b"\0"  # Ctrl+Z is a key, not a stop
        termios.tcsetattr(0, termios.TCSANOW, attributes)
        if output:
            os.dup2(os.open(output, os.O_WRONLY | os.O_CREAT | os.O_TRUNC), 1)
        os.execv(command[0], command)
    screen = bytearray()
    deadline = time.time() + START_WAIT
    while not output and b"fuer Hilfe" not in screen and time.time() < deadline:
        read_for(fd, 0.2, screen)
    # Keys typed before Wine's console has the terminal in raw mode would be
    # echoed and edited by the terminal itself: wait for raw mode.
    while termios.tcgetattr(fd)[3] & termios.ICANON and time.time() < deadline:
        read_for(fd, 0.05, screen)
    for key in keys:
        os.write(fd, key.encode("latin-1"))
        read_for(fd, KEY_PAUSE, screen)
    deadline = time.time() + 10
    status = None
    while status is None and time.time() < deadline:
        done, wait_status = os.waitpid(pid, os.WNOHANG)
        if done:
            status = os.waitstatus_to_exitcode(wait_status)
        read_for(fd, 0.1, screen)
    if status is None:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
    return plain(screen), status


# STATUS_CONTROL_C_EXIT (0xC000013A), as Wine hands its low byte on.
EXIT_BY_CONSOLE_EVENT = 0x3A


def stop_event_on_pipe(command):
    """Ctrl+C on batch input: the lines read are answered, then the program
    ends as Windows ends a program by Ctrl+C. Wine cannot cancel a pending
    pipe read (CancelSynchronousIo finds nothing to cancel), so the line
    that wakes the read is answered too, and input ends after it."""
    child = subprocess.Popen(command + ["-q", "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             start_new_session=True)
    child.stdin.write(b"1+1\n")
    child.stdin.flush()
    time.sleep(START_WAIT / 4)
    os.killpg(child.pid, signal.SIGINT)  # Wine's console Ctrl+C event
    time.sleep(1)
    child.stdin.write(b"2+2\n3+3\n")
    child.stdin.flush()
    try:
        status = child.wait(timeout=10)
    except subprocess.TimeoutExpired:
        child.kill()
        status = "none (hung)"
    output = child.stdout.read()
    if output != b"\t2\n\t4\n" or status != EXIT_BY_CONSOLE_EVENT:
        print(f"printed {output!r} with status {status}; expected b'\\t2\\n\\t4\\n' and {EXIT_BY_CONSOLE_EVENT}")
        return 1
    return 0


def reader_gone_makes_status_one(command):
    """A reader of standard output that goes away ends the run quietly, with
    status 0, as on Linux, also where it is found gone at the end of an input
    block, inside a line (lines of 99 bytes without blanks: no block of 64 KiB
    ends at a line's end, and any line cut short is a parse error)."""
    with tempfile.TemporaryDirectory() as directory:
        name = os.path.join(directory, "lines")
        with open(name, "wb") as lines:
            lines.write((b"10" + b"+1" * 48 + b"\n") * 200000)
        child = subprocess.Popen(command + ["lines"], cwd=directory, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        first = child.stdout.read(4)
        child.stdout.close()
        errors = child.stderr.read()
        status = child.wait(timeout=30)
    if first != b"\t58\n" or errors or status != 0:
        print(f"printed {first!r}, messages {errors!r}, status {status}; expected no message and status 0")
        return 1
    return 0


def ctrl_c_writes_into_redirected_output(command):
    """Standard input the console, standard output a file: the editor stays
    off, as on Linux, so Ctrl+C is the stop event it is on a pipe, and the
    file gets the answers alone."""
    with tempfile.TemporaryDirectory() as directory:
        name = os.path.join(directory, "answers")
        _, status = run_at_console(command + ["-q"], ["1+1\r", "2+", "\x03", "3+3\r", "\x1a\r"], name)
        with open(name, "rb") as answers:
            output = answers.read()
    if output != b"\t2\n" or status != EXIT_BY_CONSOLE_EVENT:
        print(f"the file got {output!r}, status {status}; expected b'\\t2\\n' and {EXIT_BY_CONSOLE_EVENT}")
        return 1
    return 0


def directory_with_separator_denied(command):
    """A directory named with a separator at its end, as Tab completion in cmd
    and PowerShell writes it, is a directory, as on Linux."""
    failures = 0
    with tempfile.TemporaryDirectory() as directory:
        os.mkdir(os.path.join(directory, "somedir"))
        for name in ("somedir\\", "somedir/"):
            run = subprocess.run(command + [name], cwd=directory, capture_output=True, timeout=60)
            expected = f"ziffralon: cannot open '{name}': Is a directory\n".encode()
            if run.stderr != expected or run.returncode != 2:
                print(f"{name}: said {run.stderr!r}, status {run.returncode}; expected {expected!r} and 2")
                failures += 1
    return 1 if failures else 0


PIPE_CASES = {
    "stop_event_on_pipe": stop_event_on_pipe,
    "reader_gone_makes_status_one": reader_gone_makes_status_one,
    "ctrl_c_writes_into_redirected_output": ctrl_c_writes_into_redirected_output,
    "directory_with_separator_denied": directory_with_separator_denied,
}


def without_env_wrapper(command):
    """Runs `cmake -E env NAME=VALUE... PROGRAM...` as PROGRAM... with those
    variables set here: the Ctrl+C must reach Wine alone, not the wrapper."""
    if len(command) > 2 and command[1:3] == ["-E", "env"]:
        command = command[3:]
        while command and "=" in command[0] and not command[0].startswith("/"):
            name, value = command.pop(0).split("=", 1)
            os.environ[name] = value
    return command


def main():
    case, command = sys.argv[1], without_env_wrapper(sys.argv[2:])
    if case in PIPE_CASES:
        return PIPE_CASES[case](command)
    keys, answers, expected_status = CASES[case]
    screen, status = run_at_console(command, keys)
    if "fuer Hilfe" not in screen:  # Wine did not get the program going: once more
        print("no banner on the first start; the console showed:\n" + screen)
        screen, status = run_at_console(command, keys)
    # The console shows an answer's tab as spaces to the next tab stop.
    got = re.findall(r"^ {8}(\S+)$", screen, re.MULTILINE)
    failures = []
    if got != answers:
        failures.append(f"answers {got}, expected {answers}")
    if status != expected_status:
        failures.append(f"exit status {status}, expected {expected_status}")
    if case == "ctrl_c_drops_the_line" and "^C" not in screen:
        failures.append("no ^C shown")
    if case == "tab_completes_names" and "\nsin(  sinh(\nsin" not in screen:
        failures.append("no list of the names that fit")
    if failures:
        print("\n".join(failures) + "\nthe console showed:\n" + screen)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
