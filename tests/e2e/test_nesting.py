"""drowsel.exe with clicks queued faster than its sequences finish: each Adv.
runs inside the pause of the one before, so N queued clicks nest N deep, up
to Drowsel's bound; clicks beyond it are dropped. Exit, for which the deepest
level is kept, must end every level at once and the program with 0.

Without Exit the levels would unwind one pause after another, about a second
each, which is why the check exits rather than waiting.
"""

import time

import pytest

import harness
from drowsel_e2e.chat import expect_posted
from drowsel_e2e.drowsel import exit_text
from drowsel_e2e.lines import BANNER, CREDIT_EXIT, CREDIT_LOAD, LOADED, MAKER, UNLOADED, names
from harness import check

CLICKS = 1000
# Sequences nest at most this deep (Form1::NestingBound), the deepest level
# being Exit's: so many Adv. levels at most.
ADV_LEVELS = 255
# A level takes 25 to 30 ms under Wine here, nearly all of it posting its
# line; this leaves room for a machine three times as busy.
SECONDS_PER_LINE = 0.1


def ended_with(code):
    # Under Wine a stack overflow with no room left to raise the exception
    # ends the thread with 1 ("virtual_setup_exception stack overflow").
    return exit_text(code) + (" (under Wine: perhaps a stack overflow)" if code == 1 else "")


@pytest.mark.timeout(30 + 60 + int(CLICKS * SECONDS_PER_LINE))
def test_nested_clicks_end_with_exit(wine, chat, driver, drowsel):
    clicks, client = CLICKS, chat
    n = min(clicks, ADV_LEVELS)
    expect_posted(client, [("Lobby", LOADED), ("Lobby", CREDIT_LOAD)], "greeting")

    def lines():
        return [h for _, h in client.posted()[2:]]

    def banners_so_far():
        got = lines()
        return next((i for i, h in enumerate(got) if h != BANNER), len(got))

    t_click = time.monotonic()
    driver.drive("click-many", "Adv.", str(clicks))
    wine.note(f"{clicks} clicks on Adv. queued")

    # Every level posts its banner before its pause, in which the next click
    # runs: all N banners come before any level's second line.
    def all_in_or_ended():
        return drowsel.poll() is not None or len(lines()) >= n

    try:
        wine.wait_until(all_in_or_ended, 30 + n * SECONDS_PER_LINE, interval=0.1,
                     what=f"{n} banners")
    except harness.Failure as e:
        raise harness.Failure(f"{e}: {banners_so_far()} so far") from None
    depth = banners_so_far()
    t_in = time.monotonic()
    check(drowsel.poll() is None,
          f"drowsel ended {depth} levels deep with {ended_with(drowsel.returncode)}")
    wine.note(f"depth {depth} reached {t_in - t_click:.1f} s after the clicks were queued "
           f"({(t_in - t_click) / max(depth, 1) * 1000:.1f} ms a level)")
    # Whether a level costs more the deeper it is: the time of each quarter.
    stamps = [t for t, _ in client.timed()[2:2 + depth]]
    quarters = [stamps[min(len(stamps) - 1, depth * q // 4)] for q in range(5)]
    wine.note("quarters of the banners took " + ", ".join(
        f"{b - a:.1f}" for a, b in zip(quarters, quarters[1:])) + " s")
    check(depth == n, f"{depth} banners before the first other line, not {n}: "
                      f"{names(lines()[depth:depth + 3])}...")

    # Exit runs inside the deepest pause there is when it arrives.
    driver.drive("click", "Exit")
    code, took = driver.wait_gone(drowsel, "Exit", timeout=20)
    wine.note(f"all {depth} levels and the program ended {took:.1f} s after Exit was clicked")
    check(code == 0, f"exit code {ended_with(code)} after Exit {depth} levels deep")

    # The deepest levels may have finished before Exit got in; whatever ran
    # after the banners is theirs, then the farewell, and nothing after it:
    # no banner of a click beyond the bound.
    time.sleep(0.1)  # the log reader's last look
    rest = lines()[n:]
    wine.note(f"{rest.count(MAKER)} levels finished before Exit got in")
    check(rest[-2:] == [UNLOADED, CREDIT_EXIT]
          and all(h in (CREDIT_LOAD, MAKER) for h in rest[:-2]),
          f"after the banners: {names(rest)}")
