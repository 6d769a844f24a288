// The hot key through the GlobalShortcuts portal, against a scripted portal
// with the real interfaces: what it is asked for, and what it answers.
#include <QJsonArray>
#include <gtest/gtest.h>

#include "BusPeer.h"
#include "hook/HotKeyNames.h"
#include "platform/wayland/session/GlobalShortcuts.h"
#include "platform/wayland/session/ShortcutTrigger.h"

namespace {

constexpr const char* PortalName = "org.freedesktop.portal.Desktop";

int KeyIndex(std::string_view name) {
    for (int i = 0; i < HotKeyCount; ++i)
        if (HotKeyNames[i] == name) return i;
    return -1;
}

// The one shortcut as the portal got it: id, description and trigger.
void ExpectCaptureShortcut(const QJsonValue& list, const QString& trigger) {
    const QJsonArray shortcuts = list.toArray();
    ASSERT_EQ(shortcuts.size(), 1);
    const QJsonArray capture = shortcuts[0].toArray();
    EXPECT_EQ(capture[0], "capture");
    EXPECT_EQ(capture[1].toObject()["preferred_trigger"], trigger);
    EXPECT_EQ(capture[1].toObject()["description"], "Capture Image");
}

} // namespace

TEST(GlobalShortcuts, TheCaptureKeyAsThePortalsTrigger) {
    const struct {
        const char* Key;
        const char* Trigger;
    } cases[] = {
        {"F11", "F11"},
        {"Ctrl+F11", "CTRL+F11"},
        {"Ctrl+Shift+F11", "CTRL+SHIFT+F11"},
        {"Alt+Shift+F1", "ALT+SHIFT+F1"},
        {"Ctrl+0", "CTRL+0"},
        {"Ctrl+Alt+A", "CTRL+ALT+a"}, // keysym names: the unshifted letter
        {"Ctrl+Alt+F12", "CTRL+ALT+F12"},
        {"Win+F1", "LOGO+F1"},
        {"Win+Ctrl+Z", "CTRL+LOGO+z"},
        {"Win+Alt+9", "ALT+LOGO+9"},
    };
    for (const auto& c : cases) {
        const int index = KeyIndex(c.Key);
        ASSERT_GE(index, 0) << c.Key;
        EXPECT_EQ(PortalTrigger(index), c.Trigger) << c.Key;
    }
    EXPECT_EQ(PortalTrigger(-1), "");
    EXPECT_EQ(PortalTrigger(HotKeyCount), "");
}

TEST(GlobalShortcuts, OfferedOnlyWhereAPortalHasThem) {
    EXPECT_FALSE(TGlobalShortcuts::Offered());
    TBusPeer portal("portal_peer.py", PortalName);
    ASSERT_TRUE(portal.Ready()) << portal.Stderr();
    EXPECT_TRUE(TGlobalShortcuts::Offered());
}

// Plasma 5.27 reads the shortcuts from CreateSession's options only, the
// others from BindShortcuts: both get them, and a press reaches the program.
TEST(GlobalShortcuts, TheKeyIsAskedForTwiceAndItsPressArrives) {
    TBusPeer portal("portal_peer.py", PortalName, {"--activate", "capture"});
    ASSERT_TRUE(portal.Ready()) << portal.Stderr();
    TGlobalShortcuts shortcuts;
    int pressed = 0;
    QObject::connect(&shortcuts, &TGlobalShortcuts::Activated, [&] { ++pressed; });
    QString why;
    ASSERT_TRUE(shortcuts.Start("CTRL+SHIFT+F11", why)) << why.toStdString();
    EXPECT_TRUE(WaitFor([&] { return pressed == 1; }));

    const std::vector<QJsonObject> calls = portal.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0]["call"], "CreateSession");
    EXPECT_EQ(calls[0]["signature"], "a{sv}");
    EXPECT_EQ(calls[0]["shortcuts_signature"], "(sa{sv})");
    const QJsonObject options = calls[0]["options"].toObject();
    EXPECT_FALSE(options["session_handle_token"].toString().isEmpty());
    ExpectCaptureShortcut(options["shortcuts"], "CTRL+SHIFT+F11");
    EXPECT_EQ(calls[1]["call"], "BindShortcuts");
    EXPECT_EQ(calls[1]["signature"], "oa(sa{sv})sa{sv}");
    EXPECT_TRUE(
        calls[1]["session"].toString().endsWith(options["session_handle_token"].toString()));
    ExpectCaptureShortcut(calls[1]["shortcuts"], "CTRL+SHIFT+F11");
}

TEST(GlobalShortcuts, ARefusalGivesNoHotKeyAndSaysWhere) {
    const struct {
        const char* Option;
        const char* Why;
    } cases[] = {
        {"--create", "The desktop refused to open a session for the hot key."},
        {"--bind", "The desktop refused to bind the hot key."},
    };
    for (const auto& c : cases) {
        TBusPeer portal("portal_peer.py", PortalName, {c.Option, "1"});
        ASSERT_TRUE(portal.Ready()) << portal.Stderr();
        TGlobalShortcuts shortcuts;
        QString why;
        EXPECT_FALSE(shortcuts.Start("F11", why)) << c.Option;
        EXPECT_EQ(why.toStdString(), c.Why);
    }
}
