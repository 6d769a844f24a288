// The selection's report handling on an in-memory screen: the rectangles,
// read-outs and grabs of a drag, and a screen left exactly as it was.
#include <QApplication>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <random>

#include "AppSupport.h"
#include "app/Selection.h"
#include "settings/Configs.h"
#include "config/ShapeSettings.h"
#include "hook/HookBlock.h"

namespace {

class Selection : public testing::Test {
protected:
    void SetUp() override {
        LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
        Screen.emplace(std::make_unique<TMemoryDisplay>());
        Before = Fake().Screen;
        HookBlock = &Block;
        HookWrite(Block.Mode, HookModeKeys);
    }
    void TearDown() override {
        HookBlock = nullptr;
        Screen.reset();
    }
    TMemoryDisplay& Fake() { return static_cast<TMemoryDisplay&>(TheDisplay()); }
    std::unique_ptr<TSelection> Begin(int item) {
        auto s = std::make_unique<TSelection>(item, Save, [this](const QImage& p) {
            Result = p;
            ++Finished;
        });
        EXPECT_TRUE(s->Start());
        return s;
    }
    static TMessage M(int n, int x = 0, int y = 0) {
        return {WM_USER + static_cast<uint32_t>(n), x, y};
    }
    TTextSave Save;
    QImage Result, Before;
    int Finished = 0;
    std::optional<TServiceScope<TDisplay>> Screen;
    SharedHookBlock Block{};
};

} // namespace

TEST_F(Selection, DragStretchMoveAndRelease) {
    auto s = Begin(3);
    EXPECT_NE(Fake().Screen, Before) << "the prompt is on the screen";
    EXPECT_EQ(HookRead(Block.Mode), HookModeSelect) << "the hook reports the mouse now";
    s->Message(M(8, 310, 220));
    EXPECT_EQ(s->SelRect(), (TRect{310, 220, 310, 220}));
    s->Message(M(3, 100, 100));
    s->Message(M(4, 50, 60)); // up and to the left
    EXPECT_EQ(s->SelRect(), (TRect{50, 60, 100, 100}));
    EXPECT_TRUE(s->LastReadout().startsWith("Size: 51 x 41   Right click to toggle"));
    s->Message(M(4, 200, 150));
    EXPECT_EQ(s->SelRect(), (TRect{100, 100, 200, 150}));
    EXPECT_EQ(Fake().Screen.pixel(150, 125), Before.pixel(150, 125) ^ 0x00FFFFFF)
        << "the inside inverts";
    EXPECT_NE(Fake().Screen.copy(100, 150, 100, 1), Before.copy(100, 150, 100, 1))
        << "the dotted bottom edge";
    s->Message(M(7));
    EXPECT_TRUE(s->MoveMode());
    s->Message(M(4, 210, 165)); // moves, keeps the size
    EXPECT_EQ(s->SelRect(), (TRect{110, 115, 210, 165}));
    EXPECT_EQ(s->Anchor(), QPoint(110, 115));
    s->Message(M(7));
    s->Message(M(6));
    s->Message(M(4, 250, 170)); // stretches again from the moved anchor
    EXPECT_EQ(s->SelRect(), (TRect{110, 115, 250, 170}));
    s->Message(M(5, 250, 170));
    EXPECT_EQ(Finished, 1);
    EXPECT_EQ(Result, Before.copy(110, 115, 140, 55));
    EXPECT_EQ(Fake().Screen, Before) << "no residue on the screen";
    EXPECT_EQ(Fake().Ended, 1);
    EXPECT_EQ(HookRead(Block.Mode), HookModeSelect) << "only the hook sets mode 1 again";
}

TEST_F(Selection, EveryItemLeavesTheScreenAsItWas) {
    for (int item = 3; item <= 19; ++item) {
        auto s = Begin(item);
        s->Message(M(8, 280, 210));
        s->Message(M(3, 120, 90));
        s->Message(M(4, 170, 130));
        s->Message(M(4, 320, 200));
        s->Message(M(5, 320, 200));
        SCOPED_TRACE(testing::Message() << "item " << item);
        ASSERT_EQ(Finished, item - 2);
        const bool square = item == 5 || item == 6 || item == 8 || item >= 14;
        EXPECT_EQ(Result.size(), square ? QSize(110, 110) : QSize(200, 110));
        EXPECT_EQ(Fake().Screen, Before);
        if (item >= 4 && item != 5 && item != 10 && item != 12) {
            EXPECT_EQ(Result.pixel(0, 0), ShapeItemOf(item).ShapeColor | 0xFF000000u)
                << "masked outside";
        }
    }
}

