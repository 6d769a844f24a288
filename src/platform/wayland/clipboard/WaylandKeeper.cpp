#include "platform/wayland/clipboard/WaylandKeeper.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <poll.h>
#include <unistd.h>

#include "platform/keeper/KeeperSays.h"
#include "platform/keeper/KeptTargets.h"
#include "platform/wayland/clipboard/DataControl.h"
#include "platform/wayland/clipboard/SendWriter.h"

std::string OwnerMarkerType(long pid) {
    return "application/x-snaprio-owner-" + std::to_string(pid);
}

int RunWaylandKeeper(const std::string& marker, int data, int word) {
    std::optional<TKeptFile> kept = ReadKeptTargets(data);
    ::close(data); // the mapping stays
    if (!kept) return KeeperRefuses("no picture was handed over");
    std::unique_ptr<TDataControl> control = TDataControl::Connect();
    if (!control) return KeeperRefuses("no Wayland desktop answers (WAYLAND_DISPLAY)");
    if (!control->Offered()) return KeeperRefuses("the desktop offers no wlr-data-control");
    const auto& now = control->SelectionTypes();
    if (std::find(now.begin(), now.end(), marker) == now.end())
        return KeeperRefuses("the program no longer owns the clipboard");
    std::vector<TOfferedType> types;
    for (const TKeptTarget& t : kept->Targets)
        types.push_back({t.Name, [mapping = kept->Mapping, t] {
                             return TKeptBytes{mapping, t.Data, t.Size};
                         }});
    // Said only once the compositor has taken the offer: the program's own
    // offer ends when it ends, and must not end the keeper's.
    if (!control->Offer(std::move(types)) || !control->Sync() || !control->Owns())
        return KeeperRefuses("the clipboard could not be taken");
    KeeperOwns(word);

    auto lostAt = std::chrono::steady_clock::time_point::max();
    for (;;) {
        if (!control->Dispatch()) break; // the desktop is gone
        if (!control->Owns()) {
            const auto at = std::chrono::steady_clock::now();
            if (lostAt == std::chrono::steady_clock::time_point::max()) lostAt = at;
            if (WritesUnderWay() == 0 || at - lostAt > KeeperLostGrace) break;
        }
        pollfd p{control->Fd(), POLLIN, 0};
        poll(&p, 1, control->Owns() ? -1 : 100);
    }
    // Writers still at work hold the mapping; the process ends them.
    return 0;
}
