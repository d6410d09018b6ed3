"""End-to-end harness: a Wine session is an Xvfb display and a Wine prefix of
its own, booted afresh or copied from one booted once (booted_template).

    with Session("send_chat", time_limit=300) as s:
        proc = s.start(exe, "--log", s.winpath(log))
        s.wait_until(lambda: "READY" in s.read_log(log), 15, what="READY")

Everything the session started is ended by pid on the way out, also after a
failure, a signal or the session's own time limit: then `wineserver -k` for
its prefix, its Xvfb is stopped and the temp directory removed. The tests get
their sessions from conftest.py's fixtures. Needs wine, xvfb, and for screen
grabs x11-apps (xwd) and imagemagick (convert).
"""

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time

_PR_SET_PDEATHSIG = 1

# Debian's Wine loaders. Neither is on PATH; /usr/bin/wine picks the 32-bit
# one whenever it is installed, whatever the program.
WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"

# Wine's own tools, by full path so that no search along PATH is involved.
REG = r"C:\windows\system32\reg.exe"
CMD = r"C:\windows\system32\cmd.exe"

# The locale Wine runs in. It must be one the machine has (en_US.UTF-8 is
# often missing): otherwise Wine reads Linux file names and command lines as
# 7-bit ASCII. Its ANSI code page is still 1252, which the chat lines need.
WINE_LOCALE = {"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}
ANSI_CODE_PAGE = "1252"

# Where scripts/install-deps says why it could not install 32-bit Wine.
WINE32_NOTE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build",
                           "wine32-not-installed.txt")

# Where the booted prefix is kept for sessions to copy (booted_template).
TEMPLATE = os.path.abspath(os.environ.get("DROWSEL_E2E_PREFIX") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "e2e-prefix"))

# What start.exe prints when Wine could not start a program at all.
NOT_STARTED = "Application could not be started"
TOOL_ATTEMPTS = 3


class Failure(Exception):
    """A check did not hold; the message says what was seen."""


class Aborted(BaseException):
    """The whole run has to stop: a signal or the session's time limit."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def _die_with_parent(sig=signal.SIGTERM):
    # If the harness itself is killed outright, its children get a signal
    # instead of outliving it (Xvfb and the wineserver in particular).
    try:
        ctypes.CDLL(None, use_errno=True).prctl(_PR_SET_PDEATHSIG, sig)
    except (OSError, AttributeError):
        pass


def _abort(signum, _frame):
    if signum == signal.SIGALRM:
        raise Aborted("the session ran over its time limit")
    raise Aborted(f"stopped by {signal.Signals(signum).name}")


def wait_until(predicate, timeout, interval=0.05, what="condition"):
    """Polls predicate until it returns something truthy; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def pe_bits(path):
    """32 or 64 for a Windows program file, by the machine type in its header."""
    with open(path, "rb") as f:
        header = f.read(4096)
    check(header[:2] == b"MZ" and len(header) >= 0x40, f"{path} is not a Windows program")
    pe = int.from_bytes(header[0x3C:0x40], "little")
    check(header[pe:pe + 4] == b"PE\0\0", f"{path} has no PE header")
    machine = int.from_bytes(header[pe + 4:pe + 6], "little")
    bits = {0x14C: 32, 0x8664: 64}.get(machine)
    check(bits is not None, f"{path} is for machine type 0x{machine:x}")
    return bits


def loader_for(exe):
    """The Wine loader that runs exe as its own process, so that the process
    the session holds is the program itself (`wine` would hand a 64-bit one to
    start.exe where 32-bit Wine is installed too). A Windows path (one of
    Wine's own tools) names a 64-bit program."""
    if not os.path.isfile(exe) or pe_bits(exe) == 64:
        return WINE64
    check(os.access(WINE32, os.X_OK), f"{exe} is a 32-bit program and 32-bit Wine is not "
                                      "installed")
    return WINE32


def runs_32bit():
    """(True, "") where 32-bit Windows programs can run here, else (False, why)."""
    probe = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                         "check-32bit")
    try:
        done = subprocess.run([probe], capture_output=True, text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired) as e:
        return False, f"the 32-bit probe did not run: {e}"
    if done.returncode != 0:
        return False, (done.stdout + done.stderr).strip()
    if not os.access(WINE32, os.X_OK):
        try:
            with open(WINE32_NOTE, encoding="utf-8") as f:
                return False, f.read().strip()
        except OSError:
            return False, ("32-bit Wine (wine32:i386) is not installed; "
                           "scripts/install-deps installs it")
    return True, ""


