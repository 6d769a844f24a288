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
    // The program keeps it until another client takes it. When the program
    // ends still owning it, a running clipboard manager is asked to keep a copy.
    virtual bool Offer(std::vector<TClipFormat> formats) = 0;
};

// The clipboard of the platform in use (platform/Platform.h); on X11 on its
// own connection, opened on first use.
TClipboard& TheClipboard();
