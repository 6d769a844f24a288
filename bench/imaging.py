#!/usr/bin/python3
"""Side-by-side timings of the image writers as whole processes, in one run:
snaprio --convert against ImageMagick (GIF) and cjpeg (JPEG), tjbench's
megapixels per second, and the peak memory of each conversion.

usage: bench/imaging.py [BUILD_DIR]   (default: build)"""
import os, subprocess, sys, tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchlib import best  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build"
snaprio = os.path.join(build, "snaprio")
env = dict(os.environ, DISPLAY="")


with tempfile.TemporaryDirectory() as d:
    subprocess.run([os.path.join(build, "bench", "bench_pictures"), d], check=True)
    for pic in ("screenshot", "photo"):
        bmp, ppm = os.path.join(d, pic + ".BMP"), os.path.join(d, pic + ".ppm")
        ours_gif, ours_gif_mb = best([snaprio, "--convert", bmp, os.path.join(d, "o.GIF")], env)
        im_gif, _ = best(["/usr/bin/convert", ppm, "+dither", "-remap", "netscape:",
                          os.path.join(d, "m.gif")], env, 3)
        ours_jpg, ours_jpg_mb = best([snaprio, "--convert", bmp, os.path.join(d, "o.JPG")], env)
        cjpeg, _ = best(["cjpeg", "-quality", "100", "-baseline", "-outfile",
                         os.path.join(d, "c.jpg"), ppm], env)
        _, ours_bmp_mb = best([snaprio, "--convert", bmp, os.path.join(d, "o.BMP")], env, 2)
        print(f"{pic} 3840x2160:")
        print(f"  GIF   snaprio {ours_gif*1000:7.1f} ms   ImageMagick {im_gif*1000:8.1f} ms"
              f"   ImageMagick/snaprio = {im_gif/ours_gif:5.1f}")
        print(f"  JPEG  snaprio {ours_jpg*1000:7.1f} ms   cjpeg       {cjpeg*1000:8.1f} ms"
              f"   snaprio/cjpeg = {ours_jpg/cjpeg:5.2f}")
        print(f"  peak RSS of --convert: GIF {ours_gif_mb:.0f} MB, JPEG {ours_jpg_mb:.0f} MB,"
              f" BMP {ours_bmp_mb:.0f} MB")
        out = subprocess.run(["tjbench", ppm, "100", "-bgrx", "-benchtime", "1", "-warmup", "0",
                              "-quiet", "-nowrite"], capture_output=True, text=True).stdout
        print("  tjbench -bgrx q100:", " ".join(out.split()[-6:]))
