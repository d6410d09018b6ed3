"""drowsel.exe as on Windows XP: Wine reports Windows XP to it (XP x64 to the
64-bit program) and keeps the Windows Imaging Component from it, as on an XP
that never got the component. What a user sees, in one run: the greeting, the
picture, Start and Stop, Adv., and Exit with code 0.

With DROWSEL_E2E_SHOT set to a file name, the window is saved there as a PNG.
"""

import os

import pytest

from drowsel_e2e.chat import expect_lines
from drowsel_e2e.driver import box
from drowsel_e2e.drowsel import press_start, start_beside
from drowsel_e2e.layout import PICTURE
from drowsel_e2e.lines import (BANNER, CREDIT_EXIT, CREDIT_LOAD, LOADED, MAKER, STARTED,
                               STOPPED, UNLOADED, reason_line, total_idle_line)
from drowsel_e2e.wine_prefix import run_as_on_xp

# The picture has a few hundred colours; the window's plain background, where
# the picture could not be drawn, has one.
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


@pytest.mark.fresh_prefix
def test_what_a_user_sees(wine, chat, driver, drowsel_exe):
    run_as_on_xp(wine, drowsel_exe)
    drowsel = start_beside(wine, drowsel_exe, chat, driver)
    expect_lines(chat.timed(), [LOADED, CREDIT_LOAD], "the greeting")

    client = box(driver.find()["client"])
    # The window paints a moment after it shows: look until the picture is there.
    counted = []

    def picture_drawn():
        counted.append(picture_colours(wine, client))
        return counted[-1] >= FEWEST_COLOURS

    try:
        wine.wait_until(picture_drawn, 5, interval=0.2, what="the picture")
    finally:
        wine.note(f"colours in the picture's area, look by look: {counted}")
    shot = os.environ.get("DROWSEL_E2E_SHOT")
    if shot:
        wine.screenshot(shot)

    press_start(driver, chat, "Lunch", 4)
    driver.drive("click", "Stop")
    chat.wait_posted(6, 10, "Stop's two lines")
    driver.wait_state(running=False)
    driver.drive("click", "Adv.")
    chat.wait_posted(9, 10, "Adv.'s three lines")
    driver.drive("click", "Exit")
    chat.wait_posted(11, 10, "the farewell")
    driver.wait_ended_well(drowsel, "the farewell")
    expect_lines(chat.timed()[2:], [STARTED, reason_line("Lunch"), STOPPED,
                                    total_idle_line("  0"), BANNER, CREDIT_LOAD, MAKER,
                                    UNLOADED, CREDIT_EXIT], "Start, Stop, Adv. and Exit")
