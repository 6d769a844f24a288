// The mouse selection of an area on the screen: a prompt follows the cursor,
// then a rubber-band figure of the item with its size read-out follows the
// drag; a right click switches between stretching and moving; the release
// grabs the area. All drawing inverts screen pixels and is undone by the same
// drawing again, and the text strips are put back from saved pixels, so the
// screen is left exactly as it was, whatever order the reports come in.
#pragma once

#include <QImage>
#include <QPoint>
#include <functional>

#include "platform/Display.h"
#include "platform/WinMessages.h"
#include "shapes/ShapeGeometry.h"

// One saved strip of screen under the prompt or the read-out; Y -5000 means
// that nothing is saved.
struct TTextSave {
    QImage Bitmap;
    int X = 0, Y = -5000, W = 0, H = 0;
};

class TSelection {
public:
    // Item ciRectangle to ciLast; Finish receives the grabbed (and masked) picture, or a
    // null one when nothing could be grabbed.
    TSelection(int item, TTextSave& textSave, std::function<void(const QImage&)> finish);

    // SelectionDC and GrabWaitStart: the prompt at the cursor. False when
    // the display cannot be drawn on.
    bool Start();
    // A hook report, hmLeftDown to hmMove.
    void Message(const TMessage& m);
    // Ends the selection without a picture: the figure and the prompt go,
    // the surface closes and the hook's mode is 1 again (Finish is not called).
    void Cancel();
    bool Active() const { return FActive; }

    // The outline rectangle now, and the stretch/move switch.
    TRect SelRect() const { return {L, T, R, B}; }
    bool MoveMode() const { return FMoveMode; }
    QPoint Anchor() const { return FAnchor; }
    // The last read-out text drawn (tests).
    const QString& LastReadout() const { return FReadout; }

    static QString PromptText() { return "Left click on the mouse to start the capture"; }

private:
    enum class TDrawn { Nothing, Prompt, Outline };
    void DrawPrompt();
    void DrawOutline();
    void Erase();
    // Text at (X, Y), or centred on W from X; kept wholly on the screen, and
    // above Above (the cursor or the outline's top) when there is no room below.
    void PutText(const QString& text, const QFont& font, QColor fg, QColor bg, int x, int y,
                 bool centreOnW, int w, int above);
    void RestoreText();
    void Finish();

    int Item;
    TTextSave& Save;
    std::function<void(const QImage&)> FinishCallback;
    TDisplay& Screen;
    bool FActive = false, FMoveMode = false, ButtonDown = false;
    QPoint FAnchor, LastMouse;
    int L = 0, T = 0, R = 0, B = 0;
    TDrawn Drawn = TDrawn::Nothing;
    QImage OutlineMask; // the inversion drawn now, to undo it exactly
    QPoint OutlineAt;
    QString FReadout;
    double Dots = 96; // the screen's dots per inch, read when the selection starts
};

// The figure of Item in (L, T, R, B) with its dotted bounding rectangle, as
// the pixels to invert: an 8-bit mask (0 or 255) and its top-left corner.
QImage RubberBandMask(int item, int l, int t, int r, int b, const TStarSettings& star, QPoint* at);
