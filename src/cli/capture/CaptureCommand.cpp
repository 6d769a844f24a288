#include "cli/capture/CaptureCommand.h"

#include <algorithm>

#include "cli/capture/CaptureRun.h"
#include "platform/types/GrabFailure.h"
#include "platform/x11/screen/ScreenSession.h"
#include "shapes/CaptureItems.h"

namespace {

class TX11CaptureScreen : public TCaptureScreen {
public:
    explicit TX11CaptureScreen(std::unique_ptr<TScreenSession> session)
        : Session(std::move(session)) {}

    std::unique_ptr<TRowSource> ItemRows(int item, int stripBytes, std::string& why) override {
        const TRect r = item == ciScreen ? TRect{0, 0, Session->Width(), Session->Height()}
                                         : Session->Foreground(item == ciWindow);
        if (r.Empty()) {
            why = GrabFailureText(EmptyGrabFailure(item != ciScreen, r == TRect{}));
            return nullptr;
        }
        // A strip's rows are read in one request, the server held meanwhile.
        const int strip = stripBytes > 0 ? std::max(1, stripBytes / (r.Width() * 4)) : r.Height();
        return Session->Rows(r, strip);
    }

private:
    std::unique_ptr<TScreenSession> Session;
};

std::unique_ptr<TCaptureScreen> OpenX11Screen(std::string& why) {
    std::unique_ptr<TScreenSession> session = TScreenSession::Open();
    if (!session) {
        why = "cannot open the X display; --capture needs an X11 session";
        return nullptr;
    }
    return std::make_unique<TX11CaptureScreen>(std::move(session));
}

} // namespace

int CaptureCommand(const char* what, const char* file) {
    return RunCapture(what, file, OpenX11Screen);
}

int CaptureMain(int argc, char** argv) {
    return RunCaptureMain(argc, argv, OpenX11Screen);
}
