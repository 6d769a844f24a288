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

// The X11 clipboard, on its own connection (opened on first use), unless
// another has been installed.
TClipboard& TheClipboard();
// Installs Clipboard (a test's stand-in, or the X11 one given back);
// returns the one it replaces.
std::unique_ptr<TClipboard> SetClipboard(std::unique_ptr<TClipboard> clipboard);
