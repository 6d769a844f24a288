#include "VirtualPointer.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
    return n;
}

} // namespace

TVirtualPointer::TVirtualPointer() {
    const std::string fifo = Dir.File("pointer");
    if (mkfifo(fifo.c_str(), 0600) != 0) return;
    // Opened for reading and writing, the pipe never meets its end between
    // the test's writes; exec, so that the pid is the tool's own.
    Tool = std::make_unique<TProcess>(
        std::vector<std::string>{"sh", "-c", "exec \"$0\" <> \"$1\"", VIRTUAL_POINTER, fifo});
    const int fd = open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    if (!WaitFor([&] {
            return Tool->Stdout().find("ready\n") != std::string::npos || !Tool->Running();
        }) ||
        !Tool->Running()) {
        close(fd);
        return;
    }
    Fifo = fd;
}

TVirtualPointer::~TVirtualPointer() {
    if (Fifo >= 0) close(Fifo);
    if (Tool) {
        Tool->Signal(SIGTERM);
        Tool->Wait();
    }
}

bool TVirtualPointer::Send(const std::vector<std::string>& lines) {
    if (Fifo < 0) return false;
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    if (write(Fifo, text.data(), text.size()) != ssize_t(text.size())) return false;
    Done += lines.size();
    return WaitFor([&] { return Count(Tool->Stdout(), "ok\n") >= Done; });
}

bool TVirtualPointer::MoveTo(int x, int y) {
    return Send({"abs " + std::to_string(x) + " " + std::to_string(y) + " 1792 800"});
}
