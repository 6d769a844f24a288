// The clipboard in a Wayland session. A compositor takes a selection from a
// client only with the serial of an input event the client received: while
// a window of ours has the keyboard focus after input, Qt's clipboard offers
// it; otherwise wlr-data-control does, where the compositor has it (sway and
// the wlroots desktops, KWin, Hyprland). Where neither works (GNOME without
// the focus) nothing is offered, and the refusal says why.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "platform/Clipboard.h"

class TDataControl;

class TWaylandClipboard : public QObject, public TClipboard {
public:
    using TOpener = std::function<std::unique_ptr<TDataControl>()>;
    // Open connects to wlr-data-control when it is first needed.
    explicit TWaylandClipboard(TOpener open = nullptr);
    ~TWaylandClipboard() override;

    bool Offer(std::vector<TClipFormat> formats) override;
    QString Refusal() const override { return Refused; }
    // Where wlr-data-control is offered, the keeper serves on; elsewhere a
    // clipboard manager of the desktop may have kept a copy.
    void HandOver(const QString& programDir) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void WatchWaiting();
    bool HoldsSerial() const;
    bool OfferByControl(std::vector<TClipFormat> formats);
    bool StillOwned();

    TOpener Open;
    std::unique_ptr<TDataControl> Control;
    std::unique_ptr<QSocketNotifier> Notifier;
    bool HadInput = false;
    std::vector<TClipFormat> Offered; // the last offer's, as the user copied it
    bool OfferedByQt = false;
    QString Refused;
};

std::unique_ptr<TClipboard> CreateWaylandClipboard();
