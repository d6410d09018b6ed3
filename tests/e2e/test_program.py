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
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from drowsel_e2e.chat import ChatClient, expect_gaps, expect_lines  # noqa: E402
from drowsel_e2e.desktop import drag, xdotool  # noqa: E402
from drowsel_e2e.drowsel import chosen, exit_text, program_args, start_beside  # noqa: E402
from drowsel_e2e.driver import (ADV, CLIENT_AT, EXIT, LABEL1, LABEL2, SITE, START,  # noqa: E402
                                STOP, TEXT1, VK_ESCAPE, WM_KEYDOWN, Driver, box, parse)
from drowsel_e2e.lines import (BANNER, CREDIT_EXIT, CREDIT_LOAD, LOADED, MAKER,  # noqa: E402
                               STARTED, STOPPED, UNLOADED, idle_for_line, names, reason_line,
                               total_idle_line)
from harness import Failure, check  # noqa: E402

ARGS = None

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


def start(s, name):
    """A chat client of its own, the driver, and drowsel started beside them;
    returns (chat client, driver, drowsel's process)."""
    chat = ChatClient(s, ARGS.standin, name)
    driver = Driver(s, ARGS.driver)
    return chat, driver, start_beside(s, ARGS.drowsel, chat, driver)


# -- checks ----------------------------------------------------------------------

SAMPLES = 200  # `find` every ~20 ms for a few seconds


def greeting_before_the_window_shows(s):
    chat = ChatClient(s, ARGS.standin, "greeting")
    driver = Driver(s, ARGS.driver)
    drowsel = s.start(ARGS.drowsel)
    sampling = ["find"] + ["then", "sleep", "20", "then", "find"] * (SAMPLES - 1)

    # The window exists, hidden, before the greeting: sample it from then on.
    def sampler_running():
        proc = driver.start(*sampling)
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
            return [line for _, line in chat.events()] or ["(empty log)"]
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
    chat, driver, _ = start(s, "resting")
    window = driver.find()
    print("    " + ", ".join(f"{k}={v}" for k, v in window.items()))
    style, ex_style = int(window["style"], 16), int(window["exstyle"], 16)
    check(window["title"] == "Form1", f"title {window['title']!r}")
    check(window["topmost"] == "1", "not topmost")
    check(window["appwindow"] == "1", "no WS_EX_APPWINDOW")
    check(style & 0x80000000, "not WS_POPUP")
    check(style & 0x00C00000 == 0, "has a title bar (WS_CAPTION)")
    check(box(window["client"]) == CLIENT_AT,
          f"client area at {window['client']}, expected {CLIENT_AT}")

    children, focus = driver.controls()
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
    check(len(chat.timed()) == 2, f"posted at rest: {names(h for _, h in chat.timed())}")


def start_then_stop(s):
    chat, driver, _ = start(s, "start_stop")
    driver.drive("set-text", driver.control_id(TEXT1), "Lunch break")
    driver.drive("click", "Start")
    posted = chat.wait_posted(4, 10, "Start's two lines")
    expect_lines(posted[2:], [STARTED, reason_line("Lunch break")], "Start")
    expect_gaps(posted[2:], "Start")
    driver.wait_state(running=True)
    driver.drive("click", "Start", expect=3)  # the driver will not click a disabled button
    # A click that runs after its button was disabled does nothing (Stop's
    # lines come next).
    driver.drive("post", "click", driver.control_id(START), "0")

    driver.drive("click", "Stop")
    posted = chat.wait_posted(6, 10, "Stop's two lines")
    expect_lines(posted[4:], [STOPPED, total_idle_line("  0")], "Stop")
    expect_gaps(posted[4:], "Stop")
    driver.wait_state(running=False)
    # The same for Stop, now disabled, and for a click of no control at all.
    driver.drive("post", "click", driver.control_id(STOP), "0",
          "then", "post", "click", "1000", "0")
    chat.stays_quiet(6, 0.5)
    driver.wait_state(running=False)


def advertise(s):
    chat, driver, _ = start(s, "adv")
    before = float(driver.drive("cpu")["cpu"])
    driver.drive("click", "Adv.")
    posted = chat.wait_posted(5, 10, "Adv.'s three lines")
    after = float(driver.drive("cpu")["cpu"])
    expect_lines(posted[2:], [BANNER, CREDIT_LOAD, MAKER], "Adv.")
    expect_gaps(posted[2:], "Adv.")
    s.note(f"cpu across Adv.: {after - before:.3f} s "
           f"(lines over {posted[4][0] - posted[2][0]:.2f} s)")
    # Pausing by spinning would burn the whole two seconds.
    check(after - before < 0.5, f"Adv. used {after - before:.3f} s of CPU for two pauses")

    # A second click inside the first pause runs its sequence inside it.
    driver.drive("click", "Adv.", "then", "sleep", "300", "then", "click", "Adv.")
    posted = chat.wait_posted(11, 15, "both Adv. sequences")
    expect_lines(posted[5:], [BANNER, BANNER, CREDIT_LOAD, MAKER, CREDIT_LOAD, MAKER],
                 "Adv. twice")
    chat.stays_quiet(11, 0.5)


