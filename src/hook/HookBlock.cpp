#include "hook/HookBlock.h"

#include <utility>

SharedHookBlock* HookBlock = nullptr;

namespace {
// What the block's one watch does on a change; null while nobody watches.
const std::function<void()>* Watch = nullptr;
void Changed() {
    if (Watch && *Watch) (*Watch)();
}
} // namespace

THookBlockWatch::THookBlockWatch(std::function<void()> changed) : OnChange(std::move(changed)) {
    Watch = &OnChange;
}

THookBlockWatch::~THookBlockWatch() {
    if (Watch == &OnChange) Watch = nullptr;
}

void InitHookBlock(uint32_t mainWindow, int captureKey) {
    if (!HookBlock) return;
    HookWrite(HookBlock->MainWindow, mainWindow);
    HookWrite(HookBlock->Reserved4, uint8_t{0});
    HookWrite(HookBlock->Mode, HookModeKeys);
    HookWrite(HookBlock->KeyReportWindow, mainWindow);
    HookWrite(HookBlock->KeyReportSwitch, uint8_t{0});
    SetHotKeyFlag(captureKey); // tells the watcher
}

void SetHotKeyFlag(int index) {
    // A capture key out of range (a hand-edited INI) must not write outside the table.
    if (HookBlock && index >= 0 && index < HotKeyCount)
        HookWrite(HookBlock->HotKeyFlags[index], uint8_t{1});
    Changed();
}

void ClearHotKeyFlag(int index) {
    if (HookBlock && index >= 0 && index < HotKeyCount)
        HookWrite(HookBlock->HotKeyFlags[index], uint8_t{0});
    Changed(); // the hook lets the key go now, not at the next write
}

void SetHookMode(uint32_t mode) {
    if (HookBlock) HookWrite(HookBlock->Mode, mode);
    Changed();
}

void SetSecWind(uint32_t window, bool on) {
    if (!HookBlock) return;
    HookWrite(HookBlock->KeyReportWindow, window);
    HookWrite(HookBlock->KeyReportSwitch, uint8_t{on ? uint8_t{1} : uint8_t{0}});
    Changed();
}

THookPost KeyPressRoute(const SharedHookBlock& block, int index) {
    if (index < 0 || index >= HotKeyCount) return {};
    if (HookRead(block.KeyReportSwitch)) return {HookRead(block.KeyReportWindow), hmKeyReport};
    if (HookRead(block.HotKeyFlags[index])) return {HookRead(block.MainWindow), hmHotKey};
    return {};
}
