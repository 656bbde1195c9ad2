#!/usr/bin/python3
"""Extends an X keyboard map so that xdotool can type the given texts without remapping keys.

    xkbcomp -xkb "$DISPLAY" - | keymap_with.py TEXT... | xkbcomp - "$DISPLAY"

xdotool types a character that no key produces by binding it to a spare key code for the
moment of the key press; a program that reads its keyboard map a little late then sees the old
symbol or none, and a character goes missing. Here every such character gets a key of its own
(two per key, the second with Shift) on spare key codes before anything is typed, so typing
only presses keys.
"""
import re
import sys


def section(keymap, name):
    start = keymap.index(f"xkb_{name}")
    end = keymap.index("\n};", start)
    return start, end


def spare_keys(keymap):
    """The key names that may take new symbols: keys without symbols, and the multimedia keys
    (<I…>, one line each), whose lines are dropped from the symbols section here."""
    start, end = section(keymap, "keycodes")
    codes = {}
    for name, code in re.findall(r"<([^>]+)>\s*=\s*(\d+);", keymap[start:end]):
        codes.setdefault(int(code), name)
    start, end = section(keymap, "symbols")
    media = re.compile(r"^\s*key\s+<(I\d+)>\s*\{[^\n]*\};\n", re.MULTILINE)
    symbols = media.sub("", keymap[start:end])
    bound = set(re.findall(r"key\s+<([^>]+)>", symbols))
    names = [name for code, name in sorted(codes.items()) if name not in bound]
    return keymap[:start] + symbols + keymap[end:], names


def main():
    keymap = sys.stdin.read()
    characters = sorted({c for text in sys.argv[1:] for c in text if ord(c) > 0x7E})
    pairs = [characters[i:i + 2] for i in range(0, len(characters), 2)]
    keymap, names = spare_keys(keymap)
    if len(pairs) > len(names):
        sys.exit(f"{len(characters)} characters to type, room for {2 * len(names)}")
    keys = "".join(
        f'    key <{name}> {{ type= "TWO_LEVEL", [ {", ".join(f"U{ord(c):04X}" for c in pair)} ] }};\n'
        for name, pair in zip(names, pairs))
    _, end = section(keymap, "symbols")
    sys.stdout.write(keymap[:end] + "\n" + keys + keymap[end:])


if __name__ == "__main__":
    main()
