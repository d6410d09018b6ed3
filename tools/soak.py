#!/usr/bin/env python3
"""Hours of running on the real program: drowsel.exe under Wine beside the
stand-in chat client and the stand-in browser, its one-minute timer left to
run while it is worked from outside as hard as a busy user and a busy chat
client would, sampled once a minute.

    python3 tools/soak.py [--minutes 60] [--short] [--no-build]

Installs what is missing and builds what it needs first (the windows preset,
as the benchmark does), then runs everything in one session with its own Xvfb
display and a fresh copy of the booted Wine prefix (tests/e2e/harness.py).
What it does between ticks, what it checks and samples, what it prints and
when it exits with other than 0: the README's "Hours of running". --short
works every kind of action once without waiting for a tick, in under a
minute; the test command runs it so that this tool keeps working.
"""

import argparse
import itertools
import os
import sys
import time
from collections import Counter

import build_tree
import soak_figures

import harness
from drowsel_e2e import wine_prefix
from drowsel_e2e.chat import ChatClient
from drowsel_e2e.drowsel import exit_text, start_beside
from drowsel_e2e.desktop import drag, xdotool
from drowsel_e2e.driver import TEXT1, Driver, box
from drowsel_e2e.lines import (BANNER, CREDIT_EXIT, CREDIT_LOAD, LOADED, MAKER, STARTED, STOPPED,
                               UNLOADED, idle_for_line, name_of, reason_line, total_idle_line)
from harness import Failure, check
from soak_chat import ChatLog, LineCheck, TickCount

PROGRAMS = {"drowsel": build_tree.DROWSEL, "standin": build_tree.STANDIN,
            "driver": build_tree.DRIVER, "browser": build_tree.BROWSER}
TARGETS = ["drowsel", "standin-aol", "drowsel-driver", "standin-browser"]
COMMAND = "python3 tools/soak.py --minutes 60"

ROOMS = ("Lobby", "Side")
# Plain ASCII, so that each reason reaches the room as typed; the lines
# themselves carry code page 1252 bytes anyway.
REASONS = ["Out for a walk", "Back at three", "On the phone, 10 min"]
# Lines Drowsel posts in one go come within this, stalls aside.
SEQUENCE_TIMEOUT = 15
# A tick this late counts as missing.
TICK_TIMEOUT = 20
# A client that has not taken its messages for this long is flagged as not
# responding under Wine. Drowsel's lines still wait for it, one bound each.
HUNG_AFTER = 5.0
# How long after a tick due while the client is away the room is watched:
# nothing may come. A stall lasts past it, and past the tick's three lines and
# an Adv.'s last one, each waiting out Drowsel's bound of 5 s.
ABSENT_WATCH = 24

# Actions between ticks, in turn, with the most each may take on a busy
# machine: one only starts when it will be over this long before the tick.
ACTIONS = [("adv", 6), ("site", 5), ("press", 10), ("adv_nested", 9), ("other_room", 10),
           ("site", 5), ("adv_queued", 12), ("press", 10), ("stall_briefly", 14),
           ("restart_client", 12), ("adv", 6)]
# What each tick falls into, by minute, and how long before it that has to
# start: the client as it was, the second room in front, the client stalled
# for longer than Drowsel waits on any line, the client closed.
TICK_PLANS = [("plain", 5), ("other_room", 10), ("plain", 5), ("stalled", 18), ("closed", 12)]
STOP_START_EVERY, STOP_START_FIRST = 20, 10  # minutes


