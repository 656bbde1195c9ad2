#!/usr/bin/python3
"""Reads screenshots of the main window the way a person looks at the wheel.

    wheel_marker.py slot BEFORE.png SHOT.png   prints the slot (0-15) the marker sits on
    wheel_marker.py start-idle BEFORE.png SHOT.png
                                              succeeds when the "Start" button looks as it did
                                              before the spin (enabled again: the wheel is at rest)

BEFORE.png is a picture of the window with no marker shown and "Start" enabled. The slots'
marker places are read from src/roulette/WheelSlots.h, so the layout has one home.
"""
import pathlib
import re
import subprocess
import sys

SLOTS_HEADER = pathlib.Path(__file__).resolve().parents[2] / "src/roulette/WheelSlots.h"
MARKER_TWIPS = (480, 555)
START_BUTTON_TWIPS = (240, 4680, 975, 255)
# The ball covers the middle of its picture; a slot counts as marked when most of this square
# differs from the empty wheel.
PROBE = 8
MARKED_SHARE = 0.5


def pixels(path):
    """The picture as (width, height, bytes of RGB)."""
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    magic, width, height, maxval, data = ppm.split(maxsplit=4)
    assert magic == b"P6" and maxval == b"255", "unexpected picture format"
    return int(width), int(height), data


def differing(before, shot, left, top, right, bottom):
    width, _, a = before
    _, _, b = shot
    count = 0
    for y in range(top, bottom):
        row = y * width * 3
        for x in range(left, right):
            if a[row + 3 * x:row + 3 * x + 3] != b[row + 3 * x:row + 3 * x + 3]:
                count += 1
    return count


def marker_places():
    text = SLOTS_HEADER.read_text(encoding="utf-8")
    places = [(int(x), int(y)) for x, y in re.findall(r"\{\{(\d+), (\d+)\}, \d+, \{", text)]
    assert len(places) == 16, f"found {len(places)} slots in {SLOTS_HEADER}"
    return places


def slot(before, shot):
    marked = []
    for k, (x, y) in enumerate(marker_places()):
        cx = round((x + MARKER_TWIPS[0] / 2) / 15)
        cy = round((y + MARKER_TWIPS[1] / 2) / 15)
        changed = differing(before, shot, cx - PROBE, cy - PROBE, cx + PROBE, cy + PROBE)
        if changed > MARKED_SHARE * (2 * PROBE) ** 2:
            marked.append(k)
    if len(marked) != 1:
        sys.exit(f"expected the marker on one slot, found it on {marked}")
    return marked[0]


def start_idle(before, shot):
    x, y, w, h = START_BUTTON_TWIPS
    return differing(before, shot, round(x / 15), round(y / 15), round((x + w) / 15), round((y + h) / 15)) == 0


def main():
    command, before, shot = sys.argv[1], pixels(sys.argv[2]), pixels(sys.argv[3])
    if command == "slot":
        print(slot(before, shot))
    elif command == "start-idle":
        sys.exit(0 if start_idle(before, shot) else 1)
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main()
