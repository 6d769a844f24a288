#include "platform/wayland/clipboard/DataControl.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include "platform/wayland/clipboard/SendWriter.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace {

// A compositor that does not answer a round trip within this is taken as gone.
constexpr int PatienceMs = 5000;

TDataControl& ControlOf(void* data) {
    return *static_cast<TDataControl*>(data);
}

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    ControlOf(data).AddGlobal(registry, name, interface, version);
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

// Offers are never read: only their types are noted, and the offer is let
// go once the selection is named.
void OnOfferType(void* data, zwlr_data_control_offer_v1* offer, const char* mimeType) {
    ControlOf(data).OfferType(offer, mimeType);
}
const zwlr_data_control_offer_v1_listener OfferListener = {OnOfferType};

void OnDataOffer(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    ControlOf(data).OfferAnnounced(offer);
}
void OnSelection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    ControlOf(data).SelectionIs(offer);
}
void OnFinished(void* data, zwlr_data_control_device_v1*) {
    ControlOf(data).Finished();
}
void OnPrimarySelection(void* data, zwlr_data_control_device_v1*,
                        zwlr_data_control_offer_v1* offer) {
    ControlOf(data).PrimaryIs(offer);
}
const zwlr_data_control_device_v1_listener DeviceListener = {OnDataOffer, OnSelection, OnFinished,
                                                             OnPrimarySelection};

void OnSend(void* data, zwlr_data_control_source_v1*, const char* mimeType, int32_t fd) {
    ControlOf(data).Send(mimeType, fd);
}
void OnCancelled(void* data, zwlr_data_control_source_v1* source) {
    ControlOf(data).Cancelled(source);
}
const zwlr_data_control_source_v1_listener SourceListener = {OnSend, OnCancelled};

void OnSyncDone(void* data, wl_callback*, uint32_t) {
    *static_cast<bool*>(data) = true;
}
const wl_callback_listener SyncListener = {OnSyncDone};

} // namespace

// One offered type; its bytes are made once, by the first writer that needs
// them, while a later offer may already have replaced it.
struct TDataControl::TMade {
    std::string MimeType;
    std::function<TKeptBytes()> Make;
    std::once_flag Once;
    TKeptBytes Bytes;

    TKeptBytes Get() {
        std::call_once(Once, [this] { Bytes = Make ? Make() : TKeptBytes{}; });
        return Bytes;
    }
};

std::unique_ptr<TDataControl> TDataControl::Connect() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<TDataControl> control(new TDataControl(display));
    control->Registry = wl_display_get_registry(display);
    wl_registry_add_listener(control->Registry, &RegistryListener, control.get());
    if (!control->Roundtrip()) return nullptr;
    if (control->Manager && control->Seat) {
        control->Device =
            zwlr_data_control_manager_v1_get_data_device(control->Manager, control->Seat);
        zwlr_data_control_device_v1_add_listener(control->Device, &DeviceListener, control.get());
        if (!control->Roundtrip()) return nullptr;
    }
    return control;
}

TDataControl::TDataControl(wl_display* display) : Display(display) {}

TDataControl::~TDataControl() {
    // Pastes under way end on their own: their writers hold the bytes.
    for (auto& [offer, types] : Announced) zwlr_data_control_offer_v1_destroy(offer);
    if (Source) zwlr_data_control_source_v1_destroy(Source);
    if (Device) zwlr_data_control_device_v1_destroy(Device);
    if (Manager) zwlr_data_control_manager_v1_destroy(Manager);
    if (Seat) wl_seat_destroy(Seat);
    if (Registry) wl_registry_destroy(Registry);
    wl_display_disconnect(Display);
}

void TDataControl::AddGlobal(wl_registry* registry, uint32_t name, const char* interface,
                             uint32_t) {
    // The first seat: the one every desktop of one user has. Version 1 of
    // the manager: the primary selection is not ours to take.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !Seat)
        Seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        Manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
}