class Soak:
    """One soak run in a session: the programs, the chat room's log, the
    minute count and the figures so far."""

    def __init__(self, s, args):
        self.s = s
        self.args = args
        self.log = ChatLog()
        self.check = LineCheck(self.log, name_of)
        self.driver = Driver(s, args.driver)
        self.ticks = TickCount()
        self.reasons = itertools.cycle(REASONS)
        self.reason = next(self.reasons)
        self.front = ROOMS[0]
        self.client = None  # a ChatClient
        self.clients_started = 0
        self.drowsel = None
        self.browser_log = None
        self.temp = None
        self.temp_before = set()
        self.site_clicks = 0
        self.samples = []
        self.tick_cycles = []
        self.minutes_run = 0  # minutes of ticks done
        self.lateness = []
        self.done = Counter()  # action -> how many times, in the order first done
        self.sources = {}  # figure -> where it came from, when not the usual place
        self.started_at = None
        self.next_action = 0
        self.press_sign = 1

    # -- helpers -------------------------------------------------------------

    def until(self, predicate, timeout, what):
        return self.s.wait_until(predicate, timeout, interval=0.02, what=what)

    def in_front(self, lines):
        return [(self.front, h) for h in lines]

    def alive(self):
        code = self.drowsel.poll()
        check(code is None, f"drowsel.exe ended with {exit_text(code)}")

    def wait_till(self, at):
        self.check.expect_none(at, "between actions")

    def left_in_temp(self):
        return sorted(set(os.listdir(self.temp)) - self.temp_before)

    # -- setting up ----------------------------------------------------------

    def set_up(self):
        self.browser_log = wine_prefix.install_browser(self.s, self.args.browser, "browser")
        self.temp = wine_prefix.temp_folder(self.s)
        self.temp_before = set(os.listdir(self.temp))
        self.start_client()
        self.drowsel = start_beside(self.s, self.args.drowsel, self.client, self.driver)
        self.check.expect([(ROOMS[0], LOADED), (ROOMS[0], CREDIT_LOAD)], 30, "the greeting")

    def start_client(self):
        self.clients_started += 1
        self.client = ChatClient(self.s, self.args.standin, f"chat-{self.clients_started}",
                                 "--room", ROOMS[0], "--room", ROOMS[1], "--front", ROOMS[0])
        self.log.follow(self.client.reader)
        self.front = ROOMS[0]

    # -- Start, Stop, Exit -----------------------------------------------------

    def press_start(self):
        self.driver.drive("set-text", self.driver.control_id(TEXT1), self.reason)
        self.driver.drive("click", "Start")
        times = self.check.expect(self.in_front([STARTED, reason_line(self.reason)]),
                                  SEQUENCE_TIMEOUT, "Start")
        # The timer starts as Start's second line has gone.
        self.ticks.started(times[-1] if times else time.monotonic())
        self.driver.wait_state(running=True)

    def stop_start(self):
        self.driver.drive("click", "Stop")
        self.check.expect(self.in_front([STOPPED, total_idle_line(self.ticks.label())]),
                          SEQUENCE_TIMEOUT, "Stop")
        self.driver.wait_state(running=False)
        self.reason = next(self.reasons)
        self.press_start()

    def exit(self):
        self.driver.drive("click", "Exit")
        self.check.expect(self.in_front([UNLOADED, CREDIT_EXIT]), SEQUENCE_TIMEOUT, "Exit")
        code, _ = self.driver.wait_gone(self.drowsel, "Exit")
        if code != 0:
            self.check.violation(f"drowsel.exe ended with {exit_text(code)} after Exit")

    # -- actions between ticks --------------------------------------------------

    def adv(self):
        self.driver.drive("click", "Adv.")
        self.check.expect(self.in_front([BANNER, CREDIT_LOAD, MAKER]), SEQUENCE_TIMEOUT, "Adv.")

    def adv_nested(self):
        # The second click comes inside the first one's pause and runs there.
        self.driver.drive("click", "Adv.", "then", "sleep", "300", "then", "click", "Adv.")
        self.check.expect(self.in_front([BANNER, BANNER, CREDIT_LOAD, MAKER, CREDIT_LOAD, MAKER]),
                          SEQUENCE_TIMEOUT, "Adv. inside Adv.")

    def adv_queued(self, clicks=3):
        # Each queued click runs inside the pause of the one before.
        self.driver.drive("click-many", "Adv.", str(clicks))
        self.check.expect(self.in_front([BANNER] * clicks + [CREDIT_LOAD, MAKER] * clicks),
                          SEQUENCE_TIMEOUT + 2 * clicks, f"{clicks} queued Adv.")

    def site(self):
        before = len(harness.read_log(self.browser_log))
        self.driver.drive("click", "Site")
        self.site_clicks += 1
        self.until(lambda: len(harness.read_log(self.browser_log)) > before, SEQUENCE_TIMEOUT,
                   "the browser to log its command line")
        lines = harness.read_log(self.browser_log)[before:]
        if lines != [wine_prefix.ADDRESS_LINE]:
            self.check.violation(f"Site: the browser logged {lines}")

    def client_at(self):
        return box(self.driver.find()["client"])[:2]

    def press(self):
        """A press on the picture, then a drag there and back: each starts
        the window's move."""
        x, y = self.client_at()
        xdotool(self.s, "mousemove", x + 60, y + 30, "click", 1)
        dx, dy = 40 * self.press_sign, 30 * self.press_sign
        self.press_sign = -self.press_sign
        for (fx, fy), (tx, ty) in (((x, y), (x + dx, y + dy)), ((x + dx, y + dy), (x, y))):
            drag(self.s, fx + 60, fy + 30, tx - fx, ty - fy)
            try:
                self.until(lambda: self.client_at() == (tx, ty), 5, "the window to move")
            except Failure:
                self.check.violation(f"a drag from {(fx, fy)} left the window at "
                                     f"{self.client_at()}, not at {(tx, ty)}")
                return
        if self.driver.find()["topmost"] != "1":
            self.check.violation("the window is no longer topmost after a move")

    def bring_forward(self, room):
        self.driver.drive("chat-front", room)
        self.front = room

    def other_room(self):
        self.bring_forward(ROOMS[1])
        self.adv()
        self.bring_forward(ROOMS[0])

    def stall(self, ms):
        """Stalls the client; returns the monotonic time the stall began."""
        stalls = self.log.count(f"STALL {ms}")
        self.driver.drive("chat-stall", str(ms))
        self.until(lambda: self.log.count(f"STALL {ms}") > stalls, 10, "the client to stall")
        return time.monotonic()

    def wait_answering(self, answers, timeout):
        self.until(lambda: self.log.count("ANSWERING") > answers, timeout,
                   "the client to answer again")

    def stall_briefly(self, ms=3000):
        # Shorter than Drowsel's wait on the client: the first line waits and
        # nothing is lost.
        answers = self.log.count("ANSWERING")
        self.stall(ms)
        self.adv()
        self.wait_answering(answers, 10)

    def close_client(self):
        exits = self.log.count("EXIT")
        self.driver.drive("chat-close")
        code = self.s.wait_exit(self.client.proc, 15)
        check(code == 0, f"the stand-in client ended with {code} on being closed")
        self.until(lambda: self.log.count("EXIT") > exits, 5, "the client to log EXIT")

    def restart_client(self):
        self.close_client()
        self.start_client()

    def act(self, name, *args):
        """One action; a check that fails inside it is noted and the run goes on."""
        try:
            getattr(self, name)(*args)
        except Failure as e:
            self.check.violation(f"{name}: {e}")
            self.recover()
        if name != "tick":
            self.done[name] += 1
        self.alive()

    def recover(self):
        """After a failed action: the client running, its first room in front."""
        if self.client is None or self.client.proc.poll() is not None:
            self.start_client()
        else:
            self.until(lambda: not self.log.stalled(), 40, "the client to end its stall")
            self.bring_forward(ROOMS[0])
        self.check.skip_to_end()

    def fill(self, until):
        """Actions in turn while the next one will be over by `until`."""
        while True:
            name, longest = ACTIONS[self.next_action % len(ACTIONS)]
            if time.monotonic() + longest > until:
                return
            self.next_action += 1
            self.act(name)

    # -- ticks -----------------------------------------------------------------

    def tick(self, plan, lead):
        """Sets up what the next tick falls into, `lead` seconds before it,
        checks the tick and puts things back."""
        due = self.ticks.due()
        absent = plan in ("stalled", "closed")
        answers = self.log.count("ANSWERING")
        self.wait_till(due - lead)
        if plan == "other_room":
            self.bring_forward(ROOMS[1])
        elif plan == "stalled":
            # On past the tick and the watch after it.
            stall_ms = round((due + ABSENT_WATCH + 4 - time.monotonic()) * 1000)
            began = self.stall(stall_ms)
            # An Adv. into the stall posts nothing: every line of it gives
            # up before the client answers again.
            self.wait_till(began + HUNG_AFTER + 2)
            self.driver.drive("click", "Adv.")
        elif plan == "closed":
            self.close_client()
        self.alive()

        if absent:
            self.wait_till(due + ABSENT_WATCH)
            self.ticks.missed()
        else:
            self.wait_till(due - 2)
            number = self.ticks.count + 1
            lines = self.in_front([BANNER, reason_line(self.reason),
                                   idle_for_line(str(number))])
            times = self.check.expect(lines, due + TICK_TIMEOUT - time.monotonic(),
                                      f"tick {number}")
            if times:
                self.lateness.append(self.ticks.seen(times[0]))
                self.tick_cycles.append(self.minutes_run + 1)
            else:
                self.ticks.count = number  # go on counting from what Drowsel should show

        if plan == "other_room":
            self.check.expect_none(time.monotonic() + 1, "after the tick")
            self.bring_forward(ROOMS[0])
        elif plan == "stalled":
            self.wait_answering(answers, stall_ms / 1000 + 10)
        elif plan == "closed":
            self.start_client()
        self.alive()

    # -- samples ---------------------------------------------------------------

    def linux_private(self):
        """Private resident memory of the process as Linux counts it."""
        with open(f"/proc/{self.drowsel.pid}/status") as f:
            fields = dict(line.partition(":")[::2] for line in f)
        return sum(int(fields[k].split()[0]) * 1024 for k in ("RssAnon", "VmSwap") if k in fields)

    def sample(self):
        values = self.driver.drive("sample")

        def number(key):
            return None if values[key] == "unavailable" else int(values[key])

        private = number("private")
        if private is None:
            private = self.linux_private()
            self.sources["private"] = "linux"
        if values.get("handles_from") == "system-list":
            self.sources["handles"] = "system-list"
        if left := self.left_in_temp():
            self.check.violation(f"left in the temporary folder: {left}")
        now = time.monotonic()
        if self.started_at is None:
            self.started_at = now
        self.samples.append({
            "minute": (now - self.started_at) / 60, "cycle": self.minutes_run,
            "working_set": int(values["working_set"]),
            "private": private, "handles": number("handles"), "gdi": number("gdi"),
            "user": number("user"), "threads": int(values["threads"]), "temp_files": len(left)})

    # -- the runs ----------------------------------------------------------------

    def run_long(self, minutes):
        self.press_start()
        self.sample()
        for minute in range(minutes):
            if minute % STOP_START_EVERY == STOP_START_FIRST:
                self.act("stop_start")
            plan, lead = TICK_PLANS[minute % len(TICK_PLANS)]
            self.fill(self.ticks.due() - lead)
            self.act("tick", plan, lead)
            self.done[f"tick: {plan}"] += 1
            self.minutes_run = minute + 1
            self.sample()
            self.s.note(f"minute {minute + 1} of {minutes}: count {self.ticks.count}, "
                        f"{len(self.check.violations)} violations")

    def run_short(self):
        self.press_start()
        self.sample()
        for name in ("adv_nested", "site", "press", "other_room"):
            self.act(name)
        self.act("stall_briefly", 1500)
        self.act("restart_client")
        self.act("stop_start")
        self.sample()

    def finish(self):
        self.check.expect_none(time.monotonic() + 1.5, "before Exit")
        self.exit()
        browsed = len(harness.read_log(self.browser_log))
        if browsed != self.site_clicks:
            self.check.violation(f"{self.site_clicks} Site clicks started {browsed} browsers")
        if left := self.left_in_temp():
            self.check.violation(f"left in the temporary folder after Exit: {left}")


