#!/usr/bin/python3
"""Side-by-side timings of the image files as whole processes, in one run:
snaprio --convert against ImageMagick (GIF), cjpeg (JPEG) and cp (24-bit BMP
to BMP); the resident save of a 4K picture in memory (bench_save) against
cjpeg of the same picture from PPM; the start-up of --version; tjbench's
megapixels per second. Each time is the best of several runs, with the page
faults of that run and the peak memory (RSS) of the path.

usage: bench/imaging.py [BUILD_DIR]   (default: build)"""
import os, subprocess, sys, tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchlib import best_with_faults as measure  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build"
snaprio = os.path.join(build, "snaprio")
env = dict(os.environ, DISPLAY="")


def line(what, ours, peer_name, peer, ratio_text, ratio):
    print(f"  {what:5} snaprio {ours[0]*1000:7.1f} ms {ours[2]:6d} faults {ours[1]:5.0f} MB"
          f"   {peer_name:11} {peer[0]*1000:7.1f} ms {peer[2]:6d} faults {peer[1]:5.0f} MB"
          f"   {ratio_text} = {ratio:5.2f}")


with tempfile.TemporaryDirectory() as d:
    subprocess.run([os.path.join(build, "bench", "bench_pictures"), d], check=True)
    version = measure([snaprio, "--version"], env, 11)
    true = measure(["/bin/true"], env, 11)
    print(f"start-up: snaprio --version {version[0]*1000:.1f} ms, {version[2]} faults, "
          f"{version[1]:.0f} MB   (/bin/true {true[0]*1000:.1f} ms, {true[2]} faults)")
    saves = {}
    out = subprocess.run([os.path.join(build, "bench", "bench_save"), d], check=True,
                         capture_output=True, text=True).stdout
    for row in out.splitlines():
        f = row.split()
        if len(f) == 4:
            saves[(f[0], f[1])] = (float(f[2]) / 1000, 0, int(f[3]))
        else:
            save_peak = float(f[1])
    for pic in ("screenshot", "photo"):
        bmp, ppm = os.path.join(d, pic + ".BMP"), os.path.join(d, pic + ".ppm")
        ours_gif = measure([snaprio, "--convert", bmp, os.path.join(d, "o.GIF")], env)
        im_gif = measure(["/usr/bin/convert", ppm, "+dither", "-remap", "netscape:",
                          os.path.join(d, "m.gif")], env, 3)
        ours_jpg = measure([snaprio, "--convert", bmp, os.path.join(d, "o.JPG")], env)
        cjpeg = measure(["cjpeg", "-quality", "100", "-baseline", "-outfile",
                         os.path.join(d, "c.jpg"), ppm], env)
        ours_bmp = measure([snaprio, "--convert", bmp, os.path.join(d, "o.BMP")], env)
        cp = measure(["cp", bmp, os.path.join(d, "cp.BMP")], env)
        print(f"{pic} 3840x2160, snaprio --convert {pic}.BMP:")
        line("GIF", ours_gif, "ImageMagick", im_gif, "ImageMagick/snaprio", im_gif[0] / ours_gif[0])
        line("JPEG", ours_jpg, "cjpeg", cjpeg, "snaprio/cjpeg", ours_jpg[0] / cjpeg[0])
        line("BMP", ours_bmp, "cp", cp, "snaprio/cp", ours_bmp[0] / cp[0])
        jpg = saves[(pic, "JPG")]
        print(f"  resident save of the picture in memory: JPEG {jpg[0]*1000:.1f} ms "
              f"({jpg[2]} faults), snaprio/cjpeg = {jpg[0] / cjpeg[0]:.2f}; "
              f"BMP {saves[(pic, 'BMP')][0]*1000:.1f} ms, GIF {saves[(pic, 'GIF')][0]*1000:.1f} ms")
        out = subprocess.run(["tjbench", ppm, "100", "-bgrx", "-benchtime", "1", "-warmup", "0",
                              "-quiet", "-nowrite"], capture_output=True, text=True).stdout
        print("  tjbench -bgrx q100:", " ".join(out.split()[-6:]))
    print(f"resident save: peak memory beyond the 33 MB picture itself {save_peak:.1f} MB")
