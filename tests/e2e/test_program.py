#!/usr/bin/env python3
"""drowsel.exe end to end: the real program under Wine, posting into
standin-aol.exe, looked at and clicked from outside with drowsel-driver.exe,
dragged with xdotool.

    test_program.py --drowsel build/windows/drowsel.exe \
                    --standin build/windows/tools/standin-aol/standin-aol.exe \
                    --driver build/windows/tools/driver/drowsel-driver.exe

--only NAME runs the checks whose names contain NAME. With DROWSEL_E2E_SHOT set
to a file name, the resting window is saved there as a PNG to look at.
"""

import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from harness import Failure, check  # noqa: E402
from test_send_chat import END, EXPECTED, FONT, RED_BOLD  # noqa: E402

ARGS = None

# -- the lines, in code page 1252 ------------------------------------------------


def reason_line(reason):
    # Reason Idle: <u>...</u>
    return (FONT + RED_BOLD + "526561736f6e2049646c653a20" "3c753e"
            + reason.encode("cp1252").hex() + "3c2f753e" + END)


def idle_for_line(minutes):
    # Idle For: <i><u>... Min(s)</i>
    return (FONT + RED_BOLD + "49646c6520466f723a20" "3c693e3c753e"
            + minutes.encode("cp1252").hex() + "204d696e287329" "3c2f693e" + END)


def total_idle_line(minutes):
    # Total Idle Time: <u><i>... Min(s)
    return (FONT + RED_BOLD + "546f74616c2049646c652054696d653a20" "3c753e3c693e"
            + minutes.encode("cp1252").hex() + "204d696e287329" + END)


LOADED, UNLOADED = EXPECTED["MsgLoaded"], EXPECTED["MsgUnloaded"]
STARTED, STOPPED = EXPECTED["MsgStarted"], EXPECTED["MsgStopped"]
BANNER, MAKER = EXPECTED["MsgBanner"], EXPECTED["MsgMaker"]
CREDIT_LOAD, CREDIT_EXIT = EXPECTED["MsgCreditLoad"], EXPECTED["MsgCreditExit"]
FIXED_NAMES = {v: k for k, v in EXPECTED.items() if "=" not in k}


def name_of(hex_text):
    """A line for reports: its catalogue name, or its text."""
    if hex_text in FIXED_NAMES:
        return FIXED_NAMES[hex_text]
    try:
        return repr(bytes.fromhex(hex_text).decode("cp1252", "replace"))
    except ValueError:
        return hex_text


def names(lines):
    return [name_of(h) for h in lines]


# The controls are known by their captions at rest; their IDs are read from
# the window (see controls()).
TEXT1, START, STOP, ADV, SITE, EXIT, LABEL1, LABEL2 = (
    "Reason idle......", "Start", "Stop", "Adv.", "Site", "Exit", "  0", "Mins")
# The window at rest: (class, caption, x, y, w, h) in Z order, which is the
# tab order. Client coordinates at 96 DPI.
RESTING = [
    ("edit", TEXT1, 96, 80, 113, 17),
    ("button", START, 176, 0, 33, 17),
    ("button", STOP, 176, 16, 33, 17),
    ("button", ADV, 176, 32, 33, 17),
    ("button", SITE, 176, 48, 33, 17),
    ("button", EXIT, 176, 64, 33, 17),
    ("static", LABEL1, 0, 80, 25, 17),
    ("static", LABEL2, 24, 80, 25, 17),
]
CLIENT_AT = (397, 7, 209, 97)

# The message the window queues for each click, the button's control ID as
# wParam; another program can post it too.
CLICK_MESSAGE = 0x8001
WM_KEYDOWN, VK_ESCAPE = 0x100, 0x1B

# A pause counts from the clock's second rounded to the nearest, so "1 s"
# lasts 0.5 to 1.5 s; the watcher adds up to a poll's worth either way.
GAP_MIN, GAP_MAX = 0.45, 2.0


# -- the stand-in client, watched ------------------------------------------------

