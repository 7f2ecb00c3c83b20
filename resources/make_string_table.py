#!/usr/bin/env python3
"""Writes the resource script's STRINGTABLE from the panel's own string table
(panel_view/string_table.cc), so that every text is written down once.

  make_string_table.py <string_table.cc> <output .rc>

Entries are read as `{id, "text"},` lines. Texts go out as wide strings with
every character outside printable ASCII as a \\xNNNN escape, so the output is
plain ASCII and reads the same in any code page."""
import re
import sys

ENTRY = re.compile(r'^\s*\{(\d+),\s*"((?:[^"\\]|\\.)*)"\},?\s*$')


def read_entries(source):
    entries = []
    for number, line in enumerate(source.splitlines(), 1):
        match = ENTRY.match(line)
        if match is None:
            continue
        if "\\" in match.group(2):
            sys.exit(f"line {number}: escapes in panel texts are not supported")
        entries.append((int(match.group(1)), match.group(2)))
    return entries


def wide_literal(text):
    out = []
    for char in text:
        code = ord(char)
        if code > 0xFFFF:
            sys.exit(f"character outside the basic plane: {char!r}")
        if char == '"':
            out.append('""')
        elif 0x20 <= code < 0x7F:
            out.append(char)
        else:
            out.append(f"\\x{code:04X}")
    return 'L"' + "".join(out) + '"'


def main(source_path, output_path):
    with open(source_path, encoding="utf-8") as source:
        entries = read_entries(source.read())
    if not entries:
        sys.exit(f"{source_path}: no string table entries found")
    lines = ["// Generated from panel_view/string_table.cc by resources/make_string_table.py.",
             "STRINGTABLE", "BEGIN"]
    lines += [f"  {number}, {wide_literal(text)}" for number, text in entries]
    lines += ["END", ""]
    with open(output_path, "w", encoding="ascii") as output:
        output.write("\n".join(lines))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
