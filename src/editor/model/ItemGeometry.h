// Where an item lies: its box, the pixels its drawing can touch, hit testing,
// moving and resizing by handles.
#pragma once

#include <QList>
#include <QRect>
#include <QRectF>
#include <utility>

#include "editor/model/EditorItem.h"

enum class THandle {
    None,
    Start, // arrow and line ends
    End,
    TopLeft,
    Top,
    TopRight,
    Right,
    BottomRight,
    Bottom,
    BottomLeft,
    Left,
};

// The box of the item's points; a marker's circle.
QRectF ItemBox(const TEditorItem& item);
// Redaction and crop areas in whole pixels: corners rounded, right and
// bottom exclusive, so no pixel is half covered.
QRect PixelBox(const TEditorItem& item);
// Every pixel that drawing the item can change (stroke width, arrow head and
// antialiasing included): what a change of the item makes the view repaint.
QRect ItemBounds(const TEditorItem& item);
// The arrow head's length for a stroke width.
qreal ArrowHeadLength(int width);
// A marker's radius for its font size.
qreal MarkerRadius(int fontSize);

// Whether P lies on the item: on the stroke of outlines, lines and strokes
// (within Tolerance of it, so thin items can be picked), inside filled
// shapes, boxes, markers and areas.
bool HitsItem(const TEditorItem& item, QPointF p, qreal tolerance);

void MoveItem(TEditorItem& item, QPointF delta);
// The handles the item offers, where they are.
QList<std::pair<THandle, QPointF>> HandlesOf(const TEditorItem& item);
// Drags Handle to To: a line's end moves; a box handle moves its edge or
// corner, and a stroke's points are stretched with the box.
void ResizeItem(TEditorItem& item, THandle handle, QPointF to);