class Chat:
    """A stand-in client with its own log. A thread reads the log every 10 ms
    and notes when each line showed up (wall clock, like the driver's `at`)."""

    def __init__(self, s, name):
        self.s = s
        self.log = s.path(f"{name}.log")
        self.proc = s.start(ARGS.standin, "--log", s.winpath(self.log))
        self._lines = []
        self._lock = threading.Lock()
        s.wait_until(lambda: "READY" in s.read_log(self.log) or self.proc.poll() is not None,
                     20, what="the stand-in client to log READY")
        check(self.proc.poll() is None,
              f"stand-in client exited at start with {self.proc.returncode}")
        threading.Thread(target=self._watch, daemon=True).start()

    def _watch(self):
        # Ends by itself once the client has gone (run_checks ends it).
        while True:
            alive = self.proc.poll() is None
            lines = harness.read_log(self.log)
            now = time.time()
            with self._lock:
                self._lines += [(now, line) for line in lines[len(self._lines):]]
            if not alive:
                return
            time.sleep(0.01)

    def posted(self):
        """[(time seen, hex)] of every line that reached the room."""
        with self._lock:
            lines = list(self._lines)
        return [(t, line.split(" ", 2)[2]) for t, line in lines
                if line.split(" ")[1:2] == ["POSTED"]]

    def wait_posted(self, count, timeout, what):
        """Waits until `count` lines in all have been posted; returns them all."""
        try:
            self.s.wait_until(lambda: len(self.posted()) >= count, timeout, what=what)
        except Failure as e:
            raise Failure(f"{e}; posted: {names(h for _, h in self.posted())}") from None
        return self.posted()

    def stays_quiet(self, count, seconds):
        """Checks that no line beyond the first `count` comes within `seconds`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            extra = self.posted()[count:]
            check(not extra, f"unexpected lines posted: {names(h for _, h in extra)}")
            time.sleep(0.05)


def expect_lines(got, want, what):
    got_hex = [h for _, h in got]
    check(got_hex == want, f"{what}: posted {names(got_hex)}, expected {names(want)}"
          + ("" if names(got_hex) != names(want) else f"; bytes {got_hex}"))


def expect_gaps(got, what):
    gaps = [b - a for (a, _), (b, _) in zip(got, got[1:])]
    print(f"    {what}: gaps {', '.join(f'{g:.2f}' for g in gaps)} s")
    check(all(GAP_MIN <= g <= GAP_MAX for g in gaps),
          f"{what}: lines {', '.join(f'{g:.2f}' for g in gaps)} s apart, not about 1 s")


# -- drowsel and the driver ------------------------------------------------------

def parse(text):
    """key=value lines; a new record starts at each `hwnd` key."""
    records = []
    for line in text.splitlines():
        key, eq, value = line.partition("=")
        if not eq:
            continue
        if key == "hwnd" or not records:
            records.append({})
        records[-1][key] = value
    return records


def run_driver(s, *args, timeout=20):
    """Runs drowsel-driver; returns (exit code, its output, its error text)."""
    proc = s.run_to_end(ARGS.driver, *args, timeout=timeout)
    code = proc.returncode
    with open(proc.out_path, "rb") as f:
        out = f.read().decode("utf-8", "replace").replace("\r\n", "\n")
    with open(proc.out_path[:-len(".out")] + ".err", "rb") as f:
        err = f.read().decode("utf-8", "replace").strip()
    return code, out, err


def drive(s, *args, expect=0):
    code, out, err = run_driver(s, *args)
    check(code == expect, f"drowsel-driver {' '.join(args)}: exit {code} (wanted {expect}) {err}")
    records = parse(out)
    return records[0] if records else {}


def find(s):
    """The window as `find` reports it, or None when there is none."""
    code, out, err = run_driver(s, "find")
    if code == 2:
        return None
    check(code == 0, f"drowsel-driver find: exit {code} {err}")
    return parse(out)[0]


def box(text):
    return tuple(int(v) for v in text.split(","))


# Control ID -> the control's caption at rest. The first window a run looks
# at is at rest, so the IDs are learnt from it; they are the same every run.
NAMES = {}


def controls(s):
    """([child dicts in Z order], index of the child with the focus or -1).
    Each child's "name" is its caption at rest."""
    values = drive(s, "controls")
    children = []
    for i in range(int(values["count"])):
        prefix = f"child.{i}."
        child = {k[len(prefix):]: v for k, v in values.items() if k.startswith(prefix)}
        child["id"] = int(child["id"])
        child["rect"] = box(child["rect"])
        child["name"] = NAMES.setdefault(child["id"], child["text"])
        children.append(child)
    return children, int(values["focus"])


