// One connection to the compositor (WAYLAND_DISPLAY) with the globals the
// screen's pictures need and the outputs it lists, named and placed through
// xdg-output. Each list or shot opens its own, so none shares the program's
// own connection (Qt's) or its event queue.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/screen/FramePixels.h"
#include "platform/wayland/screen/OutputPicture.h"

struct wl_display;
struct wl_registry;
struct wl_output;
struct wl_shm;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_screencopy_manager_v1;

struct TWaylandOutput {
    wl_output* Output = nullptr;
    zxdg_output_v1* Xdg = nullptr;
    TOutputPlace Place;
    uint32_t Global = 0; // its name in the registry
    bool Gone = false;   // unplugged meanwhile: kept until the end, for the frames on it
    TOutputTransform Transform = TOutputTransform::Normal;
};

class TWaylandClient {
public:
    // Null when no compositor answers.
    static std::unique_ptr<TWaylandClient> Connect();
    ~TWaylandClient();
    TWaylandClient(const TWaylandClient&) = delete;
    TWaylandClient& operator=(const TWaylandClient&) = delete;

    // The globals, null where the compositor offers none.
    wl_display* Display() const { return FDisplay; }
    wl_shm* Shm() const { return FShm; }
    zwlr_screencopy_manager_v1* Screencopy() const { return FScreencopy; }
    // ext-image-copy-capture-v1 (its output source manager and its capture
    // manager) would be bound here beside wlr-screencopy, and chosen first
    // where the compositor offers it.

    // The outputs with their names and logical places, those unplugged since
    // marked Gone; EShotError when the compositor does not tell them (no
    // xdg-output).
    const std::vector<std::unique_ptr<TWaylandOutput>>& Outputs();

    // Handles events until Done holds; EShotError when the connection breaks
    // or the compositor stays silent for too long.
    void DispatchUntil(const std::function<bool()>& done);
    void Roundtrip();

    // Called by the listeners.
    void AddGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    void RemoveGlobal(uint32_t name);

private:
    explicit TWaylandClient(wl_display* display);
    [[noreturn]] void Broken() const;
    wl_display* FDisplay = nullptr;
    wl_registry* Registry = nullptr;
    wl_shm* FShm = nullptr;
    zxdg_output_manager_v1* XdgOutputs = nullptr;
    zwlr_screencopy_manager_v1* FScreencopy = nullptr;
    std::vector<std::unique_ptr<TWaylandOutput>> FOutputs; // the listeners hold their addresses
    bool Described = false;
};
