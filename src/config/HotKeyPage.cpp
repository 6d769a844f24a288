#include "config/HotKeyPage.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "config/DialogSupport.h"
#include "hook/HookBlock.h"
#include "hook/HookMessages.h"
#include "hook/HotKeyNames.h"
#include "platform/InputHook.h"
#include "product/ProductName.h"

namespace {

const QString HelpText =
    "Place the cursor in the field above and press the desired hot key combination.  If the key "
    "combination is available, the hot key name will appear.  Or you may choose from the list "
    "below.";

QString KeyName(int index) {
    const std::string_view n = HotKeyNames[index];
    return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
}

} // namespace

THotKeyPage::THotKeyPage(QWidget* parent) : TSettingsPage(parent) {
    setObjectName("HotSheet");
    QFont bold = ArialFont(12, true);
    Make<QLabel>(this, "HotKeyLabel", {8, 8, 216, 16}, "Capture Hot Key")->setFont(bold);
    HotKeyEntry = Make<QLineEdit>(this, "HotKeyEntry", {8, 26, 216, 22});
    HotKeyEntry->setReadOnly(true);
    HotKeyEntry->installEventFilter(this);
    HotKeyState = Make<QLabel>(this, "HotKeyState", {8, 50, 216, 30});
    HotKeyState->setWordWrap(true);
    HotKeyState->setFont(ArialFont(11));
    HotKeyState->setStyleSheet("color: #a00000");
    HotKeyHelp = Make<QLabel>(this, "HotKeyHelp", {8, 82, 216, 96}, HelpText);
    HotKeyHelp->setWordWrap(true);
    HotKeyHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Make<QLabel>(this, "HotKeyListLabel", {8, 180, 216, 16}, "Hot Key List")->setFont(bold);
    HotKeyList = Make<QListWidget>(this, "HotKeyList", {8, 198, 216, 184});
    HotKeyList->setUniformItemSizes(true);
    for (int k = 0; k < HotKeyCount; ++k) HotKeyList->addItem(KeyName(k));
    // A click or the keyboard: any change of the selected line.
    connect(HotKeyList, &QListWidget::currentRowChanged, this, &THotKeyPage::HotKeyListClick);
    FHandle = RegisterWindow(this);
}

THotKeyPage::~THotKeyPage() {
    StopKeyReports();
    UnregisterWindow(FHandle);
}

void THotKeyPage::Load(const ConfigRec& rec) {
    HotKeyEntry->clear();
    HotKeyState->clear();
    HotKeyList->setCurrentRow(-1);
    if (rec.CaptureKey >= 0 && rec.CaptureKey < HotKeyCount) SelectHotKey(rec.CaptureKey);
}

void THotKeyPage::Store(ConfigRec& rec) const {
    if (HotKeyList->currentRow() >= 0) rec.CaptureKey = HotKeyList->currentRow();
}

void THotKeyPage::Apply(const ConfigRec& before, const ConfigRec& after) {
    SetHotKeyFlag(after.CaptureKey);
    if (before.CaptureKey != after.CaptureKey) ClearHotKeyFlag(before.CaptureKey);
}

void THotKeyPage::SelectHotKey(int index) {
    HotKeyList->setCurrentRow(index);
    HotKeyList->scrollToItem(HotKeyList->item(index), QAbstractItemView::PositionAtCenter);
    ShowHotKey(index);
}

void THotKeyPage::ShowHotKey(int index) {
    HotKeyEntry->setText(KeyName(index));
    // Said here because this is where users look when a key does nothing.
    HotKeyState->setText(TheInputHook().HeldElsewhere(index)
                             ? KeyName(index) + " is in use by another program; " + ProgramTitle +
                                   " will take it as soon as it is free."
                             : QString());
    // Where the desktop binds the key, the page says how to bind this one there.
    const QString binding = QString::fromStdString(TheInputHook().DesktopKeyBinding(index));
    if (binding.isEmpty()) return;
    HotKeyHelp->setText(binding);
    HotKeyHelp->setFont(ArialFont(11)); // the line to copy fits the page's width
    HotKeyHelp->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void THotKeyPage::HotKeyEntryEnter() {
    Reporting = true;
    TheInputHook().KeyReports(FHandle, true);
}

void THotKeyPage::HotKeyEntryExit() {
    Reporting = false;
    TheInputHook().KeyReports(FHandle, false);
}

void THotKeyPage::StopKeyReports() {
    if (Reporting) HotKeyEntryExit();
}

void THotKeyPage::HotKeyListClick() {
    // No scrolling here: the list would move the line away from the pointer,
    // and the button's release would select the line that came under it.
    if (HotKeyList->currentRow() >= 0) ShowHotKey(HotKeyList->currentRow());
}

void THotKeyPage::KeyReport(int index) {
    // A report queued before the entry lost the focus is stale.
    if (!Reporting || index < 0 || index >= HotKeyList->count()) return;
    SelectHotKey(index);
}

bool THotKeyPage::event(QEvent* e) {
    if (e->type() == TWinMessageEvent::EventType()) {
        const TMessage& m = static_cast<TWinMessageEvent*>(e)->Message;
        if (m.Msg == hmKeyReport) KeyReport(m.WParam);
        return true;
    }
    return TSettingsPage::event(e);
}

bool THotKeyPage::eventFilter(QObject* watched, QEvent* e) {
    if (watched == HotKeyEntry && e->type() == QEvent::FocusIn) HotKeyEntryEnter();
    if (watched == HotKeyEntry && e->type() == QEvent::FocusOut) HotKeyEntryExit();
    return TSettingsPage::eventFilter(watched, e);
}
