// A paste's bytes written into the pipe the reader handed over, on a thread
// of their own: a picture of many megabytes goes out as fast as the reader
// takes it, and the program never waits for a reader that stalls.
#pragma once

#include <functional>

#include "platform/wayland/clipboard/ClipBytes.h"

// Writes Bytes() into Fd and closes it; the writer gives up on a reader that
// has left or takes nothing for a long time.
void WriteDetached(int fd, std::function<TKeptBytes()> bytes);
// How many of those writers are still at work: a keeper that has lost the
// clipboard finishes the pastes under way before it ends.
int WritesUnderWay();
