"""Formatting that the benchmark's and the soak run's tables share."""


def fmt_seconds(s):
    """A duration to about three significant figures, in the unit that suits it."""
    unit, scale = ("s", 1.0) if abs(s) >= 1 else ("ms", 1e-3) if abs(s) >= 1e-3 else ("µs", 1e-6)
    value = s / scale
    digits = 0 if abs(value) >= 100 else 1 if abs(value) >= 10 else 2
    return f"{value:.{digits}f} {unit}"


def markdown_table(headings, rows):
    """The headings and the rows of cells as a Markdown table."""
    lines = ["| " + " | ".join(cells) + " |" for cells in [headings, *rows]]
    lines.insert(1, "|" + "---|" * len(headings))
    return "\n".join(lines)
