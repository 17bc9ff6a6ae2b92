#!/usr/bin/env python3
"""Writes pmzcpl.ico, the country applet's icon: a globe with its meridians and
parallels in front of the modem board's phone jack, at 32x32 and 16x16 pixels in the
16 VGA colours. It draws with the setup program's icon writer (resources/icon/make_icon.py).

    python3 make_icon.py [OUTPUT.ico]

Run it again after changing the drawing and commit both this script and the icon it
writes: the build takes the committed icon as it is.
"""
import importlib.util
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location(
    'setup_icon', os.path.join(HERE, '..', '..', 'resources', 'icon', 'make_icon.py'))
setup_icon = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(setup_icon)

BLACK, DARK_BLUE, GREEN, BLUE, WHITE, DARK_GREY, LIGHT_GREY = 0, 4, 10, 12, 15, 8, 7


def globe(size):
    """The globe: sea in blue, land in green, the grid in dark blue, a black rim,
    and a jack in the lower right corner."""
    pixels = [[None] * size for _ in range(size)]
    r = size / 2.0 - 0.5
    c = size / 2.0 - 0.5
    for y in range(size):
        for x in range(size):
            dx, dy = (x - c) / r, (y - c) / r
            d = math.hypot(dx, dy)
            if d > 1.0:
                continue
            if d > 1.0 - 1.6 / r:
                pixels[y][x] = BLACK
                continue
            # Longitude and latitude of the point on the front half of the sphere.
            lat = math.asin(max(-1.0, min(1.0, dy)))
            lon = math.asin(max(-1.0, min(1.0, dx / max(math.cos(lat), 1e-6))))
            land = math.sin(3 * lon + 1.0) + math.cos(4 * lat) > 0.9
            colour = GREEN if land else BLUE
            step = math.pi / (6 if size >= 32 else 3)
            near_meridian = abs((lon + 1e-9) % step) < 0.9 / r / max(math.cos(lat), 0.3)
            near_parallel = abs((lat + 1e-9) % step) < 0.9 / r
            if near_meridian or near_parallel:
                colour = DARK_BLUE
            if dx < -0.35 and dy < -0.35 and d < 0.75 and not (near_meridian or near_parallel):
                colour = WHITE if size >= 32 and d < 0.55 else colour   # the shine
            pixels[y][x] = colour
    # The jack: a light grey block with a black opening.
    j = size // 3
    for y in range(size - j, size):
        for x in range(size - j, size):
            edge = y == size - j or x == size - j or y == size - 1 or x == size - 1
            pixels[y][x] = DARK_GREY if edge else LIGHT_GREY
    for y in range(size - j + j // 3, size - j // 4):
        for x in range(size - j + j // 4, size - j // 4):
            pixels[y][x] = BLACK
    return pixels


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, 'pmzcpl.ico')
    with open(target, 'wb') as f:
        f.write(setup_icon.icon_file([globe(32), globe(16)]))


if __name__ == '__main__':
    main()
