// The editor's picture: the model painted at the zoom, and the mouse that
// draws, selects, moves and resizes its items.
#pragma once

#include <QImage>
#include <QWidget>

#include "editor/model/EditorModel.h"
#include "editor/view/EditorTools.h"

class QLineEdit;

class TEditorCanvas : public QWidget {
    Q_OBJECT
public:
    TEditorCanvas(TEditorModel& model, QWidget* parent = nullptr);

    TEditorTool Tool = TEditorTool::Select;
    TItemStyle Style; // of the items drawn next

    double Zoom() const { return FZoom; }
    void SetZoom(double zoom);
    // Repaints what the model's changes have touched, and only that.
    void Refresh();
    // Ends the text edit under way, if any, keeping its text.
    void FinishText();

signals:
    void Changed(); // the model changed: undo, redo and selection may differ

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    enum class TDrag { None, Draw, Move, Resize };
    QPointF ToPicture(QPointF widget) const { return widget / FZoom; }
    QRect ToWidget(QRectF picture) const;
    void EditText(int index);
    void UpdateSelection(int before);

    TEditorModel& FModel;
    QImage FCache; // the model painted: the picture with its items
    double FZoom = 1;
    TDrag FDrag = TDrag::None;
    int FIndex = -1;
    THandle FHandle = THandle::None;
    QPointF FLast;
    QLineEdit* FTextEdit = nullptr;
    int FTextIndex = -1;
};
