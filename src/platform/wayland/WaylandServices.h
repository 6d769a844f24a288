// The Wayland family's services that have no header of their own; the
// family is put together in WaylandPlatform.cpp.
#pragma once

#include <QObject>
#include <memory>

#include "platform/TrayWatch.h"
#include "platform/WindowRequests.h"

std::unique_ptr<TWindowRequests> CreateWaylandWindowRequests();
TTrayWatch* CreateWaylandTrayWatch(QObject* parent);
// True when a Wayland compositor accepts a connection.
bool WaylandReachable();
