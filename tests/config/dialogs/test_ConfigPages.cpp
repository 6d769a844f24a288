// Each page of the configuration dialog stores what it loaded: a field that a
// page forgets to show or to take back comes out of a round trip wrong.
#include <array>
#include <map>
#include <set>
#include <sstream>

#include "DialogsSupport.h"
#include "TestSupport.h"
#include "config/CapDef.h"
#include "config/ShapeFields.h"

namespace {

class ConfigPages : public DialogTest {};

// Record K of three, each of which differs from the next in every field the
// dialog edits.
ConfigRec Varied(size_t k) {
    ConfigRec r;
    LoadConfigFrom(r, "/nonexistent/SNAPRO.INI");
    r.WhatToCap = std::array{ciFirstShape, ciWindow, ciFirstShape}[k];
    r.Shape = std::array{15, 11, 8}[k];
    r.Action = std::array{6, 1, 3}[k];
    r.CaptureKey = std::array{82, 10, 237}[k];
    r.SMTPHost = std::array{"mail.example.org", "smtp.example.net", "localhost"}[k];
    r.SMTPPort = std::array{2525, 465, 25}[k];
    r.EMailName = std::array{"Ann Example", "Bob", "Cy Doe"}[k];
    r.EMailAddress = std::array{"ann@example.org", "bob@example.net", "cy@localhost"}[k];
    r.AttachmentEncoding = std::array{1, 0, 1}[k];
    r.EMailFile = std::array{"shot.gif", "screen.jpg", "capture.bmp"}[k];
    r.Security = std::array{2, 0, 1}[k];
    r.UserName = std::array{"ann", "", "cy@localhost"}[k];
    const int n = static_cast<int>(k) + 1;
    for (int item = 0; item < static_cast<int>(CaptureItems.size()); ++item) {
        const TShapeFields& f = ShapeFieldsOf(item);
        if (!f.ShapeColor) continue;
        r.*f.ShapeColor = 0x102030 * n + item;
        r.*f.BorderColor = 0x030201 * n + item;
        r.*f.UseBorder = (n + item) % 2 == 0;
        if (f.Vectors) r.*f.Vectors = 10 * n + item;
        if (f.VectorSize) r.*f.VectorSize = 20 * n + item;
        if (f.Angle) r.*f.Angle = 40 * n + item;
    }
    return r;
}

// Every field the settings file keeps, by its key, as the file writes it.
std::map<std::string, std::string> Persisted(const ConfigRec& r) {
    TTempDir dir;
    EXPECT_TRUE(SaveConfigTo(r, dir.File("SNAPRO.INI")));
    std::map<std::string, std::string> keys;
    std::istringstream in(ReadFile(dir.File("SNAPRO.INI")));
    for (std::string line; std::getline(in, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos)
            keys[line.substr(0, eq)] = line.substr(eq + 1);
    return keys;
}

// The keys that A and B write with different values, or that only one writes.
std::set<std::string> Differing(const ConfigRec& a, const ConfigRec& b) {
    const auto ka = Persisted(a), kb = Persisted(b);
    std::set<std::string> keys;
    for (const auto& [key, value] : ka)
        if (const auto it = kb.find(key); it == kb.end() || it->second != value) keys.insert(key);
    for (const auto& [key, value] : kb)
        if (!ka.contains(key)) keys.insert(key);
    return keys;
}

} // namespace

// A key added to the settings and left out of Varied would go untested.
TEST(ConfigPagesRecords, NeighboursDifferInEveryKeyButFirstTime) {
    for (size_t k : {0u, 1u}) {
        const auto keys = Differing(Varied(k), Varied(k + 1));
        EXPECT_EQ(keys.size(), ConfigKeyCount + 2u - 1u) << "Security and User Name in one of them";
        EXPECT_FALSE(keys.contains("First Time")) << "no page shows it";
    }
}

TEST_F(ConfigPages, EachPageStoresWhatItLoaded) {
    TCaptureDefaults d;
    for (auto [from, into] : {std::pair{0u, 1u}, {1u, 0u}, {1u, 2u}, {2u, 1u}}) {
        const ConfigRec loaded = Varied(from);
        ConfigRec stored = Varied(into);
        for (TSettingsPage* page : d.Pages()) page->Load(loaded);
        for (TSettingsPage* page : d.Pages()) {
            EXPECT_FALSE(page->Check()) << page->objectName().toStdString();
            page->Store(stored);
        }
        ConfigRec want = loaded;
        if (loaded.WhatToCap < ciFirstShape) want.Shape = Varied(into).Shape; // Window keeps it
        EXPECT_EQ(Differing(stored, want), std::set<std::string>{}) << from << " into " << into;
    }
}
