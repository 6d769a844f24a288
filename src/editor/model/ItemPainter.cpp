#include "editor/model/ItemPainter.h"

#include <QFont>
#include <QLineF>
#include <QPainter>
#include <QPolygonF>

#include "editor/model/ItemGeometry.h"

namespace {

QPen StrokePen(const TEditorItem& item) {
    return QPen(item.Style.Color, item.Style.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void PaintStroke(QPainter& p, const TEditorItem& item) {
    p.setPen(StrokePen(item));
    if (item.Points.size() == 1)
        p.drawPoint(item.Points.first());
    else
        p.drawPolyline(QPolygonF(item.Points));
}

void PaintArrow(QPainter& p, const TEditorItem& item) {
    if (item.Points.size() < 2) return;
    const QLineF line(item.Points[0], item.Points[1]);
    if (line.length() < 0.5) return;
    // The head ends at the end point; the shaft stops inside the head so its
    // round cap never pokes through the tip.
    const qreal head = std::min(ArrowHeadLength(item.Style.Width), line.length());
    const QPointF unit = (line.p2() - line.p1()) / line.length();
    const QPointF across(-unit.y(), unit.x());
    const QPointF base = line.p2() - unit * head;
    p.setPen(StrokePen(item));
    p.drawLine(line.p1(), line.p2() - unit * (head / 2));
    p.setPen(Qt::NoPen);
    p.setBrush(item.Style.Color);
    p.drawPolygon(QPolygonF{line.p2(), base + across * (head / 2), base - across * (head / 2)});
}

void PaintShape(QPainter& p, const TEditorItem& item) {
    const QRectF box = ItemBox(item);
    if (item.Style.Filled) {
        p.setPen(Qt::NoPen);
        p.setBrush(item.Style.Color);
    } else {
        p.setPen(
            QPen(item.Style.Color, item.Style.Width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
    }
    if (item.Kind == TItemKind::Rectangle)
        p.drawRect(box);
    else
        p.drawEllipse(box);
}

// Multiplying darkens only: dark text under the marker stays as dark as it was.
void PaintHighlighter(QPainter& p, const TEditorItem& item) {
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    QColor c = item.Style.Color;
    c.setAlpha(255);
    p.setPen(QPen(c, item.Style.Width, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    if (item.Points.size() == 1)
        p.drawPoint(item.Points.first());
    else
        p.drawPolyline(QPolygonF(item.Points));
}

void PaintText(QPainter& p, const TEditorItem& item) {
    const QRectF box = ItemBox(item);
    p.setClipRect(box, Qt::IntersectClip);
    QFont font = p.font();
    font.setPixelSize(std::max(item.Style.FontSize, 1));
    p.setFont(font);
    p.setPen(item.Style.Color);
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, item.Text);
}

void PaintMarker(QPainter& p, const TEditorItem& item, int number) {
    const QRectF circle = ItemBox(item);
    p.setPen(Qt::NoPen);
    p.setBrush(item.Style.Color);
    p.drawEllipse(circle);
    QFont font = p.font();
    font.setPixelSize(std::max(item.Style.FontSize, 1));
    font.setBold(true);
    p.setFont(font);
    // The number in black or white, whichever stands out on the colour.
    p.setPen(item.Style.Color.lightness() > 150 ? Qt::black : Qt::white);
    p.drawText(circle, Qt::AlignCenter, QString::number(number));
}

} // namespace

void PaintItem(QImage& canvas, const TEditorItem& item, QRect clip, int number,
               const TRedactionKey& key) {
    if (item.Points.isEmpty()) return;
    switch (item.Kind) {
    case TItemKind::Crop:
        return;
    case TItemKind::SolidRedaction:
        PaintSolid(canvas, PixelBox(item), clip, item.Style.Color.rgb());
        return;
    case TItemKind::Pixelation:
        PaintPixelation(canvas, PixelBox(item), clip, item.Style.CellSize, key,
                        item.Style.Color.rgb());
        return;
    default:
        break;
    }
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setClipRect(clip);
    switch (item.Kind) {
    case TItemKind::Arrow:
        PaintArrow(p, item);
        break;
    case TItemKind::Line:
    case TItemKind::Pen:
        PaintStroke(p, item);
        break;
    case TItemKind::Rectangle:
    case TItemKind::Ellipse:
        PaintShape(p, item);
        break;
    case TItemKind::Highlighter:
        PaintHighlighter(p, item);
        break;
    case TItemKind::Text:
        PaintText(p, item);
        break;
    case TItemKind::Marker:
        PaintMarker(p, item, number);
        break;
    default:
        break;
    }
}
