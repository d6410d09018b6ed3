"""drowsel.exe against a chat client that misbehaves in the middle of a
sequence: it closes, is killed, hangs, is busy for a few seconds, or brings
another document forward between two lines. Drowsel must keep running, post nowhere it should not,
show nothing, and still exit cleanly.

Drowsel starts before the client in every check, so its greeting goes nowhere
and the client counts the returns of the sequence under test from 1. The
checks run against the 64-bit program only.
"""

import time

import pytest

from drowsel_e2e.chat import expect_posted
from drowsel_e2e.drowsel import exit_text, start_alone
from drowsel_e2e.driver import parse
from drowsel_e2e.lines import BANNER, CREDIT_EXIT, CREDIT_LOAD, MAKER, UNLOADED
from harness import check

# A sequence pauses 0.5 to 1.5 s between lines: after the first line seen,
# whatever is left of Adv. is over within two pauses and some slack.
REST_OF_ADV = 3.5
# Every message to the client gives up after this.
SEND_TIMEOUT = 5.0


# -- Drowsel, from outside ------------------------------------------------------

@pytest.fixture
def start(wine, programs, driver, start_chat):
    """start(name, *options): Drowsel started with no client about, then the
    client (so the greeting goes nowhere); returns (drowsel's process, client,
    driver)."""
    def start(name, *options):
        drowsel = start_alone(wine, programs.path("drowsel"), driver)
        return drowsel, start_chat(name, *options), driver
    return start


def nothing_shown(driver, before, what):
    """No new top-level window, and none that stayed had its title changed."""
    now = driver.windows()
    new = [w for h, w in now.items() if h not in before]
    check(not new, f"new windows {what}: {new}")
    retitled = [(before[h], w[2]) for h, w in now.items() if h in before and before[h] != w]
    check(not retitled, f"windows changed their titles {what}: {retitled}")


def still_there(driver, drowsel, before, what):
    """Drowsel runs on, answers, and nothing new has shown up."""
    check(drowsel.poll() is None, f"drowsel ended {what} with {exit_text(drowsel.returncode)}")
    window = driver.find()
    check(window is not None, f"Drowsel's window has gone {what}")
    check(window["visible"] == "1" and window["title"] == "Form1",
          f"Drowsel's window {what}: visible={window['visible']} title={window['title']!r}")
    nothing_shown(driver, before, what)


