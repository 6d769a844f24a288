#include "editor/view/EditorWindow.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/model/EditorSettings.h"
#include "editor/view/EditorCanvas.h"
#include "platform/UserDialogs.h"
#include "settings/IniFile.h"
#include "settings/Paths.h"

namespace {

TItemStyle LoadStyle() {
    TEditorSettings settings;
    settings.Load(TIniFile(IniFilePath()));
    return settings.Style;
}

void SaveStyle(const TItemStyle& style) {
    TIniFile ini(IniFilePath());
    TEditorSettings settings{style};
    settings.Save(ini);
    ini.Save();
}

QIcon SwatchIcon(QColor color) {
    QPixmap swatch(16, 16);
    swatch.fill(color);
    return QIcon(swatch);
}

} // namespace

TEditorWindow::TEditorWindow(QWidget* parent, const QImage& picture)
    : QDialog(parent), FModel(std::make_unique<TEditorModel>(picture)) {
    setObjectName("EditorWindow");
    setWindowTitle("Edit Image");
    auto* layout = new QVBoxLayout(this);
    // A tool bar: what does not fit the window's width (a narrow screen, a
    // high dpi) goes behind its extension button.
    auto* row = new QToolBar(this);
    row->setObjectName("EditorTools");
    layout->addWidget(row);
    FCanvas = new TEditorCanvas(*FModel);
    FCanvas->Style = LoadStyle();
    FScroll = new QScrollArea(this);
    FScroll->setObjectName("EditorScroll");
    FScroll->setWidget(FCanvas);
    FScroll->setAlignment(Qt::AlignCenter);
    layout->addWidget(FScroll, 1);
    BuildTools(row);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OkButton = new QPushButton("&Ok", this);
    OkButton->setObjectName("OkButton");
    CancelButton = new QPushButton("&Cancel", this);
    CancelButton->setObjectName("CancelButton");
    OkButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    connect(OkButton, &QPushButton::clicked, this, &TEditorWindow::accept);
    connect(CancelButton, &QPushButton::clicked, this, &TEditorWindow::CancelClick);

    connect(FCanvas, &TEditorCanvas::Changed, this, [this] {
        const int selected = FModel->Selected();
        if (selected < 0 || selected >= FModel->Items().size()) return;
        const TItemStyle& style = FModel->Items()[selected].Style;
        WidthBox->blockSignals(true);
        WidthBox->setValue(style.Width);
        WidthBox->blockSignals(false);
    });

    // Large pictures open in a window that fits the screen; the view scrolls.
    const QRect screen =
        (parent ? parent->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    const QSize want = FCanvas->size() + QSize(48, 120);
    resize(std::min(want.width(), screen.width() * 9 / 10),
           std::min(want.height(), screen.height() * 9 / 10));
    FCanvas->setFocus();
}

TEditorWindow::~TEditorWindow() = default;

void TEditorWindow::BuildTools(QToolBar* row) {
    FTools = new QButtonGroup(this);
    FTools->setExclusive(true);
    for (const TToolInfo& info : EditorTools) {
        auto* b = new QToolButton(row);
        b->setObjectName(QString("Tool%1").arg(info.Name).remove(' '));
        b->setText(info.Name);
        b->setToolTip(QString("%1 (%2)").arg(info.Name).arg(QChar(info.Key)));
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        FTools->addButton(b, int(info.Tool));
        row->addWidget(b);
    }
    connect(FTools, &QButtonGroup::idClicked, this,
            [this](int id) { SetTool(static_cast<TEditorTool>(id)); });
    FTools->button(int(TEditorTool::Select))->setChecked(true);

    FilledButton = new QToolButton(row);
    FilledButton->setObjectName("FilledButton");
    FilledButton->setText("Filled");
    FilledButton->setToolTip("Filled (F)");
    FilledButton->setCheckable(true);
    FilledButton->setFocusPolicy(Qt::NoFocus);
    FilledButton->setChecked(FCanvas->Style.Filled);
    row->addWidget(FilledButton);
    connect(FilledButton, &QToolButton::toggled, this, &TEditorWindow::StyleChanged);

    ColorButton = new QToolButton(row);
    ColorButton->setObjectName("ColorButton");
    ColorButton->setText("Colour...");
    ColorButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ColorButton->setIcon(SwatchIcon(FCanvas->Style.Color));
    ColorButton->setFocusPolicy(Qt::NoFocus);
    row->addWidget(ColorButton);
    connect(ColorButton, &QToolButton::clicked, this, &TEditorWindow::ChooseColor);

    WidthBox = new QSpinBox(row);
    WidthBox->setObjectName("WidthBox");
    WidthBox->setRange(1, 64);
    WidthBox->setValue(FCanvas->Style.Width);
    WidthBox->setToolTip("Width");
    row->addWidget(WidthBox);
    connect(WidthBox, &QSpinBox::valueChanged, this, &TEditorWindow::StyleChanged);
}

void TEditorWindow::SetTool(TEditorTool tool) {
    FCanvas->FinishText();
    FCanvas->Tool = tool;
    FTools->button(int(tool))->setChecked(true);
}

TEditorTool TEditorWindow::Tool() const {
    return FCanvas->Tool;
}

void TEditorWindow::ChooseColor() {
    QColor color = FCanvas->Style.Color;
    if (!UserDialogs().ColorDialog(this, color) || !color.isValid()) return;
    FCanvas->Style.Color = color;
    ColorButton->setIcon(SwatchIcon(color));
    StyleChanged();
}

void TEditorWindow::StyleChanged() {
    FCanvas->Style.Width = WidthBox->value();
    FCanvas->Style.Filled = FilledButton->isChecked();
    SaveStyle(FCanvas->Style);
    // The selected item takes the new look too.
    const int selected = FModel->Selected();
    if (selected >= 0 && selected < FModel->Items().size()) {
        TItemStyle style = FModel->Items()[selected].Style;
        style.Color = FCanvas->Style.Color;
        style.Width = FCanvas->Style.Width;
        style.Filled = FCanvas->Style.Filled;
        if (!(style == FModel->Items()[selected].Style)) FModel->SetStyle(selected, style);
        FCanvas->Refresh();
    }
}

void TEditorWindow::Undo() {
    FCanvas->FinishText();
    if (FModel->CanUndo()) FModel->Undo();
    FCanvas->Refresh();
}

void TEditorWindow::Redo() {
    FCanvas->FinishText();
    if (FModel->CanRedo()) FModel->Redo();
    FCanvas->Refresh();
}

void TEditorWindow::accept() {
    FCanvas->FinishText();
    FResult = FModel->Commit();
    QDialog::accept();
}

bool TEditorWindow::ConfirmDiscard() {
    FCanvas->FinishText();
    if (!FModel->HasItems() && !FModel->CanUndo()) return true;
    return UserDialogs().MessageBox(this, "Discard the changes?", windowTitle(), TMsgButtons::YesNo,
                                    TMsgIcon::Question) == TMsgResult::Yes;
}

void TEditorWindow::CancelClick() {
    if (ConfirmDiscard()) reject();
}

void TEditorWindow::keyPressEvent(QKeyEvent* e) {
    // The keys reach the window from the canvas; a text being typed keeps its
    // letters, and its own undo.
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    if (mods == Qt::ControlModifier && (key == Qt::Key_Return || key == Qt::Key_Enter))
        accept();
    else if (mods == Qt::ControlModifier && key == Qt::Key_Z)
        Undo();
    else if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z)
        Redo();
    else if (mods == Qt::NoModifier && key == Qt::Key_Escape) {
        // Escape first puts down a drawing tool; with the select tool it cancels.
        if (FCanvas->Tool != TEditorTool::Select)
            SetTool(TEditorTool::Select);
        else
            CancelClick();
    } else if (mods == Qt::NoModifier && key == Qt::Key_Delete) {
        FCanvas->FinishText();
        if (FModel->Selected() >= 0) FModel->Delete(FModel->Selected());
        FCanvas->Refresh();
    } else if (mods == Qt::NoModifier && key == Qt::Key_F)
        FilledButton->click();
    else {
        for (const TToolInfo& info : EditorTools)
            if (mods == Qt::NoModifier && key == info.Key) {
                SetTool(info.Tool);
                return;
            }
        QDialog::keyPressEvent(e);
    }
}

void TEditorWindow::closeEvent(QCloseEvent* e) {
    // The title bar's close asks as Cancel does; the program's end does not.
    if (e->spontaneous() && !ConfirmDiscard()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}
