// The program's writes into the hook block and the routing of a key press
// by what the block says, without a display.
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "hook/HookBlock.h"
#include "hook/HotKeyNames.h"

namespace {

class HookBlockWrites : public testing::Test {
protected:
    void SetUp() override { HookBlock = &Block; }
    void TearDown() override { HookBlock = nullptr; }
    SharedHookBlock Block{};
};

} // namespace

TEST_F(HookBlockWrites, KeyPressesGoWhereTheBlockSays) {
    InitHookBlock(7, 44);
    SetHotKeyFlag(82);
    struct {
        bool Reports;
        int Index;
        THookPost Want;
    } const cases[] = {
        {false, 44, {7, hmHotKey}},
        {false, 82, {7, hmHotKey}},
        {false, 42, {}},
        {false, -1, {}},
        {false, HotKeyCount, {}},
        {true, 42, {9, hmKeyReport}},
        {true, 44, {9, hmKeyReport}},
        {true, 237, {9, hmKeyReport}},
        {true, HotKeyCount, {}},
    };
    for (const auto& c : cases) {
        SetSecWind(9, c.Reports);
        const THookPost got = KeyPressRoute(Block, c.Index);
        EXPECT_EQ(got.Window, c.Want.Window) << c.Index << (c.Reports ? " reports on" : "");
        EXPECT_EQ(got.Msg, c.Want.Msg) << c.Index << (c.Reports ? " reports on" : "");
    }
    EXPECT_EQ(HookRead(Block.KeyReportWindow), 9u) << "switching off keeps the handle";
}

TEST_F(HookBlockWrites, OnlyValidIndicesAreFlaggedAndNothingIsWrittenWithoutABlock) {
    for (int index : {-1, HotKeyCount, 1000}) SetHotKeyFlag(index);
    SharedHookBlock zero{};
    EXPECT_EQ(std::memcmp(&Block, &zero, sizeof Block), 0);
    InitHookBlock(5, HotKeyCount); // a hand-edited capture key
    EXPECT_EQ(Block.Mode, HookModeKeys);
    EXPECT_EQ(std::count(std::begin(Block.HotKeyFlags), std::end(Block.HotKeyFlags), 1), 0);
    HookBlock = nullptr;
    InitHookBlock(6, 3);
    SetHookMode(HookModeSelect);
    SetSecWind(6, true);
    EXPECT_EQ(Block.MainWindow, 5u);
    EXPECT_EQ(Block.Mode, HookModeKeys);
}

TEST_F(HookBlockWrites, EveryWriteTellsTheNewestWatchWhileItLasts) {
    const std::function<void()> writes[] = {
        [] { InitHookBlock(5, 44); }, [] { SetHotKeyFlag(3); },
        [] { ClearHotKeyFlag(3); },   [] { SetHookMode(HookModeSelect); },
        [] { SetSecWind(6, true); },
    };
    const auto writeAll = [&] {
        for (const auto& write : writes) write();
    };
    int older = 0, newer = 0;
    writeAll(); // nobody watches
    auto first = std::make_unique<THookBlockWatch>([&] { ++older; });
    writeAll();
    EXPECT_EQ(older, 5) << "one call per write";
    {
        THookBlockWatch second([&] { ++newer; });
        first.reset(); // the older watch ends: the newer one stays
        writeAll();
        EXPECT_EQ(older, 5);
        EXPECT_EQ(newer, 5);
    }
    writeAll();
    EXPECT_EQ(newer, 5) << "an ended watch is not told";
}
