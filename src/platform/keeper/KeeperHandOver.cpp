#include "platform/keeper/KeeperHandOver.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Without a descriptor to watch, the program serves this often.
constexpr int ServeEveryMs = 20;

// The keeper, its picture on stdin and its word on stdout; a session of its
// own, so that the terminal the program ran in may close, and none of the
// program's descriptors (the marker's lock above all).
pid_t Spawn(const TKeeperStart& start, int data, int word) {
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
    std::vector<std::string> args{start.Keeper};
    args.insert(args.end(), start.Args.begin(), start.Args.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, start.Keeper.c_str(), &files, &attr, argv.data(), environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

} // namespace

bool HandOverToKeeper(const TKeeperStart& start, const std::vector<TKeptTarget>& targets) {
    if (targets.empty()) return false;
    const int data = WriteKeptTargets(targets);
    int word[2];
    if (data < 0 || pipe2(word, O_CLOEXEC) != 0) {
        if (data >= 0) ::close(data);
        return false;
    }
    const pid_t pid = Spawn(start, data, word[1]);
    ::close(data);
    ::close(word[1]);
    std::string said;
    const auto end = std::chrono::steady_clock::now() + start.Wait;
    while (pid > 0 && said.find('\n') == std::string::npos) {
        if (start.Serve) start.Serve();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p[2] = {{word[0], POLLIN, 0}, {start.ServeFd, POLLIN, 0}};
        const int turn = start.ServeFd >= 0 || !start.Serve
                             ? int(left.count())
                             : std::min(int(left.count()), ServeEveryMs);
        if (poll(p, start.ServeFd >= 0 ? 2 : 1, turn) < 0 && errno != EINTR) break;
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
    if (start.Serve) start.Serve();
    return owned;
}
