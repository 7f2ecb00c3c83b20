#!/usr/bin/env python3
"""Prints a Wine prefix's registry as sorted lines, one per key and one per
value ("HKLM\\\\key" and "HKLM\\\\key<TAB>name=data"; the levels of a key
are separated by two backslashes, as in the files), so that two snapshots
diff line by line. Reads system.reg and user.reg, which the Wine server
writes when it stops. Leaves out the times of the keys and the values Wine
itself changes on every start.

    registry_snapshot.py <prefix>
"""
import sys

# Values Wine rewrites whatever the programs run do.
VOLATILE = ('"DriverDateData"=',)


def lines_of(path, root):
    out = []
    key = None
    value = ""
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if value:
                value += line.strip()
                if not line.endswith("\\"):
                    out.append(f"{key}\t{value}")
                    value = ""
                continue
            if line.startswith("[") and "]" in line:
                key = root + "\\\\" + line[1:line.rindex("]")]
                out.append(key)
            elif key and line and not line.startswith(("#", ";")):
                if line.startswith(VOLATILE):
                    continue
                if line.endswith("\\"):
                    value = line[:-1]
                else:
                    out.append(f"{key}\t{line}")
    return out


def main():
    prefix = sys.argv[1]
    lines = lines_of(f"{prefix}/system.reg", "HKLM") + lines_of(f"{prefix}/user.reg", "HKCU")
    sys.stdout.write("".join(sorted(set(l + "\n" for l in lines))))


if __name__ == "__main__":
    main()
