// The 280-byte block shared between the program and the input hook. The hook
// reads it at any time from its own side, without a lock: every field is a
// single aligned 32-bit word or a single byte, accessed atomically.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr int HotKeyCount = 238;

struct SharedHookBlock {
    uint32_t MainWindow; // target of WM_USER+2..+8
    uint8_t Reserved4;   // written 0 at start
    uint8_t Unused5[15];
    uint8_t HotKeyFlags[HotKeyCount]; // 1: hot key k is watched
    uint8_t Unused258[2];
    uint32_t MouseHook;       // the hook's HookMouse result
    uint32_t KeyboardHook;    // the hook's HookKeyboard result
    uint32_t Mode;            // 1 hot keys only, 2 a selection runs
    uint32_t KeyReportWindow; // receives WM_USER+1
    uint8_t KeyReportSwitch;  // 1: key reports go to KeyReportWindow
    uint8_t Unused277[3];
};

static_assert(sizeof(SharedHookBlock) == 280);
static_assert(offsetof(SharedHookBlock, MainWindow) == 0);
static_assert(offsetof(SharedHookBlock, Reserved4) == 4);
static_assert(offsetof(SharedHookBlock, HotKeyFlags) == 20);
static_assert(offsetof(SharedHookBlock, MouseHook) == 260);
static_assert(offsetof(SharedHookBlock, KeyboardHook) == 264);
static_assert(offsetof(SharedHookBlock, Mode) == 268);
static_assert(offsetof(SharedHookBlock, KeyReportWindow) == 272);
static_assert(offsetof(SharedHookBlock, KeyReportSwitch) == 276);

constexpr uint32_t HookModeKeys = 1;
constexpr uint32_t HookModeSelect = 2;

template <class T> T HookRead(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_acquire);
}
template <class T> void HookWrite(T& field, T value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_release);
}

// The block as the hook's side maps it: a view of shared memory.
inline SharedHookBlock* AsHookBlock(uint8_t* data) {
    return reinterpret_cast<SharedHookBlock*>(data);
}