def winpath(unix_path):
    """The Z: drive path Windows programs see for a Unix path."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def read_log(path):
    """Complete lines of a log file (a line still being written is left out)."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return []
    lines = data.decode("latin-1").split("\n")[:-1]
    return [line.rstrip("\r") for line in lines]


class Display:
    """An Xvfb display of our own, on the first free number from :20."""

    def __init__(self, folder):
        self.folder = folder
        self.number, self.xvfb = self._start()

    def _start(self):
        for n in range(20, 120):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            # Xvfb writes the display number to -displayfd once it has taken
            # the display and listens; if another run got there first it exits
            # and the pipe just closes. (Its socket appearing proves nothing:
            # it may be the other run's.) Read up to the newline: Xvfb writes
            # the number and the newline separately, and dies if the pipe is
            # closed in between.
            ready_r, ready_w = os.pipe()
            with open(os.path.join(self.folder, "xvfb.err"), "ab") as err:
                xvfb = subprocess.Popen(
                    ["Xvfb", f":{n}", "-displayfd", str(ready_w), "-screen", "0", "1024x768x24",
                     "-nolisten", "tcp"],
                    stdin=subprocess.DEVNULL, stdout=err, stderr=err, pass_fds=(ready_w,),
                    preexec_fn=_die_with_parent)
            os.close(ready_w)
            got = b""
            deadline = time.monotonic() + 10
            try:
                while not got.endswith(b"\n") and time.monotonic() < deadline:
                    if not select.select([ready_r], [], [], deadline - time.monotonic())[0]:
                        break
                    chunk = os.read(ready_r, 16)
                    if not chunk:  # Xvfb exited
                        break
                    got += chunk
            finally:
                os.close(ready_r)
            if got == f"{n}\n".encode():
                return n, xvfb
            xvfb.kill()
            xvfb.wait()
        raise Failure("could not start Xvfb on any display from :20 to :119")

    def stop(self):
        _end(self.xvfb)

    def screenshot(self, png_path):
        """Saves the whole display as a PNG; returns False if it could not."""
        if self.xvfb.poll() is not None:
            with open(os.path.join(self.folder, "xvfb.err"), "rb") as f:
                last = f.read().decode("latin-1").strip().splitlines()[-3:]
            print(f"no screenshot: Xvfb ended with {self.xvfb.returncode}: {' | '.join(last)}")
            return False
        cmd = f"xwd -root -silent -display :{self.number} | convert xwd:- png:'{png_path}'"
        try:
            ok = subprocess.run(["sh", "-c", cmd], timeout=30, stdin=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL).returncode == 0
        except subprocess.TimeoutExpired:
            ok = False
        print(f"screenshot {'saved to ' + os.path.abspath(png_path) if ok else 'failed'}")
        return ok

    def grab(self):
        """The whole display as (width, height, RGB bytes row by row)."""
        cmd = f"xwd -root -silent -display :{self.number} | convert xwd:- -depth 8 ppm:-"
        done = subprocess.run(["sh", "-c", cmd], capture_output=True, timeout=30,
                              stdin=subprocess.DEVNULL)
        header = re.match(rb"P6(?:\s+|#[^\n]*\n)+(\d+)(?:\s+|#[^\n]*\n)+(\d+)"
                          rb"(?:\s+|#[^\n]*\n)+255\s", done.stdout)
        check(done.returncode == 0 and header is not None,
              f"no screen grab: {done.stderr.decode('latin-1').strip()}")
        width, height = int(header.group(1)), int(header.group(2))
        pixels = done.stdout[header.end():]
        check(len(pixels) == width * height * 3, "the screen grab is cut short")
        return width, height, pixels


def _end(proc, wait=5):
    """Ends a child of ours by pid: asked first, then killed."""
    if proc is not None and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(wait)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def wine_env(prefix, display):
    """The environment every Wine command of a prefix runs in."""
    env = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "WINE"))}
    env.update(WINE_LOCALE, WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=f":{display}")
    return env


# What a booted prefix is made of: a prefix booted by another Wine, or by
# another version of this recipe, is booted again.
BOOT_RECIPE = "wineboot -i; ShowCrashDialog 0; ACP 1252"


def boot_key():
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True,
                          env=dict(os.environ, WINEDEBUG="-all")).stdout.strip()
    return f"{wine}; wine32 {os.access(WINE32, os.X_OK)}; {BOOT_RECIPE}\n"


