#!/usr/bin/env python3
"""Draws the wizard picture: bitmap 110, the strip down the left side of every page.

A computer with its side panel off and the panel leaning beside it, an expansion
board on its way into a slot, an external modem and two floppy disks, on a teal
ground. 158 x 278 pixels in the 16 colours of the VGA palette, stored as a 4-bit
BMP. Run it from anywhere; it writes wizard.bmp beside itself.
"""
import os
import struct

WIDTH, HEIGHT = 158, 278

# The VGA palette, in the order of the Windows 16-colour table.
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 maroon
    (0x00, 0x80, 0x00),  # 2 green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 navy
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 silver
    (0x80, 0x80, 0x80),  # 8 gray
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 lime
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 fuchsia
    (0x00, 0xFF, 0xFF),  # 14 aqua
    (0xFF, 0xFF, 0xFF),  # 15 white
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def plot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        """Fills the rectangle from (x0, y0) to (x1, y1), both corners included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.plot(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        self.line(x0, y0, x1, y0, colour)
        self.line(x0, y1, x1, y1, colour)
        self.line(x0, y0, x0, y1, colour)
        self.line(x1, y0, x1, y1, colour)

    def box(self, x0, y0, x1, y1, face, light=WHITE, shadow=GRAY, outline=BLACK):
        """A raised box: face colour, light top and left edges, dark bottom and right."""
        self.fill(x0, y0, x1, y1, face)
        self.line(x0 + 1, y0 + 1, x1 - 1, y0 + 1, light)
        self.line(x0 + 1, y0 + 1, x0 + 1, y1 - 1, light)
        self.line(x0 + 1, y1 - 1, x1 - 1, y1 - 1, shadow)
        self.line(x1 - 1, y0 + 1, x1 - 1, y1 - 1, shadow)
        self.frame(x0, y0, x1, y1, outline)

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        error = dx + dy
        while True:
            self.plot(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            twice = 2 * error
            if twice >= dy:
                error += dy
                x0 += sx
            if twice <= dx:
                error += dx
                y0 += sy

    def polygon(self, points, colour, outline=None):
        """Fills a polygon by scanlines (pixel centres inside), then outlines it."""
        ys = [y for _, y in points]
        for y in range(min(ys), max(ys) + 1):
            cy = y + 0.5
            crossings = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= cy < yb) or (yb <= cy < ya):
                    crossings.append(xa + (cy - ya) * (xb - xa) / (yb - ya))
            crossings.sort()
            for left, right in zip(crossings[0::2], crossings[1::2]):
                for x in range(int(round(left)), int(round(right))):
                    self.plot(x, y, colour)
        if outline is not None:
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                self.line(xa, ya, xb, yb, outline)

    def ring(self, cx, cy, r, colour):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if r * r - r <= d <= r * r + r:
                    self.plot(x, y, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r:
                    self.plot(x, y, colour)


def draw_ground(c):
    # A teal wall and a slightly darker teal floor, parted by a thin line.
    c.fill(0, 0, WIDTH - 1, HEIGHT - 1, TEAL)
    for y in range(196, HEIGHT):
        for x in range(WIDTH):
            if (x + y) % 4 == 0:
                c.plot(x, y, NAVY)
    c.line(0, 195, WIDTH - 1, 195, AQUA)


def draw_expansion_board(c):
    # The modem board, on its way down into the computer's free slot.
    x0, y0, x1, y1 = 44, 10, 128, 36
    c.fill(x0, y0, x1, y1, GREEN)
    c.frame(x0, y0, x1, y1, BLACK)
    # Metal bracket on the left, with its tab at the top.
    c.fill(x0 - 6, y0 - 4, x0 - 2, y1 + 6, SILVER)
    c.frame(x0 - 6, y0 - 4, x0 - 2, y1 + 6, BLACK)
    c.fill(x0 - 9, y0 - 4, x0 - 2, y0 - 1, SILVER)
    c.frame(x0 - 9, y0 - 4, x0 - 2, y0 - 1, BLACK)
    c.plot(x0 - 4, y1 - 6, BLACK)
    c.plot(x0 - 4, y1 - 12, BLACK)
    # Phone jacks through the bracket.
    c.fill(x0 - 5, y0 + 4, x0 - 3, y0 + 8, BLACK)
    c.fill(x0 - 5, y0 + 13, x0 - 3, y0 + 17, BLACK)
    # Chips, a crystal and the traces between them.
    c.box(x0 + 8, y0 + 5, x0 + 30, y0 + 16, BLACK, GRAY, BLACK)
    for x in range(x0 + 10, x0 + 30, 3):
        c.plot(x, y0 + 4, SILVER)
        c.plot(x, y0 + 17, SILVER)
    c.box(x0 + 38, y0 + 6, x0 + 52, y0 + 15, BLACK, GRAY, BLACK)
    c.box(x0 + 60, y0 + 5, x0 + 76, y0 + 12, BLACK, GRAY, BLACK)
    c.fill(x0 + 62, y0 + 15, x0 + 67, y0 + 18, SILVER)
    for x in range(x0 + 32, x0 + 37):
        c.plot(x, y0 + 10, OLIVE)
    for x in range(x0 + 54, x0 + 59):
        c.plot(x, y0 + 9, OLIVE)
    # Gold fingers along the bottom edge.
    for x in range(x0 + 8, x1 - 6, 3):
        c.line(x, y1 + 1, x, y1 + 4, YELLOW)
        c.plot(x + 1, y1 + 1, OLIVE)
    # An arrow: down into the slot.
    ax = 136
    c.fill(ax, 12, ax + 4, 36, YELLOW)
    c.polygon([(ax - 5, 36), (ax + 9, 36), (ax + 2, 46)], YELLOW, BLACK)
    c.frame(ax, 12, ax + 4, 36, BLACK)
    c.fill(ax + 1, 36, ax + 3, 36, YELLOW)


def draw_computer(c):
    # A tower seen from the side, its side panel off.
    x0, y0, x1, y1 = 16, 52, 112, 190
    c.box(x0, y0, x1, y1, SILVER)
    # The open inside: dark, with the motherboard on the far wall.
    c.fill(x0 + 5, y0 + 5, x1 - 5, y1 - 5, GRAY)
    c.frame(x0 + 5, y0 + 5, x1 - 5, y1 - 5, BLACK)
    # Drive cage at the top front (the front is on the right).
    c.fill(x1 - 36, y0 + 8, x1 - 8, y0 + 40, SILVER)
    c.frame(x1 - 36, y0 + 8, x1 - 8, y0 + 40, BLACK)
    for y in (y0 + 18, y0 + 29):
        c.line(x1 - 36, y, x1 - 8, y, BLACK)
    # Power supply at the top back.
    c.box(x0 + 8, y0 + 8, x0 + 40, y0 + 30, SILVER)
    for x in range(x0 + 13, x0 + 37, 4):
        c.line(x, y0 + 12, x, y0 + 26, GRAY)
    # Motherboard.
    mx0, my0, mx1, my1 = x0 + 8, y0 + 44, x1 - 14, y1 - 9
    c.fill(mx0, my0, mx1, my1, GREEN)
    c.frame(mx0, my0, mx1, my1, BLACK)
    # Processor with its heat sink.
    c.box(mx0 + 8, my0 + 6, mx0 + 30, my0 + 26, SILVER)
    for x in range(mx0 + 11, mx0 + 28, 3):
        c.line(x, my0 + 9, x, my0 + 23, GRAY)
    # Memory modules.
    for i in range(3):
        y = my0 + 6 + i * 6
        c.fill(mx0 + 40, y, mx1 - 6, y + 3, NAVY)
        c.frame(mx0 + 40, y, mx1 - 6, y + 3, BLACK)
        for x in range(mx0 + 43, mx1 - 8, 4):
            c.plot(x, y + 1, BLACK)
    # Expansion slots at the back, one of them free for the new board.
    for i in range(4):
        y = my0 + 40 + i * 9
        c.fill(mx0 + 4, y, mx1 - 16, y + 3, BLACK)
        c.plot(mx0 + 3, y + 1, WHITE)
        if i == 1:
            c.fill(mx0 + 5, y + 1, mx1 - 17, y + 2, YELLOW)
    # Cards already in the other slots stand out toward the viewer, as edges.
    for i in (0, 2):
        y = my0 + 40 + i * 9
        c.fill(mx0 + 6, y - 4, mx1 - 20, y - 1, GREEN)
        c.line(mx0 + 6, y - 4, mx1 - 20, y - 4, LIME)
    # Back-panel brackets along the left edge of the case.
    for i in range(4):
        y = my0 + 38 + i * 9
        c.fill(x0 + 1, y, x0 + 4, y + 6, WHITE if i == 1 else GRAY)
    # Ribbon cable from the drive cage to the board.
    c.line(x1 - 30, y0 + 41, mx1 - 4, my0 + 30, WHITE)
    c.line(x1 - 29, y0 + 41, mx1 - 3, my0 + 30, SILVER)
    # Feet.
    c.fill(x0 + 4, y1 + 1, x0 + 14, y1 + 3, BLACK)
    c.fill(x1 - 14, y1 + 1, x1 - 4, y1 + 3, BLACK)


def draw_side_panel(c):
    # The side panel, taken off and leaning against the wall to the right.
    c.polygon([(118, 74), (150, 66), (156, 192), (122, 194)], SILVER, BLACK)
    c.line(121, 77, 149, 70, WHITE)
    c.line(121, 77, 124, 191, WHITE)
    # Its grip and its screws.
    c.line(132, 128, 144, 126, GRAY)
    c.line(132, 131, 144, 129, GRAY)
    c.plot(123, 80, BLACK)
    c.plot(126, 188, BLACK)


def draw_modem(c):
    # An external modem on the floor: a flat box seen slightly from above.
    c.polygon([(8, 214), (70, 214), (80, 204), (22, 204)], WHITE, BLACK)
    c.box(8, 214, 80, 236, SILVER)
    c.polygon([(80, 204), (80, 226), (70, 236), (70, 214)], GRAY, BLACK)
    # Front lights.
    for i, colour in enumerate((RED, LIME, LIME, YELLOW, RED, LIME)):
        x = 14 + i * 8
        c.fill(x, 226, x + 3, 228, colour)
        c.frame(x - 1, 225, x + 4, 229, BLACK)
    # Its name plate and the speaker grille on top.
    c.fill(14, 218, 40, 220, NAVY)
    for x in range(48, 66, 3):
        c.line(x + 4, 206, x, 211, GRAY)
    # The phone cord, coiled, from the back of the modem to its plug.
    for i in range(9):
        c.ring(10 + i * 4, 244 + i * 3, 3, BLACK)
    c.line(8, 232, 10, 241, BLACK)
    c.line(45, 271, 52, 271, BLACK)
    c.fill(52, 268, 58, 273, SILVER)
    c.frame(52, 268, 58, 273, BLACK)


def draw_disk(c, x0, y0, body, label_colour):
    """A 3.5-inch floppy disk of 34 x 34 pixels at (x0, y0)."""
    x1, y1 = x0 + 33, y0 + 33
    c.fill(x0, y0, x1, y1, body)
    c.frame(x0, y0, x1, y1, BLACK)
    c.plot(x1, y0, TEAL)   # the cut corner
    c.line(x1 - 2, y0, x1, y0 + 2, BLACK)
    # Metal shutter with its window.
    c.fill(x0 + 8, y0, x0 + 25, y0 + 11, SILVER)
    c.frame(x0 + 8, y0, x0 + 25, y0 + 11, BLACK)
    c.fill(x0 + 18, y0 + 2, x0 + 22, y0 + 9, GRAY)
    # Label.
    c.fill(x0 + 4, y0 + 16, x1 - 4, y1 - 2, label_colour)
    c.frame(x0 + 4, y0 + 16, x1 - 4, y1 - 2, BLACK)
    for y in range(y0 + 20, y1 - 4, 4):
        c.line(x0 + 7, y, x1 - 8, y, GRAY)
    # Write-protect hole.
    c.fill(x0 + 2, y1 - 4, x0 + 3, y1 - 2, BLACK)


def draw_disks(c):
    draw_disk(c, 92, 214, NAVY, WHITE)
    draw_disk(c, 112, 236, BLACK, YELLOW)


def write_bmp(path, canvas):
    stride = ((WIDTH * 4 + 31) // 32) * 4
    rows = []
    for y in range(HEIGHT - 1, -1, -1):   # bottom-up
        row = canvas.pixels[y]
        data = bytearray()
        for x in range(0, WIDTH, 2):
            high = row[x]
            low = row[x + 1] if x + 1 < WIDTH else 0
            data.append((high << 4) | low)
        data.extend(b"\0" * (stride - len(data)))
        rows.append(bytes(data))
    pixels = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header_size = 14 + 40
    offset = header_size + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    with open(path, "wb") as out:
        out.write(file_header + info_header + palette + pixels)


def main():
    canvas = Canvas(WIDTH, HEIGHT, TEAL)
    draw_ground(canvas)
    draw_side_panel(canvas)
    draw_computer(canvas)
    draw_expansion_board(canvas)
    draw_modem(canvas)
    draw_disks(canvas)
    write_bmp(os.path.join(os.path.dirname(os.path.abspath(__file__)), "wizard.bmp"), canvas)


if __name__ == "__main__":
    main()
