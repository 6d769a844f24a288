"""Decodes a picture file with Pillow for the tests: writes a header line
"MODE WIDTH HEIGHT" and the raw pixel bytes (palette indices for P, RGB
otherwise) to OUT; for P pictures the palette follows as a second file."""
import sys
from PIL import Image

src, out = sys.argv[1], sys.argv[2]
want = sys.argv[3] if len(sys.argv) > 3 else None
im = Image.open(src)
im.load()
if want:
    im = im.convert(want)
elif im.mode not in ("P", "RGB", "L"):
    im = im.convert("RGB")
with open(out, "wb") as f:
    f.write(("%s %d %d\n" % (im.mode, im.width, im.height)).encode())
    f.write(im.tobytes())
if im.mode == "P":
    with open(out + ".pal", "wb") as f:
        f.write(bytes(im.getpalette()))
