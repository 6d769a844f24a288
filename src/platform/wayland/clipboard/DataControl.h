// The selection (the clipboard) of a Wayland seat taken through
// wlr-data-control (sway and the other wlroots desktops, KWin, Hyprland),
// which needs no window of ours and no input event. It runs on a connection
// of its own: the owner polls Fd() and calls Dispatch() when it is readable.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/clipboard/ClipBytes.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;
struct zwlr_data_control_offer_v1;

class TDataControl {
public:
    // Null when no compositor answers (WAYLAND_DISPLAY).
    static std::unique_ptr<TDataControl> Connect();
    ~TDataControl();
    TDataControl(const TDataControl&) = delete;
    TDataControl& operator=(const TDataControl&) = delete;

    // Whether the compositor offers wlr-data-control for a seat.
    bool Offered() const { return Manager && Device; }
    // Takes the selection with these types; false when it cannot (not
    // offered, or the connection broke).
    bool Offer(std::vector<TOfferedType> types);
    // Whether the selection is still ours: another client's copy ends it.
    bool Owns() const { return Source != nullptr; }
    // The types the seat's selection offers now, whoever set it (as last
    // heard: Sync() first for the compositor's answer).
    const std::vector<std::string>& SelectionTypes() const { return Selection; }
    // Waits until the compositor has handled everything sent so far; false
    // when it does not answer.
    bool Sync() { return Roundtrip(); }

    int Fd() const;
    // Handles what the compositor sent, without waiting: pastes are answered
    // by writers of their own. False once the connection is broken.
    bool Dispatch();

    // Called by the listeners.
    void AddGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    void Send(const char* mimeType, int fd);
    void Cancelled(zwlr_data_control_source_v1* source);
    void Finished();
    void OfferAnnounced(zwlr_data_control_offer_v1* offer);
    void OfferType(zwlr_data_control_offer_v1* offer, const char* mimeType);
    void SelectionIs(zwlr_data_control_offer_v1* offer);
    void PrimaryIs(zwlr_data_control_offer_v1* offer);

private:
    struct TMade;
    explicit TDataControl(wl_display* display);
    bool Roundtrip();
    bool Flush();
    bool Lost();

    wl_display* Display = nullptr;
    wl_registry* Registry = nullptr;
    wl_seat* Seat = nullptr;
    zwlr_data_control_manager_v1* Manager = nullptr;
    zwlr_data_control_device_v1* Device = nullptr;
    zwlr_data_control_source_v1* Source = nullptr;
    std::vector<std::shared_ptr<TMade>> Types; // of the current source
    // Offers announced and not yet named the selection, with their types.
    std::map<zwlr_data_control_offer_v1*, std::vector<std::string>> Announced;
    std::vector<std::string> Selection;
    bool Broken = false;
};
