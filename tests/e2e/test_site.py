"""The Site button end to end: drowsel.exe under Wine, its buttons pressed
through drowsel-driver.exe, with standin-browser.exe as the program the prefix
opens ".html" files with. Every test changes the registry, so each has a
prefix of its own.
"""

import os
import time

import pytest

import harness
from drowsel_e2e.drowsel import exit_text, start_alone
from drowsel_e2e.driver import EXIT, SITE, box
from drowsel_e2e.wine_prefix import (ADDRESS_LINE, cmd, install_browser, reg_add, reg_delete,
                                     release, temp_as_programs_see_it, temp_folder, tool,
                                     use_temp)
from harness import check

pytestmark = pytest.mark.fresh_prefix

# How long a click may take to show nothing at all: a dialog or a second
# window would be up well within this.
QUIET_WATCH = 1.5

def windows_processes(s):
    """The prefix's running Windows processes as {pid: exe name}."""
    code, out = s.run_tool("winedbg", "--command", "info proc")
    check(code == 0, f"winedbg --command 'info proc' failed with {code}")
    procs = {}
    for line in out.splitlines():
        fields = line.lstrip(" =").split(None, 2)
        if len(fields) == 3 and fields[1].isdigit():
            try:
                procs[int(fields[0], 16)] = fields[2].split("'")[1]
            except (ValueError, IndexError):
                pass
    return procs


# -- the screen --------------------------------------------------------------------

def visible_windows(s):
    """Ids of the viewable top-level X windows."""
    code, out = tool(s, "xdotool", "search", "--onlyvisible", "--maxdepth", "1", "")
    check(code in (0, 1), f"xdotool search failed with {code}")
    return set(out.split())


def first_change_outside(before, after, area):
    """(x, y) of the first pixel that differs between two grabs of the screen
    outside `area` (x, y, width, height), or None."""
    width, height, a_pixels = before
    _, _, b_pixels = after
    x0, y0, w, h = area
    for y in range(height):
        row = slice(y * width * 3, (y + 1) * width * 3)
        a, b = a_pixels[row], b_pixels[row]
        if a == b:
            continue
        for x in range(width):
            inside = x0 <= x < x0 + w and y0 <= y < y0 + h
            if not inside and a[x * 3:x * 3 + 3] != b[x * 3:x * 3 + 3]:
                return x, y
    return None


# -- driving Drowsel ---------------------------------------------------------------

def still_running(driver, proc):
    check(proc.poll() is None, f"drowsel.exe ended with {exit_text(proc.returncode)}")
    check(driver.find() is not None, "Drowsel's window is gone, though drowsel.exe runs")


def exit_drowsel(driver, proc):
    driver.drive("click", EXIT)
    driver.wait_ended_well(proc, "Exit", timeout=20)


def click_site_expecting_nothing(s, driver, proc):
    """Clicks Site and watches for a while: no new window may show, nothing may
    change on screen outside Drowsel's window, and Drowsel keeps running."""
    form = box(driver.find()["window"])
    windows, picture = visible_windows(s), s.grab()
    driver.drive("click", SITE)
    deadline = time.monotonic() + QUIET_WATCH
    while time.monotonic() < deadline:
        new = visible_windows(s) - windows
        check(not new, f"a new window showed after Site: {sorted(new)}")
        still_running(driver, proc)
        time.sleep(0.1)
    changed = first_change_outside(picture, s.grab(), form)
    check(changed is None, f"the screen changed outside Drowsel's window, first at {changed}")


def wait_for_browser(s, log):
    """Waits for the browser's log line; a browser that never wrote one is
    reported with the programs that were running in the prefix."""
    try:
        s.wait_until(lambda: harness.read_log(log), 15, what="the browser to log its command line")
    except harness.Failure as e:
        raise harness.Failure(f"{e}; running: {sorted(windows_processes(s).values())}") from None


def log_lines(log):
    lines = harness.read_log(log)
    for line in lines:
        try:
            print(f"    browser started with {bytes.fromhex(line)!r}")
        except ValueError:
            print(f"    browser log line not hex: {line!r}")
    return lines


def snapshot(folder):
    """{name: (content, mtime)} of the files in folder."""
    files = {}
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                files[name] = (f.read(), os.stat(path).st_mtime_ns)
    return files


def describe(path):
    """What is at path: None, "a folder", or a file's content."""
    if os.path.isdir(path):
        return "a folder"
    if os.path.isfile(path):
        with open(path, "rb") as f:
            return f.read()
    return None


def compare(before, after, where):
    gone = sorted(set(before) - set(after))
    added = sorted(set(after) - set(before))
    changed = sorted(n for n in set(before) & set(after) if before[n] != after[n])
    check(not (gone or added or changed),
          f"{where}: removed {gone}, left behind {added}, changed {changed}")


# -- checks ------------------------------------------------------------------------

def test_site_starts_the_browser_with_the_address(wine, driver, programs, drowsel_exe):
    log = install_browser(wine, programs.browser, "browser-address")
    proc = start_alone(wine, drowsel_exe, driver)
    driver.drive("click", SITE)
    wait_for_browser(wine, log)
    still_running(driver, proc)
    # Exit takes a couple of seconds: a second browser started by the same
    # click would have logged by the time Drowsel is gone.
    exit_drowsel(driver, proc)
    lines = log_lines(log)
    check(lines == [ADDRESS_LINE], f"browser log {lines}, wanted one line {ADDRESS_LINE}")


