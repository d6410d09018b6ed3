"""drowsel.exe started under the session, and how it ended."""

import harness
from harness import check

KNOWN_EXITS = {0xC00000FD: "stack overflow", 0xC0000005: "access violation"}


def exit_text(code):
    """An exit code as a report shows it: hexadecimal, with its name where known."""
    if code is None:
        return "(still running)"
    code &= 0xFFFFFFFF
    return f"0x{code:x}" + (f" ({KNOWN_EXITS[code]})" if code in KNOWN_EXITS else "")


def start_beside(s, exe, chat, driver):
    """Starts drowsel beside a running chat client; returns its process once
    the greeting is in and the window shows, with the controls' IDs learnt."""
    proc = s.start(exe)
    chat.wait_posted(2, 20, "the greeting")
    driver.wait_visible(proc, 15)
    check(proc.poll() is None, f"drowsel exited at start with {exit_text(proc.returncode)}")
    driver.controls()  # learns the controls' IDs, the window being at rest
    return proc


def start_alone(s, exe, driver):
    """Starts drowsel with no chat client about; returns it once its window shows."""
    proc = s.start(exe)
    driver.wait_visible(proc, 20, "Drowsel's window to show")
    check(proc.poll() is None, f"drowsel exited at start with {exit_text(proc.returncode)}")
    return proc


ONLY = (("--only",), dict(help="run just the checks whose names contain this"))


def program_args(description, *more):
    """The command line of a test of the whole program: the paths of
    drowsel.exe, the stand-in chat client and the driver, --only, and any
    (flags, options) in `more`."""
    return harness.program_args(description, ("drowsel", "standin", "driver"),
                                more=(ONLY, *more))


def chosen(checks, args):
    """The checks that --only picks: those whose names contain it, or all."""
    return [c for c in checks if not args.only or args.only in c.__name__]
