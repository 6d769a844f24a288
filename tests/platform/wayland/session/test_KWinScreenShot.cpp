// KWin's ScreenShot2 against a scripted KWin with its real interface: raw
// pictures through a pipe in the formats KWin writes, and its refusal.
#include <gtest/gtest.h>

#include "BusPeer.h"
#include "platform/wayland/session/KWinScreenShot.h"

namespace {

constexpr const char* KWinName = "org.kde.KWin.ScreenShot2";

// The scripted KWin's picture (kwin_peer.py's pattern) as it should arrive:
// 0xffRRGGBB, a translucent pixel over black.
uint32_t Expected(int x, int y, int seed, int format) {
    const int r = (x * 7 + y * 3 + seed) & 255, g = (x * 5 + y * 11 + 50) & 255, b = (x ^ y) & 255;
    const int a = 255 - ((x + 2 * y + seed) & 127);
    auto over = [&](int c) { return format == 17 ? (c * a + 127) / 255 : c * a / 255; };
    if (format == 4) return 0xff000000u | r << 16 | g << 8 | b;
    return 0xff000000u | over(r) << 16 | over(g) << 8 | over(b);
}

void ExpectPicture(const TOutputPicture& p, int width, int height, int seed, int format) {
    ASSERT_EQ(p.Width, width);
    ASSERT_EQ(p.Height, height);
    ASSERT_EQ(p.Pixels.size(), size_t(width) * height);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (p.Pixels[size_t(y) * width + x] != Expected(x, y, seed, format)) ++wrong;
    EXPECT_EQ(wrong, 0) << p.Name << " in format " << format;
}

} // namespace

TEST(KWinScreenShot, NoneWithoutKWin) {
    EXPECT_FALSE(OpenKWinScreenShot({}));
}

// Each output's picture, larger than a pipe holds, with rows longer than
// the picture's: premultiplied words (what KWin renders) and straight bytes.
TEST(KWinScreenShot, EveryOutputArrivesExactly) {
    TBusPeer kwin("kwin_peer.py", KWinName,
                  {"--screen", "DP-1:300:200:1216:6", "--screen", "DP-2:170:90:700:17"});
    ASSERT_TRUE(kwin.Ready()) << kwin.Stderr();
    const std::vector<TOutputPlace> layout = {{"DP-1", {0, 0, 300, 200}, 1},
                                              {"DP-2", {300, 0, 385, 45}, 2}};
    std::unique_ptr<TScreenSource> source = OpenKWinScreenShot(layout);
    ASSERT_TRUE(source);
    EXPECT_STREQ(source->Name(), "KWin");
    const TShot shot = source->Shoot();
    ASSERT_EQ(shot.size(), 2u);
    EXPECT_EQ(shot[0].Name, "DP-1");
    EXPECT_EQ(shot[1].Logical, layout[1].Logical);
    ExpectPicture(shot[0], 300, 200, 0, 6);
    ExpectPicture(shot[1], 170, 90, 17, 17);
    const std::vector<QJsonObject> calls = kwin.Calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const QJsonObject& c : calls) {
        EXPECT_EQ(c["call"], "CaptureScreen");
        EXPECT_EQ(c["options"].toObject()["native-resolution"], true);
        EXPECT_EQ(c["options"].toObject()["include-cursor"], false);
    }
}

TEST(KWinScreenShot, TheActiveWindowWithOrWithoutItsFrame) {
    TBusPeer kwin("kwin_peer.py", KWinName, {"--window", "64:48:260:4:2"});
    ASSERT_TRUE(kwin.Ready()) << kwin.Stderr();
    std::unique_ptr<TScreenSource> source = OpenKWinScreenShot({});
    ASSERT_TRUE(source);
    for (bool frame : {true, false}) {
        const std::optional<TOutputPicture> p = source->ShootForeground(frame);
        ASSERT_TRUE(p);
        ExpectPicture(*p, 64, 48, 5, 4);
        EXPECT_EQ(p->Logical, (TRect{0, 0, 32, 24})) << "native pixels over KWin's scale";
        const QJsonObject options = kwin.Calls().back()["options"].toObject();
        EXPECT_EQ(options["include-decoration"], frame);
        EXPECT_EQ(options["native-resolution"], true);
    }
}

// KWin serves only programs an installed desktop file names; the user
// learns so.
TEST(KWinScreenShot, ARefusalSaysTheDesktopFileMustBeInstalled) {
    TBusPeer kwin("kwin_peer.py", KWinName, {"--refuse"});
    ASSERT_TRUE(kwin.Ready()) << kwin.Stderr();
    std::unique_ptr<TScreenSource> source = OpenKWinScreenShot({{"DP-1", {0, 0, 10, 10}, 1}});
    ASSERT_TRUE(source);
    try {
        source->Shoot();
        FAIL() << "no error";
    } catch (const EShotError& e) {
        EXPECT_STREQ(e.what(),
                     "KWin refused the screenshot: it serves only a program that an installed "
                     "desktop file names (X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin."
                     "ScreenShot2, as the program's own desktop file does). Install the program "
                     "and run the installed copy.");
    }
}
