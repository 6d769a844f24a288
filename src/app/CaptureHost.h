// What the delivery and the tray ask of the program around them. The main
// window is the host; tests put a small one of their own in its place.
#pragma once

#include "config/ConfigPage.h"

class QImage;

class TCaptureHost {
public:
    // "Capt&ure Image": a capture cycle, as the hot key starts one.
    virtual void CaptureImage() = 0;
    // The configuration dialog on Page; nothing while it is open.
    virtual void Configure(TConfigPage page) = 0;
    // The send-image dialog for Picture; whether a message was sent.
    virtual bool SendImage(QImage& picture) = 0;
    // "&Open Image": a picture file, delivered as if it had been captured.
    virtual void OpenImage() = 0;
    // The about box; nothing while it is open.
    virtual void About() = 0;
    // The program ends, its settings saved.
    virtual void Terminate() = 0;

protected:
    ~TCaptureHost() = default;
};
