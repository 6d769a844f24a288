#!/usr/bin/python3
"""A scripted KWin on the session bus: org.kde.KWin.ScreenShot2 as KWin 5.27
offers it. Each capture answers first and then writes the raw picture into
the caller's pipe, as KWin does. Every call it gets is printed as one JSON
line.

Options:
  --screen NAME:WIDTH:HEIGHT:STRIDE:FORMAT   a screen and the picture it gives
  --window WIDTH:HEIGHT:STRIDE:FORMAT:SCALE   the active window's picture
  --refuse                                    every capture: NoAuthorized
The picture is Pattern() below in the QImage format FORMAT (4 RGB32,
6 ARGB32_Premultiplied, 17 RGBA8888); the bytes past a row are 0xab.
"""
import argparse
import json
import os
import struct
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

IFACE = "org.kde.KWin.ScreenShot2"


def pattern(x, y, seed):
    """The test's picture: R, G, B and a straight alpha."""
    return ((x * 7 + y * 3 + seed) & 255, (x * 5 + y * 11 + 50) & 255, (x ^ y) & 255,
            255 - ((x + 2 * y + seed) & 127))


def raw_picture(width, height, stride, fmt, seed):
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            r, g, b, a = pattern(x, y, seed)
            if fmt == 4:
                row += struct.pack("=I", 0xff000000 | r << 16 | g << 8 | b)
            elif fmt == 6:
                pm = [c * a // 255 for c in (r, g, b)]
                row += struct.pack("=I", a << 24 | pm[0] << 16 | pm[1] << 8 | pm[2])
            elif fmt == 17:
                row += bytes((r, g, b, a))
            else:
                raise ValueError(fmt)
        row += b"\xab" * (stride - len(row))
        rows.append(bytes(row))
    return b"".join(rows)


def plain(v):
    if isinstance(v, dbus.Boolean):
        return bool(v)
    if isinstance(v, (dict, dbus.Dictionary)):
        return {str(k): plain(x) for k, x in v.items()}
    if isinstance(v, (int, float)):
        return v
    return str(v)


class KWin(dbus.service.Object):
    def __init__(self, bus, args):
        super().__init__(bus, "/org/kde/KWin/ScreenShot2")
        self.args = args
        self.screens = {}
        for i, s in enumerate(args.screen):
            name, w, h, stride, fmt = s.split(":")
            self.screens[name] = (int(w), int(h), int(stride), int(fmt), 1.0, 17 * i)

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, iface, prop):
        return dbus.UInt32(4)

    def capture(self, picture, pipe, ok, err, extra):
        if self.args.refuse:
            err(dbus.exceptions.DBusException(
                "The process is not authorized to take a screenshot",
                name="org.kde.KWin.ScreenShot2.Error.NoAuthorized"))
            return
        if picture is None:
            err(dbus.exceptions.DBusException("Invalid screen requested",
                                              name="org.kde.KWin.ScreenShot2.Error.InvalidScreen"))
            return
        w, h, stride, fmt, scale, seed = picture
        fd = pipe.take()
        results = {"type": "raw", "width": dbus.UInt32(w), "height": dbus.UInt32(h),
                   "stride": dbus.UInt32(stride), "format": dbus.UInt32(fmt),
                   "scale": dbus.Double(scale)}
        results.update(extra)
        ok(dbus.Dictionary(results, signature="sv"))

        def write():
            data = raw_picture(w, h, stride, fmt, seed)
            with os.fdopen(fd, "wb") as f:
                f.write(data)
            return False
        GLib.idle_add(write)

    @dbus.service.method(IFACE, in_signature="sa{sv}h", out_signature="a{sv}",
                         async_callbacks=("ok", "err"))
    def CaptureScreen(self, name, options, pipe, ok, err):
        print(json.dumps({"call": "CaptureScreen", "name": str(name),
                          "options": plain(options)}), flush=True)
        self.capture(self.screens.get(str(name)), pipe, ok, err, {"screen": name})

    @dbus.service.method(IFACE, in_signature="a{sv}h", out_signature="a{sv}",
                         async_callbacks=("ok", "err"))
    def CaptureActiveWindow(self, options, pipe, ok, err):
        print(json.dumps({"call": "CaptureActiveWindow", "options": plain(options)}), flush=True)
        w, h, stride, fmt, scale = self.args.window.split(":")
        self.capture((int(w), int(h), int(stride), int(fmt), float(scale), 5), pipe, ok, err,
                     {"windowId": "{00000000-0000-0000-0000-000000000001}"})


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--screen", action="append", default=[])
    p.add_argument("--window", default="40:30:160:6:2")
    p.add_argument("--refuse", action="store_true")
    args = p.parse_args()
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    kwin = KWin(bus, args)
    name = dbus.service.BusName(IFACE, bus, do_not_queue=True)
    GLib.MainLoop().run()
    del kwin, name


if __name__ == "__main__":
    sys.exit(main())
