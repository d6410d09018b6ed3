"""drowsel.exe from the keyboard alone: real key presses typed at its window
(the driver's `keys`), the focus read after each, and the lines they make
standin-aol.exe receive.
"""

import pytest

from drowsel_e2e.chat import expect_lines
from drowsel_e2e.driver import ADV, EXIT, SITE, START, STOP, TEXT1, by_name
from drowsel_e2e.lines import (BANNER, CREDIT_EXIT, CREDIT_LOAD, MAKER, STARTED, STOPPED,
                               UNLOADED, reason_line, total_idle_line)
from harness import check

REASON = "Out to lunch"


class Keyboard:
    """Keys typed one step at a time; each step waits for the focus where it
    must end up and for the lines it must post, and notes where the focus went."""

    def __init__(self, s, chat, driver):
        self.s, self.chat, self.driver = s, chat, driver
        self.posted = len(chat.timed())  # the greeting

    def press(self, keys, focus, lines=(), text=None):
        self.driver.type_keys(keys)
        self.s.wait_until(lambda: self.driver.focused() == focus, 10, interval=0.05,
                          what=f"the focus on {focus} after {keys} "
                               f"(it is on {self.driver.focused()})")
        if text is not None:
            self.s.wait_until(lambda: self.text() == text, 5, interval=0.05,
                              what=f"the reason box to read {text!r} (it reads {self.text()!r})")
        if lines:
            got = self.chat.wait_posted(self.posted + len(lines), 10, f"the lines of {keys}")
            expect_lines(got[self.posted:], list(lines), keys)
            self.posted += len(lines)
        self.s.note(f"{keys:<12} focus on {focus}" + (f", {len(lines)} lines" if lines else ""))

    def text(self):
        children, _ = self.driver.controls()
        return by_name(children)[TEXT1]["text"]


@pytest.mark.bits(64)
def test_keyboard_alone(wine, chat, driver, drowsel):
    keys = Keyboard(wine, chat, driver)
    check(driver.focused() == TEXT1, f"the focus starts on {driver.focused()}")

    # Tab goes round the enabled controls in tab order; into the reason box it
    # selects the text, so what is typed replaces it.
    for focus in (START, ADV, SITE, EXIT, TEXT1):
        keys.press("{tab}", focus)
    keys.press(REASON, TEXT1, text=REASON)
    # Enter and Escape in the reason box do nothing; the "!" after them shows
    # that both have been handled.
    keys.press("{enter}{escape}!", TEXT1, text=REASON + "!")
    chat.stays_quiet(keys.posted, 1.0)
    driver.wait_state(running=False)
    keys.press("{shift+tab}", EXIT)
    keys.press("{tab}", TEXT1)
    keys.press("{tab}", START)

    # Enter on a button that has the focus from Tab, then on those that got it
    # from the button before them, which Start and Stop disable.
    keys.press("{enter}", STOP, [STARTED, reason_line(REASON + "!")])
    driver.wait_state(running=True)
    keys.press("{enter}", ADV, [STOPPED, total_idle_line("  0")])
    driver.wait_state(running=False)
    # Space does the same.
    keys.press("{space}", ADV, [BANNER, CREDIT_LOAD, MAKER])
    keys.press("{shift+tab}", START)
    keys.press("{space}", STOP, [STARTED, reason_line(REASON + "!")])
    keys.press("{space}", ADV, [STOPPED, total_idle_line("  0")])

    # A click gives its button the focus too, and Enter then presses it.
    keys.press("{tab}", SITE)
    driver.drive("click", ADV)
    got = chat.wait_posted(keys.posted + 3, 10, "the lines of the click on Adv.")
    expect_lines(got[keys.posted:], [BANNER, CREDIT_LOAD, MAKER], "a click on Adv.")
    keys.posted += 3
    wine.wait_until(lambda: driver.focused() == ADV, 5, interval=0.05,
                 what=f"the focus on Adv. after the click (it is on {driver.focused()})")
    keys.press("{enter}", ADV, [BANNER, CREDIT_LOAD, MAKER])

    keys.press("{tab}", SITE)
    keys.press("{tab}", EXIT)
    driver.type_keys("{enter}")
    got = chat.wait_posted(keys.posted + 2, 10, "the farewell")
    expect_lines(got[keys.posted:], [UNLOADED, CREDIT_EXIT], "Enter on Exit")
    driver.wait_ended_well(drowsel, "Enter on Exit")
