// The capture command as a program of its own beside the front: the front
// hands --capture to it (exec), so a capture loads Xlib and the picture
// writers, not Qt.
#include "cli/capture/CaptureCommand.h"

int main(int argc, char** argv) {
    return CaptureMain(argc, argv);
}
