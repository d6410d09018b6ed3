"""Arithmetic and formatting that the benchmark's and the soak run's tables share."""


def median(values):
    ordered = sorted(values)
    n = len(ordered)
    if n == 0:
        raise ValueError("median of nothing")
    middle = n // 2
    return ordered[middle] if n % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def fmt_seconds(s):
    """A duration to about three significant figures, in the unit that suits it."""
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6)):
        if abs(s) >= scale or unit == "µs":
            value = s / scale
            digits = 0 if abs(value) >= 100 else 1 if abs(value) >= 10 else 2
            return f"{value:.{digits}f} {unit}"
    raise AssertionError("unreachable")
