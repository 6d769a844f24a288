#include "editor/view/EditorCanvas.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr double MinZoom = 0.125, MaxZoom = 8, ZoomStep = 1.25;
constexpr qreal PickTolerance = 4; // screen pixels around thin items and handles
constexpr int HandleSize = 6;

} // namespace

TEditorCanvas::TEditorCanvas(TEditorModel& model, QWidget* parent)
    : QWidget(parent), FModel(model) {
    setObjectName("EditorCanvas");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    FModel.Paint(FCache, FModel.Picture().rect());
    FModel.TakeDamage();
    SetZoom(1);
}

void TEditorCanvas::SetZoom(double zoom) {
    FZoom = std::clamp(zoom, MinZoom, MaxZoom);
    const QSize size = FModel.Picture().size();
    setFixedSize(std::max(1, int(std::ceil(size.width() * FZoom))),
                 std::max(1, int(std::ceil(size.height() * FZoom))));
    if (FTextEdit) FTextEdit->setGeometry(ToWidget(ItemBox(FModel.Items()[FTextIndex])));
    update();
}

QRect TEditorCanvas::ToWidget(QRectF picture) const {
    const QRectF r(picture.topLeft() * FZoom, picture.size() * FZoom);
    return r.toAlignedRect();
}

void TEditorCanvas::Refresh() {
    const QRect damage = FModel.TakeDamage();
    if (FCache.size() != FModel.Picture().size()) {
        FModel.Paint(FCache, FModel.Picture().rect());
        update();
    } else if (!damage.isEmpty()) {
        FModel.Paint(FCache, damage);
        update(ToWidget(damage).adjusted(-1, -1, 1, 1));
    }
    emit Changed();
}

void TEditorCanvas::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    // The picture's pixels as they are: no smoothing, whatever the zoom.
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect area = e->rect();
    if (FZoom == 1) {
        p.drawImage(area.topLeft(), FCache, area);
    } else {
        const QRectF source(area.topLeft() / FZoom, area.size() / FZoom);
        const QRect from = source.toAlignedRect().intersected(FCache.rect());
        p.drawImage(QRectF(QPointF(from.topLeft()) * FZoom, QSizeF(from.size()) * FZoom), FCache,
                    from);
    }
    const int selected = FModel.Selected();
    if (selected < 0 || selected >= FModel.Items().size()) return;
    const TEditorItem& item = FModel.Items()[selected];
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(ToWidget(ItemBox(item)).adjusted(0, 0, -1, -1));
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    for (const auto& [handle, at] : HandlesOf(item)) {
        const QPointF c = at * FZoom;
        p.drawRect(
            QRectF(c.x() - HandleSize / 2.0, c.y() - HandleSize / 2.0, HandleSize, HandleSize));
    }
}

void TEditorCanvas::UpdateSelection(int before) {
    // The selection frame and handles lie around the item: repaint both the
    // old and the new, with room for the handles.
    for (int index : {before, FModel.Selected()})
        if (index >= 0 && index < FModel.Items().size())
            update(ToWidget(ItemBox(FModel.Items()[index]))
                       .adjusted(-HandleSize, -HandleSize, HandleSize, HandleSize));
}

void TEditorCanvas::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    FinishText();
    const QPointF at = ToPicture(e->position());
    const qreal tolerance = PickTolerance / FZoom;
    const int before = FModel.Selected();
    FLast = at;
    const TToolInfo& tool = ToolInfo(Tool);
    if (!tool.Kind) {
        if (before >= 0 && (FHandle = FModel.HandleAt(before, at, tolerance)) != THandle::None) {
            FIndex = before;
            FDrag = TDrag::Resize;
        } else {
            FIndex = FModel.ItemAt(at, tolerance);
            FModel.Select(FIndex);
            FDrag = FIndex >= 0 ? TDrag::Move : TDrag::None;
        }
        if (FDrag != TDrag::None) FModel.BeginGesture();
        UpdateSelection(before);
        Refresh();
        return;
    }
    TEditorItem item;
    item.Kind = *tool.Kind;
    item.Style = Style;
    const bool stroke = item.Kind == TItemKind::Pen || item.Kind == TItemKind::Highlighter;
    item.Points =
        (stroke || item.Kind == TItemKind::Marker) ? QList<QPointF>{at} : QList<QPointF>{at, at};
    FModel.BeginGesture();
    FIndex = FModel.Add(item);
    FDrag = item.Kind == TItemKind::Marker ? TDrag::None : TDrag::Draw;
    if (FDrag == TDrag::None) FModel.EndGesture();
    UpdateSelection(before);
    Refresh();
}

