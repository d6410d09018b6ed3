"""drowsel.exe at 100 %, 125 %, 150 % and 200 % display scaling under Wine: the
window and its controls scale from the layout's twips, every caption fits its
control at its 96 dpi size times the scale, and the window lies on the
screen's work area.

LogPixels is set before drowsel.exe starts, each DPI but 96 in a prefix of
its own. With DROWSEL_E2E_SHOTS set to a directory, the screen at each DPI is
saved there as dpi-N.png.
"""

import collections
import os

import pytest

from drowsel_e2e.driver import Driver, box
from drowsel_e2e.layout import CLIENT, RECTS, px, rect as scaled
from drowsel_e2e.wine_prefix import set_dpi
from harness import Failure, check

DPIS = (120, 144, 192)  # measured against 96 dpi

# A caption's height and width at a DPI may differ from its 96 dpi size times
# the scale by this fraction plus a pixel: fonts come in whole pixels, and the
# glyphs of a larger size are not exact enlargements. A font scaled for the
# DPI twice over is too large by the scale once more (1.25 to 2 times).
HEIGHT_SLACK = 0.15
WIDTH_SLACK = 0.25


def caption_box(grab, rect):
    """Where a control's caption is drawn: (x, y, width, height) relative to the
    control's rectangle (x, y, width, height on the screen), or None.

    It looks inside the control's one-pixel frame, as far as it is on the
    screen. The commonest colour there is the background and the pixels far
    from it are the text, except the light ones (the reason box's caret) and
    whole rows or columns (lines of the frame drawn further in)."""
    screen_width, screen_height, pixels = grab
    x0, y0, width, height = rect
    inner = [(x, y) for y in range(max(y0 + 1, 0), min(y0 + height - 1, screen_height))
             for x in range(max(x0 + 1, 0), min(x0 + width - 1, screen_width))]
    if not inner:
        return None

    def colour(x, y):
        at = (y * screen_width + x) * 3
        return pixels[at:at + 3]

    background = collections.Counter(colour(x, y) for x, y in inner).most_common(1)[0][0]
    ink = {(x, y) for x, y in inner
           if max(abs(a - b) for a, b in zip(colour(x, y), background)) > 48
           and colour(x, y)[1] < 0xC0}
    rows = collections.Counter(y for _, y in ink)
    columns = collections.Counter(x for x, _ in ink)
    text = [(x, y) for x, y in ink
            if rows[y] < 0.8 * (width - 2) and columns[x] < 0.8 * (height - 2)]
    if not text:
        return None
    xs, ys = [x for x, _ in text], [y for _, y in text]
    return min(xs) - x0, min(ys) - y0, max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def look_at(s, driver, exe, dpi):
    """drowsel.exe started at `dpi`: (find's record, {name: child}, {name: caption box})."""
    if dpi != 96:
        set_dpi(s, dpi)
    proc = s.start(exe)
    driver.wait_visible(proc, 20)
    check(proc.poll() is None, f"drowsel exited at start with {proc.returncode}")
    window = driver.find()
    children = {c["name"]: c for c in driver.controls()[0]}
    client = box(window["client"])
    on_screen = {i: (client[0] + c["rect"][0], client[1] + c["rect"][1], *c["rect"][2:])
                 for i, c in children.items()}
    captions, seen = {}, []

    # The controls paint themselves a moment after the window shows: measure
    # until two looks in a row agree and every caption is there.
    def settled():
        grab = s.grab()
        captions.update({i: caption_box(grab, rect) for i, rect in on_screen.items()})
        seen.append(dict(captions))
        return all(captions.values()) and len(seen) > 1 and seen[-2] == seen[-1]

    try:
        s.wait_until(settled, 5, interval=0.2, what="every caption to be drawn")
    except Failure:
        pass  # the checks below say which caption is missing
    shots = os.environ.get("DROWSEL_E2E_SHOTS")
    if shots:
        s.screenshot(os.path.join(shots, f"dpi-{dpi}.png"))
    driver.drive("close")
    check(s.wait_exit(proc, 15) == 0, f"drowsel exited with {proc.returncode}")
    return window, children, captions


def problems_at(dpi, window, children, captions, reference):
    """What is wrong at `dpi`, as lines of text; prints what was measured."""
    problems = []
    client, work = box(window["client"]), box(window["work"])
    outer = box(window["window"])
    width, height = px(CLIENT[2], dpi), px(CLIENT[3], dpi)
    # The design placement, moved just enough to keep the window on the work area.
    want_x = max(work[0], min(px(CLIENT[0], dpi), work[0] + work[2] - width))
    want_y = max(work[1], min(px(CLIENT[1], dpi), work[1] + work[3] - height))
    print(f"  {dpi} dpi: client {client}, work area {work}")
    if client != (want_x, want_y, width, height):
        problems.append(f"client area {client}, expected {(want_x, want_y, width, height)}")
    if not (outer[0] >= work[0] and outer[1] >= work[1]
            and outer[0] + outer[2] <= work[0] + work[2]
            and outer[1] + outer[3] <= work[1] + work[3]):
        problems.append(f"window {outer} is not all on the work area {work}")

    scale = dpi / 96
    for control, twips in RECTS.items():
        child = children[control]
        name, rect = repr(child["text"]), child["rect"]
        want = scaled(twips, dpi)
        if rect != want:
            problems.append(f"{name} at {rect}, expected {want}")
        text = captions[control]
        print(f"    {name:21} control {rect[2]:3} x {rect[3]:2}, caption "
              + (f"{text[2]:3} x {text[3]:2} at ({text[0]}, {text[1]})" if text else "not seen"))
        if text is None:
            problems.append(f"{name}: no caption seen")
            continue
        # Inside the frame with a pixel to spare: text cut by the control ends at its edge.
        if text[0] + text[2] > rect[2] - 2 or text[1] + text[3] > rect[3] - 2:
            problems.append(f"{name}: caption {text[2]} x {text[3]} at ({text[0]}, {text[1]}) "
                            f"reaches the edge of its {rect[2]} x {rect[3]} control")
        base = reference.get(control)
        if base is None:
            continue
        for what, got, at_96, slack in (("height", text[3], base[3], HEIGHT_SLACK),
                                        ("width", text[2], base[2], WIDTH_SLACK)):
            if abs(got - at_96 * scale) > at_96 * scale * slack + 1:
                problems.append(f"{name}: caption {what} {got} px, {at_96} px at 96 dpi "
                                f"times {scale:g} is {at_96 * scale:g}")
    return problems

def expect_scaled(s, dpi, measured, reference):
    problems = problems_at(dpi, *measured, reference)
    for problem in problems:
        s.note(f"FAIL at {dpi} dpi: {problem}")
    check(not problems, f"{len(problems)} problems at {dpi} dpi: {'; '.join(problems)}")


@pytest.fixture(scope="module")
def at_96(file_wine, programs):
    """What drowsel.exe looks like at 96 dpi, the prefix's own."""
    return look_at(file_wine, Driver.of(file_wine, programs.driver), programs.path("drowsel"), 96)


def test_scaling_at_96_dpi(wine, at_96):
    expect_scaled(wine, 96, at_96, {})


@pytest.mark.fresh_prefix
@pytest.mark.parametrize("dpi", DPIS)
def test_scaling(wine, driver, programs, at_96, dpi):
    reference = {i: c for i, c in at_96[2].items() if c}
    expect_scaled(wine, dpi, look_at(wine, driver, programs.path("drowsel"), dpi), reference)
