#!/usr/bin/env python3
"""SendChat end to end: drowsel-post.exe posting into standin-aol.exe under Wine.

    test_send_chat.py --post build/windows/tools/post/drowsel-post.exe \
                      --standin build/windows/tools/standin-aol/standin-aol.exe \
                      [--post32 build/windows-x86/tools/post/drowsel-post.exe \
                       --standin32 build/windows-x86/tools/standin-aol/standin-aol.exe]

With the 32-bit programs it runs the checks of what crosses between the two
processes for each pairing with a 32-bit program in it instead.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from drowsel_e2e.chat import ChatClient  # noqa: E402
from drowsel_e2e.lines import EXPECTED, name_of  # noqa: E402
from harness import check  # noqa: E402

DRAFT = "hello"

ARGS = None


# -- driving the two programs ---------------------------------------------------

def start_client(s, name, *options):
    """Starts the stand-in client with a log of its own, never one an earlier
    client wrote."""
    return ChatClient(s, ARGS.standin, f"{name}-{len(s.procs)}", *options)


def post(s, *entries, timeout=30):
    """Runs drowsel-post; returns (exit code, [(entry, ms)], wall seconds)."""
    t = time.monotonic()
    proc = s.start(ARGS.post, *entries)
    try:
        code = s.wait_exit(proc, timeout)
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


# -- checks ----------------------------------------------------------------------

def no_client_running(s):
    code, timings, wall = post(s, "MsgLoaded", "MsgReason=Lunch", "MsgStopped")
    check(code == 0, f"drowsel-post exit code {code} (0x{code:x}) with no client running")
    check(all(ms < 1000 for _, ms in timings), f"slow with nothing to find: {timings}")
    check(wall < 15, f"drowsel-post took {wall:.1f} s to end")


def every_line_arrives_byte_exact(s):
    client = start_client(s, "exact", *INPUT)
    code, _, _ = post(s, *EXPECTED)
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


def front_document_without_input(s):
    client = start_client(s, "noinput", "--room", "Lobby", "--doc", "News", "--front", "News")
    code, timings, wall = post(s, "MsgLoaded", "MsgBanner")
    evs = client.entries()
    show(evs)
    check(code == 0, f"drowsel-post exit code {code}")
    touched = [e for e in evs if e[1].startswith("WM_") or e[1] == "POSTED"]
    check(not touched, f"a document without an input in front, yet the client got {touched}")
    check(all(ms < 1000 for _, ms in timings), f"slow with no input to find: {timings}")


def follows_the_front_document(s):
    client = start_client(s, "switch", "--room", "A", "--room", "B", "--front", "A",
                       "--switch-after", "1:B")
    code, _, _ = post(s, "MsgStarted", "MsgStopped")
    evs = client.entries()
    show(evs)
    check(code == 0, f"drowsel-post exit code {code}")
    check(("FRONT", "B", "") in evs, "the client never brought B to the front")
    want = {"A": ["MsgStarted"], "B": ["MsgStopped"]}
    for what in ("POSTED", "WM_SETTEXT"):
        got = {room: [name_of(h) for h in payloads(evs, room, what)] for room in "AB"}
        check(got == want, f"wanted the first line in A (in front at start) and the second "
                           f"in B; {what} went {got}")


INPUT = ()  # the stand-in's options for its input: the plain EDIT unless a check says


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


def draft_survives(s, draft=DRAFT, late_enter=None):
    options = list(INPUT) + ["--watch-input", "--draft-hex", draft.encode("utf-8").hex()]
    if late_enter:
        options += ["--late-enter", str(late_enter)]
    client = start_client(s, "draft", *options)
    lines = ["MsgBanner", "MsgStopped"]
    code, _, _ = post(s, *lines)
    text, start, end = final_input(s, client)
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


def draft_survives_late_enter(s):
    draft_survives(s, draft="private: do not send this", late_enter=50)


def unicode_draft_survives(s):
    draft_survives(s, draft="\u03b3\u03b5\u03b9\u03ac \u4e2d\u6587 ok")


def hung_client(s):
    client = start_client(s, "hang", "--hang", *INPUT)
    try:
        code, timings, wall = post(s, "MsgLoaded", "MsgBanner", "MsgStopped", timeout=30)
    finally:
        show(client.entries())
    evs = client.entries()
    check(code == 0, f"drowsel-post exit code {code}")
    check(("Lobby", "HUNG", "") in evs, "the client never hung, so this proved nothing")
    # Each line waits out the bound once, whatever the system thinks of the
    # client by then, and gives up.
    check(all(4500 <= ms <= 6000 for _, ms in timings),
          f"lines against a hung client took {timings} ms, not one bound each")
    check(wall < 25, f"drowsel-post took {wall:.1f} s in all")
    check(not payloads(evs, "Lobby", "POSTED"), "something was posted by a hung client")


def with_input(check_fn, *options):
    """check_fn against a chat input made with these options of the stand-in."""
    def run(s):
        global INPUT
        INPUT = options
        try:
            check_fn(s)
        finally:
            INPUT = ()
    run.__name__ = f"{check_fn.__name__}_{options[-1].replace('-', '_')}"
    return run


CHECKS = [no_client_running, every_line_arrives_byte_exact, front_document_without_input,
          follows_the_front_document, draft_survives, hung_client, draft_survives_late_enter,
          *[with_input(fn, "--input", kind)
            for kind in ("richedit", "richedit-unicode")
            for fn in (every_line_arrives_byte_exact, draft_survives, hung_client)],
          with_input(unicode_draft_survives, "--input", "richedit-unicode")]

# What crosses between the two processes, and so may differ when one is a
# 32-bit program and the other a 64-bit one: the bytes of the lines, the
# draft read back, and the timeout on a hung input.
CROSSING_CHECKS = [every_line_arrives_byte_exact, draft_survives, hung_client]


def paired(check_fn, client, sender, label):
    """check_fn with this chat client and this sender."""
    def run(s):
        ARGS.standin, ARGS.post = client, sender
        check_fn(s)
    run.__name__ = f"{check_fn.__name__}_{label}"
    return run


def pairings():
    """The crossing checks for every pairing of bitness that has a 32-bit
    program in it: (client, sender) 32/32, 32/64 and 64/32."""
    pairs = [(ARGS.standin32, ARGS.post32, "client32_sender32"),
             (ARGS.standin32, ARGS.post, "client32_sender64"),
             (ARGS.standin, ARGS.post32, "client64_sender32")]
    return [paired(fn, client, sender, label)
            for client, sender, label in pairs for fn in CROSSING_CHECKS]


def main():
    global ARGS
    ARGS = harness.program_args(__doc__.splitlines()[0], ("post", "standin"),
                                optional=("post32", "standin32"))
    if bool(ARGS.post32) != bool(ARGS.standin32):
        sys.exit("FAIL: the pairings need both --post32 and --standin32")
    checks = pairings() if ARGS.post32 else CHECKS
    harness.main("send_chat", lambda s: harness.run_checks(s, checks), time_limit=300)


if __name__ == "__main__":
    main()
