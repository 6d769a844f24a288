// Requests on a compositor's own socket: sway's IPC (i3's framing: "i3-ipc",
// the payload's length and the message type, each 32 bits in the machine's
// order, then the payload) and Hyprland's (the request's text; the answer
// runs to the end of the stream). Each request opens a connection of its
// own and waits at most two seconds.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>

enum class TSwayMessage : uint32_t { GetTree = 4 };

// The reply's payload; nullopt with Why when the socket does not answer.
std::optional<QByteArray> SwayRequest(const std::string& socket, TSwayMessage type,
                                      std::string& why);
std::optional<QByteArray> HyprlandRequest(const std::string& socket, const QByteArray& request,
                                          std::string& why);
