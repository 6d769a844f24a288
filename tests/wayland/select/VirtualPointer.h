// The tests' pointer in the Wayland session: the virtual_pointer tool, fed
// through a named pipe that stays open, so one pointer serves a whole test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

class TVirtualPointer {
public:
    TVirtualPointer();
    ~TVirtualPointer();
    bool Ok() const { return Fifo >= 0; }

    // Each line as the tool reads it ("abs X Y W H", "down", "up 273"),
    // true once the compositor has them all.
    bool Send(const std::vector<std::string>& lines);
    // To (X, Y) of the test session's layout (1792 x 800 logical pixels).
    bool MoveTo(int x, int y);

private:
    TTempDir Dir;
    std::unique_ptr<TProcess> Tool;
    int Fifo = -1;
    size_t Done = 0; // the lines the tool has said "ok" to
};
