// The tray watch of a Wayland session: a StatusNotifierWatcher (a bar, a
// panel) that comes onto the bus after the program is a tray appearing.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/wayland/WaylandServices.h"

TEST(WaylandTrayWatch, AWatcherThatComesOntoTheBusIsATray) {
    QObject owner;
    TTrayWatch* watch = CreateWaylandTrayWatch(&owner);
    int appeared = 0;
    QObject::connect(watch, &TTrayWatch::Appeared, [&] { ++appeared; });
    WaitFor([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(appeared, 0);
    TProcess watcher({"/usr/bin/python3", "-c",
                      "import dbus, dbus.service\n"
                      "from dbus.mainloop.glib import DBusGMainLoop\n"
                      "from gi.repository import GLib\n"
                      "DBusGMainLoop(set_as_default=True)\n"
                      "name = dbus.service.BusName('org.kde.StatusNotifierWatcher', "
                      "dbus.SessionBus())\n"
                      "GLib.MainLoop().run()\n"});
    EXPECT_TRUE(WaitFor([&] { return appeared == 1; })) << watcher.Stderr();
}
