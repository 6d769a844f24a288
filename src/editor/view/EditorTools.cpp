#include "editor/view/EditorTools.h"

const TToolInfo EditorTools[12] = {
    {TEditorTool::Select, "Select", 'S', std::nullopt},
    {TEditorTool::Arrow, "Arrow", 'A', TItemKind::Arrow},
    {TEditorTool::Line, "Line", 'L', TItemKind::Line},
    {TEditorTool::Rectangle, "Rectangle", 'R', TItemKind::Rectangle},
    {TEditorTool::Ellipse, "Ellipse", 'E', TItemKind::Ellipse},
    {TEditorTool::Pen, "Pen", 'P', TItemKind::Pen},
    {TEditorTool::Highlighter, "Highlighter", 'H', TItemKind::Highlighter},
    {TEditorTool::Text, "Text", 'T', TItemKind::Text},
    {TEditorTool::Marker, "Step Marker", 'M', TItemKind::Marker},
    {TEditorTool::Crop, "Crop", 'C', TItemKind::Crop},
    {TEditorTool::SolidRedaction, "Solid Redaction", 'B', TItemKind::SolidRedaction},
    {TEditorTool::Pixelation, "Pixelation", 'X', TItemKind::Pixelation},
};

const TToolInfo& ToolInfo(TEditorTool tool) {
    for (const TToolInfo& t : EditorTools)
        if (t.Tool == tool) return t;
    return EditorTools[0];
}
