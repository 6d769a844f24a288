#include "app/Selection.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "config/ShapeSettings.h"
#include "hook/HookBlock.h"
#include "shapes/CaptureItems.h"
#include "shapes/FigurePainter.h"
#include "shapes/ShapeMask.h"

namespace {

// Between the text and the cursor or the outline (pixels).
constexpr int TextGap = 5;

// The text goes onto the screen's own pixels, past Qt's scaling: its font is
// sized in those pixels for the screen's dots per inch.
QFont AtDpi(QFont font, double points, double dpi) {
    font.setPixelSize(std::max(1, qRound(points * dpi / 72)));
    return font;
}

// The default font, which the read-out uses, at the screen's resolution.
QFont ReadoutFont(double dpi) {
    const QFont base;
    return AtDpi(base, base.pointSizeF() > 0 ? base.pointSizeF() : base.pixelSize() * 72.0 / 96,
                 dpi);
}

} // namespace

QImage RubberBandMask(int item, int l, int t, int r, int b, const TStarSettings& star, QPoint* at) {
    // The dotted box runs through R and B; the figure stays inside it, but a
    // star of odd settings may not: take the union.
    const TFigure f = FigureFor(item, l, t, r, b, star);
    QRect box(QPoint(l, t), QPoint(r, b));
    if (f.Kind == TFigure::Polygon && !f.Points.isEmpty())
        box = box.united(f.Points.boundingRect());
    box.adjust(-1, -1, 1, 1);
    *at = box.topLeft();
    QImage figure(box.size(), QImage::Format_Grayscale8);
    figure.fill(0);
    QImage dots = figure;
    {
        QPainter p(&figure);
        p.translate(-box.topLeft());
        p.setPen(QPen(Qt::white, 0, Qt::DotLine));
        p.setBrush(Qt::white); // filled, so its inside inverts too
        PaintFigure(p, f);
    }
    {
        QPainter p(&dots);
        p.translate(-box.topLeft());
        PaintDottedBox(p, l, t, r, b);
    }
    // Two inverting drawings: where both set a pixel it ends as it was.
    for (int y = 0; y < figure.height(); ++y) {
        uchar* a = figure.scanLine(y);
        const uchar* d = dots.constScanLine(y);
        for (int x = 0; x < figure.width(); ++x) a[x] = (a[x] ? 255 : 0) ^ (d[x] ? 255 : 0);
    }
    return figure;
}

TSelection::TSelection(int item, TTextSave& textSave, std::function<void(const QImage&)> finish)
    : Item(item), Save(textSave), FinishCallback(std::move(finish)), Screen(TheDisplay()) {}

bool TSelection::Start() {
    if (!Screen.BeginSelection()) return false;
    FActive = true;
    FMoveMode = false;
    ButtonDown = false;
    Dots = Screen.Dpi();
    LastMouse = FAnchor = Screen.CursorPos();
    L = R = FAnchor.x();
    T = B = FAnchor.y();
    DrawPrompt();
    SetHookMode(HookModeSelect);
    return true;
}

void TSelection::PutText(const QString& text, const QFont& font, QColor fg, QColor bg, int x, int y,
                         bool centreOnW, int w, int above) {
    const QFontMetrics fm(font);
    const QSize size(std::max(1, fm.horizontalAdvance(text)), std::max(1, fm.height()));
    if (centreOnW) x += (w - size.width()) / 2;
    const int screenW = Screen.ScreenWidth(), screenH = Screen.ScreenHeight();
    if (y + size.height() > screenH) y = above - TextGap - size.height();
    x = std::clamp(x, 0, std::max(0, screenW - size.width()));
    y = std::clamp(y, 0, std::max(0, screenH - size.height()));
    // Save what is under the text first, then copy the text over it.
    Save.Bitmap = Screen.Grab({x, y, x + size.width(), y + size.height()});
    Save.X = x, Save.Y = y, Save.W = size.width(), Save.H = size.height();
    QImage text_(size, QImage::Format_RGB32);
    text_.fill(bg);
    QPainter p(&text_);
    p.setFont(font);
    p.setPen(fg);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.end();
    Screen.Put(text_, {x, y});
}

