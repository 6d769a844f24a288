#include "platform/x11/selection/KeeperLaunch.h"

#include "platform/keeper/KeeperHandOver.h"

bool HandToKeeper(TX11SelectionServer& server, Display* dpy, const std::string& keeper,
                  std::chrono::milliseconds wait) {
    std::vector<TKeptTarget> kept;
    for (const TSelectionTarget& t : server.AllMade()) {
        char* name = XGetAtomName(dpy, t.Target);
        if (!name) return false;
        kept.push_back({name, t.Bytes.Data, t.Bytes.Size});
        XFree(name);
    }
    // Requests keep coming until the keeper owns the selection.
    return HandOverToKeeper({keeper,
                             {std::to_string(server.OwnerWindow())},
                             ConnectionNumber(dpy),
                             [&] { server.ReadEvents(); },
                             wait},
                            kept);
}
