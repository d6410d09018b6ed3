"""The soak run's view of the chat room: the stand-in client's log followed
as it grows, every line Drowsel posts checked in order against the lines the
run expects, and the minute count as Drowsel should have it.

Nothing here starts a program or reads a file; tools/soak.py starts the
client (drowsel_e2e.chat.ChatClient), and tools/tests/test_soak.py feeds
these a log of its own.
"""

import time

TICK_SECONDS = 60.0


class ChatLog:
    """The logs of the clients the run started, one after the other, as one
    (each a drowsel_e2e.chat.ClientLog). Lines posted into a room are kept
    with the monotonic time they were first seen; the client's other events
    (READY, EXIT, STALL ms, ANSWERING) are counted."""

    def __init__(self):
        self.posted = []  # (time seen, room, hex)
        self._logs = []  # [log, how many of its posted lines are in self.posted]

    def follow(self, log):
        """Adds the log of a client just started; the earlier ones have ended."""
        self._logs.append([log, 0])

    def read(self):
        for followed in self._logs:
            new = followed[0].posted(monotonic=True, start=followed[1])
            followed[1] += len(new)
            self.posted += new

    def count(self, event):
        return sum(log.count(event) for log, _ in self._logs)

    def stalled(self):
        """Whether the client is inside a stall it has logged."""
        stalls = sum(sum(1 for _, line in log.lines() if line.startswith("STALL "))
                     for log, _ in self._logs)
        return stalls > self.count("ANSWERING")


class LineCheck:
    """Checks the posted lines, in order, against what the run expects. A line
    that differs, is missing or comes unasked is a violation: it is noted,
    and checking carries on from the end of the log."""

    def __init__(self, log, describe=str, poll=0.02):
        self.log = log
        self.describe = describe  # hex -> readable text, for reports
        self.poll = poll
        self.done = 0  # posted lines accounted for
        self.violations = []

    def _show(self, lines):
        return [(room, self.describe(h)) for room, h in lines]

    def _new(self):
        self.log.read()
        return [(room, h) for _, room, h in self.log.posted[self.done:]]

    def expect(self, want, timeout, what):
        """Waits (bounded) for the lines `want` [(room, hex)] to be the next
        ones posted. Returns the times they were seen, or None after noting a
        violation."""
        deadline = time.monotonic() + timeout
        while len(self._new()) < len(want) and time.monotonic() < deadline:
            time.sleep(self.poll)
        got = self._new()[:len(want)]
        if got == list(want):
            times = [t for t, _, _ in self.log.posted[self.done:self.done + len(want)]]
            self.done += len(want)
            return times
        if len(got) < len(want):
            self.violation(f"{what}: {len(got)} of {len(want)} lines within {timeout:g} s: "
                           f"got {self._show(got)}, expected {self._show(want)}")
        else:
            self.violation(f"{what}: posted {self._show(got)}, expected {self._show(want)}")
        return None

    def expect_none(self, until, what):
        """Watches until the monotonic time `until`: nothing may be posted."""
        while time.monotonic() < until and not self._new():
            time.sleep(self.poll)
        if extra := self._new():
            self.violation(f"{what}: unexpected lines {self._show(extra)}")

    def violation(self, text):
        self.violations.append(text)
        self.skip_to_end()

    def skip_to_end(self):
        self.log.read()
        self.done = len(self.log.posted)


class TickCount:
    """The minute count Drowsel should show, and when its next tick is due:
    a minute after Start, then a minute after each tick, whether or not
    the client saw it."""

    def __init__(self):
        self.count = 0
        self.base = None  # when the timer started (Start's last line)
        self._last = None  # (time, count) of the last tick seen, or of Start

    def started(self, at):
        self.count = 0
        self.base = at
        self._last = (at, 0)

    def due(self):
        return self.base + TICK_SECONDS * (self.count + 1)

    def label(self):
        """Drowsel's caption for the count: "  0" until the first tick."""
        return str(self.count) if self.count else "  0"

    def missed(self):
        """A tick fell while the client could not take its lines."""
        self.count += 1

    def seen(self, at):
        """A tick's lines came at `at`; returns how late it was against one
        minute after the tick before (or after Start), counting any missed."""
        self.count += 1
        last_at, last_count = self._last
        self._last = (at, self.count)
        return at - (last_at + TICK_SECONDS * (self.count - last_count))
