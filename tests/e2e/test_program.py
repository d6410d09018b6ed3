"""drowsel.exe end to end: the real program under Wine, posting into
standin-aol.exe, looked at and clicked from outside with drowsel-driver.exe,
dragged with xdotool.

With DROWSEL_E2E_SHOT set to a file name, the resting window is saved there
as a PNG to look at.
"""

import os

import pytest

import harness
from drowsel_e2e.chat import ChatClient, expect_gaps, expect_lines
from drowsel_e2e.desktop import drag, xdotool
from drowsel_e2e.drowsel import press_start, start_beside
from drowsel_e2e.driver import ADV, START, STOP, VK_ESCAPE, WM_KEYDOWN, Driver, box, parse
from drowsel_e2e.layout import CLIENT_AT, CONTROLS, rect
from drowsel_e2e.lines import (BANNER, CREDIT_EXIT, CREDIT_LOAD, LOADED, MAKER, STARTED,
                               STOPPED, UNLOADED, idle_for_line, names, reason_line,
                               total_idle_line)
from harness import Failure, check

# The window at rest: (class, caption, x, y, w, h) in Z order, which is the
# tab order. Client coordinates at 96 DPI.
RESTING = [(kind, caption, *rect(twips)) for kind, caption, twips in CONTROLS]


# -- the minute, waited out while the file's other tests run ---------------------

@pytest.fixture(scope="module", autouse=True)
def minute(request, programs, bits, booted_prefix):
    """Drowsel started and Start clicked in a session of its own (with its own
    display, so that no drag of the other tests reaches its window), for the
    minute's check at the end of the file: (session, chat client, driver), or
    the failure on the way there."""
    if not any(i.name.startswith("test_one_minute_tick") for i in request.session.items):
        yield None
        return
    exes = [programs.path(name, bits) for name in ("standin", "drowsel")]
    with harness.Session("tick", template=booted_prefix) as s:
        try:
            chat, driver = ChatClient(s, exes[0], "tick"), Driver(s, programs.driver)
            start_beside(s, exes[1], chat, driver)
            press_start(driver, chat, "Tea", 4)
            yield s, chat, driver
        except Failure as e:  # the check reports it; the file's other tests still run
            yield e


SAMPLES = 200  # `find` every ~20 ms for a few seconds


def test_greeting_before_the_window_shows(wine, chat, driver, drowsel_exe):
    drowsel = wine.start(drowsel_exe)
    sampling = ["find"] + ["then", "sleep", "20", "then", "find"] * (SAMPLES - 1)

    # The window exists, hidden, before the greeting: sample it from then on.
    def sampler_running():
        proc = driver.start(*sampling)
        wine.wait_until(lambda: proc.poll() is not None or os.path.getsize(proc.out_path) > 0, 10,
                     what="the first sample")
        return proc if proc.poll() is None or proc.returncode == 0 else None

    check(drowsel.poll() is None, "drowsel ended at once")
    sampler = wine.wait_until(sampler_running, 10, interval=0.02, what="a window to sample")

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

    log_when_shown = wine.wait_until(shown, 15, interval=0.01, what="the window to show")
    wine.wait_exit(sampler, 30)
    posted = chat.wait_posted(2, 5, "the greeting")
    expect_lines(posted, [LOADED, CREDIT_LOAD], "greeting")
    check(f"Lobby POSTED {CREDIT_LOAD}" in log_when_shown,
          "the window was visible before the credit line was posted")

    (t_loaded, _), (t_credit, _) = posted[:2]
    everything = samples()
    hidden_after = [r for r in everything if r["visible"] == "0" and float(r["at"]) > t_loaded]
    first_shown = min(float(r["at"]) for r in everything if r["visible"] == "1")
    wine.note(f"credit {t_credit - t_loaded:.2f} s after the greeting; {len(hidden_after)} samples "
           f"hidden after the greeting; first seen shown {first_shown - t_credit:.2f} s after "
           f"the credit line")
    check(hidden_after, "no sample saw the window hidden after the greeting was posted")
    check(0.5 - 0.05 <= t_credit - t_loaded <= 2.0,
          f"credit line {t_credit - t_loaded:.2f} s after the greeting")


def test_resting_state(wine, chat, driver, drowsel):
    window = driver.find()
    print("    " + ", ".join(f"{k}={v}" for k, v in window.items()))
    style = int(window["style"], 16)
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
        wine.screenshot(shot)
    check(len(chat.timed()) == 2, f"posted at rest: {names(h for _, h in chat.timed())}")


def test_start_then_stop(wine, chat, driver, drowsel):
    posted = press_start(driver, chat, "Lunch break", 4)
    expect_lines(posted[2:], [STARTED, reason_line("Lunch break")], "Start")
    expect_gaps(posted[2:], "Start")
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


