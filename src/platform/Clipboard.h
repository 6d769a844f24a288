// The desktop clipboard (the X11 CLIPBOARD selection, a Wayland seat's
// selection), served by the program itself: large pictures go out in a few
// big increments, not hundreds of small ones.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct TClipFormat {
    QString Type; // "image/bmp"
    // The bytes, made on the first request and kept; a Wayland paste
    // served through wlr-data-control makes them on its writer's thread.
    std::function<QByteArray()> Make;
};

class TClipboard {
public:
    virtual ~TClipboard() = default;
    // Takes the clipboard with these formats; false when there is no display
    // or the desktop refuses it. The program keeps it until another client
    // takes it.
    virtual bool Offer(std::vector<TClipFormat> formats) = 0;
    // After a failed Offer: why, in a sentence for the user, where more can
    // be said than that it failed.
    virtual QString Refusal() const { return {}; }
    // At the program's end, while it still owns the clipboard: a running
    // clipboard manager is asked to keep a copy; without one, the keeper
    // beside the program in ProgramDir serves it until another client takes
    // the clipboard.
    virtual void HandOver(const QString& programDir) { (void)programDir; }
};

// The clipboard of the platform in use (platform/Platform.h); on X11 on its
// own connection, opened on first use.
TClipboard& TheClipboard();
