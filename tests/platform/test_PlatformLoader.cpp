// The loader's choice of the desktop family from SNAPRIO_PLATFORM and the session,
// the services each family it can build brings, and the scopes tests use.
#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "platform/ServiceScope.h"
#include "platform/loader/PlatformLoader.h"

// A Wayland session never gets the X11 family, not even with DISPLAY naming
// its Xwayland server; SNAPRIO_PLATFORM still picks by hand.
TEST(PlatformLoader, ChoiceByOverrideThenSessionElseAnErrorSayingWhatWasLookedAt) {
    struct TCase {
        const char* Requested;
        // QT_QPA_PLATFORM, XDG_SESSION_TYPE, WAYLAND_DISPLAY, DISPLAY
        const char *Qpa, *Type, *Wayland, *Display;
        TPlatformKind Kind;
        std::string ErrorWords; // in the error; empty: none
    };
    const char* const no = nullptr;
    const TCase cases[] = {
        {no, no, no, no, ":3", TPlatformKind::X11, ""},
        {"", no, no, no, ":3", TPlatformKind::X11, ""},
        {"x11", no, no, no, no, TPlatformKind::X11, ""},
        {"memory", no, no, no, ":3", TPlatformKind::Memory, ""},
        {"memory", no, no, no, no, TPlatformKind::Memory, ""},
        {"wayland", no, no, no, ":3", TPlatformKind::Wayland, ""},
        {no, no, "x11", no, ":0", TPlatformKind::X11, ""},
        {no, no, "wayland", "wayland-1", no, TPlatformKind::Wayland, ""},
        // Xwayland: DISPLAY is set too
        {no, no, "wayland", "wayland-1", ":0", TPlatformKind::Wayland, ""},
        {no, "wayland", no, "wayland-1", ":0", TPlatformKind::Wayland, ""},
        {no, "wayland-egl", "", "", ":0", TPlatformKind::Wayland, ""},
        // a compositor started by hand sets no session type
        {no, no, no, "wayland-0", no, TPlatformKind::Wayland, ""},
        // a session that says Wayland without a compositor to reach: X11
        {no, no, "wayland", "", ":1", TPlatformKind::X11, ""},
        {"x11", no, "wayland", "wayland-1", ":0", TPlatformKind::X11, ""},
        {"memory", "wayland", "wayland", "wayland-1", ":0", TPlatformKind::Memory, ""},
        {no, no, no, no, no, TPlatformKind::None,
         "SNAPRIO_PLATFORM is unset and there is no X display"},
        {"", "", "", "", "", TPlatformKind::None, "set DISPLAY"},
        {no, no, "wayland", no, no, TPlatformKind::None, "set WAYLAND_DISPLAY"},
        {"X11", no, no, no, ":3", TPlatformKind::None, "SNAPRIO_PLATFORM='X11' is no platform"},
        {"mir", no, no, no, no, TPlatformKind::None, "use x11, wayland or memory"},
    };
    auto shown = [](const char* v) { return std::string(v ? v : "(unset)"); };
    for (const TCase& c : cases) {
        const TPlatformChoice choice =
            ChoosePlatform(c.Requested, SessionKindOf(c.Qpa, c.Type, c.Wayland, c.Display));
        const std::string row = shown(c.Requested) + " / " + shown(c.Qpa) + " / " + shown(c.Type) +
                                " / " + shown(c.Wayland) + " / " + shown(c.Display);
        EXPECT_EQ(choice.Kind, c.Kind) << row;
        if (c.ErrorWords.empty())
            EXPECT_EQ(choice.Error, "") << row;
        else
            EXPECT_NE(choice.Error.find(c.ErrorWords), std::string::npos)
                << row << ": " << choice.Error;
    }
}

TEST(PlatformLoader, EachFamilyBringsEveryService) {
    const std::pair<TPlatformKind, const char*> families[] = {{TPlatformKind::X11, "xcb"},
                                                              {TPlatformKind::Wayland, "wayland"},
                                                              {TPlatformKind::Memory, "offscreen"}};
    for (auto [kind, qt] : families) {
        std::string error;
        const auto platform = BuildPlatform(kind, error);
        ASSERT_NE(platform, nullptr);
        EXPECT_EQ(error, "");
        EXPECT_TRUE(platform->Display && platform->InputHook && platform->Clipboard &&
                    platform->WindowRequests && platform->Dialogs && platform->Reachable &&
                    platform->WatchTray)
            << platform->Name;
        EXPECT_EQ(platform->QtPlatform, qt) << platform->Name;
    }
}

TEST(PlatformLoader, ScopesPutBackWhatWasInPlaceInTheReverseOrder) {
    std::string error;
    TPlatformScope memory(BuildPlatform(TPlatformKind::Memory, error));
    TDisplay* const before = &TheDisplay();
    TUserDialogs* const dialogs = &UserDialogs();
    {
        TServiceScope<TDisplay> outer(
            std::move(BuildPlatform(TPlatformKind::Memory, error)->Slot<TDisplay>()));
        EXPECT_NE(&TheDisplay(), before);
        TDisplay* const middle = &TheDisplay();
        {
            TServiceScope<TDisplay> inner(
                std::move(BuildPlatform(TPlatformKind::Memory, error)->Display));
            EXPECT_NE(&TheDisplay(), middle);
        }
        EXPECT_EQ(&TheDisplay(), middle);
        EXPECT_EQ(&UserDialogs(), dialogs) << "another service stays";
    }
    EXPECT_EQ(&TheDisplay(), before);
    EXPECT_EQ(ThePlatform().Name, "memory");
}
