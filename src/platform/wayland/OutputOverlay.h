// One output's window during a selection: frameless, full screen on that
// output, showing the output's frozen native picture pixel for pixel at the
// output's scale, never smoothed. Its mouse and key events go to the hook's
// reports with positions in the display's coordinates: a Wayland client sees
// positions only within its own windows (Qt's global position is the
// window's own there), so the output's place is added to them.
#pragma once

#include <QWidget>

class QScreen;
class TOverlayInput;

class TOutputOverlay : public QWidget {
public:
    // View is the output's native picture (kept by its owner while this
    // window lives); Place the output's rectangle in the display's
    // coordinates.
    TOutputOverlay(QScreen* screen, const QImage& view, QRect place, TOverlayInput& input);

    // Repaints Area (in the output's logical pixels) of the picture.
    void Changed(QRect area) { update(area); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QPoint OnDisplay(QPointF local) const;

    const QImage& View;
    QRect Place;
    TOverlayInput& Input;
};
