#include "editor/model/EditorSettings.h"

#include <algorithm>
#include <string>

#include "settings/Configs.h"
#include "settings/IniFile.h"

namespace {

constexpr const char* Section = "Editor";
constexpr size_t NumberLength = 14;

struct TRange {
    const char* Key;
    int TItemStyle::*Field;
    int Low, High;
};

const TRange Numbers[] = {
    {"Width", &TItemStyle::Width, 1, 64},
    {"Font Size", &TItemStyle::FontSize, 6, 200},
    // Redaction holds for any cell size; below 4 pixels the area just looks like noise.
    {"Cell Size", &TItemStyle::CellSize, 4, 64},
};

// Colours as the other settings keep them: low byte red, then green, blue.
int ColorSetting(const QColor& c) {
    return c.red() | c.green() << 8 | c.blue() << 16;
}

} // namespace

void TEditorSettings::Load(const TIniFile& ini) {
    const TItemStyle defaults;
    const std::string color = ini.ReadString(
        Section, "Color", std::to_string(ColorSetting(defaults.Color)), NumberLength);
    const int c = IniToInt(color);
    Style.Color = QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    for (const TRange& n : Numbers) {
        const std::string text =
            ini.ReadString(Section, n.Key, std::to_string(defaults.*n.Field), NumberLength);
        Style.*n.Field = std::clamp(IniToInt(text), n.Low, n.High);
    }
    Style.Filled = IsYes(ini.ReadString(Section, "Filled", "No", NumberLength));
}

void TEditorSettings::Save(TIniFile& ini) const {
    ini.WriteString(Section, "Color", std::to_string(ColorSetting(Style.Color)));
    for (const TRange& n : Numbers) ini.WriteString(Section, n.Key, std::to_string(Style.*n.Field));
    ini.WriteString(Section, "Filled", YesNoText(Style.Filled));
}