def booted_template(path, display):
    """A prefix booted once at `path`, for sessions to copy (Session's
    template): booted there now unless a boot by the same Wine and recipe is
    there already. Runs that share the path wait for one another's boot."""
    import fcntl
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    key, marker = boot_key(), os.path.join(path, ".booted")
    with open(path + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            with open(marker) as f:
                if f.read() == key:
                    return path
        except OSError:
            pass
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        with Session("boot", display=display, prefix=path) as s:
            s.note("prefix booted for the run's sessions to copy")
        with open(marker, "w") as f:
            f.write(key)
    return path


# The files a copy of a template shares with it (hard links): programs and
# libraries, which Wine only reads. Everything else is copied.
SHARED_FILES = (".dll", ".exe", ".drv", ".sys", ".ocx", ".acm", ".cpl", ".tlb", ".ttf", ".fon")


def copy_prefix(template, prefix):
    shutil.copytree(template, prefix, symlinks=True, copy_function=lambda src, dst: (
        os.link if src.lower().endswith(SHARED_FILES) else shutil.copy2)(src, dst))


class Session:
    """One Wine prefix with its wineserver, on a display, and the processes
    started in it.

    name        for notes and the temporary folder
    time_limit  seconds, after which the session aborts (None: no limit of its own)
    display     a Display to use; by default one of its own
    template    where a booted prefix is kept (booted_template, booted there if it is
                not), to copy instead of booting one: TEMPLATE, say
    prefix      where to boot the prefix, kept afterwards; by default a temporary folder
    """

    def __init__(self, name, time_limit=None, display=None, template=None, prefix=None):
        self.name = name
        self.time_limit = time_limit
        self.started = time.monotonic()
        self.procs = []
        self.tmp = None
        self.own_display = display is None
        self.screen = display
        self.template = template
        self.prefix = prefix
        self.keep_prefix = prefix is not None
        self.wineserver = None
        self.env = None

    @property
    def display(self):
        return self.screen.number

    # -- set up and tear down ----------------------------------------------

    def __enter__(self):
        if self.time_limit:
            signal.signal(signal.SIGTERM, _abort)
            signal.signal(signal.SIGHUP, _abort)
            signal.signal(signal.SIGALRM, _abort)
            signal.alarm(self.time_limit)
        try:
            self.tmp = tempfile.mkdtemp(prefix=f"drowsel-e2e-{self.name}-")
            if self.own_display:
                self.screen = Display(self.tmp)
                self.note(f"Xvfb on :{self.display}")
            self._make_prefix()
        except BaseException:
            self._teardown()
            raise
        return self

    def __exit__(self, exc_type, exc, _tb):
        if exc_type is not None:
            self.note(f"FAILED: {exc}")
            self.screenshot(f"{self.name}-failure.png")
        self._teardown()
        return False

    def _make_prefix(self):
        booting = self.template is None
        if self.prefix is None:
            self.prefix = os.path.join(self.tmp, "prefix")
            if booting:
                os.mkdir(self.prefix)
            else:
                copy_prefix(booted_template(self.template, self.screen), self.prefix)
        self.env = wine_env(self.prefix, self.display)
        # A persistent wineserver, kept in the foreground so it is ours by pid;
        # wineboot and every later program attach to it. A prefix booted to
        # be kept gets one that ends by itself, saving the registry.
        with open(os.path.join(self.tmp, "wineserver.err"), "ab") as err:
            self.wineserver = subprocess.Popen(
                ["wineserver", "-f", "-p3" if self.keep_prefix else "-p"],
                env=self.env, stdin=subprocess.DEVNULL, stdout=err, stderr=err,
                # SIGINT is how `wineserver -k` asks it to end its processes too.
                preexec_fn=lambda: _die_with_parent(signal.SIGINT))
        if booting:
            self._boot()

    def _boot(self):
        t = time.monotonic()
        boot = self._popen(["wineboot", "-i"])
        check(self.wait_exit(boot, 180) == 0, "wineboot -i failed")
        self.note(f"prefix ready in {time.monotonic() - t:.1f} s")
        code, _ = self.run_tool(REG, "add", r"HKCU\Software\Wine\WineDbg",
                                "/v", "ShowCrashDialog", "/t", "REG_DWORD", "/d", "0", "/f")
        check(code == 0, "could not turn off the crash dialog")
        code, out = self.run_tool(REG, "query", r"HKLM\System\CurrentControlSet\Control\Nls\CodePage",
                                  "/v", "ACP")
        check(code == 0 and re.search(rf"\bACP\s+REG_SZ\s+{ANSI_CODE_PAGE}\b", out),
              f"the prefix's ANSI code page is not {ANSI_CODE_PAGE}: {out.strip()!r}")

    def _teardown(self):
        if self.time_limit:
            signal.alarm(0)
            signal.signal(signal.SIGTERM, signal.SIG_IGN)  # let the cleanup finish
        self.stop_all()
        kept = self.keep_prefix
        if self.env is not None and not kept:
            try:
                subprocess.run(["wineserver", "-k"], env=self.env, timeout=15,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                self.note("wineserver -k did not return")
        if kept and self.wineserver is not None:
            # Its own end, a few seconds after the last program's, writes the registry.
            try:
                self.wineserver.wait(60)
            except subprocess.TimeoutExpired:
                self.note("the wineserver did not end by itself")
        _end(self.wineserver)
        if self.own_display and self.screen is not None:
            self.screen.stop()
        if self.tmp is not None:
            shutil.rmtree(self.tmp, ignore_errors=True)
        if self.time_limit:
            signal.signal(signal.SIGTERM, signal.SIG_DFL)

    def stop_all(self, first=0):
        """Ends, by pid, every process started from the `first`th on, but
        those kept for the whole session (proc.kept)."""
        for proc in self.procs[first:]:
            if not getattr(proc, "kept", False):
                self.stop(proc)

    # -- programs -----------------------------------------------------------

    def _popen(self, argv, piped=False):
        program = os.path.basename(argv[1] if argv[0] in (WINE64, WINE32) else argv[0])
        base = os.path.join(self.tmp, f"proc{len(self.procs)}-{program}")
        with open(base + ".out", "wb") as out, open(base + ".err", "wb") as err:
            proc = subprocess.Popen(argv, env=self.env, cwd=self.tmp, bufsize=0,
                                    stdin=subprocess.PIPE if piped else subprocess.DEVNULL,
                                    stdout=subprocess.PIPE if piped else out, stderr=err,
                                    preexec_fn=_die_with_parent)
        proc.out_path = base + ".out"
        self.procs.append(proc)
        return proc

    def start(self, exe, *args, piped=False):
        """Starts a Windows program under Wine, as a process of its own; its
        stdout goes to output(proc), or with piped, its standard input and
        output are pipes (proc.stdin, proc.stdout)."""
        return self._popen([loader_for(exe), exe, *map(str, args)], piped)

    def run_to_end(self, exe, *args, timeout=60):
        """Runs a short-lived Windows program to its end and returns its process.

        Wine's loader hands a program it cannot start to start.exe, which
        says so on stdout and ends with 1, an answer a caller would take for
        the program's own. That happened once in a CI run, so such a start is
        tried again, a bounded number of times, and reported.
        """
        for attempt in range(1, TOOL_ATTEMPTS + 1):
            proc = self.start(exe, *args)
            self.wait_exit(proc, timeout)
            out = self.output(proc)
            if NOT_STARTED not in out:
                return proc
            said = " | ".join((out + self.output(proc, "err")).split("\n")).strip(" |")
            self.note(f"Wine could not start {exe} (attempt {attempt} of {TOOL_ATTEMPTS}): {said}")
        raise Failure(f"Wine could not start {exe} in {TOOL_ATTEMPTS} attempts")

    def run_tool(self, exe, *args, timeout=60):
        """run_to_end for Wine's own tools (reg, cmd): returns (exit code, stdout)."""
        proc = self.run_to_end(exe, *args, timeout=timeout)
        return proc.returncode, self.output(proc)

    def wait_exit(self, proc, timeout):
        """Waits (bounded) for proc to end and returns its exit code."""
        wait_until(lambda: proc.poll() is not None, timeout,
                   what=f"{' '.join(proc.args[:2])} to exit")
        return proc.returncode

    def stop(self, proc):
        """Ends a process this session started, by pid, if it still runs."""
        for pipe in (proc.stdin, proc.stdout):
            if pipe is not None:
                pipe.close()
        if proc.poll() is None:
            proc.kill()
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                self.note(f"pid {proc.pid} did not end")

    @staticmethod
    def output(proc, stream="out"):
        """What proc wrote to stdout (or stream="err": stderr) so far."""
        with open(proc.out_path[:-3] + stream, "rb") as f:
            return f.read().decode("latin-1").replace("\r\n", "\n")

    # -- helpers ------------------------------------------------------------

    wait_until = staticmethod(wait_until)
    winpath = staticmethod(winpath)
    read_log = staticmethod(read_log)

    def path(self, name):
        return os.path.join(self.tmp, name)

    def note(self, text):
        print(f"[{time.monotonic() - self.started:6.1f}s] {text}", flush=True)

    def screenshot(self, png_path):
        """Saves the whole display as a PNG; returns False if it could not."""
        return self.screen is not None and self.screen.screenshot(png_path)

    def grab(self):
        """The whole display as (width, height, RGB bytes row by row)."""
        return self.screen.grab()