bool TDataControl::Offer(std::vector<TOfferedType> types) {
    if (!Offered() || Broken) return false;
    if (Source) zwlr_data_control_source_v1_destroy(Source);
    Types.clear();
    Source = zwlr_data_control_manager_v1_create_data_source(Manager);
    zwlr_data_control_source_v1_add_listener(Source, &SourceListener, this);
    for (TOfferedType& t : types) {
        zwlr_data_control_source_v1_offer(Source, t.MimeType.c_str());
        auto made = std::make_shared<TMade>();
        made->MimeType = std::move(t.MimeType);
        made->Make = std::move(t.Make);
        Types.push_back(std::move(made));
    }
    zwlr_data_control_device_v1_set_selection(Device, Source);
    return Flush();
}

void TDataControl::Send(const char* mimeType, int fd) {
    for (const auto& t : Types)
        if (t->MimeType == mimeType) return WriteDetached(fd, [t] { return t->Get(); });
    close(fd);
}

void TDataControl::Cancelled(zwlr_data_control_source_v1* source) {
    zwlr_data_control_source_v1_destroy(source);
    if (source != Source) return;
    Source = nullptr;
    Types.clear();
}

void TDataControl::OfferAnnounced(zwlr_data_control_offer_v1* offer) {
    Announced[offer];
    zwlr_data_control_offer_v1_add_listener(offer, &OfferListener, this);
}

void TDataControl::OfferType(zwlr_data_control_offer_v1* offer, const char* mimeType) {
    // A selection offers a handful of types; a client offering thousands
    // gets only the first ones noted.
    auto at = Announced.find(offer);
    if (at != Announced.end() && at->second.size() < 256) at->second.emplace_back(mimeType);
}

void TDataControl::SelectionIs(zwlr_data_control_offer_v1* offer) {
    Selection.clear();
    if (!offer) return;
    if (auto at = Announced.find(offer); at != Announced.end()) {
        Selection = std::move(at->second);
        Announced.erase(at);
    }
    zwlr_data_control_offer_v1_destroy(offer);
}

void TDataControl::PrimaryIs(zwlr_data_control_offer_v1* offer) {
    if (!offer) return;
    Announced.erase(offer);
    zwlr_data_control_offer_v1_destroy(offer);
}

void TDataControl::Finished() {
    // The seat is gone: nothing can be offered on it any more.
    zwlr_data_control_device_v1_destroy(Device);
    Device = nullptr;
    if (Source) zwlr_data_control_source_v1_destroy(Source);
    Source = nullptr;
    Types.clear();
}

int TDataControl::Fd() const {
    return wl_display_get_fd(Display);
}

bool TDataControl::Dispatch() {
    if (Broken) return false;
    while (wl_display_prepare_read(Display) != 0)
        if (wl_display_dispatch_pending(Display) < 0) return Lost();
    pollfd p{Fd(), POLLIN, 0};
    if (poll(&p, 1, 0) > 0) {
        if (wl_display_read_events(Display) < 0) return Lost();
    } else {
        wl_display_cancel_read(Display);
    }
    if (wl_display_dispatch_pending(Display) < 0) return Lost();
    return Flush();
}

bool TDataControl::Flush() {
    while (wl_display_flush(Display) < 0) {
        if (errno != EAGAIN) return Lost();
        // The socket is full: the compositor is slow to read, not gone.
        pollfd p{Fd(), POLLOUT, 0};
        if (poll(&p, 1, PatienceMs) == 0) return Lost();
    }
    return true;
}

bool TDataControl::Roundtrip() {
    bool done = false;
    wl_callback* sync = wl_display_sync(Display);
    wl_callback_add_listener(sync, &SyncListener, &done);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PatienceMs);
    while (!done && !Broken) {
        if (!Flush()) break;
        if (wl_display_prepare_read(Display) != 0) {
            if (wl_display_dispatch_pending(Display) < 0) Lost();
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{Fd(), POLLIN, 0};
        const int ready = left.count() > 0 ? poll(&p, 1, int(left.count())) : 0;
        if (ready <= 0) {
            wl_display_cancel_read(Display);
            if (ready < 0 && errno == EINTR) continue;
            Lost();
            break;
        }
        if (wl_display_read_events(Display) < 0 || wl_display_dispatch_pending(Display) < 0) Lost();
    }
    wl_callback_destroy(sync);
    return done;
}

bool TDataControl::Lost() {
    Broken = true;
    return false;
}
