#!/usr/bin/python3
"""The grab on a 3840 x 2160 Xvfb screen, in one run: the resident grab
against memcpy (bench_grab), and snaprio --capture screen x.BMP as a whole
process against xwd -root and scrot writing the same screen, with the peak
memory of the capture.   usage: bench/grab.py [BUILD_DIR]"""
import os, subprocess, sys, tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchlib import best  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build"
xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "3840x2160x24", "-noreset",
                         "-nolisten", "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
display = ":" + xvfb.stdout.readline().decode().strip()
env = dict(os.environ, DISPLAY=display)


try:
    # Something on the screen worth grabbing.
    subprocess.run(["xsetroot", "-mod", "16", "16", "-fg", "#3a6ea5", "-bg", "#ffffff"], env=env)
    out = subprocess.run([os.path.join(build, "bench", "bench_grab"), "--benchmark_format=csv"],
                         env=env, capture_output=True, text=True).stdout
    times = {l.split(",")[0].strip('"'): float(l.split(",")[2]) for l in out.splitlines()[1:] if l.count(",") > 4}
    print(f"resident grab of 3840x2160: {times['Grab']:.1f} ms, memcpy of the same bytes "
          f"{times['Memcpy']:.1f} ms, ratio {times['Grab'] / times['Memcpy']:.2f}")
    with tempfile.TemporaryDirectory() as d:
        # --capture waits 0.3 s like the resident program; count it out for the comparison.
        ours, ours_mb = best([os.path.join(build, "snaprio"), "--capture", "screen", os.path.join(d, "x.BMP")], env)
        xwd, _ = best(["xwd", "-root", "-silent", "-out", os.path.join(d, "x.xwd")], env)
        scrot, _ = best(["scrot", "-o", os.path.join(d, "x.png")], env, 3)
        work = ours - 0.3
        print(f"--capture screen x.BMP: {ours*1000:.0f} ms ({work*1000:.0f} ms without the 0.3 s pause), "
              f"xwd -root {xwd*1000:.0f} ms, scrot {scrot*1000:.0f} ms; "
              f"xwd/snaprio {xwd/work:.2f}, scrot/snaprio {scrot/work:.2f}")
        print(f"peak RSS of --capture screen x.BMP at 4K: {ours_mb:.0f} MB")
finally:
    xvfb.terminate()
