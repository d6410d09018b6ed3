"""drowsel-driver.exe: Drowsel's window and controls looked at and worked from
another process, as any other program could.

    driver = Driver(s, programs.driver)
    driver.drive("click", "Start")
    driver.wait_state(running=True)

One driver process per session runs the commands (its `serve` mode), so a
look costs a round trip through a pipe, not a start of a program.
"""

import os
import re
import select
import time

import harness
from harness import Failure, check

from .drowsel import exit_text

# The controls are known by their captions at rest; their IDs are read from
# the window (see Driver.controls).
from .layout import ADV, EXIT, LABEL1, SITE, START, STOP, TEXT1  # noqa: F401
WM_KEYDOWN, VK_ESCAPE = 0x100, 0x1B
# How the driver starts a line that says what went wrong.
ERROR = "drowsel-driver: "


def parse(text):
    """The driver's key=value lines; a new record starts at each `hwnd` key."""
    records = []
    for line in text.splitlines():
        key, eq, value = line.partition("=")
        if not eq:
            continue
        if key == "hwnd" or not records:
            records.append({})
        records[-1][key] = value
    return records


def box(text):
    """"x,y,w,h" as a tuple of numbers."""
    return tuple(int(v) for v in text.split(","))


class Driver:
    """The driver program in one session. It learns the controls' IDs from
    the first window it looks at, which is at rest; they are the same every run."""

    def __init__(self, s, exe):
        self.s = s
        self.exe = exe
        self.names = {}  # control ID -> its caption at rest
        self.server = None

    @classmethod
    def of(cls, s, exe):
        """The session's driver: one for the whole session."""
        if getattr(s, "e2e_driver", None) is None:
            s.e2e_driver = cls(s, exe)
        return s.e2e_driver

    def start(self, *args):
        """Starts a driver run of its own without waiting for it (a sampler, say)."""
        return self.s.start(self.exe, *args)

    def run(self, *args, timeout=20):
        """Runs a command (or several joined by "then") in the session's
        driver process; returns (exit code, its output, its error text)."""
        check(all("\t" not in a and "\n" not in a for a in map(str, args)),
              f"a driver argument holds a tab or a line break: {args}")
        for attempt in range(1, harness.TOOL_ATTEMPTS + 1):
            if self.server is None or self.server.poll() is not None:
                self.server = self.s.start(self.exe, "serve", piped=True)
                self.server.kept = True  # lives as long as the session
            self.server.stdin.write("\t".join(map(str, args)).encode("utf-8") + b"\n")
            answer = self._answer(timeout)
            if answer is not None:
                lines, code = answer
                err = [line[len(ERROR):] for line in lines if line.startswith(ERROR)]
                out = [line for line in lines if not line.startswith(ERROR)]
                return code, "\n".join(out) + "\n", " ".join(err)
            said = self.s.output(self.server, "err").strip()
            self.s.note(f"the driver ended without answering (attempt {attempt}): {said}")
        raise Failure(f"the driver did not answer {args[:3]} in {harness.TOOL_ATTEMPTS} starts")

    def _answer(self, timeout):
        """The lines of the server's next answer and its exit code, or None if
        it ended first (Wine could not start it)."""
        text, deadline = b"", time.monotonic() + timeout
        while not (end := re.search(rb"(?:^|\n)end=(-?\d+)\r?\n", text)):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.server.stdout], [], [], left)[0]:
                self.s.stop(self.server)
                raise Failure(f"the driver did not answer within {timeout} s")
            chunk = os.read(self.server.stdout.fileno(), 65536)
            if not chunk or harness.NOT_STARTED.encode() in text + chunk:
                self.s.stop(self.server)
                return None
            text += chunk
        lines = text[:end.start()].decode("utf-8", "replace").splitlines()
        return [line for line in lines if line], int(end.group(1))

    def drive(self, *args, expect=0):
        """Runs the driver, which must end with `expect`; returns its first record."""
        code, out, err = self.run(*args)
        check(code == expect,
              f"drowsel-driver {' '.join(args)}: exit {code} (wanted {expect}) {err}")
        records = parse(out)
        return records[0] if records else {}

    def find(self):
        """The window as `find` reports it, or None when there is none."""
        code, out, err = self.run("find")
        if code == 2:
            return None
        check(code == 0, f"drowsel-driver find: exit {code} {err}")
        return parse(out)[0]

    def wait_visible(self, proc, timeout, what="the window to show"):
        """Waits for the window of the running `proc` to show."""
        self.s.wait_until(lambda: (self.find() or {}).get("visible") == "1"
                          or proc.poll() is not None, timeout, interval=0.1, what=what)

    def windows(self):
        """{hwnd: (pid, class, title)} of the visible top-level windows of every program."""
        return {r["hwnd"]: (r["pid"], r["class"], r["title"])
                for r in parse(self.run("windows")[1]) if "class" in r}

    def controls(self):
        """([child dicts in Z order], index of the child with the focus or -1).
        Each child's "name" is its caption at rest."""
        values = self.drive("controls")
        children = []
        for i in range(int(values["count"])):
            prefix = f"child.{i}."
            child = {k[len(prefix):]: v for k, v in values.items() if k.startswith(prefix)}
            child["id"] = int(child["id"])
            child["rect"] = box(child["rect"])
            child["name"] = self.names.setdefault(child["id"], child["text"])
            children.append(child)
        return children, int(values["focus"])

    def control_id(self, name):
        """The ID of the control whose caption at rest is `name`."""
        ids = [i for i, n in self.names.items() if n == name]
        check(len(ids) == 1, f"no one control known as {name!r}: {self.names}")
        return str(ids[0])

    def focused(self):
        """The caption at rest of the control with the keyboard focus, or None."""
        children, focus = self.controls()
        return children[focus]["name"] if focus >= 0 else None

    def type_keys(self, keys):
        """Types `keys` at the window with real key presses (see the driver's
        `keys`); they are still on their way when this returns."""
        self.drive("keys", keys)

    def wait_state(self, running, count="  0", timeout=8):
        """Waits for the resting or the running state of the controls."""
        want = {START: not running, TEXT1: not running, STOP: running, ADV: True, SITE: True,
                EXIT: True}
        seen = {}

        def matches():
            children, _ = self.controls()
            kids = by_name(children)
            seen.update(enabled={c: kids[c]["enabled"] == "1" for c in want},
                        count=kids[LABEL1]["text"])
            return seen["enabled"] == want and seen["count"] == count

        try:
            self.s.wait_until(matches, timeout, interval=0.1,
                              what="the running state" if running else "the resting state")
        except Failure as e:
            raise Failure(f"{e}: enabled {seen.get('enabled')}, "
                          f"count {seen.get('count')!r}") from None

    def wait_gone(self, proc, what, timeout=12):
        """Waits for the window to go and the process to end; returns (code, seconds)."""
        t = time.monotonic()
        self.s.wait_until(lambda: self.find() is None, timeout, interval=0.1,
                          what=f"the window to go {what}")
        code = self.s.wait_exit(proc, timeout)
        took = time.monotonic() - t
        self.s.note(f"drowsel exited with {code} {took:.1f} s after {what}")
        return code, took

    def wait_ended_well(self, proc, what, timeout=12):
        """wait_gone, and the exit code must be 0; returns the seconds it took."""
        code, took = self.wait_gone(proc, what, timeout)
        check(code == 0, f"exit code {exit_text(code)} after {what}")
        return took


def by_name(children):
    return {c["name"]: c for c in children}
