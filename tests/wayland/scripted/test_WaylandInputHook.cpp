// The Wayland session's keyboard hook against a scripted GlobalShortcuts
// portal: it follows the block's capture key, keeps its session when the
// hooks are renewed, and posts each activation as the key's press.
#include <QCoreApplication>
#include <QJsonArray>
#include <gtest/gtest.h>

#include "BusPeer.h"
#include "TestSupport.h"
#include "hook/HookBlock.h"
#include "platform/WinMessages.h"
#include "platform/wayland/WaylandInputHook.h"
#include "platform/wayland/session/GlobalShortcuts.h"

namespace {

// The main window as the hook sees it: a handle that records its messages.
class TReceiver : public QObject {
public:
    TReceiver() : Handle(RegisterWindow(this)) {}
    ~TReceiver() override { UnregisterWindow(Handle); }
    bool event(QEvent* e) override {
        if (e->type() != TWinMessageEvent::EventType()) return QObject::event(e);
        Got.push_back(static_cast<TWinMessageEvent*>(e)->Message);
        return true;
    }
    const HWND Handle;
    std::vector<TMessage> Got;
};

QString Trigger(const QJsonObject& createSession) {
    return createSession["options"]["shortcuts"][0][1]["preferred_trigger"].toString();
}

} // namespace

TEST(WaylandInputHook, FollowsTheCaptureKeyKeepsItsSessionAndPostsEachActivation) {
    TBusPeer portal("portal_peer.py", "org.freedesktop.portal.Desktop", {"--activate", "capture"});
    ASSERT_TRUE(portal.Ready()) << portal.Stderr();
    SharedHookBlock block{};
    HookBlock = &block;
    TReceiver main;
    TWaylandInputHook hook(TWaylandDesktop::Kde, [] { return TGlobalShortcuts::Offered(); });
    InitHookBlock(main.Handle, 44);
    const uint32_t keyboard = hook.HookKeyboard();
    ASSERT_NE(keyboard, 0u);
    ASSERT_TRUE(WaitFor([&] { return !main.Got.empty(); })) << portal.Stderr();
    EXPECT_TRUE(hook.PortalKey());
    EXPECT_EQ(main.Got[0], (TMessage{hmHotKey, 44, 0})) << "as the X11 hook posts F11";
    ASSERT_EQ(portal.Calls().size(), 2u);
    EXPECT_EQ(Trigger(portal.Calls()[0]), "F11");

    // Renewed at once, as the program does after a while: the same session.
    hook.UnHook(keyboard);
    hook.HookKeyboard();
    WaitFor([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(portal.Calls().size(), 2u);

    // A new key from the Hot Key page: a new session that asks for it.
    SetHotKeyFlag(20);
    ClearHotKeyFlag(44);
    ASSERT_TRUE(WaitFor([&] { return main.Got.size() == 2; }));
    EXPECT_EQ(main.Got[1], (TMessage{hmHotKey, 20, 0}));
    ASSERT_EQ(portal.Calls().size(), 4u);
    EXPECT_EQ(Trigger(portal.Calls()[2]), "CTRL+F11");
    EXPECT_TRUE(hook.DesktopKeyBinding(20).find("the desktop assigns") != std::string::npos);
    hook.UnHook(keyboard);
    QCoreApplication::processEvents();
    HookBlock = nullptr;
}
