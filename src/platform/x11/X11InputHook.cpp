#include "platform/x11/X11InputHook.h"

#include "hook/HookBlock.h"
#include "platform/x11/InputHook.h"

namespace {

class TX11InputHook : public TInputHook {
public:
    uint32_t HookKeyboard() override { return CapHookKeyboard(); }
    uint32_t HookMouse() override { return CapHookMouse(); }
    void UnHook(uint32_t hook) override { CapUnHook(hook); }
    // The X11 hook follows the block: the switch is the block's.
    void KeyReports(uint32_t window, bool on) override { SetSecWind(window, on); }
    bool HeldElsewhere(int index) const override { return CapKeyHeldElsewhere(index); }
};

} // namespace

std::unique_ptr<TInputHook> CreateX11InputHook() {
    return std::make_unique<TX11InputHook>();
}
