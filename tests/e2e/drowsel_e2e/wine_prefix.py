"""The session's Wine prefix: its registry, the temporary folder its programs
get, the stand-in browser as its program for ".html" files, display scaling,
and a program run as on Windows XP."""

import os
import shutil
import subprocess

import harness
from harness import Failure, check

# The browser's whole command line, one space and the address, typed out
# here by hand: " https://www.example.com/drowsel/".
ADDRESS_LINE = ("20" "68747470733a2f2f"           # " https://"
                "7777772e6578616d706c652e636f6d"  # "www.example.com"
                "2f64726f7773656c2f")             # "/drowsel/"


def tool(s, *argv, timeout=30):
    """Runs a Linux command in the session's environment; returns (code, stdout)."""
    try:
        done = subprocess.run(argv, env=s.env, cwd=s.tmp, timeout=timeout,
                              stdin=subprocess.DEVNULL, capture_output=True)
    except subprocess.TimeoutExpired:
        raise Failure(f"{' '.join(argv[:3])} did not end within {timeout} s")
    return done.returncode, done.stdout.decode("latin-1")


def reg(s, *args):
    return s.run_tool(harness.REG, *args)


def cmd(s, *args):
    return s.run_tool(harness.CMD, "/c", *args)


def reg_add(s, key, value):
    code, out = reg(s, "add", key, "/ve", "/d", value, "/f")
    check(code == 0, f"reg add {key} failed with {code}: {out.strip()}")


def reg_set(s, key, name, value):
    code, out = reg(s, "add", key, "/v", name, "/d", value, "/f")
    check(code == 0, f"reg add {key} /v {name} failed with {code}: {out.strip()}")


def reg_exists(s, key):
    code, out = reg(s, "query", key)
    # reg says why a query failed on stderr; the exit code is 1 either way.
    check(code in (0, 1), f"reg query {key} failed with {code}: {out.strip()}")
    return code == 0


def reg_delete(s, key):
    reg(s, "delete", key, "/f")
    check(not reg_exists(s, key), f"{key} is still there after reg delete")


def run_as_on_xp(s, exe):
    """Wine reports Windows XP (XP x64 to a 64-bit program) to the program of
    this file name and keeps the Windows Imaging Component from it, as on an
    XP that never got the component."""
    name = os.path.basename(exe)
    key = rf"HKCU\Software\Wine\AppDefaults\{name}"
    version = "winxp" if harness.pe_bits(exe) == 32 else "winxp64"
    reg_set(s, key, "Version", version)
    reg_set(s, rf"{key}\DllOverrides", "windowscodecs", "")
    code, out = reg(s, "query", rf"{key}\DllOverrides", "/v", "windowscodecs")
    check(code == 0 and "windowscodecs" in out, f"the override is not there: {out.strip()}")
    s.note(f"{name}: Version {version}, windowscodecs disabled")


def temp_as_programs_see_it(s):
    """(TMP, TEMP) as a program started now gets them; GetTempPath reads TMP first."""
    code, out = cmd(s, "echo %TMP%;%TEMP%")
    check(code == 0, f"cmd /c echo failed with {code}")
    tmp, _, temp = out.strip().partition(";")
    return tmp, temp


def unix_path(s, windows_path):
    code, out = tool(s, "winepath", "-u", windows_path)
    check(code == 0 and out.strip(), f"winepath -u {windows_path!r} failed")
    return out.strip()


def use_temp(s, folder):
    """Points TEMP and TMP at folder for every program started from now on."""
    for name in ("TEMP", "TMP"):
        reg_set(s, r"HKCU\Environment", name, folder)
    seen = temp_as_programs_see_it(s)
    check(seen == (folder, folder), f"programs get TMP|TEMP {seen}, not {folder}")


def temp_folder(s):
    """The Unix path of the temporary folder Drowsel will use."""
    tmp, _ = temp_as_programs_see_it(s)
    return unix_path(s, tmp)


def install_browser(s, browser, name, hold=False):
    """A copy of the stand-in browser (the program `browser`) in a folder of its own, opened for ".html"
    files. Returns the path of its log. With hold, it stays running after it
    has logged, until release(log)."""
    folder = s.path(name)
    os.mkdir(folder)
    exe = os.path.join(folder, "standin-browser.exe")
    shutil.copy(browser, exe)
    if hold:
        open(os.path.join(folder, "standin-browser.hold"), "wb").close()
    reg_add(s, r"HKCR\.html", "htmlfile")
    reg_add(s, r"HKCR\htmlfile\shell\open\command", f'"{s.winpath(exe)}" "%1"')
    return os.path.join(folder, "standin-browser.log")


def release(log):
    os.remove(os.path.join(os.path.dirname(log), "standin-browser.hold"))


DPI_KEYS = (r"HKCU\Control Panel\Desktop",
            r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts")


def set_dpi(s, dpi):
    """Display scaling for the programs started from now on, as Windows keeps it
    (96 is 100 %, 144 is 150 %)."""
    for key in DPI_KEYS:
        code, _ = s.run_tool(harness.REG, "add", key, "/v", "LogPixels", "/t", "REG_DWORD",
                             "/d", str(dpi), "/f")
        check(code == 0, f"reg add LogPixels={dpi} under {key} failed with {code}")