def test_advertise(wine, chat, driver, drowsel):
    before = float(driver.drive("cpu")["cpu"])
    driver.drive("click", "Adv.")
    posted = chat.wait_posted(5, 10, "Adv.'s three lines")
    after = float(driver.drive("cpu")["cpu"])
    expect_lines(posted[2:], [BANNER, CREDIT_LOAD, MAKER], "Adv.")
    expect_gaps(posted[2:], "Adv.")
    wine.note(f"cpu across Adv.: {after - before:.3f} s "
           f"(lines over {posted[4][0] - posted[2][0]:.2f} s)")
    # Pausing by spinning would burn the whole two seconds.
    check(after - before < 0.5, f"Adv. used {after - before:.3f} s of CPU for two pauses")

    # A second click inside the first pause runs its sequence inside it.
    driver.drive("click", "Adv.", "then", "sleep", "300", "then", "click", "Adv.")
    posted = chat.wait_posted(11, 15, "both Adv. sequences")
    expect_lines(posted[5:], [BANNER, BANNER, CREDIT_LOAD, MAKER, CREDIT_LOAD, MAKER],
                 "Adv. twice")
    chat.stays_quiet(11, 0.5)


def test_exit_says_farewell(wine, chat, driver, drowsel):
    driver.drive("click", "Exit")
    posted = chat.wait_posted(4, 10, "the farewell")
    expect_lines(posted[2:], [UNLOADED, CREDIT_EXIT], "Exit")
    expect_gaps(posted[2:], "Exit")
    took = driver.wait_ended_well(drowsel, "the farewell")
    check(took < 10, f"took {took:.1f} s to end")
    expect_lines(chat.timed()[2:], [UNLOADED, CREDIT_EXIT], "Exit, after the end")


def test_exit_inside_a_pause(wine, chat, driver, drowsel):
    driver.drive("click", "Adv.", "then", "sleep", "300", "then", "click", "Exit")
    chat.wait_posted(5, 10, "the farewell")
    driver.wait_ended_well(drowsel, "the farewell")
    # Adv. ends with the window: no credit or maker line after the farewell.
    chat.stays_quiet(5, 1.0)
    expect_lines(chat.timed()[2:], [BANNER, UNLOADED, CREDIT_EXIT], "Exit inside Adv.")


def test_exit_while_running(wine, chat, driver, drowsel):
    press_start(driver, chat, "Away", 4)
    driver.drive("click", "Exit")
    chat.wait_posted(6, 10, "the farewell")
    driver.wait_ended_well(drowsel, "the farewell")
    expect_lines(chat.timed()[2:], [STARTED, reason_line("Away"), UNLOADED, CREDIT_EXIT],
                 "Exit while running (no total line)")


def test_close_without_farewell(wine, chat, driver, drowsel):
    driver.drive("close")
    driver.wait_ended_well(drowsel, "WM_CLOSE")
    expect_lines(chat.timed(), [LOADED, CREDIT_LOAD], "close")


def test_drag_moves_by_the_surface_only(wine, chat, driver, drowsel):
    x, y = CLIENT_AT[0], CLIENT_AT[1]
    dx, dy = 120, 80

    # The picture: the window follows the mouse exactly.
    drag(wine, x + 60, y + 30, dx, dy)
    moved = {}

    def at_new_place():
        moved.update(driver.find())
        return box(moved["client"])[:2] == (x + dx, y + dy)

    try:
        wine.wait_until(at_new_place, 5, interval=0.1, what="the window to move")
    except Failure as e:
        raise Failure(f"{e}: client at {moved.get('client')} after dragging the picture "
                      f"from ({x + 60},{y + 30}) by ({dx},{dy})") from None
    wine.note(f"picture dragged by ({dx},{dy}): client {CLIENT_AT[:2]} -> {moved['client']}")
    check(box(moved["client"])[2:] == CLIENT_AT[2:], f"size changed: {moved['client']}")
    check(moved["topmost"] == "1", "no longer topmost after the move")
    x, y = x + dx, y + dy

    # The "Mins" label and a button take their own presses.
    drag(wine, x + 24 + 12, y + 80 + 8, dx, dy)
    check(box(driver.find()["client"])[:2] == (x, y), "pressing the Mins label moved the window")
    drag(wine, x + 176 + 16, y + 32 + 8, dx, dy)  # Adv., released off it
    check(box(driver.find()["client"])[:2] == (x, y), "pressing the Adv. button moved the window")
    children, focus = driver.controls()
    check(focus >= 0 and children[focus]["name"] == ADV,
          "the press never reached the Adv. button (it does not have the focus)")

    # Every other button pressed on the picture starts the same move. Under
    # Wine the move then lasts until a left release, Enter or Esc, so the
    # check ends it with a posted Esc.
    xdotool(wine, "mousemove", x + 60, y + 30)
    for button, name in ((3, "right"), (2, "middle"), (8, "X1"), (9, "X2")):
        xdotool(wine, "click", button)
        wine.wait_until(lambda: driver.find()["moving"] == "1", 5, interval=0.1,
                     what=f"a press of the {name} button on the picture to start a move")
        driver.drive("post", hex(WM_KEYDOWN), hex(VK_ESCAPE), "0")
        wine.wait_until(lambda: driver.find()["moving"] == "0", 5, interval=0.1,
                     what=f"Esc to end the move of the {name} button")
    check(box(driver.find()["client"])[:2] == (x, y), "the window moved without the mouse moving")
    chat.stays_quiet(2, 1.5)  # released off the button: no click


@pytest.mark.timeout(100)
def test_one_minute_tick(minute):
    if isinstance(minute, Exception):
        raise minute
    s, chat, driver = minute
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
