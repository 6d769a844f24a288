// One annotation of the editor: what it is, where it lies and how it looks.
// Items are plain values, so the undo history keeps whole lists of them.
#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>

enum class TItemKind {
    Arrow,
    Line,
    Rectangle,
    Ellipse,
    Pen,
    Highlighter,
    Text,
    Marker,
    Crop,
    SolidRedaction,
    Pixelation,
};

struct TItemStyle {
    QColor Color = QColor(255, 0, 0);
    int Width = 3;       // stroke width in pixels
    bool Filled = false; // rectangle and ellipse: filled instead of outlined
    int FontSize = 16;   // text and the marker's number, in pixels
    int CellSize = 12;   // pixelation cells, in pixels
    bool operator==(const TItemStyle&) const = default;
};

struct TEditorItem {
    TItemKind Kind = TItemKind::Line;
    // Arrow and line: start and end. Rectangle, ellipse, text, crop and
    // redactions: two opposite corners. Marker: its centre. Pen and
    // highlighter: the stroke.
    QList<QPointF> Points;
    TItemStyle Style;
    QString Text; // text items
    bool operator==(const TEditorItem&) const = default;
};

// Kinds that cover an area of whole pixels rather than being drawn.
constexpr bool IsRedaction(TItemKind k) {
    return k == TItemKind::SolidRedaction || k == TItemKind::Pixelation;
}