void TSelection::RestoreText() {
    if (Save.Y == -5000) return;
    if (!Save.Bitmap.isNull()) Screen.Put(Save.Bitmap, {Save.X, Save.Y});
    Save.Bitmap = QImage();
    Save.Y = -5000;
}

void TSelection::DrawPrompt() {
    // GrabWaitRect: the text at (left + 20, bottom + 5), 12 points.
    PutText(PromptText(), AtDpi(QFont(), 12, Dots), Qt::white, Qt::black, L + 20, B + TextGap,
            false, 0, T);
    Drawn = TDrawn::Prompt;
}

void TSelection::DrawOutline() {
    const TStarSettings star = StarLike(Item) ? ShapeItemOf(Item).Star : TStarSettings{};
    OutlineMask = RubberBandMask(Item, L, T, R, B, star, &OutlineAt);
    Screen.Invert(OutlineMask, OutlineAt);
    const QSize n = ReadoutSize(Item, R - L, B - T);
    FReadout = QString("Size: %1 x %2   Right click to toggle between stretch and move")
                   .arg(n.width())
                   .arg(n.height());
    FReadout.truncate(100);
    PutText(FReadout, ReadoutFont(Dots), Qt::black, Qt::white, L, B + TextGap, true, n.width(), T);
    Drawn = TDrawn::Outline;
}

void TSelection::Erase() {
    // The text strip first: it was saved over the inverted figure.
    RestoreText();
    if (Drawn == TDrawn::Outline) Screen.Invert(OutlineMask, OutlineAt);
    Drawn = TDrawn::Nothing;
}

void TSelection::Message(const TMessage& m) {
    if (!FActive) return;
    const QPoint p(m.WParam, m.LParam);
    switch (m.Msg) {
    case hmMove: // the prompt follows the cursor until the button goes down
        if (ButtonDown) return;
        Erase();
        L += p.x() - LastMouse.x(), R += p.x() - LastMouse.x();
        T += p.y() - LastMouse.y(), B += p.y() - LastMouse.y();
        FAnchor += p - LastMouse;
        LastMouse = p;
        DrawPrompt();
        break;
    case hmLeftDown:
        Erase();
        ButtonDown = true;
        FAnchor = p;
        L = R = p.x();
        T = B = p.y();
        DrawOutline();
        break;
    case hmDrag: {
        if (!ButtonDown) return;
        const QPoint old = LastMouse;
        LastMouse = p;
        Erase();
        if (!FMoveMode) {
            L = std::min(FAnchor.x(), p.x()), R = std::max(FAnchor.x(), p.x());
            T = std::min(FAnchor.y(), p.y()), B = std::max(FAnchor.y(), p.y());
        } else {
            const QPoint d = p - old;
            L += d.x(), R += d.x(), T += d.y(), B += d.y();
            FAnchor += d;
        }
        DrawOutline();
        break;
    }
    case hmRightClick:
        FMoveMode = !FMoveMode;
        break;
    case hmLeftUp:
        LastMouse = p;
        Finish();
        break;
    default:
        break;
    }
}

void TSelection::Cancel() {
    if (!FActive) return;
    Erase();
    FActive = false;
    Screen.EndSelection();
    SetHookMode(HookModeKeys);
}

void TSelection::Finish() {
    Erase();
    FActive = false;
    int l = std::min(FAnchor.x(), LastMouse.x()), r = std::max(FAnchor.x(), LastMouse.x());
    int t = std::min(FAnchor.y(), LastMouse.y()), b = std::max(FAnchor.y(), LastMouse.y());
    if (SquareFitted(Item)) {
        const QRect sq = CentredSquare(l, t, r - l, b - t);
        l = sq.left(), t = sq.top(), r = l + sq.width(), b = t + sq.height();
    }
    QImage picture = Screen.Grab({l, t, r, b});
    Screen.EndSelection();
    if (Item >= ciFirstShape) MaskPicture(picture, Item, ShapeItemOf(Item));
    FinishCallback(picture);
}
