#!/usr/bin/env python3
"""The Site button end to end: drowsel.exe under Wine, its buttons pressed
through drowsel-driver.exe, with standin-browser.exe as the program the prefix
opens ".html" files with.

    test_site.py --drowsel build/windows/drowsel.exe \
                 --driver build/windows/tools/driver/drowsel-driver.exe \
                 --browser build/windows/tools/standin-browser/standin-browser.exe

Needs xdotool besides what harness.py needs.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from drowsel_e2e.wine_prefix import (ADDRESS_LINE, cmd, install_browser, reg_add,  # noqa: E402
                                     reg_delete, release, temp_as_programs_see_it, temp_folder,
                                     tool, use_temp)
from drowsel_e2e.drowsel import exit_text, start_alone  # noqa: E402
from drowsel_e2e.driver import EXIT, SITE, Driver, box  # noqa: E402
from harness import check  # noqa: E402

# How long a click may take to show nothing at all: a dialog or a second
# window would be up well within this.
QUIET_WATCH = 1.5

ARGS = None
DRIVER = None
ORIGINAL_TEMP = None  # TEMP and TMP as the fresh prefix has them


def fresh_prefix_state(s):
    """What every check starts from: the prefix's own temporary folder."""
    use_temp(s, ORIGINAL_TEMP)


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

def start_drowsel(s):
    return start_alone(s, ARGS.drowsel, DRIVER)


def still_running(s, proc):
    check(proc.poll() is None, f"drowsel.exe ended with {exit_text(proc.returncode)}")
    check(DRIVER.find() is not None, "Drowsel's window is gone, though drowsel.exe runs")


def click(button):
    DRIVER.drive("click", button)


def exit_drowsel(s, proc):
    click(EXIT)
    code, _ = DRIVER.wait_gone(proc, "Exit", timeout=20)
    check(code == 0, f"drowsel.exe ended with {exit_text(code)} after Exit")


def click_site_expecting_nothing(s, proc):
    """Clicks Site and watches for a while: no new window may show, nothing may
    change on screen outside Drowsel's window, and Drowsel keeps running."""
    form = box(DRIVER.find()["window"])
    windows, picture = visible_windows(s), s.grab()
    click(SITE)
    deadline = time.monotonic() + QUIET_WATCH
    while time.monotonic() < deadline:
        new = visible_windows(s) - windows
        check(not new, f"a new window showed after Site: {sorted(new)}")
        still_running(s, proc)
        time.sleep(0.1)
    changed = first_change_outside(picture, s.grab(), form)
    check(changed is None, f"the screen changed outside Drowsel's window, first at {changed}")


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

def site_starts_the_browser_with_the_address(s):
    fresh_prefix_state(s)
    log = install_browser(s, ARGS.browser, "browser-address")
    proc = start_drowsel(s)
    click(SITE)
    s.wait_until(lambda: harness.read_log(log), 15, what="the browser to log its command line")
    still_running(s, proc)
    # Exit takes a couple of seconds: a second browser started by the same
    # click would have logged by the time Drowsel is gone.
    exit_drowsel(s, proc)
    lines = log_lines(log)
    check(lines == [ADDRESS_LINE], f"browser log {lines}, wanted one line {ADDRESS_LINE}")


def probe_leaves_the_temp_folder_as_it_was(s):
    fresh_prefix_state(s)
    temp = temp_folder(s)
    log = install_browser(s, ARGS.browser, "browser-probe")
    with open(os.path.join(temp, "dummy.html"), "wb") as f:
        f.write(b"<html>someone else's page</html>\n")
    with open(os.path.join(temp, "notes.txt"), "wb") as f:
        f.write(b"not Drowsel's\n")
    proc = start_drowsel(s)
    pids = [pid for pid, name in windows_processes(s).items() if name == "drowsel.exe"]
    check(len(pids) == 1, f"drowsel.exe pids in the prefix: {pids}")
    check(str(pids[0]) == DRIVER.find()["pid"], "the window found is not this drowsel.exe's")
    # The first two probe names this Drowsel would try are taken, by files
    # with something in them: it has to move on to a third and leave these be.
    for n in (0, 1):
        with open(os.path.join(temp, f"drowsel-probe-{pids[0]}-{n}.html"), "wb") as f:
            f.write(b"taken %d\n" % n)
    before = snapshot(temp)
    s.note(f"temp folder {temp} holds {sorted(before)}")
    click(SITE)
    # The probe is deleted before the browser starts, so once it has logged
    # the folder must be as it was.
    s.wait_until(lambda: harness.read_log(log), 15, what="the browser to log its command line")
    compare(before, snapshot(temp), "the temporary folder after Site")
    still_running(s, proc)
    exit_drowsel(s, proc)
    check(log_lines(log) == [ADDRESS_LINE], "the browser did not get the address once")
    compare(before, snapshot(temp), "the temporary folder after Exit")


