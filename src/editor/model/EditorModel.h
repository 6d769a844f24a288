// The annotation editor's document: the picture, the items drawn over it in
// order, the selection and the undo history. The editor window is a view over
// it; everything here runs without a display.
#pragma once

#include <QImage>
#include <QRect>

#include "editor/model/EditorItem.h"
#include "editor/model/ItemGeometry.h"
#include "editor/model/ItemHistory.h"
#include "editor/model/Redaction.h"

class TEditorModel {
public:
    // The picture is kept as 32-bit RGB. The key fills pixelated areas; each
    // editing session draws a new one.
    explicit TEditorModel(QImage picture, TRedactionKey key = TRedactionKey::NewKey());

    const QImage& Picture() const { return FPicture; }
    const TItemList& Items() const { return FItems; }
    bool HasItems() const { return !FItems.isEmpty(); }

    // Changes. Each is one undo step, or part of the gesture under way.
    // Add selects the new item and gives its index; a crop takes the place
    // of an earlier crop (one picture, one crop).
    int Add(TEditorItem item);
    void AppendPoint(int index, QPointF p); // a pen or highlighter stroke grows
    void Move(int index, QPointF delta);
    void Resize(int index, THandle handle, QPointF to);
    void SetStyle(int index, const TItemStyle& style);
    void SetText(int index, const QString& text);
    void Delete(int index);

    // A mouse gesture (press, moves, release) is one undo step, however many
    // changes it makes.
    void BeginGesture();
    void EndGesture();

    bool CanUndo() const { return FHistory.CanUndo(); }
    bool CanRedo() const { return FHistory.CanRedo(); }
    void Undo();
    void Redo();

    // The topmost item at P (within Tolerance of thin ones), or -1.
    int ItemAt(QPointF p, qreal tolerance) const;
    // The handle of item Index within Tolerance of P, or THandle::None.
    THandle HandleAt(int index, QPointF p, qreal tolerance) const;
    int Selected() const { return FSelected; }
    void Select(int index); // -1 for none

    // Markers are numbered by their order in the list: 1 for the first, and
    // so on. A delete renumbers those after it; undoing the delete puts the
    // marker back in its place and every number back as it was.
    int MarkerNumber(int index) const;
    int NextMarkerNumber() const;

    // The picture area the changes since the last call have touched (empty
    // when none): all the view repaints.
    QRect TakeDamage();
    // Brings Area of Canvas up to date: the picture's pixels, then every item
    // that reaches into it. Canvas is made the picture's size and format when
    // it is not, and then painted whole. Crops are not applied.
    void Paint(QImage& canvas, QRect area) const;
    // The picture as it will be delivered: every item drawn in order, then
    // cut to the crop.
    QImage Render() const;
    // The crop, in whole pixels inside the picture; the picture's rectangle
    // without a crop (or with one that misses the picture).
    QRect CropRect() const;
    // Draws the items into the picture itself, so the pixels under redacted
    // areas are overwritten where they were, cuts it to the crop, clears items
    // and history, and gives the result. (A copy the caller still shares is
    // the caller's to drop.)
    QImage Commit();

private:
    bool Valid(int index) const { return index >= 0 && index < FItems.size(); }
    void Change();                       // before each change: the undo step
    void Touch(const TEditorItem& item); // adds the item's pixels to the damage
    void TouchDifference(const TItemList& a, const TItemList& b);
    void PaintItems(QImage& canvas, QRect area) const;

    QImage FPicture;
    TRedactionKey FKey;
    TItemList FItems;
    TItemHistory FHistory;
    int FSelected = -1;
    bool FInGesture = false;
    bool FGestureStepTaken = false;
    QRect FDamage;
};
