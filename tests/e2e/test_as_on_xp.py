#!/usr/bin/env python3
"""drowsel.exe as on Windows XP: Wine reports Windows XP to it (XP x64 to the
64-bit program) and keeps the Windows Imaging Component from it, as on an XP
that never got the component. What a user sees, in one run: the greeting, the
picture, Start and Stop, Adv., and Exit with code 0.

    test_as_on_xp.py --drowsel build/windows-x86/drowsel.exe \
                     --standin build/windows-x86/tools/standin-aol/standin-aol.exe \
                     --driver build/windows/tools/driver/drowsel-driver.exe

With DROWSEL_E2E_SHOT set to a file name, the window is saved there as a PNG.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from drowsel_e2e.chat import ChatClient, expect_lines  # noqa: E402
from drowsel_e2e.driver import TEXT1, Driver, box  # noqa: E402
from drowsel_e2e.drowsel import exit_text, program_args, start_beside  # noqa: E402
from drowsel_e2e.lines import (BANNER, CREDIT_EXIT, CREDIT_LOAD, LOADED, MAKER,  # noqa: E402
                               STARTED, STOPPED, UNLOADED, reason_line, total_idle_line)
from drowsel_e2e.wine_prefix import run_as_on_xp  # noqa: E402
from harness import check  # noqa: E402

ARGS = None

# The picture's part of the client area at 96 DPI, left of the buttons and
# above the bottom strip. The picture has a few hundred colours; the window's
# plain background, where the picture could not be drawn, has one.
PICTURE = (0, 0, 176, 80)
FEWEST_COLOURS = 100


def picture_colours(s, client):
    width, height, pixels = s.grab()
    x0, y0 = client[0] + PICTURE[0], client[1] + PICTURE[1]
    colours = set()
    for y in range(max(y0, 0), min(y0 + PICTURE[3], height)):
        row = (y * width + max(x0, 0)) * 3
        end = (y * width + min(x0 + PICTURE[2], width)) * 3
        colours.update(pixels[at:at + 3] for at in range(row, end, 3))
    return len(colours)


def what_a_user_sees(s):
    run_as_on_xp(s, ARGS.drowsel)
    chat = ChatClient(s, ARGS.standin, "xp")
    driver = Driver(s, ARGS.driver)
    drowsel = start_beside(s, ARGS.drowsel, chat, driver)
    expect_lines(chat.timed(), [LOADED, CREDIT_LOAD], "the greeting")

    client = box(driver.find()["client"])
    # The window paints a moment after it shows: look until the picture is there.
    counted = []

    def picture_drawn():
        counted.append(picture_colours(s, client))
        return counted[-1] >= FEWEST_COLOURS

    try:
        s.wait_until(picture_drawn, 5, interval=0.2, what="the picture")
    finally:
        s.note(f"colours in the picture's area, look by look: {counted}")
    shot = os.environ.get("DROWSEL_E2E_SHOT")
    if shot:
        s.screenshot(shot)

    driver.drive("set-text", driver.control_id(TEXT1), "Lunch")
    driver.drive("click", "Start")
    chat.wait_posted(4, 10, "Start's two lines")
    driver.wait_state(running=True)
    driver.drive("click", "Stop")
    chat.wait_posted(6, 10, "Stop's two lines")
    driver.wait_state(running=False)
    driver.drive("click", "Adv.")
    chat.wait_posted(9, 10, "Adv.'s three lines")
    driver.drive("click", "Exit")
    chat.wait_posted(11, 10, "the farewell")
    code, _ = driver.wait_gone(drowsel, "the farewell")
    check(code == 0, f"exit code {exit_text(code)}")
    expect_lines(chat.timed()[2:], [STARTED, reason_line("Lunch"), STOPPED,
                                    total_idle_line("  0"), BANNER, CREDIT_LOAD, MAKER,
                                    UNLOADED, CREDIT_EXIT], "Start, Stop, Adv. and Exit")


def main():
    global ARGS
    ARGS = program_args(__doc__.splitlines()[0])
    harness.main("as-on-xp", lambda s: harness.run_checks(s, [what_a_user_sees]),
                 time_limit=150)


if __name__ == "__main__":
    main()