def by_name(children):
    return {c["name"]: c for c in children}


def control_id(name):
    """The ID of the control whose caption at rest is `name`."""
    ids = [i for i, n in NAMES.items() if n == name]
    check(len(ids) == 1, f"no one control known as {name!r}: {NAMES}")
    return str(ids[0])


def start_drowsel(s, chat):
    """Starts drowsel and waits for its greeting and its window; returns the process."""
    proc = s.start(ARGS.drowsel)
    chat.wait_posted(2, 20, "the greeting")
    s.wait_until(lambda: (find(s) or {}).get("visible") == "1" or proc.poll() is not None, 15,
                 what="the window to show")
    check(proc.poll() is None, f"drowsel exited at start with {proc.returncode}")
    controls(s)  # learns the controls' IDs, the window being at rest
    return proc


def wait_state(s, running, count="  0", timeout=8):
    """Waits for the resting or the running state of the controls."""
    want = {START: not running, TEXT1: not running, STOP: running, ADV: True, SITE: True,
            EXIT: True}
    seen = {}

    def matches():
        children, _ = controls(s)
        kids = by_name(children)
        seen.update(enabled={c: kids[c]["enabled"] == "1" for c in want},
                    count=kids[LABEL1]["text"])
        return seen["enabled"] == want and seen["count"] == count

    try:
        s.wait_until(matches, timeout, interval=0.1,
                     what="the running state" if running else "the resting state")
    except Failure as e:
        raise Failure(f"{e}: enabled {seen.get('enabled')}, count {seen.get('count')!r}") from None


def wait_gone(s, proc, what, timeout=12):
    """Waits for the window to go and the process to end; returns (code, seconds)."""
    t = time.monotonic()
    s.wait_until(lambda: find(s) is None, timeout, interval=0.1, what=f"the window to go {what}")
    code = s.wait_exit(proc, timeout)
    took = time.monotonic() - t
    s.note(f"drowsel exited with {code} {took:.1f} s after {what}")
    return code, took


def xdotool(s, *args):
    subprocess.run(["xdotool", *map(str, args)], env=s.env, timeout=10, check=True,
                   stdin=subprocess.DEVNULL)


