// The headless session the Wayland tests run in (tests/wayland/session.sh):
// two outputs at scales 1 and 2, run by the session's own user, whose files
// stay in the session's folder.
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "GrimPicture.h"
#include "TestSupport.h"

TEST(WaylandSession, TwoOutputsOfItsOwnUser) {
    SKIP_UNLESS_WAYLAND();
    EXPECT_NE(geteuid(), 0u) << "sway runs only for an unprivileged user";
    EXPECT_EQ(std::getenv("DISPLAY"), nullptr);
    const std::string session = std::getenv("SNAPRIO_WAYLAND_SESSION");
    TTempDir dir;
    EXPECT_EQ(dir.Path().rfind(session + "/tmp/snaprio-test-", 0), 0u) << dir.Path();
    struct stat st {};
    ASSERT_EQ(stat(dir.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, geteuid());

    // The outputs' native sizes, and their background colours under the bar.
    const struct {
        const char* Name;
        int Width, Height;
        uint32_t Background;
    } outputs[] = {{"HEADLESS-1", 1280, 800, 0xff336699}, {"HEADLESS-2", 1024, 768, 0xff993333}};
    for (const auto& o : outputs) {
        const TOutputPicture p = GrimOutput(o.Name);
        EXPECT_EQ(p.Width, o.Width) << o.Name;
        EXPECT_EQ(p.Height, o.Height) << o.Name;
        if (p.Width == o.Width && p.Height == o.Height) {
            EXPECT_EQ(p.Pixels[size_t(o.Height - 10) * o.Width + 10], o.Background) << o.Name;
        }
    }
}
