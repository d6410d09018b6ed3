"""drowsel.exe under a burst of messages that another program posts and sends
it: stray timer ticks, private messages, commands that are no click, a made-up
DPI change, creation and destruction, a flood of queued clicks. Afterwards the
window must answer as it did, the chat room must have no line nobody asked
for, and Adv., Start, Stop and Exit must still work, with exit code 0.
"""

import pytest

from drowsel_e2e.chat import expect_lines
from drowsel_e2e.driver import ADV, LABEL1, START, STOP, TEXT1
from drowsel_e2e.lines import (BANNER, CREDIT_EXIT, CREDIT_LOAD, MAKER, STARTED, STOPPED,
                               UNLOADED, reason_line, total_idle_line)
from harness import check

WM_DESTROY, WM_NCCREATE, WM_NCDESTROY = 0x2, 0x81, 0x82
WM_COMMAND, WM_TIMER, WM_LBUTTONDOWN = 0x111, 0x113, 0x201
WM_USER, WM_APP, WM_DPICHANGED = 0x400, 0x8000, 0x2E0
MINUTE_TIMER = 1  # the ID of the window's one timer
CLICK = "click"  # the message the window queues for a click, as the driver names it
FLOOD = 200


def burst(children):
    """The driver's commands, as one chain."""
    ids = {c["name"]: c["id"] for c in children}
    stop = next(c for c in children if c["name"] == STOP)
    x, y, w, h = stop["rect"]
    on_stop = (y + h // 2) << 16 | (x + w // 2)  # disabled, so the press reaches the window
    no_ids = [0, 1, 100, 0xFFFF, 0x10000 + ids[START], 0x100000000 + ids[START], 2**64 - 1]
    cmds = [("post", WM_TIMER, t, 0) for t in (MINUTE_TIMER, 0, 2, 0xFFFF)]
    cmds += [("send", WM_TIMER, MINUTE_TIMER, 0), ("post", WM_TIMER, MINUTE_TIMER, 0x10)]
    cmds += [("post", CLICK, v, 0) for v in no_ids + [ids[STOP], ids[LABEL1]]]
    cmds += [("post", m, ids[START], 0) for m in (WM_APP, WM_APP + 2, 0xBFFF)]
    cmds += [(verb, m, ids[START], ids[START]) for verb in ("post", "send")
             for m in (WM_USER, WM_USER + 1, 0x7FFF)]
    cmds += [("post", WM_COMMAND, 1, 0), ("send", WM_COMMAND, 2, 0),
             ("post", WM_COMMAND, ids[START], 0), ("post", WM_COMMAND, ids[START], 0x10),
             ("send", WM_COMMAND, 0x3000000 | ids[TEXT1], 0)]  # EN_CHANGE from nowhere
    cmds += [("post", WM_DPICHANGED, 0x600060, 0x10), ("post", WM_DPICHANGED, 0x900090, 0),
             ("send", WM_DPICHANGED, 0, 0), ("send", WM_DPICHANGED, 0x600060, 0x10),
             ("send", WM_DPICHANGED, 0x900090, 0)]
    cmds += [(verb, m, 0, 0) for verb in ("post", "send") for m in (WM_NCDESTROY, WM_DESTROY)]
    cmds += [("send", WM_NCCREATE, 0, 0x10), ("send", WM_NCCREATE, 0, 0)]
    cmds += [("post", WM_LBUTTONDOWN, 1, on_stop)]
    cmds += [("post", CLICK, ids[STOP], 0), ("post", CLICK, 0, 0)] * FLOOD
    argv = []
    for verb, *numbers in cmds:
        argv += (["then"] if argv else []) + [verb, *(n if n == CLICK else hex(n) for n in numbers)]
    return argv, len(cmds)


def seen(children, focus):
    return [(c["class"], c["text"], c["rect"], c["enabled"], c["visible"]) for c in children], focus


@pytest.mark.bits(64)
def test_stray_messages_change_nothing(wine, chat, driver, drowsel):
    window = driver.find()
    children, focus = driver.controls()
    argv, count = burst(children)
    driver.drive(*argv)
    wine.note(f"{count} messages posted and sent")

    check(drowsel.poll() is None, f"drowsel ended with {drowsel.returncode}")
    now = driver.find()
    check(now is not None, "the window has gone")
    for key in ("visible", "title", "window", "client", "topmost"):
        check(now[key] == window[key], f"window {key}: {now[key]!r}, was {window[key]!r}")
    check(now["moving"] == "0", "a press on the disabled Stop button started a move")
    check(seen(*driver.controls()) == seen(children, focus),
          f"the controls changed: {seen(*driver.controls())}")
    chat.stays_quiet(2, 1.0)  # a stray tick would post its banner at once

    driver.drive("click", ADV)
    expect_lines(chat.wait_posted(5, 10, "Adv.'s lines")[2:], [BANNER, CREDIT_LOAD, MAKER], "Adv.")
    driver.drive("click", START)
    expect_lines(chat.wait_posted(7, 10, "Start's lines")[5:],
                 [STARTED, reason_line(TEXT1)], "Start")
    driver.wait_state(running=True)
    driver.drive("click", STOP)
    expect_lines(chat.wait_posted(9, 10, "Stop's lines")[7:],
                 [STOPPED, total_idle_line("  0")], "Stop")
    driver.wait_state(running=False)
    driver.drive("click", "Exit")
    chat.wait_posted(11, 10, "the farewell")
    driver.wait_ended_well(drowsel, "Exit")
    expect_lines(chat.timed()[9:], [UNLOADED, CREDIT_EXIT], "Exit")
