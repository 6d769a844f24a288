// The clipboard through Qt's, which offers it on the Wayland seat. A
// compositor takes the offer only from a client that has had input, which
// the program's own window has had by the time the user copies from it.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <map>

#include "platform/wayland/WaylandServices.h"

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

class TWaylandClipboard : public TClipboard {
public:
    bool Offer(std::vector<TClipFormat> formats) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard) return false;
        clipboard->setMimeData(new TLazyMimeData(std::move(formats)));
        return true;
    }
};

} // namespace

std::unique_ptr<TClipboard> CreateWaylandClipboard() {
    return std::make_unique<TWaylandClipboard>();
}
