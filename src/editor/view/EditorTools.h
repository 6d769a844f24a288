// The editor's tools: the item each one draws, its name and its key.
#pragma once

#include <QString>
#include <optional>

#include "editor/model/EditorItem.h"

enum class TEditorTool {
    Select,
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

struct TToolInfo {
    TEditorTool Tool;
    const char* Name;
    char Key;                      // one letter, shown in the tool tip
    std::optional<TItemKind> Kind; // none for the select tool
};

// Every tool in the order of the tool row.
extern const TToolInfo EditorTools[12];
const TToolInfo& ToolInfo(TEditorTool tool);
