// The Screenshot portal's answers other than a picture, from a scripted
// portal: each gives a sentence that says what happened.
#include <gtest/gtest.h>

#include "BusPeer.h"
#include "platform/wayland/session/PortalScreenshot.h"

namespace {

const std::vector<TOutputPlace> Layout = {{"HEADLESS-1", {0, 0, 1280, 800}, 1},
                                          {"HEADLESS-2", {1280, 0, 1792, 384}, 2}};

std::string ShotError(TScreenSource& source) {
    try {
        source.Shoot();
    } catch (const EShotError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(PortalScreenshotPeer, NoneWithoutAPortal) {
    EXPECT_FALSE(OpenPortalScreenshot(Layout));
}

TEST(PortalScreenshotPeer, AnswersWithoutAPictureSayWhatHappened) {
    const struct {
        const char* Mode;
        const char* Words;
    } cases[] = {
        // GNOME asks once and keeps a "no" for good: the user learns where to undo it.
        {"1", "The desktop refused the screenshot. It asks once and remembers the answer: allow "
              "screenshots in the desktop's privacy settings, or run \"flatpak permission-set "
              "screenshot screenshot '' yes\"."},
        {"2", "The Screenshot portal ended without a picture (response 2)."},
        {"silent", "The Screenshot portal did not answer within 1 second."},
    };
    for (const auto& c : cases) {
        TBusPeer portal("portal_peer.py", "org.freedesktop.portal.Desktop",
                        {"--screenshot", c.Mode});
        ASSERT_TRUE(portal.Ready()) << portal.Stderr();
        std::unique_ptr<TScreenSource> source =
            OpenPortalScreenshot(Layout, std::chrono::seconds(1));
        ASSERT_TRUE(source);
        EXPECT_EQ(ShotError(*source), c.Words) << c.Mode;
        // What a portal needs to answer without a dialog, and a token for its Response.
        // A request left unanswered is closed: a late answer would leave a file.
        const bool silent = c.Mode == std::string("silent");
        const std::vector<QJsonObject> calls = portal.Calls();
        ASSERT_EQ(calls.size(), silent ? 2u : 1u);
        const QJsonObject options = calls[0]["options"].toObject();
        EXPECT_EQ(options["interactive"], false);
        EXPECT_EQ(options["modal"], false);
        EXPECT_FALSE(options["handle_token"].toString().isEmpty());
        if (silent) {
            EXPECT_EQ(calls[1]["call"], "Close");
            EXPECT_TRUE(calls[1]["path"].toString().endsWith(options["handle_token"].toString()));
        }
    }
}