def exit_says_farewell(s):
    chat, driver, drowsel = start(s, "exit")
    driver.drive("click", "Exit")
    posted = chat.wait_posted(4, 10, "the farewell")
    expect_lines(posted[2:], [UNLOADED, CREDIT_EXIT], "Exit")
    expect_gaps(posted[2:], "Exit")
    code, took = driver.wait_gone(drowsel, "the farewell")
    check(code == 0, f"exit code {exit_text(code)}")
    check(took < 10, f"took {took:.1f} s to end")
    expect_lines(chat.timed()[2:], [UNLOADED, CREDIT_EXIT], "Exit, after the end")


def exit_inside_a_pause(s):
    chat, driver, drowsel = start(s, "exit_pause")
    driver.drive("click", "Adv.", "then", "sleep", "300", "then", "click", "Exit")
    chat.wait_posted(5, 10, "the farewell")
    code, _ = driver.wait_gone(drowsel, "the farewell")
    check(code == 0, f"exit code {exit_text(code)}")
    # Adv. ends with the window: no credit or maker line after the farewell.
    chat.stays_quiet(5, 1.0)
    expect_lines(chat.timed()[2:], [BANNER, UNLOADED, CREDIT_EXIT], "Exit inside Adv.")


def exit_while_running(s):
    chat, driver, drowsel = start(s, "exit_running")
    driver.drive("set-text", driver.control_id(TEXT1), "Away")
    driver.drive("click", "Start")
    chat.wait_posted(4, 10, "Start's two lines")
    driver.wait_state(running=True)
    driver.drive("click", "Exit")
    chat.wait_posted(6, 10, "the farewell")
    code, _ = driver.wait_gone(drowsel, "the farewell")
    check(code == 0, f"exit code {exit_text(code)}")
    expect_lines(chat.timed()[2:], [STARTED, reason_line("Away"), UNLOADED, CREDIT_EXIT],
                 "Exit while running (no total line)")


def close_without_farewell(s):
    chat, driver, drowsel = start(s, "close")
    driver.drive("close")
    code, _ = driver.wait_gone(drowsel, "WM_CLOSE")
    check(code == 0, f"exit code {exit_text(code)}")
    expect_lines(chat.timed(), [LOADED, CREDIT_LOAD], "close")


def drag_moves_by_the_surface_only(s):
    chat, driver, _ = start(s, "drag")
    x, y = CLIENT_AT[0], CLIENT_AT[1]
    dx, dy = 120, 80

    # The picture: the window follows the mouse exactly.
    drag(s, x + 60, y + 30, dx, dy)
    moved = {}

    def at_new_place():
        moved.update(driver.find())
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
    check(box(driver.find()["client"])[:2] == (x, y), "pressing the Mins label moved the window")
    drag(s, x + 176 + 16, y + 32 + 8, dx, dy)  # Adv., released off it
    check(box(driver.find()["client"])[:2] == (x, y), "pressing the Adv. button moved the window")
    children, focus = driver.controls()
    check(focus >= 0 and children[focus]["name"] == ADV,
          "the press never reached the Adv. button (it does not have the focus)")

    # Every other button pressed on the picture starts the same move. Under
    # Wine the move then lasts until a left release, Enter or Esc, so the
    # check ends it with a posted Esc.
    xdotool(s, "mousemove", x + 60, y + 30)
    for button, name in ((3, "right"), (2, "middle"), (8, "X1"), (9, "X2")):
        xdotool(s, "click", button)
        s.wait_until(lambda: driver.find()["moving"] == "1", 5, interval=0.1,
                     what=f"a press of the {name} button on the picture to start a move")
        driver.drive("post", hex(WM_KEYDOWN), hex(VK_ESCAPE), "0")
        s.wait_until(lambda: driver.find()["moving"] == "0", 5, interval=0.1,
                     what=f"Esc to end the move of the {name} button")
    check(box(driver.find()["client"])[:2] == (x, y), "the window moved without the mouse moving")
    chat.stays_quiet(2, 1.5)  # released off the button: no click


def one_minute_tick(s):
    chat, driver, _ = start(s, "tick")
    driver.drive("set-text", driver.control_id(TEXT1), "Tea")
    driver.drive("click", "Start")
    posted = chat.wait_posted(4, 10, "Start's two lines")
    driver.wait_state(running=True)
    posted = chat.wait_posted(7, 75, "the minute's three lines")
    expect_lines(posted[4:], [BANNER, reason_line("Tea"), idle_for_line("1")], "tick")
    expect_gaps(posted[4:], "tick")
    after = posted[4][0] - posted[3][0]
    s.note(f"tick {after:.2f} s after Start's second line")
    check(58 <= after <= 65, f"the first minute came {after:.2f} s after Start")
    driver.wait_state(running=True, count="1")

    driver.drive("click", "Stop")
    posted = chat.wait_posted(9, 10, "Stop's two lines")
    expect_lines(posted[7:], [STOPPED, total_idle_line("1")], "Stop after a minute")
    driver.wait_state(running=False)


CHECKS = [greeting_before_the_window_shows, resting_state, start_then_stop, advertise,
          exit_says_farewell, exit_inside_a_pause, exit_while_running, close_without_farewell,
          drag_moves_by_the_surface_only, one_minute_tick]


def main():
    global ARGS
    ARGS = program_args(__doc__.splitlines()[0])
    checks = chosen(CHECKS, ARGS)
    harness.main("program", lambda s: harness.run_checks(s, checks), time_limit=360)


if __name__ == "__main__":
    main()
