#!/usr/bin/env python3
"""Runs a Windows test program under Wine on a display and prefix of its own
(a copy of the booted one).

    run_windows_test.py PROGRAM.exe [ARGS...]

Exits with the program's exit code (1 if it does not end within the limit).
"""

import sys

import harness


def main():
    program, args = sys.argv[1], sys.argv[2:]

    code = 1
    try:
        with harness.Session("windows-test", time_limit=300, template=harness.TEMPLATE) as s:
            proc = s.start(program, *args)
            code = s.wait_exit(proc, 240)
            sys.stdout.write(s.output(proc))
    except (harness.Failure, harness.Aborted) as e:
        print(f"FAIL: {e}", file=sys.stderr)
    sys.exit(code)


if __name__ == "__main__":
    main()