def keeps_running(drowsel, seconds, what):
    """Watches drowsel for `seconds`; fails as soon as it ends."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        check(drowsel.poll() is None, f"drowsel ended {what} with {exit_text(drowsel.returncode)}")
        time.sleep(0.05)


def exits_cleanly(driver, drowsel, what):
    """Clicks Exit and waits for the window to go and the process to end with 0."""
    driver.drive("click", "Exit")
    return driver.wait_ended_well(drowsel, f"Exit {what}", timeout=SEND_TIMEOUT * 3)


# -- the client goes away -------------------------------------------------------

def test_client_closes_between_lines(wine, start):
    # The draft makes Drowsel send once more (to put it back) just as the
    # client starts closing.
    drowsel, client, driver = start("closes", "--draft", "hello", "--exit-after", "1")
    before = driver.windows()
    driver.drive("click", "Adv.")
    client.wait_for(lambda ev: any(t == "EXIT" for _, t in ev), 10, "the client to close")
    check(wine.wait_exit(client.proc, 10) == 0, f"the client ended with {client.proc.returncode}")
    expect_posted(client, [("Lobby", BANNER)], "before closing")
    keeps_running(drowsel, REST_OF_ADV, "after the client closed")
    still_there(driver, drowsel, before, "after the client closed")
    exits_cleanly(driver, drowsel, "with no client")
    check(client.events()[-1][1] == "EXIT", f"log after EXIT: {client.summary()}")


def test_client_killed_between_lines(wine, start):
    drowsel, client, driver = start("killed", "--draft", "hello")
    before = driver.windows()
    driver.drive("click", "Adv.")
    # Killed as soon as the first line is in: Drowsel may be putting the
    # draft back at that moment.
    client.wait_posted(1, 10, "the first line")
    client.proc.kill()
    client.proc.wait(10)
    wine.note(f"client killed, log ends: {client.summary()[-3:]}")
    expect_posted(client, [("Lobby", BANNER)], "before the kill")
    keeps_running(drowsel, REST_OF_ADV, "after the client was killed")
    still_there(driver, drowsel, before, "after the client was killed")
    exits_cleanly(driver, drowsel, "with no client")


def test_client_killed_while_drowsel_waits_on_it(wine, start):
    drowsel, client, driver = start("hung_killed", "--hang")
    before = driver.windows()
    driver.drive("click", "Adv.")
    client.wait_for(lambda ev: any(t == "Lobby HUNG" for _, t in ev), 10, "the client to hang")
    client.proc.kill()
    client.proc.wait(10)
    t_kill = time.monotonic()
    # Drowsel is inside a send to the dead client: it must still answer.
    still_there(driver, drowsel, before, "while its send to a killed client was pending")
    took = exits_cleanly(driver, drowsel, "after the kill")
    wine.note(f"window gone {time.monotonic() - t_kill:.1f} s after the kill "
           f"({took:.1f} s after Exit was clicked)")
    nothing_shown(driver, before, "after Drowsel ended")


# -- the client hangs -----------------------------------------------------------

SAMPLE_MS = 100


def test_client_hangs(wine, start):
    drowsel, client, driver = start("hangs", "--hang")
    before = driver.windows()
    # One driver run clicks Adv., looks at the window every 100 ms (`find`
    # reads the title with a message Drowsel has to answer), clicks Exit a
    # second in, and looks on until the window has gone (`find` then fails).
    chain = ["click", "Adv."]
    for i in range(300):
        chain += ["then", "sleep", str(SAMPLE_MS), "then", "find"]
        if i == 10:
            chain += ["then", "click", "Exit"]
    sampler = driver.start(*chain)
    client.wait_for(lambda ev: any(t == "Lobby HUNG" for _, t in ev), 10, "the client to hang")
    t_hung = client.time_of("Lobby HUNG")
    code = wine.wait_exit(sampler, 60)
    samples = [r for r in parse(wine.output(sampler)) if "at" in r]
    check(code == 2, f"sampling ended with {code}, not on the window going: "
                     f"{wine.output(sampler, 'err').strip()}")
    check(samples, "no samples")

    # The last looks may catch the window on its way out after Exit: hidden
    # first, then destroyed while its title is being read, which can fall
    # between a look's reading "visible" and its asking for the title.
    while len(samples) > 1 and (samples[-1]["visible"] == "0" or samples[-1]["title"] == ""):
        samples.pop()
    unanswered = [(f"{float(r['at']) - t_hung:+.2f} s after the hang, look {i + 1} of "
                   f"{len(samples)}", r["title"], r["visible"])
                  for i, r in enumerate(samples) if r["title"] != "Form1" or r["visible"] != "1"]
    check(not unanswered, f"Drowsel did not answer these looks at its window: {unanswered}")
    times = [float(r["at"]) for r in samples]
    in_wait = [t for t in times if t_hung + 0.2 <= t <= t_hung + SEND_TIMEOUT - 0.5]
    gaps = [b - a for a, b in zip(times, times[1:])]
    gone = times[-1] - t_hung
    wine.note(f"{len(samples)} looks answered, {len(in_wait)} of them while Drowsel waited on the "
           f"hung client; longest gap {max(gaps, default=0):.2f} s; window gone "
           f"{gone:.1f} s after the hang")
    check(in_wait, "no look at the window was answered while Drowsel waited on the client")
    # Adv.'s line in flight gives up after one bound, then Exit's two lines
    # after one bound each, with a pause between: a line that waited twice
    # would take this past 18 s.
    check(gone < SEND_TIMEOUT * 3 + 3, f"the window took {gone:.1f} s to go after the hang")
    code = wine.wait_exit(drowsel, 15)
    check(code == 0, f"exit code {exit_text(code)}")

    events = [t for _, t in client.events()]
    after_ready = events[events.index("READY") + 1:]
    wine.note(f"client log after READY: {after_ready}")
    check(after_ready and after_ready[-1] == "Lobby HUNG" and not client.posted(),
          f"client log after READY: {after_ready}")
    nothing_shown(driver, before, "after Drowsel ended")


# -- the client is busy for a while ------------------------------------------------

BUSY_MS = 8000
# Past this into its busy spell, the system flags the client as not responding.
FLAGGED_AFTER = 5.0


def test_busy_client_loses_no_line(wine, start):
    # Adv. clicked once the client has been busy long enough to be flagged,
    # but with less than the send bound left before it answers again.
    drowsel, client, driver = start("busy")
    driver.drive("chat-stall", str(BUSY_MS))
    client.wait_for(lambda ev: any(t == f"STALL {BUSY_MS}" for _, t in ev), 10,
                    "the client to go busy")
    t_busy = client.time_of(f"STALL {BUSY_MS}")
    wine.wait_until(lambda: time.time() >= t_busy + FLAGGED_AFTER + 0.3, 10, interval=0.02,
                 what="the client to be flagged")
    t_click = time.time()
    driver.drive("click", "Adv.")
    t_clicked = time.time()
    posted = client.wait_posted(3, 20, "Adv.'s three lines")
    t_back = client.time_of("ANSWERING")
    wine.note(f"Adv. clicked {t_click - t_busy:.1f} s into the busy spell, the client back "
           f"{t_back - t_busy:.1f} s in; lines seen " + ", ".join(
               f"{t - t_busy:.1f} s" for t, _ in posted))
    check(t_clicked < t_back, "the client was back before the click, so this proved nothing")
    keeps_running(drowsel, REST_OF_ADV - 2, "after Adv. into a busy client")
    expect_posted(client, [("Lobby", BANNER), ("Lobby", CREDIT_LOAD), ("Lobby", MAKER)],
                  "Adv. into a busy client")
    exits_cleanly(driver, drowsel, "after the busy spell")


# -- another document comes forward --------------------------------------------

def test_front_moves_to_another_room(wine, start):
    # B comes forward while A's line is being posted, before Drowsel puts
    # A's draft back.
    drowsel, client, driver = start("switch", "--room", "A", "--room", "B", "--front", "A",
                                    "--switch-after", "1:B", "--draft", "hello")
    before = driver.windows()
    driver.drive("click", "Adv.")
    client.wait_posted(3, 10, "Adv.'s three lines")
    keeps_running(drowsel, 1.5, "after Adv.")
    expect_posted(client, [("A", BANNER), ("B", CREDIT_LOAD), ("B", MAKER)], "Adv.")
    # The draft goes back where it was read from; everything after that went
    # to the room in front.
    events = [t for _, t in client.events()]
    switched = events.index("FRONT B")
    rooms_before = {t.split(" ")[0] for t in events[events.index("READY") + 1:switched]}
    check(rooms_before == {"A"}, f"messages went to {rooms_before} before the switch")
    # Before putting it back, Drowsel looks at A's input until the line has
    # left it: reads only, then the draft.
    draft = "A WM_SETTEXT 68656c6c6f"
    check(draft in events[switched:], f"A's draft never went back: {events[switched:]}")
    put_back = events.index(draft, switched)
    check(all(t == "A WM_GETTEXTLENGTH" or t.startswith("A WM_GETTEXT ")
              for t in events[switched + 1:put_back]),
          f"after the switch, not A's draft put back first: {events[switched + 1:put_back + 1]}")
    rooms_after = {t.split(" ")[0] for t in events[put_back + 1:]}
    check(rooms_after == {"B"}, f"messages went to {rooms_after} after A's draft")
    still_there(driver, drowsel, before, "after the switch")
    exits_cleanly(driver, drowsel, "with B in front")
    expect_posted(client, [("A", BANNER), ("B", CREDIT_LOAD), ("B", MAKER),
                           ("B", UNLOADED), ("B", CREDIT_EXIT)], "Adv. and the farewell")
    check(client.proc.poll() is None, "the client ended")


def test_front_moves_to_a_document_without_input(wine, start):
    drowsel, client, driver = start("news", "--room", "A", "--doc", "News", "--front", "A",
                                    "--switch-after", "1:News")
    before = driver.windows()
    driver.drive("click", "Adv.")
    client.wait_for(lambda ev: any(t == "FRONT News" for _, t in ev), 10, "News to come forward")
    seen = len(client.events())
    keeps_running(drowsel, REST_OF_ADV, "with News in front")
    # The room behind News must not get the rest: nothing reached any input.
    check(len(client.events()) == seen,
          f"messages after News came forward: {client.summary()[seen:]}")
    expect_posted(client, [("A", BANNER)], "Adv.")
    still_there(driver, drowsel, before, "with News in front")
    exits_cleanly(driver, drowsel, "with News in front")
    check(len(client.events()) == seen, f"the farewell reached an input: {client.summary()[seen:]}")
    check(client.proc.poll() is None, "the client ended")


