"""drowsel.exe as Windows and other programs really treat it: a close that
another program sends, a reason with letters the code page writes as
look-alikes, a start maximised or hidden, a temporary folder named in another
script, a second copy, and timer messages that another program posts.
"""

import os

import pytest

import harness
from drowsel_e2e.chat import expect_lines
from drowsel_e2e.drowsel import exit_text, start_alone, start_beside
from drowsel_e2e.layout import ADV, CLIENT_AT, SITE, START, STOP, TEXT1
from drowsel_e2e.lines import BANNER, STARTED, STOPPED, reason_line, total_idle_line
from drowsel_e2e.wine_prefix import ADDRESS_LINE, install_browser, reg_set
from harness import check

pytestmark = pytest.mark.bits(64)

WM_CLOSE, WM_SYSCOMMAND, WM_TIMER = 0x10, 0x112, 0x113
SC_CLOSE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE = 0xF060, 0xF020, 0xF030, 0xF120
SW_HIDE, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED = 0, 2, 3
DRAFT = "private: do not send this"


# -- a close that another program sends ---------------------------------------------

def test_a_sent_close_ends_the_program(chat, driver, drowsel):
    driver.drive("send", hex(WM_CLOSE), "0", "0")
    driver.wait_ended_well(drowsel, "a sent WM_CLOSE")
    expect_lines(chat.timed()[2:], [], "after the close")


def test_a_close_sent_inside_adv_ends_it_there(chat, driver, drowsel):
    # The banner goes at once; the close comes well inside the pause after it.
    driver.drive("click", ADV, "then", "sleep", "200",
                 "then", "send", hex(WM_SYSCOMMAND), hex(SC_CLOSE), "0")
    driver.wait_ended_well(drowsel, "SC_CLOSE sent inside Adv.")
    expect_lines(chat.timed()[2:], [BANNER], "Adv. closed inside its pause")


# -- a reason with look-alike letters --------------------------------------------------

def last_input(chat, room="Lobby"):
    """The text the input showed last, from the client's watch of it."""
    shown = [arg.split(" ")[0] for who, what, arg in chat.entries()
             if who == room and what == "INPUT"]
    return bytes.fromhex(shown[-1]).decode("utf-8") if shown else None


def test_a_look_alike_reason_leaves_the_draft_unsent(wine, start_chat, driver, drowsel_exe):
    # A client that acts on Enter a moment later, with the user's draft in it.
    chat = start_chat("look-alike", "--late-enter", "100", "--watch-input",
                      "--draft-hex", DRAFT.encode("utf-8").hex())
    drowsel = start_beside(wine, drowsel_exe, chat, driver)
    driver.drive("set-text", TEXT1, "\u0141\u00f3d\u017a")  # code page 1252 has no Ł, no ź
    driver.drive("click", START)
    driver.wait_state(running=True)
    # The room gets what the system's conversion gives: Ł and ź as L and z.
    expect_lines(chat.wait_posted(4, 10, "Start's lines")[2:],
                 [STARTED, reason_line("L\u00f3dz")], "Start")
    wine.wait_until(lambda: last_input(chat) == DRAFT, 5, what="the draft back in the input")
    chat.stays_quiet(4, 1.0)
    driver.drive("close")
    driver.wait_ended_well(drowsel, "close")


# -- the show command a start gives ---------------------------------------------------

# A prefix of its own: a copy started through the driver is not the test's
# process, and one left by a failure would be the next test's "first copy".
@pytest.mark.fresh_prefix
@pytest.mark.parametrize("show", [SW_SHOWMAXIMIZED, SW_HIDE, SW_SHOWMINIMIZED],
                         ids=["maximised", "hidden", "minimised"])
