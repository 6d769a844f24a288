#include "platform/wayland/WaylandClipboard.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <map>
#include <unistd.h>
#include <vector>

#include "platform/keeper/KeeperHandOver.h"
#include "platform/wayland/clipboard/DataControl.h"
#include "platform/wayland/clipboard/WaylandKeeper.h"

namespace {

// The formats are made when a program pastes, once each.
class TLazyMimeData : public QMimeData {
public:
    explicit TLazyMimeData(std::vector<TClipFormat> formats) : Formats(std::move(formats)) {}
    QStringList formats() const override {
        QStringList types;
        for (const TClipFormat& f : Formats) types << f.Type;
        return types;
    }
    bool hasFormat(const QString& type) const override { return formats().contains(type); }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override {
        for (const TClipFormat& f : Formats) {
            if (f.Type != type) continue;
            auto made = Made.find(type);
            if (made == Made.end())
                made = Made.emplace(type, f.Make ? f.Make() : QByteArray()).first;
            return made->second;
        }
        return {};
    }

private:
    std::vector<TClipFormat> Formats;
    mutable std::map<QString, QByteArray> Made;
};

// The keeper takes a few hundred milliseconds to connect and take over.
constexpr auto KeeperWait = std::chrono::seconds(5);

const char* const NoWayText =
    "This desktop lets a program set the clipboard only while one of its windows has the "
    "keyboard focus, and no window of this program has it now. Click into the program's "
    "window and copy again.";

// The clipboards made before the application (the platform is chosen
// first): each starts to watch the input once the application exists.
std::vector<TWaylandClipboard*>& Waiting() {
    static std::vector<TWaylandClipboard*> waiting;
    return waiting;
}

} // namespace

void TWaylandClipboard::WatchWaiting() {
    for (TWaylandClipboard* c : Waiting()) QCoreApplication::instance()->installEventFilter(c);
    Waiting().clear();
}

TWaylandClipboard::TWaylandClipboard(TOpener open)
    : Open(open ? std::move(open) : TOpener(TDataControl::Connect)) {
    // Qt's Wayland plug-in keeps the serial of the last button, key or touch
    // a window of ours received; the compositor wants one of those.
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        return;
    }
    static const bool added = (qAddPreRoutine(WatchWaiting), true);
    (void)added;
    Waiting().push_back(this);
}

TWaylandClipboard::~TWaylandClipboard() {
    std::erase(Waiting(), this);
}

bool TWaylandClipboard::eventFilter(QObject* watched, QEvent* event) {
    if (watched->isWindowType()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            HadInput = true;
            break;
        default:
            break;
        }
    }
    return false;
}

bool TWaylandClipboard::HoldsSerial() const {
    // A compositor may refuse the serial of a client without the focus
    // (GNOME, KWin); a focused window that never had input has none.
    return HadInput && QGuiApplication::focusWindow();
}

bool TWaylandClipboard::Offer(std::vector<TClipFormat> formats) {
    Refused.clear();
    Offered = formats;
    // The keeper recognises the program's offer by this type.
    formats.push_back(
        {QString::fromStdString(OwnerMarkerType(getpid())), [] { return QByteArray(); }});
    OfferedByQt = HoldsSerial() && QGuiApplication::clipboard();
    if (OfferedByQt) {
        QGuiApplication::clipboard()->setMimeData(new TLazyMimeData(std::move(formats)));
        return true;
    }
    if (OfferByControl(std::move(formats))) return true;
    Offered.clear();
    Refused = NoWayText;
    return false;
}

bool TWaylandClipboard::StillOwned() {
    if (Offered.empty()) return false;
    if (OfferedByQt) {
        QCoreApplication::processEvents();
        return QGuiApplication::clipboard() && QGuiApplication::clipboard()->ownsClipboard();
    }
    return Control && Control->Dispatch() && Control->Owns();
}

void TWaylandClipboard::HandOver(const QString& programDir) {
    if (!StillOwned()) return;
    std::vector<QByteArray> bytes;
    std::vector<TKeptTarget> kept;
    bytes.reserve(Offered.size());
    for (const TClipFormat& f : Offered) {
        bytes.push_back(f.Make ? f.Make() : QByteArray());
        kept.push_back(
            {f.Type.toStdString(), bytes.back().constData(), size_t(bytes.back().size())});
    }
    TKeeperStart start;
    start.Keeper = (programDir + "/snaprio-keeper").toStdString();
    start.Args = {"--wayland", OwnerMarkerType(getpid())};
    start.Wait = KeeperWait;
    if (OfferedByQt) {
        start.Serve = [] { QCoreApplication::processEvents(); };
    } else {
        start.ServeFd = Control->Fd();
        start.Serve = [this] { Control->Dispatch(); };
    }
    if (HandOverToKeeper(start, kept)) Offered.clear();
}

bool TWaylandClipboard::OfferByControl(std::vector<TClipFormat> formats) {
    // A broken connection (the compositor restarted) is opened anew.
    if (Control && !Control->Dispatch()) {
        Notifier.reset();
        Control.reset();
    }
    if (!Control) {
        Control = Open();
        if (!Control) return false;
        Notifier = std::make_unique<QSocketNotifier>(Control->Fd(), QSocketNotifier::Read);
        QObject::connect(Notifier.get(), &QSocketNotifier::activated, [this] {
            if (!Control->Dispatch()) Notifier->setEnabled(false);
        });
    }
    std::vector<TOfferedType> types;
    for (TClipFormat& f : formats)
        types.push_back({f.Type.toStdString(), [make = std::move(f.Make)] {
                             auto bytes = std::make_shared<const QByteArray>(make());
                             return TKeptBytes{bytes, bytes->constData(), size_t(bytes->size())};
                         }});
    return Control->Offer(std::move(types));
}

std::unique_ptr<TClipboard> CreateWaylandClipboard() {
    return std::make_unique<TWaylandClipboard>();
}
