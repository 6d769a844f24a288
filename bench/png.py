#!/usr/bin/python3
"""PNG side by side, in one run: the resident save of a 4K desktop (windows,
text, icons) and of a 4K photo-like picture (bench_png, the picture in
memory) against ImageMagick's `convert x.ppm x.png` as a process and Pillow's
default save timed in its own process; the times and the files' sizes, with
the ratios the program aims at (4x faster and at most 10% larger for the
desktop, 2x and 5% for the photo). grim's time where it runs (Wayland).
With --candidates, every library, level and filter that bench_png measures.

usage: bench/png.py [BUILD_DIR] [--candidates]"""
import os, shutil, subprocess, sys, tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchlib import best  # noqa: E402

build = next((a for a in sys.argv[1:] if not a.startswith("--")), "build")
candidates = "--candidates" in sys.argv
PILLOW = """import sys, time
from PIL import Image
im = Image.open(sys.argv[1]); im.load()
b = 9e9
for _ in range(3):
    s = time.perf_counter(); im.save(sys.argv[2]); b = min(b, time.perf_counter() - s)
print(b)"""

with tempfile.TemporaryDirectory() as d:
    args = [os.path.join(build, "bench", "bench_png"), d] + (["all"] if candidates else [])
    out = subprocess.run(args, check=True, capture_output=True, text=True,
                         env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
    ours = {}
    for row in out.splitlines():
        pic, name, ms, size = row.split()
        if name == "snaprio":
            ours[pic] = (float(ms) / 1000, int(size))
        elif candidates:
            print(f"  candidate {pic:8} {name:24} {float(ms):8.1f} ms {int(size):10d} bytes")
    goals = {"desktop": (4, 1.10), "photo": (2, 1.05)}
    for pic, (speed, room) in goals.items():
        ppm = os.path.join(d, pic + ".ppm")
        im_time = best(["/usr/bin/convert", ppm, os.path.join(d, "im.png")], os.environ, 3)[0]
        im_size = os.path.getsize(os.path.join(d, "im.png"))
        pil_time = float(subprocess.run(["/usr/bin/python3", "-c", PILLOW, ppm,
                                         os.path.join(d, "pil.png")], check=True,
                                        capture_output=True, text=True).stdout)
        pil_size = os.path.getsize(os.path.join(d, "pil.png"))
        t, size = ours[pic]
        smaller = min(im_size, pil_size)
        print(f"{pic} 3840x2160: snaprio {t*1000:.0f} ms {size/1e6:.2f} MB; "
              f"ImageMagick {im_time*1000:.0f} ms {im_size/1e6:.2f} MB; "
              f"Pillow {pil_time*1000:.0f} ms {pil_size/1e6:.2f} MB")
        print(f"  ImageMagick/snaprio {im_time/t:.1f}x, Pillow/snaprio {pil_time/t:.1f}x "
              f"(goal >= {speed}x); size / smaller peer {size/smaller:.3f} (goal <= {room})")
    if shutil.which("grim") and os.environ.get("WAYLAND_DISPLAY"):
        grim = best(["grim", os.path.join(d, "grim.png")], os.environ, 3)[0]
        print(f"grim (the whole screen to PNG): {grim*1000:.0f} ms")
    else:
        print("grim: no Wayland session here")