# -- the report ----------------------------------------------------------------------

def notes(soak):
    """Where the figures that Wine does not give come from."""
    out = []
    if soak.sources.get("private") == "linux":
        out.append("Private memory is Linux's count for the process (RssAnon + VmSwap): Wine "
                   "tells another process 0.")
    if soak.sources.get("handles") == "system-list":
        out.append("Handles are the process's entries in the system's handle list: Wine's "
                   "GetProcessHandleCount says 0 for another process.")
    if soak.samples and soak.samples[-1]["gdi"] is None:
        out.append("GDI and USER objects are not reported: GetGuiResources for another process "
                   "answers 0 under Wine.")
    return out


# What the run did, for its report.
DONE_NAMES = {
    "adv": "Adv.", "adv_nested": "Adv. inside Adv.", "adv_queued": "three Adv. queued",
    "site": "Site", "press": "press and drag the picture there and back",
    "other_room": "Adv. in the second room", "stall_briefly": "Adv. into a brief stall",
    "restart_client": "client closed and restarted", "stop_start": "Stop and Start",
    "tick: plain": "ticks", "tick: other_room": "ticks with the second room in front",
    "tick: stalled": "ticks while the client does not answer",
    "tick: closed": "ticks with the client closed",
}


def report(soak, info, minutes, took):
    done = "; ".join(f"{DONE_NAMES.get(name, name)} {count}" for name, count in soak.done.items())
    lines = [build_tree.machine_line(info), "",
             f"Run: {f'{minutes} min of ticks' if minutes else 'short, no ticks'}, "
             f"{took / 60:.1f} min in all. Done: {done}.", "",
             soak_figures.table(soak.samples, soak.tick_cycles), "",
             soak_figures.tick_timing(soak.lateness)]
    lines += [""] + notes(soak)
    if soak.check.violations:
        lines += ["", f"Invariants: {len(soak.check.violations)} violations:"]
        lines += [f"- {v}" for v in soak.check.violations]
    else:
        lines += ["", "Invariants: drowsel.exe ran throughout and exited with 0; every line in "
                      "order, none missing or unasked; nothing left in the temporary folder."]
    return "\n".join(lines)


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--minutes", type=int, default=60, help="ticks to run (default 60)")
    parser.add_argument("--short", action="store_true",
                        help="every action once, no ticks: under a minute")
    parser.add_argument("--no-build", action="store_true", help="use the programs as built")
    for name, path in PROGRAMS.items():
        parser.add_argument(f"--{name}", default=path, type=os.path.abspath,
                            help=f"default {os.path.relpath(path)}")
    args = parser.parse_args()
    if args.minutes < 1:
        parser.error("--minutes must be at least 1")
    return args


def main():
    args = parse_args()
    if not args.no_build:
        build_tree.build(TARGETS)
    for path in (getattr(args, name) for name in PROGRAMS):
        if not os.path.isfile(path):
            print(f"soak: {path} is not built", file=sys.stderr)
            return 1
    info = build_tree.machine()
    minutes = 0 if args.short else args.minutes
    limit = 150 if args.short else minutes * 60 + 900
    began = time.monotonic()
    try:
        with harness.Session("soak", time_limit=limit, template=harness.TEMPLATE) as s:
            soak = Soak(s, args)
            try:
                soak.set_up()
                soak.run_short() if args.short else soak.run_long(minutes)
                soak.finish()
            except Failure as e:  # drowsel.exe ended, or the run could not go on
                soak.check.violation(f"the run stopped: {e}")
                s.screenshot("soak-failure.png")
    except (Failure, harness.Aborted) as e:
        print(f"soak: {e}", file=sys.stderr)
        return 1
    print(f"\n{report(soak, info, minutes, time.monotonic() - began)}\n\n"
          f"Command: `{'python3 tools/soak.py --short' if args.short else COMMAND}`")
    return 1 if soak.check.violations else 0


if __name__ == "__main__":
    sys.exit(main())
