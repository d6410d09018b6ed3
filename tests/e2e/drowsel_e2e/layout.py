"""Drowsel's window as it is laid out, typed out here by hand: the client
area's design placement and every control's rectangle, in twips, and the
controls' captions at rest, by which the tests know them."""

TEXT1, START, STOP, ADV, SITE, EXIT, LABEL1, LABEL2 = (
    "Reason idle......", "Start", "Stop", "Adv.", "Site", "Exit", "  0", "Mins")

# The client area: (x, y, width, height) in twips.
CLIENT = (5955, 105, 3135, 1455)
# (class, caption, rectangle in the client area in twips), in Z order, which
# is the tab order.
CONTROLS = [
    ("edit", TEXT1, (1440, 1200, 1695, 255)),
    ("button", START, (2640, 0, 495, 255)),
    ("button", STOP, (2640, 240, 495, 255)),
    ("button", ADV, (2640, 480, 495, 255)),
    ("button", SITE, (2640, 720, 495, 255)),
    ("button", EXIT, (2640, 960, 495, 255)),
    ("static", LABEL1, (0, 1200, 375, 255)),
    ("static", LABEL2, (360, 1200, 375, 255)),
]


def px(twips, dpi=96):
    return (twips * dpi + 720) // 1440


def rect(twips, dpi=96):
    return tuple(px(t, dpi) for t in twips)


RECTS = {caption: box for _, caption, box in CONTROLS}
# Where the client area opens at 96 DPI: (x, y, width, height).
CLIENT_AT = rect(CLIENT)
# The picture's part of the client area at 96 DPI: left of the buttons and
# above the bottom strip.
PICTURE = (0, 0, px(RECTS[START][0]), px(RECTS[TEXT1][1]))
