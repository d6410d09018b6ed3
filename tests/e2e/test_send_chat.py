"""SendChat end to end: drowsel-post.exe posting into standin-aol.exe under Wine.

What crosses between the two processes, and so may differ when one is a
32-bit program and the other a 64-bit one (the bytes of the lines, the draft
read back, the timeout on a hung input), is checked for every pairing of
bitness; the rest with the 64-bit programs.
"""

import time

import pytest

import harness
from drowsel_e2e.lines import EXPECTED, name_of
from harness import check

DRAFT = "hello"
RICH = ("richedit", "richedit-unicode")  # the stand-in's rich-edit inputs (--input)


def post(s, exe, *entries, timeout=30):
    """Runs drowsel-post; returns (exit code, [(entry, ms)], wall seconds)."""
    return posted(s, time.monotonic(), s.start(exe, *entries), entries, timeout)


def posted(s, t, proc, entries, timeout=30):
    """post's answer for a drowsel-post started at t."""
    try:
        code = s.wait_exit(proc, max(0.1, t + timeout - time.monotonic()))
    except harness.Failure:
        raise harness.Failure(f"drowsel-post still running after {timeout} s, having printed "
                              f"{s.output(proc).splitlines()}") from None
    wall = time.monotonic() - t
    timings = []
    for line in s.output(proc).splitlines():
        name, _, ms = line.rpartition(" ")
        check(ms.isdigit(), f"drowsel-post printed {line!r}")
        timings.append((name, int(ms)))
    s.note(f"drowsel-post exit {code} after {wall:.1f} s: "
           + ", ".join(f"{n} {ms} ms" for n, ms in timings))
    check([n.split("=")[0] for n, _ in timings] == [e.split("=")[0] for e in entries],
          f"drowsel-post reported {[n for n, _ in timings]} for {list(entries)}")
    return code, timings, wall


def payloads(evs, room, what):
    return [arg for who, w, arg in evs if who == room and w == what]


def show(evs):
    for who, what, arg in evs:
        print("   ", who, what, name_of(arg) if what in ("POSTED", "WM_SETTEXT") else arg)


@pytest.fixture
def sender(wine, programs):
    """post(*entries) with the 64-bit drowsel-post in the test's session."""
    return lambda *entries: post(wine, programs.path("post"), *entries)


# -- checks ----------------------------------------------------------------------

def test_no_client_running(sender):
    code, timings, wall = sender("MsgLoaded", "MsgReason=Lunch", "MsgStopped")
    check(code == 0, f"drowsel-post exit code {code} (0x{code:x}) with no client running")
    check(all(ms < 1000 for _, ms in timings), f"slow with nothing to find: {timings}")
    check(wall < 15, f"drowsel-post took {wall:.1f} s to end")


def every_line_arrives_byte_exact(wine, client, post_exe):
    code, _, _ = post(wine, post_exe, *EXPECTED)
    evs = client.entries()
    check(code == 0, f"drowsel-post exit code {code}")
    sent = payloads(evs, "Lobby", "WM_SETTEXT")
    posted = payloads(evs, "Lobby", "POSTED")
    for i, entry in enumerate(EXPECTED):
        got = posted[i] if i < len(posted) else "(nothing)"
        print(f"    {entry:18} {'ok' if got == EXPECTED[entry] else 'WRONG: ' + got}")
    check(posted == list(EXPECTED.values()), "posted lines differ from the catalogue's bytes")
    # Nothing but the lines themselves: an empty draft is not put back.
    check(sent == list(EXPECTED.values()), f"WM_SETTEXT payloads: {[name_of(h) for h in sent]}")
    chars = payloads(evs, "Lobby", "WM_CHAR")
    check(chars == ["13"] * len(EXPECTED), f"WM_CHAR codes: {chars}")


def test_every_line_arrives_byte_exact(wine, start_chat, programs, pairing):
    client_bits, sender_bits = pairing
    every_line_arrives_byte_exact(wine, start_chat("exact", bits=client_bits),
                                  programs.path("post", sender_bits))


@pytest.mark.parametrize("kind", RICH)
def test_every_line_arrives_byte_exact_in_a_rich_edit(wine, start_chat, programs, kind):
    every_line_arrives_byte_exact(wine, start_chat("exact", "--input", kind),
                                  programs.path("post"))


def test_front_document_without_input(start_chat, sender):
    client = start_chat("noinput", "--room", "Lobby", "--doc", "News", "--front", "News")
    code, timings, wall = sender("MsgLoaded", "MsgBanner")
    evs = client.entries()
    show(evs)
    check(code == 0, f"drowsel-post exit code {code}")
    touched = [e for e in evs if e[1].startswith("WM_") or e[1] == "POSTED"]
    check(not touched, f"a document without an input in front, yet the client got {touched}")
    check(all(ms < 1000 for _, ms in timings), f"slow with no input to find: {timings}")


