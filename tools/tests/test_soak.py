"""Tests of the soak run's checking and arithmetic (tools/soak_chat.py,
tools/soak_figures.py) on logs and samples made up here. No Wine needed."""

import pytest
import soak_figures as figures
from drowsel_e2e.chat import ClientLog
from soak_chat import ChatLog, LineCheck, TickCount

BANNER, REASON = "aa", "bb"


def idle(n):
    return f"cc{n:02x}"


class Room:
    """A chat client's log written here, and the soak run's check reading it."""

    def __init__(self, path):
        self.path = path
        self.log = ChatLog()
        self.log.follow(ClientLog(str(path)))
        self.check = LineCheck(self.log, poll=0.001)
        self.write("READY\n")

    def write(self, text):
        with open(self.path, "a", encoding="latin-1") as f:
            f.write(text)

    def post(self, *lines, room="Lobby"):
        self.write("".join(f"{room} WM_CHAR 13\n{room} POSTED {h}\n" for h in lines))

    def tick(self, n, room="Lobby"):
        return self.check.expect([(room, BANNER), (room, REASON), (room, idle(n))], 0.01,
                                 f"tick {n}")


@pytest.fixture
def chat(tmp_path):
    return Room(tmp_path / "chat.log")


def test_ticks_in_order_pass_and_give_their_times(chat):
    chat.post(BANNER, REASON, idle(1), BANNER, REASON, idle(2))
    assert len(chat.tick(1)) == 3
    assert chat.tick(2) is not None
    chat.check.expect_none(0, "after")
    assert chat.check.violations == []


def test_a_doubled_tick_is_caught_by_whatever_comes_next(chat):
    chat.post(BANNER, REASON, idle(1), BANNER, REASON, idle(1))
    chat.tick(1)
    chat.check.expect_none(0, "between ticks")
    assert len(chat.check.violations) == 1
    assert "unexpected" in chat.check.violations[0]


def test_a_wrong_number_a_wrong_room_and_a_missing_line_are_violations(chat):
    chat.post(BANNER, REASON, idle(3))
    assert chat.tick(2) is None
    chat.post(BANNER, REASON, idle(4), room="Side")
    assert chat.tick(4) is None
    chat.post(BANNER, REASON)
    assert chat.tick(5) is None
    assert len(chat.check.violations) == 3
    assert "2 of 3 lines" in chat.check.violations[2]


def test_a_line_still_being_written_waits_and_events_are_counted(chat):
    chat.write("Lobby POSTED aa")
    assert chat.check.expect([("Lobby", "aa")], 0.01, "half a line") is None
    chat.check.violations.clear()
    chat.write("bb\nSTALL 3000\n")
    assert chat.check.expect([("Lobby", "aabb")], 0.01, "the whole line") is not None
    assert chat.log.stalled()
    chat.write("ANSWERING\nEXIT\nREADY\n")
    assert not chat.log.stalled()
    assert (chat.log.count("READY"), chat.log.count("EXIT")) == (2, 1)


def test_missed_ticks_and_a_new_start():
    ticks = TickCount()
    ticks.started(100.0)
    assert (ticks.due(), ticks.label()) == (160.0, "  0")
    assert ticks.seen(160.25) == pytest.approx(0.25)
    ticks.missed()
    assert (ticks.count, ticks.due()) == (2, 280.0)
    # Against the last tick seen, two minutes on.
    assert ticks.seen(280.0) == pytest.approx(-0.25)
    assert ticks.label() == "3"
    ticks.started(300.0)
    assert (ticks.count, ticks.due()) == (0, 360.0)
    assert ticks.seen(360.5) == pytest.approx(0.5)


def sample(minute, working_set, gdi=None, cycle=None):
    return {"minute": minute, "cycle": round(minute) if cycle is None else cycle,
            "working_set": working_set, "private": 1 << 20, "handles": 40, "gdi": gdi,
            "user": None, "threads": 1, "temp_files": 0}


def test_growth_leaves_out_the_first_stretch_and_unreported_figures():
    # A jump while warming up, then 1 MiB every ten minutes.
    samples = [sample(0, 0), sample(5, 50 << 20)]
    samples += [sample(m, (50 << 20) + (m - 10) * (1 << 20) // 10) for m in range(10, 61, 10)]
    assert figures.growth_per_hour(samples, "working_set") == pytest.approx(6 << 20, abs=1)
    assert figures.growth_per_hour(samples, "handles") == 0
    assert figures.growth_per_hour(samples, "gdi") is None


def test_table_rows_end_each_stretch_of_ticks():
    # Samples follow their ticks, later and later by the clock.
    samples = [sample(0, 0, cycle=0)] + [sample(c * 1.01 + 0.1, c << 20, cycle=c)
                                         for c in (4, 10, 12, 20, 21)]
    rows = figures.stretch_ends(samples)
    assert [(label, s["cycle"]) for label, s in rows] == [
        ("start", 0), ("0–10 min", 10), ("10–20 min", 20), ("20–21 min", 21)]
    text = figures.table(samples, tick_cycles=[1, 2, 15, 21])
    assert "| 10–20 min | 20.00 MiB | 1.00 MiB | 40 | not reported |" in text
    assert "| Growth per hour (fit from minute 10) |" in text.splitlines()[-1]
    assert [row.split(" | ")[-1] for row in text.splitlines()[2:]] == [
        "— |", "2 |", "1 |", "1 |", "4 in all |"]


def test_a_run_without_ticks_shows_the_clock_and_no_growth():
    text = figures.table([sample(0, 0, cycle=0), sample(0.44, 1 << 20, cycle=0)])
    assert "| 0–0.4 min |" in text
    assert "not fitted" in text.splitlines()[-1]