def does_not_wait_for_the_browser(s):
    fresh_prefix_state(s)
    log = install_browser(s, ARGS.browser, "browser-held", hold=True)
    proc = start_drowsel(s)
    click(SITE)
    s.wait_until(lambda: harness.read_log(log), 15, what="the browser to log its command line")
    try:
        check("standin-browser.exe" in windows_processes(s).values(),
              "the held browser is not running, so this proves nothing")
        # A Drowsel that waited for its browser would not take the Exit click.
        exit_drowsel(s, proc)
        check("standin-browser.exe" in windows_processes(s).values(),
              "the browser ended before it was let go")
    finally:
        release(log)
    s.wait_until(lambda: "standin-browser.exe" not in windows_processes(s).values(), 15,
                 what="the browser to end once let go")


def nothing_is_associated_with_html(s):
    fresh_prefix_state(s)
    log = install_browser(s, ARGS.browser, "browser-unassociated")
    reg_delete(s, r"HKCR\.html")
    reg_delete(s, r"HKCR\htmlfile")
    # Whatever else might open the address is the stand-in too, so that any
    # other way to it shows in the log.
    for scheme in ("http", "https"):
        exe = os.path.join(os.path.dirname(log), "standin-browser.exe")
        reg_add(s, rf"HKCR\{scheme}\shell\open\command", f'"{s.winpath(exe)}" "%1"')
    proc = start_drowsel(s)
    click_site_expecting_nothing(s, proc)
    exit_drowsel(s, proc)
    check(not log_lines(log), "a browser started with nothing associated with .html")


def unusable_temp_folder(s, name, make):
    """Site with TEMP and TMP at a folder path that cannot hold a file: the
    path `make(unix_path)` prepared. The browser is registered, so only the
    probe stands in its way."""
    fresh_prefix_state(s)
    usual_temp = temp_folder(s)
    usual_before = snapshot(usual_temp)
    log = install_browser(s, ARGS.browser, f"browser-{name}")
    bad = s.path(name)
    make(bad)
    bad_before = describe(bad)
    # Wine must really refuse a file there, or this proves nothing. (cmd's
    # own "echo x>file" ends with 0 even when the file cannot be made; its
    # copy ends with 1.)
    code, _ = cmd(s, "copy", "nul", s.winpath(bad) + "\\drowsel-check.html")
    check(code != 0, f"cmd could copy a file into {bad}")
    check(describe(bad) == bad_before, f"cmd's copy changed {bad}")
    use_temp(s, s.winpath(bad))
    proc = start_drowsel(s)
    click_site_expecting_nothing(s, proc)
    exit_drowsel(s, proc)
    check(not log_lines(log), f"a browser started with the temporary folder at {bad}")
    bad_after = describe(bad)
    check(bad_after == bad_before, f"{bad} changed: {bad_before!r} -> {bad_after!r}")
    compare(usual_before, snapshot(usual_temp), "the usual temporary folder")


def temp_folder_is_a_file(s):
    def make(path):
        with open(path, "wb") as f:
            f.write(b"a file where a folder is expected\n")
    unusable_temp_folder(s, "notafolder", make)


def temp_folder_is_missing(s):
    unusable_temp_folder(s, "missing", lambda path: None)


CHECKS = [site_starts_the_browser_with_the_address, probe_leaves_the_temp_folder_as_it_was,
          does_not_wait_for_the_browser, nothing_is_associated_with_html,
          temp_folder_is_a_file, temp_folder_is_missing]


def body(s):
    global ORIGINAL_TEMP, DRIVER
    tmp, temp = temp_as_programs_see_it(s)
    check(tmp and tmp == temp, f"a fresh prefix has TMP {tmp!r} and TEMP {temp!r}")
    ORIGINAL_TEMP = tmp
    DRIVER = Driver(s, ARGS.driver)
    return harness.run_checks(s, CHECKS)


def main():
    global ARGS
    ARGS = harness.program_args(__doc__.splitlines()[0], ("drowsel", "driver", "browser"))
    harness.main("site", body, time_limit=240)


if __name__ == "__main__":
    main()
