#include "editor/model/EditorModel.h"

#include <cstring>

#include "editor/model/ItemPainter.h"

TEditorModel::TEditorModel(QImage picture, TRedactionKey key)
    : FPicture(std::move(picture)), FKey(key) {
    if (FPicture.format() != QImage::Format_RGB32) FPicture.convertTo(QImage::Format_RGB32);
}

void TEditorModel::Change() {
    if (FInGesture && FGestureStepTaken) return;
    FHistory.Push(FItems);
    FGestureStepTaken = FInGesture;
}

void TEditorModel::Touch(const TEditorItem& item) {
    FDamage |= item.Kind == TItemKind::Crop ? FPicture.rect() : ItemBounds(item);
}

void TEditorModel::TouchDifference(const TItemList& a, const TItemList& b) {
    // Index by index: after an inserted or removed item everything behind it
    // counts as changed, which also covers the markers it renumbers.
    const qsizetype n = std::max(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (i < a.size() && i < b.size() && a[i] == b[i]) continue;
        if (i < a.size()) Touch(a[i]);
        if (i < b.size()) Touch(b[i]);
    }
}

int TEditorModel::Add(TEditorItem item) {
    Change();
    if (item.Kind == TItemKind::Crop)
        for (qsizetype i = FItems.size() - 1; i >= 0; --i)
            if (FItems[i].Kind == TItemKind::Crop) {
                Touch(FItems[i]);
                FItems.remove(i);
            }
    const TItemList before = FItems;
    FItems.append(std::move(item));
    TouchDifference(before, FItems);
    FSelected = int(FItems.size() - 1);
    return FSelected;
}

void TEditorModel::AppendPoint(int index, QPointF p) {
    if (!Valid(index)) return;
    Change();
    TEditorItem& item = FItems[index];
    // Only the new segment (with the join at its start) needs repainting.
    TEditorItem segment = item;
    segment.Points = {item.Points.isEmpty() ? p : item.Points.last(), p};
    item.Points.append(p);
    Touch(segment);
}

void TEditorModel::Move(int index, QPointF delta) {
    if (!Valid(index)) return;
    Change();
    Touch(FItems[index]);
    MoveItem(FItems[index], delta);
    Touch(FItems[index]);
}

void TEditorModel::Resize(int index, THandle handle, QPointF to) {
    if (!Valid(index)) return;
    Change();
    Touch(FItems[index]);
    ResizeItem(FItems[index], handle, to);
    Touch(FItems[index]);
}

void TEditorModel::SetStyle(int index, const TItemStyle& style) {
    if (!Valid(index)) return;
    Change();
    Touch(FItems[index]);
    FItems[index].Style = style;
    Touch(FItems[index]);
}

void TEditorModel::SetText(int index, const QString& text) {
    if (!Valid(index)) return;
    Change();
    FItems[index].Text = text;
    Touch(FItems[index]);
}

void TEditorModel::Delete(int index) {
    if (!Valid(index)) return;
    Change();
    const TItemList before = FItems;
    FItems.remove(index);
    TouchDifference(before, FItems);
    FSelected = -1;
}

void TEditorModel::BeginGesture() {
    FInGesture = true;
    FGestureStepTaken = false;
}

void TEditorModel::EndGesture() {
    FInGesture = false;
    FGestureStepTaken = false;
}

void TEditorModel::Undo() {
    if (!CanUndo()) return;
    EndGesture();
    const TItemList before = FItems;
    FItems = FHistory.Undo(FItems);
    TouchDifference(before, FItems);
    if (!Valid(FSelected)) FSelected = -1;
}

void TEditorModel::Redo() {
    if (!CanRedo()) return;
    EndGesture();
    const TItemList before = FItems;
    FItems = FHistory.Redo(FItems);
    TouchDifference(before, FItems);
    if (!Valid(FSelected)) FSelected = -1;
}

int TEditorModel::ItemAt(QPointF p, qreal tolerance) const {
    for (qsizetype i = FItems.size() - 1; i >= 0; --i)
        if (HitsItem(FItems[i], p, tolerance)) return int(i);
    return -1;
}

THandle TEditorModel::HandleAt(int index, QPointF p, qreal tolerance) const {
    if (!Valid(index)) return THandle::None;
    THandle best = THandle::None;
    qreal bestDistance = tolerance;
    for (const auto& [handle, at] : HandlesOf(FItems[index])) {
        const qreal d = QLineF(at, p).length();
        if (d <= bestDistance) {
            best = handle;
            bestDistance = d;
        }
    }
    return best;
}

void TEditorModel::Select(int index) {
    FSelected = Valid(index) ? index : -1;
}

int TEditorModel::MarkerNumber(int index) const {
    if (!Valid(index) || FItems[index].Kind != TItemKind::Marker) return 0;
    int number = 0;
    for (qsizetype i = 0; i <= index; ++i) number += FItems[i].Kind == TItemKind::Marker;
    return number;
}

int TEditorModel::NextMarkerNumber() const {
    int number = 1;
    for (const TEditorItem& item : FItems) number += item.Kind == TItemKind::Marker;
    return number;
}

QRect TEditorModel::TakeDamage() {
    const QRect damage = FDamage & FPicture.rect();
    FDamage = QRect();
    return damage;
}

void TEditorModel::PaintItems(QImage& canvas, QRect area) const {
    int number = 0;
    for (const TEditorItem& item : FItems) {
        if (item.Kind == TItemKind::Marker) ++number;
        if (ItemBounds(item).intersects(area)) PaintItem(canvas, item, area, number, FKey);
    }
}

void TEditorModel::Paint(QImage& canvas, QRect area) const {
    if (canvas.size() != FPicture.size() || canvas.format() != FPicture.format()) {
        canvas = QImage(FPicture.size(), FPicture.format());
        area = FPicture.rect();
    }
    area &= FPicture.rect();
    if (area.isEmpty()) return;
    const size_t offset = size_t(area.left()) * sizeof(QRgb);
    const size_t bytes = size_t(area.width()) * sizeof(QRgb);
    for (int y = area.top(); y <= area.bottom(); ++y)
        std::memcpy(canvas.scanLine(y) + offset, FPicture.constScanLine(y) + offset, bytes);
    PaintItems(canvas, area);
}

QRect TEditorModel::CropRect() const {
    for (qsizetype i = FItems.size() - 1; i >= 0; --i)
        if (FItems[i].Kind == TItemKind::Crop) {
            const QRect crop = PixelBox(FItems[i]) & FPicture.rect();
            if (!crop.isEmpty()) return crop;
        }
    return FPicture.rect();
}

QImage TEditorModel::Render() const {
    QImage canvas;
    Paint(canvas, FPicture.rect());
    const QRect crop = CropRect();
    return crop == canvas.rect() ? canvas : canvas.copy(crop);
}

QImage TEditorModel::Commit() {
    const QRect crop = CropRect();
    PaintItems(FPicture, FPicture.rect());
    if (crop != FPicture.rect()) FPicture = FPicture.copy(crop);
    FItems.clear();
    FHistory.Clear();
    EndGesture();
    FSelected = -1;
    FDamage = FPicture.rect();
    return FPicture;
}
