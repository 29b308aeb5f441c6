#!/usr/bin/env python3
"""Writes the NSIS include that registers Vidloom for the file types of its file dialog.

Usage: extensions.py src/shell/add_files.h OUTPUT.nsh

The list comes from SupportedFilesFilter in add_files.h, read as the compiler reads it: its
string literals joined, the macros it names (VIDLOOM_MORE_FILE_PATTERNS, ...) expanded. Then, as
FilterExtensions does in the program: every second "|"-separated part is a pattern list, its
";"-separated "*.ext" patterns are trimmed and lower-cased, and the extensions are sorted
without duplicates. The types that are no media file Vidloom converts (OPEN_WITH_LEFT_OUT) are
then left out: the file dialog keeps offering them, but "Open with" does not. The include defines
two macros that insert, for each extension, the installer script's VIDLOOM_REGISTER_EXTENSION or
VIDLOOM_UNREGISTER_EXTENSION macro.
"""
import re
import sys

TOKEN = re.compile(r'\s*(?:"((?:[^"\\\n]|\\.)*)"|([A-Za-z_]\w*))')
EXTENSION = re.compile(r"^\.[a-z0-9]+$")

# Files that hold no media of their own, or rarely any: playlists and pointers to a stream
# (.asx, .ram), cue sheets (.cue), the many kinds of data file named .dat, still pictures (.gif)
# and bare JPEG streams (.mjpg, .mjpeg), which the program lists as "Unknown". Opening one with
# Vidloom from Explorer would give a row that cannot convert.
OPEN_WITH_LEFT_OUT = {".asx", ".ram", ".cue", ".dat", ".gif", ".mjpg", ".mjpeg"}


def unescape(literal):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), literal)


def concatenate(text, pos, macros, what):
    """The string that the adjacent string literals and macro names from text[pos:] stand for,
    up to the end of text or a ";"."""
    value = ""
    while True:
        match = TOKEN.match(text, pos)
        if not match:
            rest = text[pos:].lstrip()
            if rest == "" or rest.startswith(";"):
                return value
            raise ValueError(f"{what}: not a string literal or macro at: {rest[:40]!r}")
        if match.group(1) is not None:
            value += unescape(match.group(1))
        elif match.group(2) in macros:
            value += macros[match.group(2)]
        else:
            raise ValueError(f"{what}: unknown name {match.group(2)}")
        pos = match.end()


def read_filter(header):
    # Comments out, continued lines joined (no string in the header holds "//" or "/*").
    source = re.sub(r"/\*.*?\*/", " ", header, flags=re.S)
    source = re.sub(r"//[^\n]*", "", source).replace("\\\n", " ")
    macros = {}
    for name, body in re.findall(r"^\s*#\s*define\s+(\w+)[ \t]+(\".*)$", source, flags=re.M):
        try:
            macros[name] = concatenate(body, 0, macros, name)
        except ValueError:
            pass  # not a string macro
    match = re.search(r"\bSupportedFilesFilter\s*=", source)
    if not match:
        raise ValueError("SupportedFilesFilter not found")
    return concatenate(source, match.end(), macros, "SupportedFilesFilter")


def filter_extensions(file_filter):
    extensions = set()
    for pattern_list in file_filter.split("|")[1::2]:
        for pattern in pattern_list.split(";"):
            pattern = pattern.strip()
            if len(pattern) >= 3 and pattern.startswith("*."):
                extensions.add(pattern[1:].lower())
    return sorted(extensions)


def main(header_path, output_path):
    with open(header_path, encoding="utf-8") as f:
        extensions = [e for e in filter_extensions(read_filter(f.read()))
                      if e not in OPEN_WITH_LEFT_OUT]
    if not extensions:
        raise ValueError("SupportedFilesFilter names no extension")
    for extension in extensions:
        # They become registry key names and NSIS strings: letters and digits only.
        if not EXTENSION.match(extension):
            raise ValueError(f"extension {extension!r} is not letters and digits")
    lines = [
        f"; Made by packaging/windows/extensions.py from {header_path}: the {len(extensions)}",
        "; extensions of the file dialog's filter that Vidloom converts. Do not edit.",
        f"!define VIDLOOM_EXTENSION_COUNT {len(extensions)}",
    ]
    for name, per_extension in (("VIDLOOM_REGISTER_EXTENSIONS", "VIDLOOM_REGISTER_EXTENSION"),
                                ("VIDLOOM_UNREGISTER_EXTENSIONS", "VIDLOOM_UNREGISTER_EXTENSION")):
        lines.append(f"!macro {name}")
        lines += [f'  !insertmacro {per_extension} "{extension}"' for extension in extensions]
        lines.append("!macroend")
    with open(output_path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: extensions.py add_files.h OUTPUT.nsh")
    try:
        main(sys.argv[1], sys.argv[2])
    except (OSError, ValueError) as error:
        sys.exit(f"extensions.py: {error}")
