// The X11 family's services that have no header of their own; the family
// is put together in X11Platform.cpp.
#pragma once

#include <QObject>
#include <memory>

#include "platform/Clipboard.h"
#include "platform/TrayWatch.h"
#include "platform/WindowRequests.h"

std::unique_ptr<TClipboard> CreateX11Clipboard();
std::unique_ptr<TWindowRequests> CreateX11WindowRequests();
TTrayWatch* CreateX11TrayWatch(QObject* parent);