TEST_F(Selection, OddOrdersLeaveNoResidue) {
    {
        auto s = Begin(7); // release at the anchor: nothing to grab
        s->Message(M(3, 200, 200));
        s->Message(M(5, 200, 200));
        EXPECT_TRUE(Result.isNull());
    }
    {
        auto s = Begin(3); // right click before the press, release without a move
        s->Message(M(7));
        s->Message(M(3, 50, 50));
        s->Message(M(5, 90, 80));
        EXPECT_EQ(Result.size(), QSize(40, 30));
    }
    {
        auto s = Begin(14); // release without a press
        s->Message(M(5, 10, 10));
        s->Message(M(4, 30, 30)); // after the end: ignored
    }
    EXPECT_EQ(Fake().Screen, Before);
    EXPECT_EQ(Finished, 3);
}

TEST_F(Selection, RandomReportsNeverBreakOrStain) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        const int item = 3 + static_cast<int>(rng() % 17);
        auto s = Begin(item);
        const int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n && s->Active(); ++i) {
            const int kind = 3 + static_cast<int>(rng() % 6);
            s->Message(
                M(kind, static_cast<int>(rng() % 800) - 80, static_cast<int>(rng() % 640) - 80));
        }
        if (s->Active())
            s->Message(M(5, static_cast<int>(rng() % 640), static_cast<int>(rng() % 480)));
        ASSERT_FALSE(s->Active());
        ASSERT_EQ(Fake().Screen, Before) << "round " << round << ", item " << item;
    }
}

TEST_F(Selection, CancelInAnyStateLeavesNothing) {
    // Waiting with the prompt, dragging, moving: each ends clean, unfinished.
    const std::vector<std::vector<TMessage>> states = {
        {M(8, 200, 150)},
        {M(8, 200, 150), M(3, 200, 150), M(4, 260, 220)},
        {M(3, 50, 40), M(4, 90, 80), M(7), M(4, 120, 130)}};
    for (const auto& reports : states) {
        auto s = Begin(7);
        for (const TMessage& m : reports) s->Message(m);
        s->Cancel();
        EXPECT_FALSE(s->Active());
        EXPECT_EQ(Fake().Screen, Before);
        EXPECT_EQ(HookRead(Block.Mode), HookModeKeys) << "the pointer goes back to the user";
        s->Message(M(5, 300, 300)); // a release after the end: nothing
    }
    EXPECT_EQ(Finished, 0);
    EXPECT_EQ(Fake().Ended, 3);
}

TEST_F(Selection, TextsStayWhollyOnTheScreenAtItsDpi) {
    Fake().Screen = QImage(1280, 1024, QImage::Format_RGB32);
    Fake().Screen.fill(Qt::darkGreen);
    // The pointer at each edge and corner: the prompt where it waits, the
    // read-out of a small drag from there.
    const QPoint places[] = {{0, 500},   {1279, 500}, {640, 0},    {640, 1023},
                             {0, 0},     {1279, 0},   {0, 1023},   {1279, 1023},
                             {640, 500}, {2, 1010},   {1260, 1015}};
    int heights[2] = {};
    for (int d = 0; d < 2; ++d) {
        Fake().Dots = d ? 192 : 96;
        for (QPoint p : places) {
            SCOPED_TRACE(testing::Message() << Fake().Dots << " dpi at " << p.x() << ", " << p.y());
            const auto onScreen = [&] {
                return Save.X >= 0 && Save.Y >= 0 && Save.X + Save.W <= 1280 &&
                       Save.Y + Save.H <= 1024;
            };
            Fake().Cursor = p;
            auto s = Begin(3);
            EXPECT_TRUE(onScreen()) << "prompt " << Save.X << ", " << Save.Y << ", " << Save.W;
            heights[d] = Save.H;
            const QPoint q(std::clamp(p.x(), 3, 1276), std::clamp(p.y(), 3, 1020));
            s->Message(M(3, q.x() - 3, q.y() - 3));
            s->Message(M(4, q.x() + 3, q.y() + 3));
            EXPECT_TRUE(onScreen()) << "read-out " << Save.X << ", " << Save.Y << ", " << Save.W;
            s->Cancel();
        }
    }
    EXPECT_GE(heights[1], heights[0] * 3 / 2) << "larger at 192 dpi";
}
