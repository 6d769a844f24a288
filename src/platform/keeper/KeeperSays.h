// What a keeper of either family says to the program that started it.
#pragma once

#include <chrono>

// Pastes under way when the clipboard goes elsewhere are finished, but a
// reader that stops reading does not keep the keeper alive past this.
constexpr auto KeeperLostGrace = std::chrono::seconds(5);

// Why the keeper does not take the clipboard, on stderr; the exit status 1.
int KeeperRefuses(const char* why);

// "owned" on Word, which is closed, and stderr to nowhere: a pipe the
// program's output went to must not stay open for the keeper's sake.
void KeeperOwns(int word);
