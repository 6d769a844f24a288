#include "editor/model/ItemGeometry.h"

#include <QLineF>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <cmath>

namespace {

bool IsBoxKind(TItemKind k) {
    return k == TItemKind::Rectangle || k == TItemKind::Ellipse || k == TItemKind::Text ||
           k == TItemKind::Crop || IsRedaction(k);
}

// Outlines and lines are picked on their stroke; everything else on its area.
bool PickedOnStroke(const TEditorItem& item) {
    switch (item.Kind) {
    case TItemKind::Arrow:
    case TItemKind::Line:
    case TItemKind::Pen:
    case TItemKind::Highlighter:
        return true;
    case TItemKind::Rectangle:
    case TItemKind::Ellipse:
        return !item.Style.Filled;
    default:
        return false;
    }
}

QPainterPath OutlineOf(const TEditorItem& item) {
    QPainterPath path;
    const QRectF box = ItemBox(item);
    if (item.Kind == TItemKind::Rectangle)
        path.addRect(box);
    else if (item.Kind == TItemKind::Ellipse)
        path.addEllipse(box);
    else if (!item.Points.isEmpty()) {
        path.moveTo(item.Points.first());
        for (qsizetype i = 1; i < item.Points.size(); ++i) path.lineTo(item.Points[i]);
    }
    return path;
}

} // namespace

qreal ArrowHeadLength(int width) {
    return 4.0 * width + 8.0;
}

qreal MarkerRadius(int fontSize) {
    return fontSize * 0.9 + 2.0;
}

QRectF ItemBox(const TEditorItem& item) {
    if (item.Points.isEmpty()) return {};
    if (item.Kind == TItemKind::Marker) {
        const qreal r = MarkerRadius(item.Style.FontSize);
        return QRectF(item.Points.first() - QPointF(r, r), QSizeF(2 * r, 2 * r));
    }
    return QPolygonF(item.Points).boundingRect();
}

QRect PixelBox(const TEditorItem& item) {
    const QRectF box = ItemBox(item);
    const QPoint topLeft(qRound(box.left()), qRound(box.top()));
    const QPoint end(qRound(box.right()), qRound(box.bottom()));
    return QRect(topLeft, end - QPoint(1, 1));
}

QRect ItemBounds(const TEditorItem& item) {
    if (item.Points.isEmpty()) return {};
    if (item.Kind == TItemKind::Crop || IsRedaction(item.Kind)) return PixelBox(item);
    const QRectF box = ItemBox(item);
    // Two pixels for antialiasing beyond the geometry.
    qreal margin = 2;
    if (PickedOnStroke(item)) margin += item.Style.Width; // caps and joins reach past the points
    if (item.Kind == TItemKind::Arrow) margin += ArrowHeadLength(item.Style.Width);
    if (item.Kind == TItemKind::Text) margin = 0; // drawn clipped to its box
    return box.adjusted(-margin, -margin, margin, margin).toAlignedRect();
}

bool HitsItem(const TEditorItem& item, QPointF p, qreal tolerance) {
    if (item.Points.isEmpty()) return false;
    if (item.Kind == TItemKind::Marker) {
        const qreal r = MarkerRadius(item.Style.FontSize) + tolerance;
        return QLineF(item.Points.first(), p).length() <= r;
    }
    if (!PickedOnStroke(item))
        return ItemBox(item).adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(p);
    const qreal reach = item.Style.Width / 2.0 + tolerance;
    if (item.Points.size() == 1) return QLineF(item.Points.first(), p).length() <= reach;
    QPainterPathStroker stroker;
    stroker.setWidth(2 * reach);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(OutlineOf(item)).contains(p);
}

void MoveItem(TEditorItem& item, QPointF delta) {
    for (QPointF& p : item.Points) p += delta;
}

QList<std::pair<THandle, QPointF>> HandlesOf(const TEditorItem& item) {
    if (item.Kind == TItemKind::Marker || item.Points.isEmpty()) return {};
    if (item.Kind == TItemKind::Arrow || item.Kind == TItemKind::Line) {
        if (item.Points.size() < 2) return {};
        return {{THandle::Start, item.Points[0]}, {THandle::End, item.Points[1]}};
    }
    const QRectF b = ItemBox(item);
    const QPointF c = b.center();
    return {{THandle::TopLeft, b.topLeft()},         {THandle::Top, {c.x(), b.top()}},
            {THandle::TopRight, b.topRight()},       {THandle::Right, {b.right(), c.y()}},
            {THandle::BottomRight, b.bottomRight()}, {THandle::Bottom, {c.x(), b.bottom()}},
            {THandle::BottomLeft, b.bottomLeft()},   {THandle::Left, {b.left(), c.y()}}};
}

void ResizeItem(TEditorItem& item, THandle handle, QPointF to) {
    if (item.Points.isEmpty() || handle == THandle::None || item.Kind == TItemKind::Marker) return;
    if (item.Kind == TItemKind::Arrow || item.Kind == TItemKind::Line) {
        if (item.Points.size() < 2) return;
        if (handle == THandle::Start) item.Points[0] = to;
        if (handle == THandle::End) item.Points[1] = to;
        return;
    }
    const QRectF old = ItemBox(item);
    qreal l = old.left(), t = old.top(), r = old.right(), b = old.bottom();
    if (handle == THandle::TopLeft || handle == THandle::Left || handle == THandle::BottomLeft)
        l = to.x();
    if (handle == THandle::TopRight || handle == THandle::Right || handle == THandle::BottomRight)
        r = to.x();
    if (handle == THandle::TopLeft || handle == THandle::Top || handle == THandle::TopRight)
        t = to.y();
    if (handle == THandle::BottomLeft || handle == THandle::Bottom ||
        handle == THandle::BottomRight)
        b = to.y();
    if (IsBoxKind(item.Kind)) {
        item.Points = {QPointF(l, t), QPointF(r, b)};
        return;
    }
    // A stroke stretches with its box; along a flat side it only moves.
    auto map = [](qreal v, qreal from0, qreal from1, qreal to0, qreal to1) {
        return from1 == from0 ? v + (to0 - from0)
                              : to0 + (v - from0) * (to1 - to0) / (from1 - from0);
    };
    for (QPointF& p : item.Points)
        p = QPointF(map(p.x(), old.left(), old.right(), l, r),
                    map(p.y(), old.top(), old.bottom(), t, b));
}
