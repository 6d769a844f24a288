// The editor's tool settings in the settings file, section "Editor": the
// colour and width chosen once and kept for the next session.
#pragma once

#include "editor/model/EditorItem.h"

class TIniFile;

struct TEditorSettings {
    TItemStyle Style; // colour, width, font size and pixelation cell size

    // Missing or unreadable keys keep the defaults; numbers are held to
    // their ranges.
    void Load(const TIniFile& ini);
    // Sets the keys in memory; the caller saves the file.
    void Save(TIniFile& ini) const;
};
