#!/usr/bin/env python3
"""Checks that Windows programs load on the oldest Windows the product supports.

Lists every DLL and function each program imports (as `objdump -p` reads the
import tables) and fails, naming each one, when a program imports a function
that the allowlist does not hold, or asks for a newer subsystem version than
the allowlist allows.  A function missing from a DLL makes the loader refuse
the whole program before it runs a single instruction, so one such import is
enough to lose a Windows version.

With --known-dlls it also fails on a static import of a DLL that is not one of
Windows' known DLLs: the loader looks for such a DLL in the program's folder
first, so a file of that name planted beside the program runs in its place.

    check_imports.py --objdump OBJDUMP --allowlist FILE [--known-dlls FILE] PROGRAM...

Exit code 0 when every program is within the allowlist, 1 when one is not,
2 when a program cannot be read.
"""
import argparse
import re
import subprocess
import sys


def read_allowlist(path):
    """The allowlist: `[dll]` sections of function names, `subsystem M.N`."""
    allowed = {}
    subsystem = None
    section = None
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            if line.startswith("[") and line.endswith("]"):
                section = allowed.setdefault(line[1:-1].lower(), set())
            elif line.startswith("subsystem "):
                subsystem = tuple(int(part) for part in line.split()[1].split("."))
            elif section is None:
                sys.exit(f"{path}:{number}: function outside a [dll] section")
            else:
                section.add(line)
    return allowed, subsystem


def read_known_dlls(path):
    """The known DLLs: one file name a line, compared without regard to case."""
    with open(path, encoding="utf-8") as lines:
        return {line.split("#", 1)[0].strip().lower() for line in lines} - {""}


def read_imports(objdump, program):
    """(dll, function) pairs in table order, and the subsystem version."""
    result = subprocess.run([objdump, "-p", program], capture_output=True, text=True)
    if result.returncode != 0:
        print(f"{program}: {objdump} failed: {result.stderr.strip()}", file=sys.stderr)
        sys.exit(2)
    imports = []
    version = {}
    dll = None
    for line in result.stdout.splitlines():
        field = re.match(r"(Major|Minor)SubsystemVersion\s+(\d+)", line)
        if field:
            version[field.group(1)] = int(field.group(2))
            continue
        name = re.match(r"\s*DLL Name: (\S+)", line)
        if name:
            dll = name.group(1)
            continue
        if dll is None:
            continue
        if not line.strip():
            dll = None
            continue
        # "<vma> <hint or ordinal> [<name>]"; an import by ordinal has no name.
        member = re.match(r"\s*[0-9a-fA-F]+\s+(\d+)(?:\s+(\S+))?\s*$", line)
        if member:
            imports.append((dll, member.group(2) or "#" + member.group(1)))
    if "Major" not in version or "Minor" not in version:
        print(f"{program}: no subsystem version in the headers", file=sys.stderr)
        sys.exit(2)
    return imports, (version["Major"], version["Minor"])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--allowlist", required=True)
    parser.add_argument("--known-dlls")
    parser.add_argument("programs", nargs="+")
    arguments = parser.parse_args()

    allowed, subsystem = read_allowlist(arguments.allowlist)
    known = read_known_dlls(arguments.known_dlls) if arguments.known_dlls else None
    refused = 0
    for program in arguments.programs:
        imports, version = read_imports(arguments.objdump, program)
        print(f"{program}: subsystem version {version[0]}.{version[1]}, {len(imports)} imports")
        if subsystem is not None and version > subsystem:
            print(f"  REFUSED subsystem version {version[0]}.{version[1]} above "
                  f"{subsystem[0]}.{subsystem[1]}")
            refused += 1
        current = None
        for dll, function in imports:
            if dll != current:
                print(f"  {dll}")
                current = dll
                if known is not None and dll.lower() not in known:
                    print(f"  <- REFUSED: not a known DLL, a copy beside the program would be loaded: {dll}")
                    refused += 1
            if function in allowed.get(dll.lower(), ()):
                print(f"    {function}")
            else:
                print(f"    {function}    <- REFUSED: not on the supported Windows: {dll} {function}")
                refused += 1
    if refused:
        print(f"{refused} import(s) refused: check a function against the oldest supported Windows "
              f"and look it up at run time, or add it to {arguments.allowlist} once checked; load a "
              "DLL that is not a known DLL at run time by its full path in the system directory")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
