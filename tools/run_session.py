#!/usr/bin/env python3
"""Runs Drowsel beside the stand-in chat client under Wine.

On a desktop (DISPLAY set and answering) both programs open side by side in a
Wine prefix of their own under build/; close Drowsel to end.

Without a display it starts Xvfb and drives a short session: the greeting, a
reason, Start, Adv., Stop and Exit. It prints the chat room's transcript and
saves a screenshot of the window; --dpi sets the session's display scaling
(96 is 100 %, 144 is 150 %).
"""

import argparse
import os
import subprocess
import sys
import time

from build_tree import DRIVER, DROWSEL, ROOT, STANDIN

import harness
from drowsel_e2e.chat import ChatClient, ClientLog
from drowsel_e2e.driver import TEXT1, Driver
from drowsel_e2e.drowsel import start_beside
from drowsel_e2e.wine_prefix import set_dpi


def transcript(log):
    """The lines that reached the room, as the room shows them."""
    return [bytes.fromhex(h).decode("cp1252") for _, _, h in log.posted()]


def window_screenshot(session, driver, png_path):
    """Saves Drowsel's window alone as a PNG."""
    x, y, width, height = driver.find()["window"].split(",")
    whole = session.path("screen.png")
    harness.check(session.screenshot(whole), "no screenshot")
    subprocess.run(["convert", whole, "-crop", f"{width}x{height}+{x}+{y}", "+repage", png_path],
                   check=True, timeout=30)


def headless(screenshot, reason, dpi):
    with harness.Session("run", time_limit=240) as s:
        if dpi != 96:
            set_dpi(s, dpi)
        chat = ChatClient(s, STANDIN, "chat", "--room", "Lobby")
        driver = Driver(s, DRIVER)
        drowsel = start_beside(s, DROWSEL, chat, driver)

        driver.drive("set-text", TEXT1, reason)  # found by its caption
        window_screenshot(s, driver, screenshot)
        for caption, lines_after in [("Start", 4), ("Adv.", 7), ("Stop", 9)]:
            driver.drive("click", caption)
            chat.wait_posted(lines_after, 30, f"the lines of {caption}")
        driver.drive("click", "Exit")
        code = s.wait_exit(drowsel, 30)

        print("\nThe chat room saw:")
        for line in transcript(chat.reader):
            print("  " + line)
        print(f"\nDrowsel exited with code {code}; screenshot: {os.path.abspath(screenshot)}")
        return 0 if code == 0 else 1


def desktop():
    prefix = os.path.join(ROOT, "build", "wine-prefix")
    env = dict(os.environ, **harness.WINE_LOCALE, WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if not os.path.isdir(prefix):
        print("Making a Wine prefix in build/wine-prefix (once, about 10 s)...")
        subprocess.run(["wineboot", "-i"], env=env, check=True, timeout=300)
    log = os.path.join(ROOT, "build", "chat.log")
    standin = subprocess.Popen([harness.loader_for(STANDIN), STANDIN,
                                "--log", harness.winpath(log), "--room", "Lobby"], env=env)
    try:
        time.sleep(1.0)  # let the chat client's windows exist before the greeting
        code = subprocess.run([harness.loader_for(DROWSEL), DROWSEL], env=env).returncode
    finally:
        standin.terminate()
        try:
            standin.wait(10)
        except subprocess.TimeoutExpired:
            standin.kill()
    print("The chat room saw:")
    for line in transcript(ClientLog(log)):
        print("  " + line)
    return code


def display_answers():
    if not os.environ.get("DISPLAY"):
        return False
    try:
        return subprocess.run(["xdotool", "getdisplaygeometry"], timeout=10,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--headless", action="store_true",
                        help="drive a short session under Xvfb even when a display is there")
    parser.add_argument("--screenshot", default="drowsel-screenshot.png")
    parser.add_argument("--reason", default="Making coffee")
    parser.add_argument("--dpi", type=int, default=96,
                        help="display scaling of the headless session in dots per inch")
    args = parser.parse_args()
    if args.headless or not display_answers():
        try:
            return headless(args.screenshot, args.reason, args.dpi)
        except (harness.Failure, harness.Aborted) as e:
            print(f"FAIL: {e}", file=sys.stderr)
            return 1
    return desktop()


if __name__ == "__main__":
    sys.exit(main())
