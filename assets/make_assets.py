#!/usr/bin/python3
"""Draws the game's pictures: the two window icons and the photograph.

    girolettera.xpm  the main window's icon, a television set with a rabbit-ear aerial
    infistr.xpm      the instructions window's icon, an open book with a question mark
    foto.jpg         the photograph of the instructions window, a quiz host at his desk

Only a person who wants to redraw the pictures runs this; the build uses the files it leaves
beside itself and never runs it. It needs Python 3 with Pillow (Debian: python3-pil), which is
why it names the system interpreter. Usage:  /usr/bin/python3 assets/make_assets.py

The icons are 32 x 32 in at most 16 colours (transparency counts as one) and are written as
XPM in C syntax, so the same file is both an image and a compilable array. The photograph has
to stay a baseline JFIF JPEG of exactly 213 x 293 pixels with three components, because the
picture box takes its size from it.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 32


# --- icons: a character grid, one character a pixel -----------------------------------------

class Grid:
    def __init__(self):
        self.cells = [[" "] * SIZE for _ in range(SIZE)]

    def put(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.cells[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), c)

    def disc(self, cx, cy, r, c):
        for y in range(SIZE):
            for x in range(SIZE):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def rows(self):
        return ["".join(row) for row in self.cells]


def television():
    colours = {
        " ": None,
        ".": "#000000",  # outlines, feet
        "a": "#D8D8D8",  # aerial rods
        "A": "#707070",  # aerial base
        "o": "#E02020",  # aerial tips
        "w": "#9A6230",  # wooden cabinet
        "W": "#5A3414",  # wood in shadow, grille slots
        "h": "#C8904C",  # wood highlight
        "s": "#183048",  # screen edge
        "S": "#3C78A8",  # screen
        "g": "#B8E0F8",  # glare on the glass
        "k": "#E8C840",  # knobs
        "K": "#806010",  # knob shading
    }
    g = Grid()
    # Rabbit ears: two rods in a V from a small dome on the cabinet, a ball at each tip.
    g.line(14, 8, 5, 1, "a")
    g.line(17, 8, 26, 1, "a")
    g.line(13, 8, 4, 1, "A")
    g.line(18, 8, 27, 1, "A")
    g.rect(3, 0, 4, 1, "o")
    g.rect(27, 0, 28, 1, "o")
    g.rect(12, 8, 19, 9, "A")
    g.rect(13, 7, 18, 7, "A")
    g.put(12, 7, "."), g.put(19, 7, ".")
    g.frame(11, 8, 20, 9, ".")
    g.line(12, 7, 19, 7, ".")
    g.rect(13, 8, 18, 8, "A")
    # Cabinet with a lit top edge and a shaded bottom edge.
    g.rect(1, 10, 30, 28, "w")
    g.rect(2, 11, 29, 11, "h")
    g.rect(2, 27, 29, 27, "W")
    g.frame(1, 10, 30, 28, ".")
    # Screen: rounded glass in a black bezel, a glare in the top-left corner.
    g.rect(3, 13, 21, 25, ".")
    g.rect(4, 14, 20, 24, "s")
    g.rect(5, 15, 19, 23, "S")
    for x, y in ((3, 13), (21, 13), (3, 25), (21, 25)):
        g.put(x, y, "w")
    g.line(6, 17, 8, 15, "g")
    g.line(6, 18, 9, 15, "g")
    g.put(6, 20, "g")
    # Control panel: two knobs, a grille below them.
    for cy in (15, 19):
        g.disc(26, cy, 1.6, "k")
        g.put(27, cy + 1, "K"), g.put(26, cy + 1, "K"), g.put(27, cy, "K")
        g.put(26, cy, "k")
    for y in (22, 24):
        g.line(24, y, 28, y, "W")
    # Feet.
    g.rect(4, 29, 6, 30, ".")
    g.rect(25, 29, 27, 30, ".")
    return colours, g.rows()


def open_book():
    colours = {
        " ": None,
        ".": "#000000",  # outlines
        "p": "#FFFFF0",  # pages
        "P": "#D8D0B0",  # page shading by the spine
        "l": "#8090A0",  # printed lines
        "c": "#A01818",  # cover
        "C": "#600808",  # cover in shadow
        "q": "#1840C8",  # question mark
        "Q": "#0C2070",  # question mark shading
        "r": "#F0C000",  # ribbon
    }
    g = Grid()
    # Cover under the pages, showing as a border at the sides and bottom.
    g.rect(0, 7, 31, 28, "c")
    g.rect(0, 27, 31, 28, "C")
    g.frame(0, 7, 31, 28, ".")
    # Two pages rising a little towards the spine.
    for x in range(2, 30):
        side = x if x < 16 else 31 - x
        top = 9 - side // 5
        bottom = 26 - (1 if side >= 13 else 0)
        for y in range(top, bottom + 1):
            g.put(x, y, "p")
        g.put(x, top - 1, ".")
        g.put(x, bottom + 1, ".")
    g.line(15, 6, 15, 26, "P")
    g.line(16, 5, 16, 26, ".")
    g.line(2, 8, 2, 26, ".")
    g.line(29, 8, 29, 26, ".")
    # Printed lines on the left page.
    for y in range(11, 25, 2):
        g.line(4, y, 13 if y != 23 else 9, y, "l")
    # A ribbon hanging from the spine.
    g.line(17, 26, 17, 30, "r")
    g.put(18, 30, "r")
    # A question mark on the right page.
    for x, y in ((20, 12), (21, 11), (22, 10), (23, 10), (24, 10), (25, 11), (26, 12),
                 (26, 13), (25, 14), (24, 15), (23, 16), (23, 17), (23, 18)):
        g.rect(x - 1, y, x, y + 1, "q")
    g.rect(22, 21, 24, 23, "q")
    g.put(24, 23, "Q"), g.put(24, 19, "Q"), g.put(27, 13, "Q")
    return colours, g.rows()


def write_xpm(name, colours, rows):
    assert len(rows) == SIZE and all(len(r) == SIZE for r in rows)
    used = {c for row in rows for c in row}
    palette = [c for c in colours if c in used]
    assert len(palette) <= 16, f"{name}: {len(palette)} colours"
    lines = ["/* XPM */", f"static const char *const {name}_xpm[] = {{",
             f'"{SIZE} {SIZE} {len(palette)} 1",']
    for c in palette:
        value = colours[c] or "None"
        lines.append(f'"{c} c {value}",')
    lines += [f'"{row}",' for row in rows[:-1]] + [f'"{rows[-1]}"', "};", ""]
    with open(os.path.join(HERE, f"{name}.xpm"), "w", encoding="ascii") as f:
        f.write("\n".join(lines))


# --- the photograph ----------------------------------------------------------------------------

PHOTO_W, PHOTO_H = 213, 293
SCALE = 3  # drawn large and scaled down, which smooths every edge


def photograph():
    w, h = PHOTO_W * SCALE, PHOTO_H * SCALE
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)

    def s(*v):
        return [round(x * SCALE) for x in v]

    # Studio backdrop: deep blue at the top fading to violet.
    for y in range(h):
        t = y / h
        d.line([(0, y), (w, y)], fill=(int(20 + 70 * t), int(24 + 10 * t), int(90 + 40 * t)))
    # Spotlights on the backdrop.
    glow = Image.new("L", (w, h))
    gd = ImageDraw.Draw(glow)
    for cx, cy, r in ((40, 40, 34), (175, 30, 30), (106, 120, 70)):
        gd.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=110)
    glow = glow.filter(ImageFilter.GaussianBlur(18 * SCALE))
    img = Image.composite(Image.new("RGB", (w, h), (170, 170, 255)), img, glow)
    d = ImageDraw.Draw(img)
    # The letter track of the show: a ring of coloured discs behind the host.
    ring = [(0, 200, 0), (230, 30, 30), (240, 220, 0), (200, 200, 220)]
    for i in range(13):
        a = math.pi * (1.05 + 0.9 * i / 12)
        cx, cy = 106 + 92 * math.cos(a), 150 + 110 * math.sin(a)
        d.ellipse(s(cx - 8, cy - 8, cx + 8, cy + 8), fill=ring[i % 4], outline=(20, 20, 40),
                  width=SCALE)

    # The host: jacket, shirt and tie, then the head.
    jacket, jacket_dark = (28, 40, 78), (16, 24, 50)
    d.polygon(s(40, 215, 52, 160, 80, 146, 132, 146, 160, 160, 172, 215), fill=jacket)
    d.polygon(s(92, 146, 120, 146, 106, 196), fill=(245, 245, 245))
    d.polygon(s(102, 156, 110, 156, 112, 190, 106, 198, 100, 190), fill=(200, 20, 30))
    d.polygon(s(101, 149, 111, 149, 110, 157, 102, 157), fill=(170, 10, 20))
    d.polygon(s(80, 146, 92, 146, 104, 196, 88, 170), fill=jacket_dark)
    d.polygon(s(132, 146, 120, 146, 108, 196, 124, 170), fill=jacket_dark)
    skin, skin_dark = (238, 196, 160), (205, 150, 115)
    d.rectangle(s(96, 126, 116, 150), fill=skin_dark)
    d.ellipse(s(74, 92, 84, 112), fill=skin_dark)
    d.ellipse(s(128, 92, 138, 112), fill=skin_dark)
    d.ellipse(s(78, 62, 134, 134), fill=skin)
    hair = (60, 38, 24)
    d.chord(s(76, 56, 136, 108), 180, 360, fill=hair)
    d.polygon(s(78, 82, 84, 70, 92, 78), fill=hair)
    d.polygon(s(134, 82, 128, 70, 120, 78), fill=hair)
    for ex in (94, 118):
        d.ellipse(s(ex - 6, 90, ex + 6, 100), fill=(255, 255, 255))
        d.ellipse(s(ex - 3, 91, ex + 3, 99), fill=(60, 90, 40))
        d.ellipse(s(ex - 1.5, 93, ex + 1.5, 97), fill=(10, 10, 10))
        d.line(s(ex - 8, 84, ex + 7, 83), fill=hair, width=3 * SCALE)
    d.polygon(s(106, 98, 101, 112, 108, 113), fill=skin_dark)
    d.chord(s(92, 108, 120, 126), 0, 180, fill=(150, 30, 40))
    d.rectangle(s(96, 117, 116, 119), fill=(255, 255, 255))
    d.ellipse(s(84, 106, 92, 112), fill=(245, 170, 150))
    d.ellipse(s(120, 106, 128, 112), fill=(245, 170, 150))

    # The quiz desk: a lit top and a yellow front with a big question mark.
    d.polygon(s(6, 205, 207, 205, 213, 215, 0, 215), fill=(250, 250, 250))
    d.polygon(s(0, 215, 213, 215, 213, 293, 0, 293), fill=(240, 180, 0))
    d.polygon(s(0, 280, 213, 280, 213, 293, 0, 293), fill=(170, 110, 0))
    for x in range(0, 214, 40):
        d.line(s(x, 215, x, 280), fill=(210, 150, 0), width=2 * SCALE)
    d.ellipse(s(76, 222, 136, 278), fill=(30, 60, 200), outline=(255, 255, 255),
              width=3 * SCALE)
    d.arc(s(93, 230, 119, 254), 180, 60, fill=(255, 255, 255), width=5 * SCALE)
    d.line(s(114, 251, 106, 258, 106, 262), fill=(255, 255, 255), width=5 * SCALE)
    d.ellipse(s(103, 265, 109, 271), fill=(255, 255, 255))
    # Hands on the desk, and the microphone.
    d.ellipse(s(50, 196, 76, 212), fill=skin)
    d.ellipse(s(136, 196, 162, 212), fill=skin)
    d.polygon(s(44, 185, 60, 160, 72, 200, 52, 206), fill=jacket)
    d.polygon(s(168, 185, 152, 160, 140, 200, 160, 206), fill=jacket)
    d.line(s(150, 206, 140, 150), fill=(40, 40, 40), width=2 * SCALE)
    d.ellipse(s(135, 140, 147, 156), fill=(25, 25, 25))
    d.rectangle(s(142, 203, 158, 207), fill=(40, 40, 40))

    img = img.resize((PHOTO_W, PHOTO_H), Image.LANCZOS)
    path = os.path.join(HERE, "foto.jpg")
    img.save(path, "JPEG", quality=85, optimize=True, progressive=False)
    check = Image.open(path)
    assert check.format == "JPEG" and check.size == (PHOTO_W, PHOTO_H) and check.mode == "RGB"
    assert "jfif" in check.info and "progressive" not in check.info
    assert os.path.getsize(path) < 25_000, os.path.getsize(path)


def main():
    write_xpm("girolettera", *television())
    write_xpm("infistr", *open_book())
    photograph()
    return 0


if __name__ == "__main__":
    sys.exit(main())
