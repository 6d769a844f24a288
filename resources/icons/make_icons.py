#!/usr/bin/python3
"""Draws the program icon as PNG files in the hicolor sizes, the same design
as snaprio.svg (a viewfinder on a blue tile). Run it after changing either."""
from PIL import Image, ImageDraw

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
S = 4  # supersampling


def draw(size):
    big = size * S
    k = big / 256.0
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([4 * k, 4 * k, 252 * k, 252 * k], radius=44 * k, fill="#0d2f66")
    d.rounded_rectangle([12 * k, 12 * k, 244 * k, 244 * k], radius=36 * k, fill="#1f5fbf")
    w = max(18 * k, 1.5 * S)
    for (x0, y0, x1, y1) in (
        (52, 52, 100, 52), (52, 52, 52, 100), (156, 52, 204, 52), (204, 52, 204, 100),
        (204, 156, 204, 204), (156, 204, 204, 204), (52, 204, 100, 204), (52, 156, 52, 204),
    ):
        h = w / 2
        d.rectangle([x0 * k - h, y0 * k - h, x1 * k + h, y1 * k + h], fill="white")
    d.ellipse([89 * k, 89 * k, 167 * k, 167 * k], fill="white")
    d.ellipse([99 * k, 99 * k, 157 * k, 157 * k], fill="#ffd23f")
    return img.resize((size, size), Image.LANCZOS)


if __name__ == "__main__":
    for s in SIZES:
        draw(s).save(f"snaprio-{s}.png", optimize=True)
