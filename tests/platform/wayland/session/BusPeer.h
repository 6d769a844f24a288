// Scripted D-Bus peers for the Wayland session's services, on a bus daemon
// of the test program's own: it is the program's session bus from the first
// test on, and it activates nothing, so only the peers a test starts answer.
#pragma once

#include <QJsonObject>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

// A Python script of this folder (dbus-python on GLib) that owns Name on the
// bus while it runs; it prints one JSON object a line for what it got.
class TBusPeer {
public:
    TBusPeer(const std::string& script, const std::string& name,
             const std::vector<std::string>& args = {});
    ~TBusPeer(); // ended by its pid; waits until its name is free again
    bool Ready() const { return FReady; }
    // The lines it printed with a "call" member, in order.
    std::vector<QJsonObject> Calls() const;
    std::string Stderr() const { return Process->Stderr(); }

private:
    std::string Name;
    std::unique_ptr<TProcess> Process;
    bool FReady = false;
};
