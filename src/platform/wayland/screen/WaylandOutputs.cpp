#include "platform/wayland/screen/WaylandOutputs.h"

#include "platform/wayland/screen/WaylandClient.h"

std::vector<TOutputPlace> ListOutputs() {
    const auto client = TWaylandClient::Connect();
    if (!client) throw EShotError("No Wayland desktop answers (WAYLAND_DISPLAY).");
    std::vector<TOutputPlace> places;
    for (const auto& o : client->Outputs())
        if (!o->Gone) places.push_back(o->Place);
    return places;
}
