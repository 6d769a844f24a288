#include "TestSupport.h"

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

std::string TempFolder() {
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

TTempDir::TTempDir() {
    std::string tmpl = TempFolder() + "/snaprio-test-XXXXXX";
    FPath = mkdtemp(tmpl.data()) ? tmpl : std::string();
}

TTempDir::~TTempDir() {
    std::error_code ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool FileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

namespace {
int OutCounter = 0;
}

TProcess::TProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    const std::string base = TempFolder() + "/snaprio-proc-" + std::to_string(getpid()) + "-" +
                             std::to_string(++OutCounter);
    Out = base + ".out";
    Err = base + ".err";
    FPid = fork();
    if (FPid == 0) {
        FILE* o = std::freopen(Out.c_str(), "w", stdout);
        FILE* e = std::freopen(Err.c_str(), "w", stderr);
        (void)o;
        (void)e;
        for (const auto& kv : env) putenv(const_cast<char*>(kv.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
}

TProcess::~TProcess() {
    if (Running()) {
        kill(FPid, SIGKILL);
        Wait();
    }
    unlink(Out.c_str());
    unlink(Err.c_str());
}

bool TProcess::Running() {
    if (Done || FPid <= 0) return false;
    int st;
    if (waitpid(FPid, &st, WNOHANG) == FPid) {
        Done = true;
        Status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        return false;
    }
    return true;
}

int TProcess::Wait(std::chrono::milliseconds timeout) {
    WaitFor([this] { return !Running(); }, timeout);
    return Done ? Status : -1;
}

void TProcess::Signal(int sig) {
    if (Running()) kill(FPid, sig);
}

int RunCommand(const std::vector<std::string>& argv, std::string* output) {
    TProcess p(argv);
    int status = p.Wait(std::chrono::seconds(60));
    if (output) *output = p.Stdout();
    return status;
}

bool CanSwitchUser() {
    return geteuid() == 0;
}

std::vector<std::string> AsUser(unsigned uid, std::vector<std::string> argv) {
    const std::string id = std::to_string(uid);
    argv.insert(argv.begin(),
                {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "--"});
    return argv;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TXServer::TXServer(const std::string& screen, bool windowManager,
                   const std::vector<std::string>& options) {
    std::vector<std::string> argv{"Xvfb", "-displayfd", "1",         "-screen", "0",
                                  screen, "-noreset",   "-nolisten", "tcp"};
    argv.insert(argv.end(), options.begin(), options.end());
    Server = std::make_unique<TProcess>(argv);
    std::string number;
    WaitFor([&] {
        number = Server->Stdout();
        return number.find('\n') != std::string::npos || !Server->Running();
    });
    if (number.find('\n') == std::string::npos) return;
    FName = ":" + number.substr(0, number.find('\n'));
    if (windowManager) {
        Manager = std::make_unique<TProcess>(
            std::vector<std::string>{"openbox", "--sm-disable"},
            std::vector<std::string>{"DISPLAY=" + FName, "HOME=" + Home.Path()});
        // Ready once it announces itself on the root window.
        WaitFor([&] {
            std::string out;
            return RunCommand(
                       {"sh", "-c", "DISPLAY=" + FName + " xprop -root _NET_SUPPORTING_WM_CHECK"},
                       &out) == 0 &&
                   out.find("window id") != std::string::npos;
        });
    }
}

TXServer::~TXServer() {
    Manager.reset();
    Server.reset();
}

TDisplayEnv::TDisplayEnv(const std::string& name) {
    if (const char* d = std::getenv("DISPLAY")) Old = d;
    setenv("DISPLAY", name.c_str(), 1);
}

TDisplayEnv::~TDisplayEnv() {
    setenv("DISPLAY", Old.c_str(), 1);
}

std::string WithoutDateAndId(std::string message) {
    static const std::regex date("Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-3][0-9] "
                                 "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
                                 "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [+-][0-9]{4}");
    static const std::regex id("Message-ID: <[0-9a-f]{32}@[A-Za-z0-9.-]+>");
    for (const auto& [field, form] : {std::pair{"\r\nDate: ", &date}, {"\r\nMessage-ID: ", &id}}) {
        const size_t headerEnd = message.find("\r\n\r\n");
        const size_t at = message.find(field);
        if (at == std::string::npos || at >= headerEnd) {
            ADD_FAILURE() << "no" << field << "line in the header";
            continue;
        }
        const size_t end = message.find("\r\n", at + 2);
        const std::string line = message.substr(at + 2, end - at - 2);
        EXPECT_TRUE(std::regex_match(line, *form)) << line;
        message.erase(at, end - at);
        EXPECT_GE(message.find(field), message.find("\r\n\r\n")) << "a second" << field << "line";
    }
    return message;
}

bool X11Session() {
    const char* display = std::getenv("DISPLAY");
    const char* platform = std::getenv("SNAPRIO_PLATFORM");
    return display && *display && (!platform || !*platform || std::string(platform) == "x11");
}

bool WaylandSession() {
    const char* session = std::getenv("SNAPRIO_WAYLAND_SESSION");
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return session && *session && display && *display;
}

std::vector<int> ClipKeepers(const std::string& runtimeDir) {
    std::vector<int> pids;
    const std::string entry = "XDG_RUNTIME_DIR=" + runtimeDir + '\0';
    std::error_code ec;
    for (const auto& p : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = p.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        // A keeper that has ended but is not yet reaped has an empty environment.
        if (ReadFile(p.path().string() + "/comm") == "snaprio-keeper\n" &&
            ('\0' + ReadFile(p.path().string() + "/environ")).find('\0' + entry) !=
                std::string::npos)
            pids.push_back(std::stoi(name));
    }
    return pids;
}
