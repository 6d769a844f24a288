#include "platform/wayland/screen/WaylandClient.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace {

// Long enough for a large output's copy on a busy machine; a compositor
// that hangs still ends in an error rather than a program that waits.
constexpr auto Patience = std::chrono::seconds(10);

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    static_cast<TWaylandClient*>(data)->AddGlobal(registry, name, interface, version);
}

void OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
    static_cast<TWaylandClient*>(data)->RemoveGlobal(name);
}

const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

TWaylandOutput& OutputOf(void* data) {
    return *static_cast<TWaylandOutput*>(data);
}

void OnGeometry(void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                const char*, int32_t transform) {
    if (transform >= 0 && transform <= int32_t(TOutputTransform::Flipped270))
        OutputOf(data).Transform = TOutputTransform(transform);
}
void OnMode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void OnOutputDone(void*, wl_output*) {}
void OnScale(void* data, wl_output*, int32_t scale) {
    OutputOf(data).Place.Scale = scale > 0 ? scale : 1;
}

void OnOutputName(void*, wl_output*, const char*) {}
void OnOutputDescription(void*, wl_output*, const char*) {}

// Bound at version 3 at most: the name comes from xdg-output, which every
// compositor with screencopy offers.
const wl_output_listener OutputListener = {OnGeometry, OnMode,       OnOutputDone,
                                           OnScale,    OnOutputName, OnOutputDescription};

void OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    TRect& r = OutputOf(data).Place.Logical;
    r = {x, y, x + r.Width(), y + r.Height()};
}
void OnLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    TRect& r = OutputOf(data).Place.Logical;
    r.Right = r.Left + width;
    r.Bottom = r.Top + height;
}
void OnXdgDone(void*, zxdg_output_v1*) {}
void OnName(void* data, zxdg_output_v1*, const char* name) {
    OutputOf(data).Place.Name = name;
}
void OnDescription(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener XdgOutputListener = {OnLogicalPosition, OnLogicalSize, OnXdgDone,
                                                   OnName, OnDescription};

void OnSyncDone(void* data, wl_callback*, uint32_t) {
    *static_cast<bool*>(data) = true;
}
const wl_callback_listener SyncListener = {OnSyncDone};

} // namespace

std::unique_ptr<TWaylandClient> TWaylandClient::Connect() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<TWaylandClient> client(new TWaylandClient(display));
    client->Registry = wl_display_get_registry(display);
    wl_registry_add_listener(client->Registry, &RegistryListener, client.get());
    try {
        client->Roundtrip();
    } catch (const EShotError&) {
        return nullptr;
    }
    return client;
}

TWaylandClient::TWaylandClient(wl_display* display) : FDisplay(display) {}

TWaylandClient::~TWaylandClient() {
    for (auto& o : FOutputs) {
        if (o->Xdg) zxdg_output_v1_destroy(o->Xdg);
        wl_output_destroy(o->Output);
    }
    if (XdgOutputs) zxdg_output_manager_v1_destroy(XdgOutputs);
    if (FScreencopy) zwlr_screencopy_manager_v1_destroy(FScreencopy);
    if (FShm) wl_shm_destroy(FShm);
    if (Registry) wl_registry_destroy(Registry);
    wl_display_disconnect(FDisplay);
}

void TWaylandClient::AddGlobal(wl_registry* registry, uint32_t name, const char* interface,
                               uint32_t version) {
    const auto bind = [&](const wl_interface* type, uint32_t most) {
        return wl_registry_bind(registry, name, type, version < most ? version : most);
    };
    if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2) {
        auto o = std::make_unique<TWaylandOutput>();
        o->Global = name;
        o->Output = static_cast<wl_output*>(bind(&wl_output_interface, 3));
        wl_output_add_listener(o->Output, &OutputListener, o.get());
        FOutputs.push_back(std::move(o));
        Described = false;
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        FShm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 && version >= 2) {
        XdgOutputs =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
    } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        // Version 3 announces every buffer kind and then buffer_done; the
        // older ones only the shared memory buffer, which is copied at once.
        FScreencopy = static_cast<zwlr_screencopy_manager_v1*>(
            bind(&zwlr_screencopy_manager_v1_interface, 3));
    }
}

void TWaylandClient::RemoveGlobal(uint32_t name) {
    for (auto& o : FOutputs)
        if (o->Global == name) o->Gone = true;
}

const std::vector<std::unique_ptr<TWaylandOutput>>& TWaylandClient::Outputs() {
    if (Described) return FOutputs;
    if (!XdgOutputs)
        throw EShotError("The desktop does not tell where its screens lie (it offers no "
                         "xdg-output).");
    for (auto& o : FOutputs) {
        if (o->Xdg) continue;
        o->Xdg = zxdg_output_manager_v1_get_xdg_output(XdgOutputs, o->Output);
        zxdg_output_v1_add_listener(o->Xdg, &XdgOutputListener, o.get());
    }
    Roundtrip();
    Described = true;
    return FOutputs;
}

void TWaylandClient::Roundtrip() {
    bool done = false;
    wl_callback* sync = wl_display_sync(FDisplay);
    wl_callback_add_listener(sync, &SyncListener, &done);
    try {
        DispatchUntil([&] { return done; });
    } catch (...) {
        wl_callback_destroy(sync);
        throw;
    }
    wl_callback_destroy(sync);
}

void TWaylandClient::DispatchUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    while (!done()) {
        if (wl_display_prepare_read(FDisplay) != 0) {
            if (wl_display_dispatch_pending(FDisplay) < 0) Broken();
            continue;
        }
        // Requests the socket could not take yet are sent once it can.
        short events = POLLIN;
        if (wl_display_flush(FDisplay) < 0) {
            if (errno != EAGAIN) {
                wl_display_cancel_read(FDisplay);
                Broken();
            }
            events |= POLLOUT;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{wl_display_get_fd(FDisplay), events, 0};
        const int ready = left.count() > 0 ? poll(&p, 1, int(left.count())) : 0;
        if (ready <= 0) {
            wl_display_cancel_read(FDisplay);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0) Broken();
            throw EShotError("The desktop did not answer within " +
                             std::to_string(Patience.count()) + " seconds.");
        }
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) {
            wl_display_cancel_read(FDisplay);
            continue;
        }
        if (wl_display_read_events(FDisplay) < 0 || wl_display_dispatch_pending(FDisplay) < 0)
            Broken();
    }
}

void TWaylandClient::Broken() const {
    const int error = wl_display_get_error(FDisplay);
    const wl_interface* interface = nullptr;
    uint32_t id = 0;
    if (error == EPROTO) {
        const uint32_t code = wl_display_get_protocol_error(FDisplay, &interface, &id);
        throw EShotError("The desktop closed the connection: protocol error " +
                         std::to_string(code) + " on " +
                         (interface ? interface->name : "an unknown object") + ".");
    }
    throw EShotError(std::string("The connection to the desktop broke: ") +
                     std::strerror(error ? error : errno) + ".");
}
