"""The real mouse on the session's display, through xdotool."""

import subprocess
import time


def xdotool(s, *args):
    subprocess.run(["xdotool", *map(str, args)], env=s.env, timeout=10, check=True,
                   stdin=subprocess.DEVNULL)


def drag(s, x, y, dx, dy):
    """A real left-button press at (x, y), moved by (dx, dy) in steps, released."""
    xdotool(s, "mousemove", x, y)
    time.sleep(0.2)
    xdotool(s, "mousedown", 1)
    time.sleep(0.3)  # Wine's move loop starts from the press
    for step in range(1, 5):
        xdotool(s, "mousemove", x + dx * step // 4, y + dy * step // 4)
        time.sleep(0.1)
    time.sleep(0.2)
    xdotool(s, "mouseup", 1)
    time.sleep(0.3)
