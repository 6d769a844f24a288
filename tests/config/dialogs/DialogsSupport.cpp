#include "DialogsSupport.h"

#include <algorithm>

#include "TestSupport.h"
#include "config/CapDef.h"
#include "settings/Configs.h"
#include "hook/HookBlock.h"
#include "settings/Paths.h"

void DialogTest::SetUp() {
    LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
    Config.FirstTime = false;
    ASSERT_TRUE(Memory.Create(SharedBlockName(), sizeof(SharedHookBlock)));
    ASSERT_TRUE(Memory.Map());
    std::fill_n(Memory.Data(), sizeof(SharedHookBlock), uint8_t{0});
    HookBlock = AsHookBlock(Memory.Data());
    auto dialogs = std::make_unique<TAnsweredDialogs>();
    Dialogs = dialogs.get();
    DialogsScope.emplace(std::move(dialogs));
    auto hook = std::make_unique<TMemoryInputHook>();
    Hook = hook.get();
    HookScope.emplace(std::move(hook));
}

void DialogTest::TearDown() {
    DialogsScope.reset();
    HookScope.reset();
    HookBlock = nullptr;
    Memory.Unlink();
}

void Settle(int ms) {
    WaitFor([] { return false; }, std::chrono::milliseconds(ms));
}
