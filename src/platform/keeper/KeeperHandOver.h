// The program's side of the keeper: at the program's end, a process of its
// own goes on serving the clipboard the program still owns. The same for
// either desktop family; only what the keeper is told and how the program
// serves meanwhile differ.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/keeper/KeptTargets.h"

struct TKeeperStart {
    std::string Keeper;            // the keeper program's path
    std::vector<std::string> Args; // after its name
    // Readable when the program has requests to answer (-1: none to watch);
    // Serve answers them. Pastes go on until the keeper owns the clipboard.
    int ServeFd = -1;
    std::function<void()> Serve;
    std::chrono::milliseconds Wait{5000};
};

// Starts the keeper with Targets on its stdin and serves on until it says
// that it owns the clipboard. False when it could not start, refused or
// said nothing within Wait (it is then ended): the clipboard is still the
// program's and goes when the program ends.
bool HandOverToKeeper(const TKeeperStart& start, const std::vector<TKeptTarget>& targets);
