#!/usr/bin/env python3
"""Writes link/code_page_tables.cpp: the characters of bytes 0x80..0xFF of each code page whose
encoding is known, from Python's own codec tables. Run once when the list changes:

    tools/code_page_tables.py > link/code_page_tables.cpp

Only the code pages whose label names a standard code page are here. "Litva", "Poland" and
"Latvia" name no code page; the standard CP856 is Hebrew, which a "Bulgarian" entry cannot mean;
"CP587" is no standard code page.
"""
import codecs

# Index in the code-page list, the label the list shows, the codec.
KNOWN = [
    (0, "USA (CP437)", "cp437"),
    (2, "West Europe Latin I (CP850)", "cp850"),
    (3, "Brasil (CP860)", "cp860"),
    (6, "Central Europe Latin II (CP852)", "cp852"),
    (7, "Russian (CP866)", "cp866"),
    (9, "Windows English Latin I (CP1252)", "cp1252"),
    (10, "Baltic (CP775)", "cp775"),
    (12, "Greek (CP737)", "cp737"),
    (13, "Hebrew (CP862)", "cp862"),
    (14, "Windows Central European Latin II (CP1250)", "cp1250"),
    (15, "Windows Cyrilic (CP1251)", "cp1251"),
    (16, "Windows Greek (CP1253)", "cp1253"),
    (17, "Windows Turkish (CP1254)", "cp1254"),
    (18, "Windows Hebrew (CP1255)", "cp1255"),
    (19, "Windows Baltic (CP1257)", "cp1257"),
]


def character(codec, byte):
    try:
        return ord(codecs.decode(bytes([byte]), codec))
    except UnicodeDecodeError:
        return 0


def main():
    print("// Written by tools/code_page_tables.py from Python's codec tables; run it again rather")
    print("// than editing by hand.")
    print('#include "code_page_tables.h"')
    print()
    print("namespace printer {")
    print()
    print(f"const std::array<KnownCodePage, {len(KNOWN)}> kKnownCodePages = {{{{")
    for index, label, codec in KNOWN:
        print(f"    {{{index},  // {label}")
        print("     {{")
        for row in range(0x80, 0x100, 8):
            values = ", ".join(f"0x{character(codec, byte):04X}" for byte in range(row, row + 8))
            print(f"         {values},  // {row:02X}")
        print("     }}},")
    print("}};")
    print()
    print("}  // namespace printer")


if __name__ == "__main__":
    main()
