// The resident program's hot key through the GlobalShortcuts portal, with a
// scripted portal (the interface the desktop's back-end offers) on a bus of
// the test's own, standing in for the desktop's: the session asks for the
// configured key, and an activation starts a capture that reaches the
// delivery screen.
#include <QJsonArray>
#include <csignal>
#include <gtest/gtest.h>

#include "BusPeer.h"
#include "SwayWindows.h"
#include "TestSupport.h"

TEST(PortalHotKey, AnActivationCapturesTheScreenForDelivery) {
    SKIP_UNLESS_WAYLAND();
    // The activation comes right after the binding, as a key pressed at once.
    TBusPeer portal("portal_peer.py", "org.freedesktop.portal.Desktop", {"--activate", "capture"});
    ASSERT_TRUE(portal.Ready()) << portal.Stderr();
    const QImage out1 = Grim("HEADLESS-1"), out2 = Grim("HEADLESS-2");
    TTempDir dir;
    WriteFile(dir.File("SNAPRO.INI"),
              "[Misc]\nFirst Time=No\nWhat To Cap=0\nAction=5\n[Capture]\nCapture Key=20\n");
    // A desktop whose own back-end offers the portal (Plasma's).
    TProcess program({SNAPRIO_BINARY},
                     {"SNAPRIO_INI=" + dir.File("SNAPRO.INI"), "XDG_CURRENT_DESKTOP=KDE"});
    std::optional<TShown> main;
    ASSERT_TRUE(WaitFor([&] { return (main = Window("Snaprio 2000")) && main->Focused; }))
        << program.Stderr() << portal.Calls().size() << " calls to the portal";
    const std::vector<QJsonObject> calls = portal.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0]["call"], "CreateSession");
    const QJsonArray shortcut = calls[0]["options"]["shortcuts"][0].toArray();
    EXPECT_EQ(shortcut[0], "capture");
    EXPECT_EQ(shortcut[1]["preferred_trigger"], "CTRL+F11") << "the configured key, Ctrl+F11";
    EXPECT_EQ(calls[1]["call"], "BindShortcuts");

    const QImage copied = CaptureAndCopy(dir.Path());
    EXPECT_EQ(UnlikeTheOutputs(copied, out1, out2), 0) << program.Stderr();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0) << program.Stderr();
}