def test_follows_the_front_document(start_chat, sender):
    client = start_chat("switch", "--room", "A", "--room", "B", "--front", "A",
                        "--switch-after", "1:B")
    code, _, _ = sender("MsgStarted", "MsgStopped")
    evs = client.entries()
    show(evs)
    check(code == 0, f"drowsel-post exit code {code}")
    check(("FRONT", "B", "") in evs, "the client never brought B to the front")
    want = {"A": ["MsgStarted"], "B": ["MsgStopped"]}
    for what in ("POSTED", "WM_SETTEXT"):
        got = {room: [name_of(h) for h in payloads(evs, room, what)] for room in "AB"}
        check(got == want, f"wanted the first line in A (in front at start) and the second "
                           f"in B; {what} went {got}")


def final_input(s, client, room="Lobby"):
    """What the user sees in the input once the sender is done: (text, start,
    end), from the client's watch of its input, once it has settled."""
    last = [None]

    def settled():
        states = payloads(client.entries(), room, "INPUT")
        if states and states[-1] == last[0]:
            return True
        last[0] = states[-1] if states else None
        return False
    s.wait_until(settled, 5, interval=0.2, what="the input to settle")
    text_hex, start, end = last[0].split(" ")
    return bytes.fromhex(text_hex).decode("utf-8"), int(start), int(end)


def draft_survives(wine, start_chat, post_exe, *options, draft=DRAFT, client_bits=64):
    """The chat client's input holds a draft (options: the stand-in's own for its input)."""
    client = start_chat("draft", *options, "--watch-input", "--draft-hex",
                        draft.encode("utf-8").hex(), bits=client_bits)
    lines = ["MsgBanner", "MsgStopped"]
    code, _, _ = post(wine, post_exe, *lines)
    text, start, end = final_input(wine, client)
    evs = [e for e in client.entries() if e[0] == "Lobby" and e[1] != "INPUT"]
    show(evs)
    posted = payloads(evs, "Lobby", "POSTED")
    print(f"    room got {[name_of(h) for h in posted]}; input holds {text!r}, "
          f"selection {start}..{end}")
    check(code == 0, f"drowsel-post exit code {code}")
    check(posted == [EXPECTED[n] for n in lines], "the draft was posted or mixed into a line")
    check(text == draft, f"the input ends with {text!r}, not the draft")
    check((start, end) == (len(draft), len(draft)),
          f"the caret came back at {start}..{end}, not after the draft ({len(draft)})")
    # Each line left the input before the draft went back into it.
    order = [(w, name_of(a)) for _, w, a in evs if w in ("WM_SETTEXT", "POSTED")]
    want = []
    for n in lines:
        want += [("WM_SETTEXT", n), ("POSTED", n), ("WM_SETTEXT", "draft")]
    check([(w, a if a in EXPECTED else "draft") for w, a in order] == want,
          f"the input saw {order}")


def test_draft_survives(wine, start_chat, programs, pairing):
    client_bits, sender_bits = pairing
    draft_survives(wine, start_chat, programs.path("post", sender_bits), client_bits=client_bits)


@pytest.mark.parametrize("kind", RICH)
def test_draft_survives_in_a_rich_edit(wine, start_chat, programs, kind):
    draft_survives(wine, start_chat, programs.path("post"), "--input", kind)


def test_draft_survives_late_enter(wine, start_chat, programs):
    draft_survives(wine, start_chat, programs.path("post"), "--late-enter", "50",
                   draft="private: do not send this")


def test_unicode_draft_survives(wine, start_chat, programs):
    draft_survives(wine, start_chat, programs.path("post"), "--input", "richedit-unicode",
                   draft="\u03b3\u03b5\u03b9\u03ac \u4e2d\u6587 ok")


# Every input kind between the 64-bit programs; the plain input in every
# pairing with a 32-bit program in it: (client bits, sender bits, input kind).
HUNG = {64: [(64, 64, kind) for kind in ("edit", *RICH)],
        32: [(32, 32, "edit"), (32, 64, "edit"), (64, 32, "edit")]}


def test_hung_client(new_wine, programs, start_chat, bits):
    # Each case hangs in a session of its own, all at once: one wait for all.
    lines = ("MsgLoaded", "MsgBanner", "MsgStopped")
    cases = []
    for client_bits, sender_bits, kind in HUNG[bits]:
        post_exe = programs.path("post", sender_bits)
        s = new_wine()
        client = start_chat("hang", "--hang", "--input", kind, bits=client_bits, wine=s)
        cases.append((f"client {client_bits}, sender {sender_bits}, {kind}", s, client,
                      time.monotonic(), s.start(post_exe, *lines)))
    failed = []
    for what, s, client, t, proc in cases:
        try:
            hung_client_gave_up(client, *posted(s, t, proc, lines))
        except harness.Failure as e:
            show(client.entries())
            failed.append(f"{what}: {e}")
    check(not failed, "; ".join(failed))


def hung_client_gave_up(client, code, timings, wall):
    evs = client.entries()
    check(code == 0, f"drowsel-post exit code {code}")
    check(("Lobby", "HUNG", "") in evs, "the client never hung, so this proved nothing")
    # Each line waits out the bound once, whatever the system thinks of the
    # client by then, and gives up.
    check(all(4500 <= ms <= 6000 for _, ms in timings),
          f"lines against a hung client took {timings} ms, not one bound each")
    check(wall < 25, f"drowsel-post took {wall:.1f} s in all")
    check(not payloads(evs, "Lobby", "POSTED"), "something was posted by a hung client")
