// The loader's choice of the desktop family from SNAPRIO_PLATFORM and DISPLAY,
// the services each family it can build brings, and the scopes tests use.
#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "platform/ServiceScope.h"
#include "platform/loader/PlatformLoader.h"

TEST(PlatformLoader, ChoiceByOverrideThenDisplayElseAnErrorSayingWhatWasLookedAt) {
    struct TCase {
        const char* Requested;
        const char* Display;
        TPlatformKind Kind;
        std::string ErrorWords; // in the error; empty: none
    };
    const TCase cases[] = {
        {nullptr, ":3", TPlatformKind::X11, ""},
        {"", ":3", TPlatformKind::X11, ""},
        {"x11", nullptr, TPlatformKind::X11, ""},
        {"memory", ":3", TPlatformKind::Memory, ""},
        {"memory", nullptr, TPlatformKind::Memory, ""},
        {"wayland", ":3", TPlatformKind::Wayland, ""},
        {nullptr, nullptr, TPlatformKind::None,
         "SNAPRIO_PLATFORM is unset and there is no X display"},
        {"", "", TPlatformKind::None, "set DISPLAY"},
        {"X11", ":3", TPlatformKind::None, "SNAPRIO_PLATFORM='X11' is no platform"},
        {"mir", nullptr, TPlatformKind::None, "use x11, wayland or memory"},
    };
    for (const TCase& c : cases) {
        const TPlatformChoice choice = ChoosePlatform(c.Requested, c.Display);
        const std::string row = std::string(c.Requested ? c.Requested : "(unset)") + " / " +
                                (c.Display ? c.Display : "(unset)");
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
