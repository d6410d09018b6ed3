#!/usr/bin/env python3
"""Checks that a drowsel.exe loads on the oldest Windows of its build.

Reads the program's import table and header with objdump. Fails, naming it,
on any library or function that tests/imports/windows_imports.txt does not
list, on any that the list says came after the build's floor, and on a header
whose operating system or subsystem version is above the floor. The floor
follows from the machine type: Windows XP (5.1) for the 32-bit program,
Windows XP x64 (5.2) for the 64-bit one.

Usage: check_imports.py [--objdump PROGRAM] [--list FILE] EXE...
"""
import argparse
import pathlib
import re
import subprocess
import sys

FLOORS = {"pei-i386": ((5, 1), "Windows XP"), "pei-x86-64": ((5, 2), "Windows XP x64")}
HERE = pathlib.Path(__file__).resolve().parent


def version(text):
    major, minor = text.split(".")
    return int(major), int(minor)


def read_list(path):
    """{(library, function or "-"): oldest version}; library names in lower case."""
    known = {}
    for number, line in enumerate(path.read_text().splitlines(), 1):
        line = line.split("|", 1)[0].split("#", 1)[0].strip()
        if not line:
            continue
        fields = line.split()
        if len(fields) != 4 or not re.fullmatch(r"\d+\.\d+", fields[2]):
            raise SystemExit(f"{path}:{number}: want library, function, version, page")
        known[(fields[0].lower(), fields[1])] = version(fields[2])
    return known


def read_exe(objdump, exe):
    """(file format, {header field: value}, {library: [functions]})."""
    dump = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    form = re.search(r"file format (\S+)", dump)
    header = dict(re.findall(r"^(Major\w+|Minor\w+)\s+(\d+)", dump, re.M))
    imports, library = {}, None
    for line in dump.splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            library = named.group(1).lower()
            imports[library] = []
        elif library and re.match(r"\s*vma:", line):
            continue
        elif library and (entry := re.match(r"\s*[0-9a-f]+\s+(\d+)\s+(\S+)", line)):
            imports[library].append(entry.group(2))
        elif library and re.match(r"\s*[0-9a-f]+\s+<none>\s+([0-9a-f]+)", line):
            imports[library].append("ordinal " + line.split()[-1])
        elif not line.strip():
            library = None if library and imports[library] else library
    return (form.group(1) if form else "?"), header, imports


def check(objdump, known, exe):
    form, header, imports = read_exe(objdump, exe)
    if form not in FLOORS:
        return [f"{exe}: not a Windows program of a known machine ({form})"]
    floor, floor_name = FLOORS[form]
    faults = []
    for field in ("OSystem", "Subsystem"):
        found = (int(header.get(f"Major{field}Version", 99)),
                 int(header.get(f"Minor{field}Version", 99)))
        if found > floor:
            faults.append(f"{exe}: header {field} version {found[0]}.{found[1]} is newer than "
                          f"{floor_name}")
    count = 0
    for library, functions in sorted(imports.items()):
        for name in ["-"] + functions:
            count += name != "-"
            what = library if name == "-" else f"{library} {name}"
            oldest = known.get((library, name))
            if oldest is None:
                faults.append(f"{exe}: imports {what}, which the list does not have")
            elif oldest > floor:
                faults.append(f"{exe}: imports {what}, which needs Windows "
                              f"{oldest[0]}.{oldest[1]}, newer than {floor_name}")
    if not faults:
        print(f"{exe}: {form}, {len(imports)} libraries and {count} functions, none newer than "
              f"{floor_name}; header versions {header.get('MajorOSystemVersion')}."
              f"{header.get('MinorOSystemVersion')} (system) and "
              f"{header.get('MajorSubsystemVersion')}.{header.get('MinorSubsystemVersion')}"
              f" (subsystem)")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    parser.add_argument("--list", type=pathlib.Path, default=HERE / "windows_imports.txt")
    parser.add_argument("exe", nargs="+")
    args = parser.parse_args()
    known = read_list(args.list)
    faults = [fault for exe in args.exe for fault in check(args.objdump, known, exe)]
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
