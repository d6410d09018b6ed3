"""drowsel.exe started under the session, and how it ended."""

from harness import check

from .layout import TEXT1

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



def press_start(driver, chat, reason, posted):
    """Types `reason`, clicks Start and waits for its two lines, `posted` in
    all, and the running state; returns the lines posted, timed."""
    driver.drive("set-text", driver.control_id(TEXT1), reason)
    driver.drive("click", "Start")
    lines = chat.wait_posted(posted, 10, "Start's two lines")
    driver.wait_state(running=True)
    return lines
