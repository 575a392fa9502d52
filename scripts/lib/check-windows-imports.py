#!/usr/bin/env python3
"""Lists every function the Windows files of a folder import from DLLs and judges them against
the minimum Windows: each imported DLL must be shipped in the folder or be one that Windows has
(a "dll" line of the rules), and no imported function may be one the rules list as "absent" from
that Windows. Reads the import tables with the mingw-w64 objdump.

Usage: check-windows-imports.py FOLDER RULES [LISTING]
LISTING, if given, receives every imported system function, one "file dll function" a line.
Prints a summary and one line per fault; exits with 1 when there is any."""
import os
import re
import subprocess
import sys

OBJDUMP = os.environ.get('OBJDUMP', 'x86_64-w64-mingw32-objdump')


def read_rules(path):
    system_dlls, absent = set(), {}
    for line in open(path, encoding='utf-8'):
        words = line.split('#', 1)[0].split()
        if words[:1] == ['dll'] and len(words) == 2:
            system_dlls.add(words[1].lower())
        elif words[:1] == ['absent'] and len(words) == 3:
            absent.setdefault(words[1].lower(), set()).add(words[2])
        elif words:
            raise SystemExit(f'{path}: cannot read "{line.strip()}"')
    return system_dlls, absent


def imports(path):
    """{dll: [function or #ordinal]} of one PE file, from objdump's import tables."""
    text = subprocess.run([OBJDUMP, '-p', path], check=True, capture_output=True, text=True).stdout
    table, dll = {}, None
    for line in text.splitlines():
        name = re.match(r'\s*DLL Name: (\S+)', line)
        if name:
            dll = name.group(1)
            table.setdefault(dll, [])
            continue
        entry = re.match(r'\s+[0-9a-f]+\s+(\d+)\s+(\S+)', line) if dll else None
        if entry:
            table[dll].append(entry.group(2))
        elif dll and not line.strip():
            dll = None
    return table


def main(folder, rules, listing=None):
    system_dlls, absent = read_rules(rules)
    files = sorted(os.path.relpath(os.path.join(top, name), folder)
                   for top, _, names in os.walk(folder) for name in names
                   if name.lower().endswith(('.exe', '.dll')))
    # Windows finds a DLL in the program's own folder; plugins in subfolders are loaded by path.
    shipped = {os.path.basename(name).lower() for name in files}
    faults, listed, per_dll = [], [], {}
    for name in files:
        for dll, functions in imports(os.path.join(folder, name)).items():
            key = dll.lower()
            if key in shipped:
                continue
            if key not in system_dlls:
                faults.append(f'{name} imports {dll}, which is neither shipped nor part of the minimum Windows')
                continue
            for function in functions:
                listed.append(f'{name} {dll} {function}')
                per_dll.setdefault(key, set()).add(function)
                if function in absent.get(key, ()):
                    faults.append(f'{name} imports {dll} {function}, which the minimum Windows lacks')
    if listing:
        with open(listing, 'w', encoding='utf-8') as out:
            out.write('\n'.join(listed) + '\n')
    summary = ', '.join(f'{dll} {len(functions)}' for dll, functions in sorted(per_dll.items()))
    print(f'windows imports: {len(files)} files import {sum(map(len, per_dll.values()))} distinct functions '
          f'from {len(per_dll)} Windows DLLs ({summary})')
    for fault in faults:
        print(f'FAIL: {fault}')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
