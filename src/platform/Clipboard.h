// The desktop clipboard (the X11 CLIPBOARD selection), served by the program
// itself: large pictures go out in a few big increments, not hundreds of
// small ones.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct TClipFormat {
    QString Type; // "image/bmp"
    // The bytes, made on the first request and kept.
    std::function<QByteArray()> Make;
};

class TClipboard {
public:
    virtual ~TClipboard() = default;
    // Takes the clipboard with these formats; false when there is no display.
    // The program keeps it until another client takes it.
    virtual bool Offer(std::vector<TClipFormat> formats) = 0;
    // At the program's end, while it still owns the clipboard: a running
    // clipboard manager is asked to keep a copy; without one, the keeper
    // beside the program in ProgramDir serves it until another client takes
    // the clipboard.
    virtual void HandOver(const QString& programDir) { (void)programDir; }
};

// The clipboard of the platform in use (platform/Platform.h); on X11 on its
// own connection, opened on first use.
TClipboard& TheClipboard();