void TEditorCanvas::mouseMoveEvent(QMouseEvent* e) {
    if (FDrag == TDrag::None) return;
    const QPointF at = ToPicture(e->position());
    const int before = FModel.Selected();
    UpdateSelection(before); // the frame's old place
    switch (FDrag) {
    case TDrag::Draw: {
        const TItemKind kind = FModel.Items()[FIndex].Kind;
        if (kind == TItemKind::Pen || kind == TItemKind::Highlighter)
            FModel.AppendPoint(FIndex, at);
        else if (kind == TItemKind::Arrow || kind == TItemKind::Line)
            FModel.Resize(FIndex, THandle::End, at);
        else {
            // The corner where the drag began stays put, whichever way it goes.
            TEditorItem item = FModel.Items()[FIndex];
            item.Points = {item.Points[0], at};
            FModel.Delete(FIndex);
            FIndex = FModel.Add(item);
        }
        break;
    }
    case TDrag::Move:
        FModel.Move(FIndex, at - FLast);
        break;
    case TDrag::Resize:
        FModel.Resize(FIndex, FHandle, at);
        break;
    case TDrag::None:
        break;
    }
    FLast = at;
    UpdateSelection(before);
    Refresh();
}

void TEditorCanvas::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || FDrag == TDrag::None) return;
    const bool drawn = FDrag == TDrag::Draw;
    FDrag = TDrag::None;
    FModel.EndGesture();
    Refresh();
    if (drawn && FModel.Items()[FIndex].Kind == TItemKind::Text) EditText(FIndex);
}

void TEditorCanvas::wheelEvent(QWheelEvent* e) {
    if (!(e->modifiers() & Qt::ControlModifier)) {
        e->ignore(); // the scroll area scrolls
        return;
    }
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0) SetZoom(FZoom * std::pow(ZoomStep, steps));
    e->accept();
}

void TEditorCanvas::EditText(int index) {
    FTextIndex = index;
    FTextEdit = new QLineEdit(this);
    FTextEdit->setObjectName("TextEdit");
    FTextEdit->setText(FModel.Items()[index].Text);
    QFont font = FTextEdit->font();
    font.setPixelSize(std::max(1, int(FModel.Items()[index].Style.FontSize * FZoom)));
    FTextEdit->setFont(font);
    QRect box = ToWidget(ItemBox(FModel.Items()[index]));
    box.setHeight(std::max(box.height(), FTextEdit->sizeHint().height()));
    box.setWidth(std::max(box.width(), 8 * font.pixelSize()));
    FTextEdit->setGeometry(box);
    connect(FTextEdit, &QLineEdit::returnPressed, this, &TEditorCanvas::FinishText);
    FTextEdit->show();
    FTextEdit->setFocus();
}

void TEditorCanvas::FinishText() {
    if (!FTextEdit) return;
    const QString text = FTextEdit->text();
    const int index = FTextIndex;
    FTextEdit->hide();
    FTextEdit->deleteLater();
    FTextEdit = nullptr;
    FTextIndex = -1;
    if (index >= 0 && index < FModel.Items().size() && FModel.Items()[index].Text != text)
        FModel.SetText(index, text);
    setFocus();
    Refresh();
}
