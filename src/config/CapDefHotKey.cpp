// The Hot Key page of the configuration dialog: the name table in a list,
// and the entry box that names the combination the user presses.
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "config/CapDef.h"
#include "hook/HookMessages.h"
#include "hook/HotKeyNames.h"
#include "platform/InputHook.h"

namespace {

QString KeyName(int index) {
    const std::string_view n = HotKeyNames[index];
    return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
}

} // namespace

void TCaptureDefaults::FillHotKeys() {
    HotKeyList->clear();
    for (int k = 0; k < HotKeyCount; ++k) HotKeyList->addItem(KeyName(k));
    const bool valid = Config.CaptureKey >= 0 && Config.CaptureKey < HotKeyCount;
    HotKeyEntry->clear();
    HotKeyList->setCurrentRow(-1);
    if (valid) SelectHotKey(Config.CaptureKey);
}

void TCaptureDefaults::SelectHotKey(int index) {
    HotKeyList->setCurrentRow(index);
    HotKeyList->scrollToItem(HotKeyList->item(index), QAbstractItemView::PositionAtCenter);
    ShowHotKey(index);
}

void TCaptureDefaults::ShowHotKey(int index) {
    HotKeyEntry->setText(KeyName(index));
    // Said here because this is where users look when a key does nothing.
    HotKeyState->setText(TheInputHook().HeldElsewhere(index)
                             ? KeyName(index) +
                                   " is in use by another program; Snaprio 2000 will take it as "
                                   "soon as it is free."
                             : QString());
}

void TCaptureDefaults::HotKeyEntryEnter() {
    Reporting = true;
    TheInputHook().KeyReports(FHandle, true);
}

void TCaptureDefaults::HotKeyEntryExit() {
    Reporting = false;
    TheInputHook().KeyReports(FHandle, false);
}

void TCaptureDefaults::StopKeyReports() {
    if (Reporting) HotKeyEntryExit();
}

void TCaptureDefaults::HotKeyListClick() {
    // No scrolling here: the list would move the line away from the pointer,
    // and the button's release would select the line that came under it.
    if (HotKeyList->currentRow() >= 0) ShowHotKey(HotKeyList->currentRow());
}

void TCaptureDefaults::KeyReport(int index) {
    // A report queued before the entry lost the focus is stale.
    if (!Reporting || index < 0 || index >= HotKeyList->count()) return;
    SelectHotKey(index);
}

bool TCaptureDefaults::event(QEvent* e) {
    if (e->type() == TWinMessageEvent::EventType()) {
        const TMessage& m = static_cast<TWinMessageEvent*>(e)->Message;
        if (m.Msg == hmKeyReport) KeyReport(m.WParam);
        return true;
    }
    return QDialog::event(e);
}

bool TCaptureDefaults::eventFilter(QObject* watched, QEvent* e) {
    if (watched == HotKeyEntry && e->type() == QEvent::FocusIn) HotKeyEntryEnter();
    if (watched == HotKeyEntry && e->type() == QEvent::FocusOut) HotKeyEntryExit();
    if (watched != HotKeyEntry && e->type() == QEvent::FocusOut) GeometryEditExit(watched);
    return QDialog::eventFilter(watched, e);
}
