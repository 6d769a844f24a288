#!/usr/bin/python3
"""The screen in the headless sway session (two outputs, scales 1 and 2), in
one run: snaprio --capture screen x.BMP as a whole process beside grim -t ppm
writing the same layout (goal: ratio <= 1.2), and the same capture through
the Screenshot portal beside grim.   usage: bench/wayland_grab.py [BUILD_DIR]
Outside a Wayland session it starts one (tests/wayland/session.sh) and runs
itself there."""
import os, subprocess, sys, tempfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
from benchlib import best  # noqa: E402

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
if not os.environ.get("SNAPRIO_WAYLAND_SESSION"):
    session = os.path.join(here, "..", "tests", "wayland", "session.sh")
    sys.exit(subprocess.run([session, "test", sys.executable, os.path.abspath(__file__), build]).returncode)

env = dict(os.environ)
env.pop("DISPLAY", None)
snaprio = os.path.join(build, "snaprio")
with tempfile.TemporaryDirectory() as d:
    grim, grim_mb = best(["grim", "-t", "ppm", os.path.join(d, "g.ppm")], env)
    size = os.path.getsize(os.path.join(d, "g.ppm")) / 1e6
    print(f"grim -t ppm (the layout, {size:.1f} MB): {grim*1000:.0f} ms, peak RSS {grim_mb:.0f} MB")
    # --capture waits 0.3 s like the resident program; count it out for the comparison.
    for source, runs in (("screencopy", 5), ("portal", 3)):
        ours, ours_mb = best([snaprio, "--capture", "screen", os.path.join(d, "x.BMP")],
                             dict(env, SNAPRIO_SCREEN_SOURCE=source), runs)
        work = ours - 0.3
        print(f"--capture screen x.BMP through {source}: {ours*1000:.0f} ms ({work*1000:.0f} ms "
              f"without the 0.3 s pause), peak RSS {ours_mb:.0f} MB; snaprio/grim "
              f"{work/grim:.2f}" + (" (goal <= 1.2)" if source == "screencopy" else ""))