def test_the_window_keeps_its_size_however_it_is_started(wine, driver, drowsel_exe, show):
    # As a shortcut set to "Run: Maximized" starts it, through the driver.
    runner = driver.start("run-shown", str(show), wine.winpath(drowsel_exe))
    wine.wait_until(lambda: "pid=" in wine.output(runner) or runner.poll() is not None, 20,
                    what="the driver to start drowsel.exe")
    check(runner.poll() is None, f"run-shown ended: {wine.output(runner, 'err').strip()}")
    driver.wait_visible(runner, 20, "Drowsel's window to show")
    window = driver.find()
    wine.note(f"show command {show}: client {window['client']}, minimised {window['iconic']}")
    if show == SW_SHOWMINIMIZED:  # kept, on the task bar, and restored from there
        check(window["iconic"] == "1", "a start minimised did not minimise the window")
        driver.drive("post", hex(WM_SYSCOMMAND), hex(SC_RESTORE), "0")
        wine.wait_until(lambda: driver.find()["iconic"] == "0", 5, what="the window to restore")
    # Nor can another program maximise it afterwards.
    driver.drive("send", hex(WM_SYSCOMMAND), hex(SC_MAXIMIZE), "0")
    client = driver.find()["client"]
    check(client == ",".join(map(str, CLIENT_AT)), f"client area {client}, not {CLIENT_AT}")
    driver.drive("close")
    wine.wait_until(lambda: driver.find() is None, 12, what="the window to go")
    wine.wait_exit(runner, 12)
    check("exit=0" in wine.output(runner), f"run-shown said {wine.output(runner).strip()!r}")


# -- a temporary folder named in another script ---------------------------------------

@pytest.mark.fresh_prefix
def test_site_works_from_a_cyrillic_temporary_folder(wine, driver, programs, drowsel_exe):
    name = "\u0422\u0435\u0441\u0442"  # Тест, which code page 1252 cannot write
    folder = os.path.join(wine.env["WINEPREFIX"], "drive_c", "users", "Public", name)
    os.makedirs(folder)
    # Programs get TEMP and TMP from here. (cmd's echo would show the name as
    # ????, so the probe's trace in the folder shows that it was used.)
    for variable in ("TEMP", "TMP"):
        reg_set(wine, r"HKCU\Environment", variable, "C:\\users\\Public\\" + name)
    log = install_browser(wine, programs.browser, "browser-cyrillic")
    drowsel = start_alone(wine, drowsel_exe, driver)
    before = os.stat(folder).st_mtime_ns
    driver.drive("click", SITE)
    wine.wait_until(lambda: harness.read_log(log), 15, what="the browser to log its command line")
    check(harness.read_log(log) == [ADDRESS_LINE], f"browser log {harness.read_log(log)}")
    check(os.stat(folder).st_mtime_ns != before, "no probe was made in the folder")
    check(not os.listdir(folder), f"left in the temporary folder: {os.listdir(folder)}")
    driver.drive("close")
    driver.wait_ended_well(drowsel, "close")


# -- a second copy -----------------------------------------------------------------

def test_a_second_copy_brings_the_first_forward(wine, chat, driver, drowsel, drowsel_exe):
    driver.drive("post", hex(WM_SYSCOMMAND), hex(SC_MINIMIZE), "0")
    wine.wait_until(lambda: driver.find()["iconic"] == "1", 5, what="the window to minimise")
    second = wine.start(drowsel_exe)
    code = wine.wait_exit(second, 20)
    check(code == 0, f"the second copy ended with {exit_text(code)}")
    window = driver.find()
    check(window["iconic"] == "0" and window["visible"] == "1" and window["foreground"] == "1",
          f"the first copy's window was not brought forward: {window}")
    check(drowsel.poll() is None, f"the first copy ended with {exit_text(drowsel.returncode)}")
    chat.stays_quiet(2, 2.0)
    driver.drive("close")
    driver.wait_ended_well(drowsel, "close")
    # Once the first has gone, a new copy runs as the first did.
    again = wine.start(drowsel_exe)
    chat.wait_posted(4, 20, "the greeting of a copy started afterwards")
    driver.wait_visible(again, 15)
    driver.drive("close")
    driver.wait_ended_well(again, "close")


# -- timer messages that another program posts ----------------------------------------

def test_forged_ticks_count_no_minute(chat, driver, drowsel):
    driver.drive("click", START)
    driver.wait_state(running=True)
    chat.wait_posted(4, 10, "Start's lines")
    forged = []
    for timer in range(17):
        forged += (["then"] if forged else []) + ["post", hex(WM_TIMER), hex(timer), "0"]
    driver.drive(*forged)
    chat.stays_quiet(4, 2.0)  # a tick that counted would post its banner at once
    driver.drive("click", STOP)
    driver.wait_state(running=False)
    expect_lines(chat.wait_posted(6, 10, "Stop's lines")[4:],
                 [STOPPED, total_idle_line("  0")], "Stop")
    driver.drive("close")
    driver.wait_ended_well(drowsel, "close")
