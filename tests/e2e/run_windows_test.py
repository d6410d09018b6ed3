#!/usr/bin/env python3
"""Runs a Windows test program under Wine on a display and prefix of its own.

    run_windows_test.py PROGRAM.exe [ARGS...]

Exits with the program's exit code (1 if it does not end within the limit).
"""

import sys

import harness


def main():
    program, args = sys.argv[1], sys.argv[2:]

    def body(session):
        proc = session.start(program, *args)
        code = session.wait_exit(proc, 240)
        sys.stdout.write(session.output(proc))
        return code

    harness.main("windows-test", body, time_limit=300)


if __name__ == "__main__":
    main()