def test_probe_leaves_the_temp_folder_as_it_was(wine, driver, programs, drowsel_exe):
    tmp, temp = temp_as_programs_see_it(wine)
    check(tmp and tmp == temp, f"a fresh prefix has TMP {tmp!r} and TEMP {temp!r}")
    temp = temp_folder(wine)
    log = install_browser(wine, programs.browser, "browser-probe")
    with open(os.path.join(temp, "dummy.html"), "wb") as f:
        f.write(b"<html>someone else's page</html>\n")
    with open(os.path.join(temp, "notes.txt"), "wb") as f:
        f.write(b"not Drowsel's\n")
    proc = start_alone(wine, drowsel_exe, driver)
    pids = [pid for pid, name in windows_processes(wine).items() if name == "drowsel.exe"]
    check(len(pids) == 1, f"drowsel.exe pids in the prefix: {pids}")
    check(str(pids[0]) == driver.find()["pid"], "the window found is not this drowsel.exe's")
    # The first two probe names this Drowsel would try are taken, by files
    # with something in them: it has to move on to a third and leave these be.
    for n in (0, 1):
        with open(os.path.join(temp, f"drowsel-probe-{pids[0]}-{n}.html"), "wb") as f:
            f.write(b"taken %d\n" % n)
    before = snapshot(temp)
    wine.note(f"temp folder {temp} holds {sorted(before)}")
    driver.drive("click", SITE)
    # The probe is deleted before the browser starts, so once it has logged
    # the folder must be as it was.
    wait_for_browser(wine, log)
    compare(before, snapshot(temp), "the temporary folder after Site")
    still_running(driver, proc)
    exit_drowsel(driver, proc)
    check(log_lines(log) == [ADDRESS_LINE], "the browser did not get the address once")
    compare(before, snapshot(temp), "the temporary folder after Exit")


def test_does_not_wait_for_the_browser(wine, driver, programs, drowsel_exe):
    log = install_browser(wine, programs.browser, "browser-held", hold=True)
    proc = start_alone(wine, drowsel_exe, driver)
    driver.drive("click", SITE)
    wait_for_browser(wine, log)
    try:
        check("standin-browser.exe" in windows_processes(wine).values(),
              "the held browser is not running, so this proves nothing")
        # A Drowsel that waited for its browser would not take the Exit click.
        exit_drowsel(driver, proc)
        check("standin-browser.exe" in windows_processes(wine).values(),
              "the browser ended before it was let go")
    finally:
        release(log)
    wine.wait_until(lambda: "standin-browser.exe" not in windows_processes(wine).values(), 15,
                 what="the browser to end once let go")


def test_nothing_is_associated_with_html(wine, driver, programs, drowsel_exe):
    log = install_browser(wine, programs.browser, "browser-unassociated")
    reg_delete(wine, r"HKCR\.html")
    reg_delete(wine, r"HKCR\htmlfile")
    # Whatever else might open the address is the stand-in too, so that any
    # other way to it shows in the log.
    for scheme in ("http", "https"):
        exe = os.path.join(os.path.dirname(log), "standin-browser.exe")
        reg_add(wine, rf"HKCR\{scheme}\shell\open\command", f'"{wine.winpath(exe)}" "%1"')
    proc = start_alone(wine, drowsel_exe, driver)
    click_site_expecting_nothing(wine, driver, proc)
    exit_drowsel(driver, proc)
    check(not log_lines(log), "a browser started with nothing associated with .html")


def unusable_temp_folder(wine, driver, programs, drowsel_exe, name, make):
    """Site with TEMP and TMP at a folder path that cannot hold a file: the
    path `make(unix_path)` prepared. The browser is registered, so only the
    probe stands in its way."""
    usual_temp = temp_folder(wine)
    usual_before = snapshot(usual_temp)
    log = install_browser(wine, programs.browser, f"browser-{name}")
    bad = wine.path(name)
    make(bad)
    bad_before = describe(bad)
    # Wine must really refuse a file there, or this proves nothing. (cmd's
    # own "echo x>file" ends with 0 even when the file cannot be made; its
    # copy ends with 1.)
    code, _ = cmd(wine, "copy", "nul", wine.winpath(bad) + "\\drowsel-check.html")
    check(code != 0, f"cmd could copy a file into {bad}")
    check(describe(bad) == bad_before, f"cmd's copy changed {bad}")
    use_temp(wine, wine.winpath(bad))
    proc = start_alone(wine, drowsel_exe, driver)
    click_site_expecting_nothing(wine, driver, proc)
    exit_drowsel(driver, proc)
    check(not log_lines(log), f"a browser started with the temporary folder at {bad}")
    bad_after = describe(bad)
    check(bad_after == bad_before, f"{bad} changed: {bad_before!r} -> {bad_after!r}")
    compare(usual_before, snapshot(usual_temp), "the usual temporary folder")


def test_temp_folder_is_a_file(wine, driver, programs, drowsel_exe):
    def make(path):
        with open(path, "wb") as f:
            f.write(b"a file where a folder is expected\n")
    unusable_temp_folder(wine, driver, programs, drowsel_exe, "notafolder", make)


def test_temp_folder_is_missing(wine, driver, programs, drowsel_exe):
    unusable_temp_folder(wine, driver, programs, drowsel_exe, "missing", lambda path: None)
