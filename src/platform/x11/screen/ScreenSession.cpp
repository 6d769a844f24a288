#include "platform/x11/screen/ScreenSession.h"

#include "platform/x11/screen/X11ScreenRows.h"

struct TScreenSession::TImpl {
    explicit TImpl(Display* dpy) : Pool(std::make_shared<TShmPool>(dpy)), Screen(dpy) {}
    std::shared_ptr<TShmPool> Pool; // closes the connection last
    TXScreen Screen;
};

std::unique_ptr<TScreenSession> TScreenSession::Open() {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return nullptr;
    return std::unique_ptr<TScreenSession>(new TScreenSession(std::make_unique<TImpl>(dpy)));
}

TScreenSession::TScreenSession(std::unique_ptr<TImpl> impl) : Impl(std::move(impl)) {}
TScreenSession::~TScreenSession() = default;

int TScreenSession::Width() const {
    return Impl->Screen.Width();
}

int TScreenSession::Height() const {
    return Impl->Screen.Height();
}

TRect TScreenSession::Foreground(bool withFrame) {
    return Impl->Screen.Foreground(withFrame);
}

std::unique_ptr<TRowSource> TScreenSession::Rows(const TRect& r, int stripRows) {
    return std::make_unique<TXScreenRows>(Impl->Screen, *Impl->Pool, r, stripRows);
}
