#!/usr/bin/python3
"""The grab on a 3840 x 2160 Xvfb screen, in one run: the resident grab
against memcpy (bench_grab), and snaprio --capture screen x.BMP as a whole
process against xwd -root and scrot writing the same screen, with the peak
memory of the capture.   usage: bench/grab.py [BUILD_DIR]"""
import os, shutil, subprocess, sys, tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchlib import best_with_faults as measure  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build"
xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "3840x2160x24", "-noreset",
                         "-nolisten", "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
display = ":" + xvfb.stdout.readline().decode().strip()
env = dict(os.environ, DISPLAY=display)


try:
    # Something on the screen worth grabbing: the PNG benchmark's desktop
    # (windows, text) when it is built, else a pattern.
    pictures = tempfile.mkdtemp()
    png_bench = os.path.join(build, "bench", "bench_png")
    if os.path.exists(png_bench):
        subprocess.run([png_bench, pictures], env=dict(env, QT_QPA_PLATFORM="offscreen"),
                       capture_output=True)
        subprocess.run(["/usr/bin/display", "-window", "root", os.path.join(pictures, "desktop.ppm")],
                       env=env)
    else:
        subprocess.run(["xsetroot", "-mod", "16", "16", "-fg", "#3a6ea5", "-bg", "#ffffff"], env=env)
    shutil.rmtree(pictures)
    out = subprocess.run([os.path.join(build, "bench", "bench_grab"), "--benchmark_format=csv"],
                         env=env, capture_output=True, text=True).stdout
    times = {l.split(",")[0].strip('"'): float(l.split(",")[2]) for l in out.splitlines()[1:] if l.count(",") > 4}
    print(f"resident grab of 3840x2160: {times['Grab']:.1f} ms, memcpy of the same bytes "
          f"{times['Memcpy']:.1f} ms, ratio {times['Grab'] / times['Memcpy']:.2f}")
    with tempfile.TemporaryDirectory() as d:
        # --capture waits 0.3 s like the resident program; count it out for the comparison.
        work_of = {}
        for ext in ("BMP", "JPG", "GIF", "PNG"):
            ours, ours_mb, ours_pf = measure([os.path.join(build, "snaprio"), "--capture", "screen",
                                              os.path.join(d, "x." + ext)], env)
            work = ours - 0.3
            print(f"--capture screen x.{ext}: {ours*1000:.0f} ms ({work*1000:.0f} ms without the "
                  f"0.3 s pause), {ours_pf} faults, peak RSS {ours_mb:.0f} MB")
            work_of[ext] = work
        bmp_work = work_of["BMP"]
        xwd, xwd_mb, xwd_pf = measure(["xwd", "-root", "-silent", "-out", os.path.join(d, "x.xwd")], env)
        scrot, scrot_mb, scrot_pf = measure(["scrot", "-o", os.path.join(d, "x.png")], env, 3)
        print(f"xwd -root {xwd*1000:.0f} ms ({xwd_pf} faults, {xwd_mb:.0f} MB), scrot {scrot*1000:.0f} ms "
              f"({scrot_pf} faults, {scrot_mb:.0f} MB); for x.BMP xwd/snaprio {xwd/bmp_work:.2f}, "
              f"scrot/snaprio {scrot/bmp_work:.2f}; for x.PNG scrot/snaprio "
              f"{scrot/work_of['PNG']:.2f} (goal >= 3; sizes: snaprio "
              f"{os.path.getsize(os.path.join(d, 'x.PNG'))/1e6:.2f} MB, scrot "
              f"{os.path.getsize(os.path.join(d, 'x.png'))/1e6:.2f} MB)")
finally:
    xvfb.terminate()
