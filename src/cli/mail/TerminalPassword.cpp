#include "cli/mail/TerminalPassword.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <termios.h>
#include <unistd.h>

namespace {

termios Saved;
const int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction OldActions[std::size(EndingSignals)];

// Ctrl-C, SIGTERM and the like at the prompt: the terminal gets its echo
// back, then the signal ends the program as it would have.
void RestoreAndRaise(int sig) {
    ::tcsetattr(0, TCSANOW, &Saved);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void CatchEndingSignals() {
    struct sigaction restore {};
    restore.sa_handler = RestoreAndRaise;
    sigemptyset(&restore.sa_mask);
    for (size_t i = 0; i < std::size(EndingSignals); ++i) {
        ::sigaction(EndingSignals[i], nullptr, &OldActions[i]);
        if (OldActions[i].sa_handler != SIG_IGN) ::sigaction(EndingSignals[i], &restore, nullptr);
    }
}

void ReleaseEndingSignals() {
    for (size_t i = 0; i < std::size(EndingSignals); ++i)
        ::sigaction(EndingSignals[i], &OldActions[i], nullptr);
}

} // namespace

TAskResult AskPassword(const std::string& prompt, std::string& password) {
    password.clear();
    if (!::isatty(0) || ::tcgetattr(0, &Saved) != 0) return TAskResult::NoTerminal;
    CatchEndingSignals();
    termios quiet = Saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    // TCSANOW: what was typed ahead is the password, not something to drop.
    ::tcsetattr(0, TCSANOW, &quiet);
    std::fprintf(stderr, "%s", prompt.c_str());
    std::fflush(stderr);
    bool line = false; // a whole line, ended by Enter
    for (char c; !line;) {
        const ssize_t n = ::read(0, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n != 1) break;
        if (c == '\n')
            line = true;
        else
            password += c;
    }
    ::tcsetattr(0, TCSANOW, &Saved);
    ReleaseEndingSignals();
    std::fprintf(stderr, "\n");
    if (!line) {
        password.clear();
        return TAskResult::EndOfInput;
    }
    return password.empty() ? TAskResult::Empty : TAskResult::Given;
}
