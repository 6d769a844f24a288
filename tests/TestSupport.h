// Helpers shared by the tests: private folders, real processes, X tools.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where the tests' files go: $TMPDIR (in the Wayland session, a folder of the
// session's own user), else /tmp.
std::string TempFolder();

// A fresh folder under $TMPDIR, removed with everything in it at the end.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);

// A child process with its output collected in files.
class TProcess {
public:
    // Starts Argv with Env added to this process's environment.
    TProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    ~TProcess(); // kills a process still running
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    int Pid() const { return FPid; }
    bool Running();
    // Waits up to Timeout; the exit status, 128 + signal, or -1 on time-out.
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    void Signal(int sig);
    std::string Stdout() const { return ReadFile(Out); }
    std::string Stderr() const { return ReadFile(Err); }

private:
    int FPid = -1;
    int Status = -1;
    bool Done = false;
    std::string Out, Err;
};

// Runs a command to its end; the exit status (stdout into *Output when given).
int RunCommand(const std::vector<std::string>& argv, std::string* output = nullptr);

// Other users, for what they can do to ours: Argv run as Uid (its group the
// same number, no others) through setpriv. Only root can switch users.
constexpr unsigned Nobody = 65534;
bool CanSwitchUser();
std::vector<std::string> AsUser(unsigned uid, std::vector<std::string> argv);

// Polls Condition (pumping the Qt event loop when there is one) until it holds
// or Timeout passes.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A private X server (Xvfb) for tests that need their own screen, optionally
// with the openbox window manager.
class TXServer {
public:
    explicit TXServer(const std::string& screen = "800x600x24", bool windowManager = false,
                      const std::vector<std::string>& options = {}); // more Xvfb options
    ~TXServer();
    TXServer(const TXServer&) = delete;
    TXServer& operator=(const TXServer&) = delete;
    const std::string& Name() const { return FName; } // ":N"
    bool Ok() const { return !FName.empty(); }

private:
    std::string FName;
    std::unique_ptr<TProcess> Server, Manager;
    TTempDir Home;
};

// Sets DISPLAY for the life of the object.
class TDisplayEnv {
public:
    explicit TDisplayEnv(const std::string& name);
    ~TDisplayEnv();

private:
    std::string Old;
};

// A rendered message without its Date and Message-ID lines, once each has
// been found in the header exactly once and in its form: the two differ from
// one rendering to the next, everything else can be compared byte for byte.
std::string WithoutDateAndId(std::string message);

// Whether the tests run in an X11 session: a display named and no other
// platform family asked for (SNAPRIO_PLATFORM=memory runs the widget tests
// without a display server).
bool X11Session();

// For the tests that meet the X server themselves (other X clients, a real
// tray or window manager, the X11 hook, the programs run on the display).
#define SKIP_UNLESS_X11()                                                                          \
    do {                                                                                           \
        if (!X11Session()) GTEST_SKIP() << "needs an X11 session";                                 \
    } while (0)

// Whether the tests run in the headless Wayland session of
// tests/wayland/session.sh (or another Wayland display).
bool WaylandSession();

// For the tests that need a Wayland compositor.
#define SKIP_UNLESS_WAYLAND()                                                                      \
    do {                                                                                           \
        if (!WaylandSession()) GTEST_SKIP() << "needs a Wayland session";                          \
    } while (0)

// The clipboard keepers (snaprio-keeper) still running that a program with
// this XDG_RUNTIME_DIR started, by process id.
std::vector<int> ClipKeepers(const std::string& runtimeDir);
