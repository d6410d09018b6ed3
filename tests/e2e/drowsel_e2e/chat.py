"""The stand-in chat client, started with a log of its own and watched: a
thread reads the log on from where it got to every 10 ms and notes when each
line showed up, on the wall clock (like the driver's `at`) and on the
monotonic one. Every reader of the client's log goes through here."""

import threading
import time

from harness import Failure, check

from .lines import name_of, names

# A pause counts from the clock's second rounded to the nearest, so "1 s"
# lasts 0.5 to 1.5 s; the watcher adds up to a poll's worth either way.
GAP_MIN, GAP_MAX = 0.45, 2.0


def entry(line):
    """One line of the client's log as (who, what, argument), e.g.
    ("Lobby", "POSTED", "3c66..."), ("Lobby", "INPUT", "68 5 5") or ("READY", "", "")."""
    parts = line.split(" ", 2)
    return tuple(parts + [""] * (3 - len(parts)))


class ClientLog:
    """The client's log, read on from where it got to, each line with the
    wall-clock and the monotonic time it was first seen (a line still being
    written waits). Safe to read from more than one thread."""

    def __init__(self, path):
        self.path = path
        self._lines = []  # (wall time seen, monotonic time seen, line)
        self._posted = []  # (wall time seen, monotonic time seen, room, hex)
        self._lock = threading.Lock()
        self._offset, self._partial = 0, b""

    def read(self):
        """Notes the lines completed since the last read."""
        with self._lock:
            try:
                with open(self.path, "rb") as f:
                    f.seek(self._offset)
                    data = f.read()
            except FileNotFoundError:
                return
            self._offset += len(data)
            *lines, self._partial = (self._partial + data).split(b"\n")
            wall, mono = time.time(), time.monotonic()
            for line in (raw.decode("latin-1").rstrip("\r") for raw in lines):
                who, what, arg = entry(line)
                self._lines.append((wall, mono, line))
                if what == "POSTED":
                    self._posted.append((wall, mono, who, arg))

    def lines(self):
        """[(wall time seen, line)] of the whole log, read up to now."""
        self.read()
        with self._lock:
            return [(t, line) for t, _, line in self._lines]

    def posted(self, monotonic=False, start=0):
        """[(time seen, room, hex)] of every line that reached a room, from
        the `start`th on."""
        self.read()
        with self._lock:
            return [(mono if monotonic else wall, room, h)
                    for wall, mono, room, h in self._posted[start:]]

    def count(self, line):
        """How often this whole line is in the log ("READY", "STALL 3000")."""
        return sum(1 for _, text in self.lines() if text == line)


class ChatClient:
    def __init__(self, s, exe, name, *options):
        self.s = s
        self.name = name
        self.log = s.path(f"{name}.log")
        self.proc = s.start(exe, "--log", s.winpath(self.log), *options)
        self.reader = ClientLog(self.log)
        threading.Thread(target=self._watch, daemon=True).start()
        s.wait_until(lambda: self.reader.count("READY") or self.proc.poll() is not None, 20,
                     what=f"the stand-in client {name} to log READY")
        check(self.proc.poll() is None,
              f"stand-in client exited at start with {self.proc.returncode}: "
              f"{s.output(self.proc, 'err').strip()}")

    def _watch(self):
        # Notes when each line shows up. Ends by itself once the client has
        # gone (the session ends it at the latest).
        while True:
            alive = self.proc.poll() is None
            self.reader.read()
            if not alive:
                return
            time.sleep(0.01)

    # -- what the log says -----------------------------------------------------

    def events(self):
        """[(time seen, line)] of the whole log so far, read up to now."""
        return self.reader.lines()

    def entries(self):
        """[(who, what, argument)] of the whole log so far, read up to now."""
        return [entry(line) for _, line in self.events()]

    def time_of(self, line):
        return next(t for t, text in self.events() if text == line)

    def posted(self):
        """[(room, hex)] of every line that reached a room."""
        return [(room, h) for _, room, h in self.reader.posted()]

    def timed(self):
        """[(time seen, hex)] of every line that reached a room."""
        return [(t, h) for t, _, h in self.reader.posted()]

    def summary(self):
        """The log for a report, each posted line by its name."""
        return [f"{who} POSTED {name_of(arg)}" if what == "POSTED" else line
                for _, line in self.events() for who, what, arg in [entry(line)]]

    # -- waiting on it -----------------------------------------------------------

    def wait_for(self, predicate, timeout, what):
        """Waits until predicate(events) holds; returns what it returned."""
        try:
            return self.s.wait_until(lambda: predicate(self.events()), timeout, what=what)
        except Failure as e:
            raise Failure(f"{e}; log: {self.summary()}") from None

    def wait_posted(self, count, timeout, what):
        """Waits until `count` lines in all have been posted; returns them all, timed."""
        self.wait_for(lambda _: len(self.posted()) >= count, timeout, what)
        return self.timed()

    def stays_quiet(self, count, seconds):
        """Checks that no line beyond the first `count` comes within `seconds`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            extra = self.timed()[count:]
            check(not extra, f"unexpected lines posted: {names(h for _, h in extra)}")
            time.sleep(0.05)


def expect_lines(got, want, what):
    """got: [(time, hex)] as timed() gives them; want: [hex]."""
    got_hex = [h for _, h in got]
    check(got_hex == want, f"{what}: posted {names(got_hex)}, expected {names(want)}"
          + ("" if names(got_hex) != names(want) else f"; bytes {got_hex}"))


def expect_gaps(got, what):
    """The lines of one sequence, [(time, hex)], came about a second apart."""
    gaps = [b - a for (a, _), (b, _) in zip(got, got[1:])]
    print(f"    {what}: gaps {', '.join(f'{g:.2f}' for g in gaps)} s")
    check(all(GAP_MIN <= g <= GAP_MAX for g in gaps),
          f"{what}: lines {', '.join(f'{g:.2f}' for g in gaps)} s apart, not about 1 s")


def expect_posted(client, want, what):
    """Every line the client's rooms got, [(room, hex)], is `want`."""
    got = client.posted()
    shown = [(room, names([h])[0]) for room, h in got]
    check(got == want, f"{what}: posted {shown}, expected "
                       f"{[(room, names([h])[0]) for room, h in want]}")