def drag(s, x, y, dx, dy):
    """A real left-button press at (x, y), moved by (dx, dy) in steps, released."""
    xdotool(s, "mousemove", x, y)
    time.sleep(0.2)
    xdotool(s, "mousedown", 1)
    time.sleep(0.3)  # Wine's move loop starts from the press
    for step in range(1, 5):
        xdotool(s, "mousemove", x + dx * step // 4, y + dy * step // 4)
        time.sleep(0.1)
    time.sleep(0.2)
    xdotool(s, "mouseup", 1)
    time.sleep(0.3)


# -- checks ----------------------------------------------------------------------

SAMPLES = 200  # `find` every ~20 ms for a few seconds


def greeting_before_the_window_shows(s):
    chat = Chat(s, "greeting")
    drowsel = s.start(ARGS.drowsel)
    sampling = ["find"] + ["then", "sleep", "20", "then", "find"] * (SAMPLES - 1)

    # The window exists, hidden, before the greeting: sample it from then on.
    def sampler_running():
        proc = s.start(ARGS.driver, *sampling)
        s.wait_until(lambda: proc.poll() is not None or os.path.getsize(proc.out_path) > 0, 10,
                     what="the first sample")
        return proc if proc.poll() is None or proc.returncode == 0 else None

    check(drowsel.poll() is None, "drowsel ended at once")
    sampler = s.wait_until(sampler_running, 10, interval=0.02, what="a window to sample")

    def samples():
        with open(sampler.out_path, "rb") as f:
            return [r for r in parse(f.read().decode("utf-8", "replace")) if "at" in r]

    # Seen visible, the credit line must already be in the log: it is read
    # after the sample, and a sample comes after what it saw.
    def shown():
        got = [r for r in samples() if r["visible"] == "1"]
        if got:
            return harness.read_log(chat.log) or ["(empty log)"]
        check(sampler.poll() is None, "sampling ended before the window showed")
        return None

    log_when_shown = s.wait_until(shown, 15, interval=0.01, what="the window to show")
    s.wait_exit(sampler, 30)
    posted = chat.wait_posted(2, 5, "the greeting")
    expect_lines(posted, [LOADED, CREDIT_LOAD], "greeting")
    check(f"Lobby POSTED {CREDIT_LOAD}" in log_when_shown,
          "the window was visible before the credit line was posted")

    (t_loaded, _), (t_credit, _) = posted[:2]
    everything = samples()
    hidden_after = [r for r in everything if r["visible"] == "0" and float(r["at"]) > t_loaded]
    first_shown = min(float(r["at"]) for r in everything if r["visible"] == "1")
    s.note(f"credit {t_credit - t_loaded:.2f} s after the greeting; {len(hidden_after)} samples "
           f"hidden after the greeting; first seen shown {first_shown - t_credit:.2f} s after "
           f"the credit line")
    check(hidden_after, "no sample saw the window hidden after the greeting was posted")
    check(0.5 - 0.05 <= t_credit - t_loaded <= 2.0,
          f"credit line {t_credit - t_loaded:.2f} s after the greeting")


def resting_state(s):
    chat = Chat(s, "resting")
    start_drowsel(s, chat)
    window = find(s)
    print("    " + ", ".join(f"{k}={v}" for k, v in window.items()))
    style, ex_style = int(window["style"], 16), int(window["exstyle"], 16)
    check(window["title"] == "Form1", f"title {window['title']!r}")
    check(window["topmost"] == "1", "not topmost")
    check(window["appwindow"] == "1", "no WS_EX_APPWINDOW")
    check(style & 0x80000000, "not WS_POPUP")
    check(style & 0x00C00000 == 0, "has a title bar (WS_CAPTION)")
    check(box(window["client"]) == CLIENT_AT,
          f"client area at {window['client']}, expected {CLIENT_AT}")

    children, focus = controls(s)
    got = [(c["class"].lower(), c["text"], *c["rect"]) for c in children]
    for row in got:
        print(f"    {row}{'' if row in RESTING else '   <- unexpected'}")
    check(got == RESTING, "children differ from the layout (class, text, rect, Z order)")
    check(len({c["id"] for c in children}) == len(children), "two controls share an ID")
    check(all(c["visible"] == "1" for c in children), "a child is hidden")
    enabled = {c["name"]: c["enabled"] == "1" for c in children}
    check(enabled == {c[1]: c[1] != STOP for c in RESTING},
          f"enabled: {enabled} (only Stop should be disabled)")
    check(focus == 0, f"focus on child {focus}, not on the reason box")
    shot = os.environ.get("DROWSEL_E2E_SHOT")
    if shot:
        s.screenshot(shot)
    check(len(chat.posted()) == 2, f"posted at rest: {names(h for _, h in chat.posted())}")


def start_then_stop(s):
    chat = Chat(s, "start_stop")
    start_drowsel(s, chat)
    drive(s, "set-text", control_id(TEXT1), "Lunch break")
    drive(s, "click", "Start")
    posted = chat.wait_posted(4, 10, "Start's two lines")
    expect_lines(posted[2:], [STARTED, reason_line("Lunch break")], "Start")
    expect_gaps(posted[2:], "Start")
    wait_state(s, running=True)
    drive(s, "click", "Start", expect=3)  # the driver will not click a disabled button
    # A click that runs after its button was disabled does nothing (Stop's
    # lines come next).
    drive(s, "post", hex(CLICK_MESSAGE), control_id(START), "0")

    drive(s, "click", "Stop")
    posted = chat.wait_posted(6, 10, "Stop's two lines")
    expect_lines(posted[4:], [STOPPED, total_idle_line("  0")], "Stop")
    expect_gaps(posted[4:], "Stop")
    wait_state(s, running=False)
    # The same for Stop, now disabled, and for a click of no control at all.
    drive(s, "post", hex(CLICK_MESSAGE), control_id(STOP), "0",
          "then", "post", hex(CLICK_MESSAGE), "1000", "0")
    chat.stays_quiet(6, 0.5)
    wait_state(s, running=False)


def advertise(s):
    chat = Chat(s, "adv")
    start_drowsel(s, chat)
    before = float(drive(s, "cpu")["cpu"])
    drive(s, "click", "Adv.")
    posted = chat.wait_posted(5, 10, "Adv.'s three lines")
    after = float(drive(s, "cpu")["cpu"])
    expect_lines(posted[2:], [BANNER, CREDIT_LOAD, MAKER], "Adv.")
    expect_gaps(posted[2:], "Adv.")
    s.note(f"cpu across Adv.: {after - before:.3f} s "
           f"(lines over {posted[4][0] - posted[2][0]:.2f} s)")
    # Pausing by spinning would burn the whole two seconds.
    check(after - before < 0.5, f"Adv. used {after - before:.3f} s of CPU for two pauses")

    # A second click inside the first pause runs its sequence inside it.
    drive(s, "click", "Adv.", "then", "sleep", "300", "then", "click", "Adv.")
    posted = chat.wait_posted(11, 15, "both Adv. sequences")
    expect_lines(posted[5:], [BANNER, BANNER, CREDIT_LOAD, MAKER, CREDIT_LOAD, MAKER],
                 "Adv. twice")
    chat.stays_quiet(11, 0.5)


def exit_says_farewell(s):
    chat = Chat(s, "exit")
    drowsel = start_drowsel(s, chat)
    drive(s, "click", "Exit")
    posted = chat.wait_posted(4, 10, "the farewell")
    expect_lines(posted[2:], [UNLOADED, CREDIT_EXIT], "Exit")
    expect_gaps(posted[2:], "Exit")
    code, took = wait_gone(s, drowsel, "the farewell")
    check(code == 0, f"exit code {code} (0x{code & 0xffffffff:x})")
    check(took < 10, f"took {took:.1f} s to end")
    expect_lines(chat.posted()[2:], [UNLOADED, CREDIT_EXIT], "Exit, after the end")


def exit_inside_a_pause(s):
    chat = Chat(s, "exit_pause")
    drowsel = start_drowsel(s, chat)
    drive(s, "click", "Adv.", "then", "sleep", "300", "then", "click", "Exit")
    chat.wait_posted(5, 10, "the farewell")
    code, _ = wait_gone(s, drowsel, "the farewell")
    check(code == 0, f"exit code {code} (0x{code & 0xffffffff:x})")
    # Adv. ends with the window: no credit or maker line after the farewell.
    chat.stays_quiet(5, 1.0)
    expect_lines(chat.posted()[2:], [BANNER, UNLOADED, CREDIT_EXIT], "Exit inside Adv.")


def exit_while_running(s):
    chat = Chat(s, "exit_running")
    drowsel = start_drowsel(s, chat)
    drive(s, "set-text", control_id(TEXT1), "Away")
    drive(s, "click", "Start")
    chat.wait_posted(4, 10, "Start's two lines")
    wait_state(s, running=True)
    drive(s, "click", "Exit")
    chat.wait_posted(6, 10, "the farewell")
    code, _ = wait_gone(s, drowsel, "the farewell")
    check(code == 0, f"exit code {code} (0x{code & 0xffffffff:x})")
    expect_lines(chat.posted()[2:], [STARTED, reason_line("Away"), UNLOADED, CREDIT_EXIT],
                 "Exit while running (no total line)")


def close_without_farewell(s):
    chat = Chat(s, "close")
    drowsel = start_drowsel(s, chat)
    drive(s, "close")
    code, _ = wait_gone(s, drowsel, "WM_CLOSE")
    check(code == 0, f"exit code {code} (0x{code & 0xffffffff:x})")
    expect_lines(chat.posted(), [LOADED, CREDIT_LOAD], "close")


def drag_moves_by_the_surface_only(s):
    chat = Chat(s, "drag")
    start_drowsel(s, chat)
    x, y = CLIENT_AT[0], CLIENT_AT[1]
    dx, dy = 120, 80

    # The picture: the window follows the mouse exactly.
    drag(s, x + 60, y + 30, dx, dy)
    moved = {}

    def at_new_place():
        moved.update(find(s))
        return box(moved["client"])[:2] == (x + dx, y + dy)

    try:
        s.wait_until(at_new_place, 5, interval=0.1, what="the window to move")
    except Failure as e:
        raise Failure(f"{e}: client at {moved.get('client')} after dragging the picture "
                      f"from ({x + 60},{y + 30}) by ({dx},{dy})") from None
    s.note(f"picture dragged by ({dx},{dy}): client {CLIENT_AT[:2]} -> {moved['client']}")
    check(box(moved["client"])[2:] == CLIENT_AT[2:], f"size changed: {moved['client']}")
    check(moved["topmost"] == "1", "no longer topmost after the move")
    x, y = x + dx, y + dy

    # The "Mins" label and a button take their own presses.
    drag(s, x + 24 + 12, y + 80 + 8, dx, dy)
    check(box(find(s)["client"])[:2] == (x, y), "pressing the Mins label moved the window")
    drag(s, x + 176 + 16, y + 32 + 8, dx, dy)  # Adv., released off it
    check(box(find(s)["client"])[:2] == (x, y), "pressing the Adv. button moved the window")
    children, focus = controls(s)
    check(focus >= 0 and children[focus]["name"] == ADV,
          "the press never reached the Adv. button (it does not have the focus)")

    # Every other button pressed on the picture starts the same move. Under
    # Wine the move then lasts until a left release, Enter or Esc, so the
    # check ends it with a posted Esc.
    xdotool(s, "mousemove", x + 60, y + 30)
    for button, name in ((3, "right"), (2, "middle"), (8, "X1"), (9, "X2")):
        xdotool(s, "click", button)
        s.wait_until(lambda: find(s)["moving"] == "1", 5, interval=0.1,
                     what=f"a press of the {name} button on the picture to start a move")
        drive(s, "post", hex(WM_KEYDOWN), hex(VK_ESCAPE), "0")
        s.wait_until(lambda: find(s)["moving"] == "0", 5, interval=0.1,
                     what=f"Esc to end the move of the {name} button")
    check(box(find(s)["client"])[:2] == (x, y), "the window moved without the mouse moving")
    chat.stays_quiet(2, 1.5)  # released off the button: no click


def one_minute_tick(s):
    chat = Chat(s, "tick")
    start_drowsel(s, chat)
    drive(s, "set-text", control_id(TEXT1), "Tea")
    drive(s, "click", "Start")
    posted = chat.wait_posted(4, 10, "Start's two lines")
    wait_state(s, running=True)
    posted = chat.wait_posted(7, 75, "the minute's three lines")
    expect_lines(posted[4:], [BANNER, reason_line("Tea"), idle_for_line("1")], "tick")
    expect_gaps(posted[4:], "tick")
    after = posted[4][0] - posted[3][0]
    s.note(f"tick {after:.2f} s after Start's second line")
    check(58 <= after <= 65, f"the first minute came {after:.2f} s after Start")
    wait_state(s, running=True, count="1")

    drive(s, "click", "Stop")
    posted = chat.wait_posted(9, 10, "Stop's two lines")
    expect_lines(posted[7:], [STOPPED, total_idle_line("1")], "Stop after a minute")
    wait_state(s, running=False)


CHECKS = [greeting_before_the_window_shows, resting_state, start_then_stop, advertise,
          exit_says_farewell, exit_inside_a_pause, exit_while_running, close_without_farewell,
          drag_moves_by_the_surface_only, one_minute_tick]


def parse_args(description, *more):
    """The programs' paths and --only, plus any (flags, options) in `more`.
    Also read by the fault sweep and the nesting test, which use this
    module's driver helpers."""
    global ARGS
    only = (("--only",), dict(help="run just the checks whose names contain this"))
    ARGS = harness.program_args(description, ("drowsel", "standin", "driver"),
                                more=(only, *more))
    return ARGS


def main():
    parse_args(__doc__.splitlines()[0])
    checks = [c for c in CHECKS if not ARGS.only or ARGS.only in c.__name__]
    harness.main("program", lambda s: harness.run_checks(s, checks), time_limit=360)


if __name__ == "__main__":
    main()
