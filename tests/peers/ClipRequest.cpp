// A raw X client that asks the CLIPBOARD owner for MULTIPLE, as any other
// client on the display may. Arguments define properties on its window, each
// NAME=TARGET:PROPERTY,...; the first is the list that is requested. It
// prints one line per pair of the answered list: "TARGET PROPERTY BYTES"
// (INCR transfers read to their end), "None" for a refused pair; "refused"
// when the whole request is; exit 3 when the owner stops answering.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <poll.h>
#include <string>
#include <vector>

namespace {

Display* Dpy;
Window Win;
const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);

Atom A(const std::string& name) {
    return XInternAtom(Dpy, name.c_str(), False);
}

std::string Name(Atom a) {
    if (a == None) return "None";
    char* n = XGetAtomName(Dpy, a);
    std::string s = n ? n : "?";
    XFree(n);
    return s;
}

// The next event of our window; exits 3 at the deadline.
XEvent Next() {
    for (;;) {
        while (XPending(Dpy)) {
            XEvent e;
            XNextEvent(Dpy, &e);
            return e;
        }
        if (std::chrono::steady_clock::now() > Deadline) {
            std::printf("timeout\n");
            std::exit(3);
        }
        pollfd p{ConnectionNumber(Dpy), POLLIN, 0};
        poll(&p, 1, 50);
    }
}

struct TValue {
    Atom Type = None;
    int Format = 0;
    size_t Size = 0; // bytes as sent
    std::vector<unsigned long> Longs;
};

TValue Read(Atom property, bool remove) {
    TValue v;
    unsigned long count, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(Dpy, Win, property, 0, 1 << 24, remove ? True : False, AnyPropertyType,
                       &v.Type, &v.Format, &count, &after, &data);
    if (!data) return v;
    v.Size = count * size_t(v.Format / 8);
    if (v.Format == 32) // Xlib hands 32-bit items as longs
        v.Longs.assign(reinterpret_cast<unsigned long*>(data),
                       reinterpret_cast<unsigned long*>(data) + count);
    XFree(data);
    return v;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !(Dpy = XOpenDisplay(nullptr))) return 2;
    Win = XCreateSimpleWindow(Dpy, DefaultRootWindow(Dpy), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(Dpy, Win, PropertyChangeMask);
    const Atom pair = A("ATOM_PAIR"), incr = A("INCR");
    Atom list = None;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t eq = arg.find('=');
        std::vector<Atom> atoms;
        for (size_t at = eq + 1; at < arg.size();) {
            size_t end = arg.find(',', at);
            if (end == std::string::npos) end = arg.size();
            const std::string item = arg.substr(at, end - at);
            const size_t colon = item.find(':');
            atoms.push_back(A(item.substr(0, colon)));
            atoms.push_back(A(item.substr(colon + 1)));
            at = end + 1;
        }
        const Atom property = A(arg.substr(0, eq));
        if (list == None) list = property;
        XChangeProperty(Dpy, Win, property, pair, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(atoms.data()), int(atoms.size()));
    }
    XConvertSelection(Dpy, A("CLIPBOARD"), A("MULTIPLE"), list, Win, CurrentTime);
    XFlush(Dpy);
    XEvent e;
    do e = Next();
    while (e.type != SelectionNotify);
    if (e.xselection.property == None) {
        std::printf("refused\n");
        return 0;
    }
    const TValue answer = Read(list, false);
    std::vector<std::pair<Atom, Atom>> pairs;
    for (size_t i = 0; i + 1 < answer.Longs.size(); i += 2)
        pairs.push_back({Atom(answer.Longs[i]), Atom(answer.Longs[i + 1])});
    // Every INCR transfer is started at once and read as its pieces come.
    std::map<Atom, size_t> bytes, open;
    for (const auto& [target, property] : pairs) {
        if (property == None) continue;
        const TValue v = Read(property, true);
        if (v.Type == incr)
            open[property] = 0;
        else
            bytes[property] = v.Size;
    }
    while (!open.empty()) {
        e = Next();
        if (e.type != PropertyNotify || e.xproperty.state != PropertyNewValue ||
            !open.count(e.xproperty.atom))
            continue;
        const TValue piece = Read(e.xproperty.atom, true);
        open[e.xproperty.atom] += piece.Size;
        if (piece.Size == 0) {
            bytes[e.xproperty.atom] = open[e.xproperty.atom];
            open.erase(e.xproperty.atom);
        }
    }
    for (const auto& [target, property] : pairs) {
        if (property == None)
            std::printf("%s None\n", Name(target).c_str());
        else
            std::printf("%s %s %zu\n", Name(target).c_str(), Name(property).c_str(),
                        bytes[property]);
    }
    return 0;
}
