#!/usr/bin/python3
"""A scripted xdg-desktop-portal on the session bus: the Screenshot and
GlobalShortcuts interfaces with their Request and Session objects, as the
real frontend offers them. Every call it gets is printed as one JSON line;
Responses and Activated go to the caller alone, as the frontend sends them.

Options:
  --screenshot CODE|silent   Response code of every Screenshot (silent: none)
  --create CODE|silent       Response code of CreateSession
  --bind CODE|silent         Response code of BindShortcuts
  --activate ID              Activated(session, ID) right after BindShortcuts's
                             Response, before its reply
"""
import argparse
import json
import sys

import dbus
import dbus.lowlevel
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

BASE = "/org/freedesktop/portal/desktop"
PROPS = "org.freedesktop.DBus.Properties"
SCREENSHOT = "org.freedesktop.portal.Screenshot"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"


def plain(v):
    """dbus values as JSON ones."""
    if isinstance(v, dbus.Boolean):
        return bool(v)
    if isinstance(v, (dict, dbus.Dictionary)):
        return {str(k): plain(x) for k, x in v.items()}
    if isinstance(v, (list, tuple, dbus.Array, dbus.Struct)):
        return [plain(x) for x in v]
    if isinstance(v, (int, float)):
        return v
    return str(v)


def record(**what):
    print(json.dumps(what), flush=True)


def sender_part(sender):
    return sender[1:].replace(".", "_")


class Request(dbus.service.Object):
    """A request's own object: Close ends it, and no Response follows."""

    @dbus.service.method("org.freedesktop.portal.Request", in_signature="", out_signature="")
    def Close(self):
        record(call="Close", path=self.__dbus_object_path__)
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, args):
        super().__init__(bus, BASE)
        self.bus = bus
        self.args = args

    def unicast(self, path, iface, name, sig, values, to):
        msg = dbus.lowlevel.SignalMessage(path, iface, name)
        msg.set_destination(to)
        msg.append(*values, signature=sig)
        self.bus.send_message(msg)

    def respond(self, mode, path, results, to, then=None):
        """The Response goes out before the call's own reply: a caller that
        subscribes only once it has the request's path misses it."""
        if mode == "silent":
            Request(self.bus, path)
            return
        self.unicast(path, "org.freedesktop.portal.Request", "Response", "ua{sv}",
                     [dbus.UInt32(int(mode)), dbus.Dictionary(results, signature="sv")], to)
        if then:
            then()

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, iface, prop):
        if iface in (SCREENSHOT, SHORTCUTS) and prop == "version":
            return dbus.UInt32(2 if iface == SCREENSHOT else 1)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, iface):
        return {"version": self.Get(iface, "version")}

    @dbus.service.method(SCREENSHOT, in_signature="sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def Screenshot(self, parent, options, sender=None):
        record(call="Screenshot", parent_window=str(parent), options=plain(options))
        path = f"{BASE}/request/{sender_part(sender)}/{options['handle_token']}"
        self.respond(self.args.screenshot, path, {}, sender)
        return dbus.ObjectPath(path)

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender", message_keyword="msg")
    def CreateSession(self, options, sender=None, msg=None):
        # Plasma 5.27 takes the shortcuts only in this type.
        shortcuts = options.get("shortcuts")
        record(call="CreateSession", signature=msg.get_signature(), options=plain(options),
               shortcuts_signature=getattr(shortcuts, "signature", None))
        path = f"{BASE}/request/{sender_part(sender)}/{options['handle_token']}"
        session = f"{BASE}/session/{sender_part(sender)}/{options['session_handle_token']}"
        self.respond(self.args.create, path, {"session_handle": dbus.String(session)}, sender)
        return dbus.ObjectPath(path)

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender", message_keyword="msg")
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None, msg=None):
        record(call="BindShortcuts", signature=msg.get_signature(), session=str(session),
               shortcuts=plain(shortcuts),
               parent_window=str(parent), options=plain(options))
        path = f"{BASE}/request/{sender_part(sender)}/{options['handle_token']}"
        then = None
        if self.args.activate:
            def then():
                self.unicast(BASE, SHORTCUTS, "Activated", "osta{sv}",
                             [dbus.ObjectPath(session), self.args.activate, dbus.UInt64(1),
                              dbus.Dictionary({}, signature="sv")], sender)
        bound = dbus.Array([dbus.Struct((i, dbus.Dictionary(d, signature="sv")))
                            for i, d in shortcuts], signature="(sa{sv})")
        self.respond(self.args.bind, path, {"shortcuts": bound}, sender, then)
        return dbus.ObjectPath(path)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--screenshot", default="0")
    p.add_argument("--create", default="0")
    p.add_argument("--bind", default="0")
    p.add_argument("--activate", default="")
    args = p.parse_args()
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus, args)
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus, do_not_queue=True)
    record(ready=True)
    GLib.MainLoop().run()
    del portal, name


if __name__ == "__main__":
    sys.exit(main())
