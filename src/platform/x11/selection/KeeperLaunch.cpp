#include "platform/x11/selection/KeeperLaunch.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/x11/selection/KeptTargets.h"

extern char** environ;

namespace {

// The keeper, its picture on stdin and its word on stdout; a session of its
// own, so that the terminal the program ran in may close, and none of the
// program's descriptors (the marker's lock above all).
pid_t Spawn(const std::string& keeper, Window owner, int data, int word) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, data, 0);
    posix_spawn_file_actions_adddup2(&files, word, 1);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, ending;
    sigemptyset(&none);
    sigemptyset(&ending);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&ending, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &ending);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string window = std::to_string(owner);
    char* argv[] = {const_cast<char*>(keeper.c_str()), window.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, keeper.c_str(), &files, &attr, argv, environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

} // namespace

bool HandToKeeper(TX11SelectionServer& server, Display* dpy, const std::string& keeper,
                  std::chrono::milliseconds wait) {
    std::vector<TKeptTarget> kept;
    for (const TSelectionTarget& t : server.AllMade()) {
        char* name = XGetAtomName(dpy, t.Target);
        if (!name) return false;
        kept.push_back({name, t.Bytes.Data, t.Bytes.Size});
        XFree(name);
    }
    if (kept.empty()) return false;
    const int data = WriteKeptTargets(kept);
    int word[2];
    if (data < 0 || pipe2(word, O_CLOEXEC) != 0) {
        if (data >= 0) ::close(data);
        return false;
    }
    const pid_t pid = Spawn(keeper, server.OwnerWindow(), data, word[1]);
    ::close(data);
    ::close(word[1]);
    std::string said;
    const auto end = std::chrono::steady_clock::now() + wait;
    // Requests keep coming until the keeper owns the selection.
    while (pid > 0 && said.find('\n') == std::string::npos) {
        server.ReadEvents();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p[2] = {{word[0], POLLIN, 0}, {ConnectionNumber(dpy), POLLIN, 0}};
        if (poll(p, 2, int(left.count())) < 0 && errno != EINTR) break;
        if (p[0].revents) {
            char buf[64];
            const ssize_t n = ::read(word[0], buf, sizeof buf);
            if (n <= 0) break; // it ended without a word: refused or failed
            said.append(buf, size_t(n));
        }
    }
    ::close(word[0]);
    const bool owned = said == "owned\n";
    if (pid > 0 && !owned) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    server.ReadEvents();
    return owned;
}
