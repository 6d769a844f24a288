#include "platform/wayland/WaylandInputHook.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "hook/HookBlock.h"
#include "hook/HotKeyNames.h"
#include "platform/WinMessages.h"
#include "platform/wayland/session/GlobalShortcuts.h"

namespace {

constexpr uint32_t KeyboardHandle = 0x4B42; // "KB"
constexpr uint32_t MouseHandle = 0x4D53;    // "MS"

// The hot key a key press of the program's own windows names; -1 for none.
int HotKeyOf(const QKeyEvent& e) {
    const Qt::KeyboardModifiers m = e.modifiers();
    const unsigned mods =
        (m & Qt::ControlModifier ? ModCtrl : 0u) | (m & Qt::AltModifier ? ModAlt : 0u) |
        (m & Qt::ShiftModifier ? ModShift : 0u) | (m & Qt::MetaModifier ? ModWin : 0u);
    const int key = e.key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return HotKeyIndex({mods, THotKeyKind::Digit, key - Qt::Key_0});
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return HotKeyIndex({mods, THotKeyKind::Letter, key - Qt::Key_A});
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return HotKeyIndex({mods, THotKeyKind::Function, key - Qt::Key_F1 + 1});
    return -1;
}

// Hands the key presses of every window of the program to the hook.
class TKeyFilter : public QObject {
public:
    explicit TKeyFilter(std::function<bool(const QKeyEvent&)> onKey) : OnKey(std::move(onKey)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && OnKey(*static_cast<QKeyEvent*>(e))) return true;
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<bool(const QKeyEvent&)> OnKey;
};

} // namespace

TWaylandInputHook::TWaylandInputHook(TWaylandDesktop desktop, std::function<bool()> offered)
    : Desktop(desktop), Offered(std::move(offered)) {}

TWaylandInputHook::~TWaylandInputHook() = default;

bool TWaylandInputHook::PortalKey() const {
    if (!PortalKeyFits(Desktop)) return false;
    if (!FOffered) FOffered = Offered && Offered();
    return *FOffered;
}

std::string TWaylandInputHook::DesktopKeyBinding(int index) const {
    return KeyBindingAdvice(Desktop, index, PortalKey());
}

uint32_t TWaylandInputHook::HookKeyboard() {
    KeyboardOn = true;
    // The portal's session opens from the event loop: its calls wait for
    // answers, and the program may be building its main window now.
    if (!Watch)
        Watch = std::make_unique<THookBlockWatch>(
            [this] { QTimer::singleShot(0, &Context, [this] { Sync(); }); });
    QTimer::singleShot(0, &Context, [this] { Sync(); });
    return KeyboardHandle;
}

uint32_t TWaylandInputHook::HookMouse() {
    MouseOn = true;
    return MouseHandle;
}

void TWaylandInputHook::UnHook(uint32_t hook) {
    if (hook == MouseHandle) MouseOn = false;
    if (hook != KeyboardHandle) return;
    KeyboardOn = false;
    Watch.reset();
    // From the event loop too: hooks taken out and put in again at once (the
    // program's periodic renewal) keep the session, so the desktop does not
    // ask the user about the key again.
    QTimer::singleShot(0, &Context, [this] { Sync(); });
}

void TWaylandInputHook::Sync() {
    int want = -1;
    if (KeyboardOn && HookBlock && PortalKey())
        for (int k = 0; k < HotKeyCount && want < 0; ++k)
            if (HookRead(HookBlock->HotKeyFlags[k])) want = k;
    if (want == SessionKey) return;
    Shortcuts.reset(); // ends the session, and with it the old key
    SessionKey = want;
    if (want < 0) return;
    auto shortcuts = std::make_unique<TGlobalShortcuts>();
    // Heard from before Start returns: the desktop may send the key while it binds.
    QObject::connect(shortcuts.get(), &TGlobalShortcuts::Activated, &Context,
                     [this, want] { Press(want); });
    QString why;
    if (!shortcuts->Start(QString::fromStdString(PortalTrigger(want)), why)) {
        std::fprintf(stderr, "snaprio: the desktop does not give the hot key %s: %s\n",
                     std::string(HotKeyNames[size_t(want)]).c_str(), qPrintable(why));
        return;
    }
    Shortcuts = std::move(shortcuts);
}

void TWaylandInputHook::Press(int index) {
    if (!HookBlock) return;
    const THookPost to = KeyPressRoute(*HookBlock, index);
    if (to.Msg) PostMessage(to.Window, to.Msg, index, 0);
}

void TWaylandInputHook::KeyReports(uint32_t window, bool on) {
    SetSecWind(window, on);
    if (!on) {
        KeyFilter.reset();
        return;
    }
    if (KeyFilter || !QCoreApplication::instance()) return;
    KeyFilter = std::make_unique<TKeyFilter>([this](const QKeyEvent& e) { return OnKey(e); });
    QCoreApplication::instance()->installEventFilter(KeyFilter.get());
}

bool TWaylandInputHook::OnKey(const QKeyEvent& e) {
    const int index = HotKeyOf(e);
    if (index < 0 || !HookBlock) return false;
    // Held down: one report per press.
    if (!e.isAutoRepeat()) Press(index);
    return true;
}

std::unique_ptr<TInputHook> CreateWaylandInputHook() {
    return std::make_unique<TWaylandInputHook>(WaylandDesktopOf(std::getenv("XDG_CURRENT_DESKTOP")),
                                               [] { return TGlobalShortcuts::Offered(); });
}
