// "Edit Image": the annotation editor's window over a copy of the picture.
// Ok gives the edited picture; Cancel leaves the caller's untouched.
#pragma once

#include <QDialog>
#include <QImage>
#include <memory>

#include "editor/model/EditorModel.h"
#include "editor/view/EditorTools.h"

class QAbstractButton;
class QButtonGroup;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QToolBar;
class QToolButton;
class TEditorCanvas;

class TEditorWindow : public QDialog {
    Q_OBJECT
public:
    TEditorWindow(QWidget* parent, const QImage& picture);
    ~TEditorWindow() override;

    // The edited picture, after Ok.
    const QImage& Result() const { return FResult; }
    TEditorModel& Model() { return *FModel; }
    TEditorCanvas* Canvas() const { return FCanvas; }
    void SetTool(TEditorTool tool);
    TEditorTool Tool() const;

    QPushButton *OkButton, *CancelButton;
    QToolButton *FilledButton, *ColorButton;
    QSpinBox* WidthBox;

    void accept() override;
    // Cancel and Escape: asks before dropping what was drawn.
    void CancelClick();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildTools(QToolBar* row);
    void ChooseColor();
    void StyleChanged();
    void Undo();
    void Redo();
    bool ConfirmDiscard();

    std::unique_ptr<TEditorModel> FModel;
    TEditorCanvas* FCanvas;
    QScrollArea* FScroll;
    QButtonGroup* FTools;
    QImage FResult;
};
