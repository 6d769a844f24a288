// --capture in a Wayland session, a program of its own beside the front: the
// front hands --capture to it there. QtCore and QtDBus only, for the
// desktop's D-Bus sources; the pictures and writers are the X11 program's.
#include <QCoreApplication>

#include "cli/capture/CaptureRun.h"
#include "cli/wlcapture/WaylandCaptureScreen.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the portal's answer comes through its event loop
    return RunCaptureMain(argc, argv, OpenWaylandScreen);
}
