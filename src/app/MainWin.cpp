// The main window's dispatcher: creation and end, the hook's messages and
// capture requests, the screens and the keys.
#include "app/MainWin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <map>

#include "app/ProgramValues.h"
#include "app/TrayMenu.h"
#include "hook/HookBlock.h"
#include "imaging/qt/jpeg.h"
#include "platform/InputHook.h"
#include "platform/UserDialogs.h"
#include "platform/WindowRequests.h"
#include "product/ProductName.h"
#include "settings/Configs.h"
#include "shapes/CaptureItems.h"

namespace {

constexpr int HookTimerInterval = 30000;

std::map<int, QCursor>& Cursors() {
    static std::map<int, QCursor> cursors;
    return cursors;
}

void RegisterCursor(int number, const QString& resource, int hotX, int hotY) {
    Cursors()[number] = QCursor(QPixmap(resource), hotX, hotY);
}

} // namespace

const QCursor& AppCursor(int number) {
    static const QCursor arrow;
    auto it = Cursors().find(number);
    return it == Cursors().end() ? arrow : it->second;
}

TMainWin::TMainWin(QWidget* parent) : QWidget(parent) {
    setObjectName("MainWin");
    setWindowTitle(ProgramTitle);
    // Single fixed border, no system menu, minimise or maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(480, 231);
    QFont font("Arial");
    font.setPixelSize(13);
    setFont(font);
    BuildControls();
    FHandle = RegisterWindow(this);
    FormCreate();
}

TMainWin::~TMainWin() {
    UnregisterWindow(FHandle);
}

void TMainWin::FormCreate() {
    CaptureInProgress = false;
    InitHookBlock(FHandle, Config.CaptureKey);
    InstallHooks();
    HookTimer = new QTimer(this);
    HookTimer->setSingleShot(true);
    HookTimer->setInterval(HookTimerInterval);
    connect(HookTimer, &QTimer::timeout, this, &TMainWin::HookTimerTimer);
    HookTimer->start();
    ScreenWidth = TheDisplay().ScreenWidth();
    ScreenHeight = TheDisplay().ScreenHeight();
    // JPEG files open with the screen's palette where the screen has one.
    JPEGScreenPaletted = TheDisplay().Depth() <= 8;
    Q_INIT_RESOURCE(snaprio); // the resources live in a static library: keep them linked
    Tray = new TTrayMenu(this, *this);
    Tray->Activate();
    TextSave = TTextSave{};
    RegisterCursor(5, ":/cursors/CURSHAND.xpm", 8, 2);
    RegisterCursor(6, ":/cursors/CURSMOVE.xpm", 8, 8);
}

void TMainWin::HookTimerTimer() {
    HookTimer->stop();
    RemoveHooks();
    InstallHooks();
}

bool TMainWin::event(QEvent* e) {
    if (e->type() == TWinMessageEvent::EventType()) {
        WinMessage(static_cast<TWinMessageEvent*>(e)->Message);
        return true;
    }
    return QWidget::event(e);
}

void TMainWin::WinMessage(const TMessage& m) {
    if (m.Msg == hmHotKey) {
        CaptureRequest(true, m.WParam);
    } else if (m.Msg == hmCancel) {
        // Escape: back to the capture screen with the user's choice.
        if (!CancelSelection()) return;
        DoActivate();
        SetScreen(scCapture, true);
    } else if (m.Msg >= hmLeftDown && m.Msg <= hmMove && Selection)
        Selection->Message(m);
}

void TMainWin::CaptureImage1Click() {
    CaptureRequest(false, 0);
}

void TMainWin::CaptureImage() {
    CaptureImage1Click();
}

void TMainWin::OpenImage() {
    PopViewClick();
}

void TMainWin::Terminate() {
    close();
}

void TMainWin::CaptureRequest(bool checkKey, int key) {
    if (CaptureInProgress) {
        // A selection under way ends first: the window it covers must show.
        if (CancelSelection()) SetScreen(scCapture, true);
        DoActivate();
        if (Warning) return; // the box already says it; boxes do not pile up
        Warning = true;
        UserDialogs().MessageBox(
            this,
            "A capture is already in progress.  You must either abort or complete the "
            "current capture first.",
            "Warning", TMsgButtons::Ok, TMsgIcon::Warning);
        Warning = false;
        return;
    }
    CaptureInProgress = true;
    if (checkKey && key != Config.CaptureKey) {
        CaptureInProgress = false; // a stale flag in the hook block: not our key any more
        return;
    }
    // The window the user means is in front now, before ours takes the focus.
    TheDisplay().NoteForeground();
    AbortButton->setText("&Abort");
    DoActivate();
    SetScreen(scCapture);
}

void TMainWin::DoActivate() {
    if (!isVisible()) {
        // Centred on the monitor that holds the pointer, where the user is.
        // Placed by its client area: a frame-inclusive move depends on
        // whether Qt has learnt the frame's size yet, which differs between
        // the first appearance and the later ones.
        QScreen* s = QGuiApplication::screenAt(QCursor::pos());
        const QRect g = (s ? s : screen())->geometry();
        setGeometry(
            QRect(QPoint(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2),
                  size()));
    } else if (isMinimized() || !OnCurrentDesktop(winId())) {
        // Withdrawn and shown again, it comes back whole, on this desktop.
        hide();
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TMainWin::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!Shown) {
        Shown = true;
        FormShow();
    }
}

void TMainWin::FormShow() {
    QRadioButton* radios[] = {CapScreen, CapWindow, CapClient, CapArea, CapShape};
    if (Config.WhatToCap >= 0 && Config.WhatToCap <= 4) radios[Config.WhatToCap]->setChecked(true);
    for (int i = ciRectangle; i <= ciLast; ++i) {
        const std::string_view name = CaptureItems[static_cast<size_t>(i)].Name;
        ShapeBox->addItem(QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
    SelectConfiguredShape();
}

void TMainWin::SelectConfiguredShape() {
    // "Shape" holds a capture item: list position + ciRectangle; anything else selects nothing.
    const int at = Config.Shape - ciRectangle;
    ShapeBox->setCurrentIndex(at >= 0 && at < ShapeBox->count() ? at : -1);
}

void TMainWin::ApplyShapeRule() {
    const bool shape = CapShape->isChecked();
    ShapeLabel->setEnabled(shape);
    ShapeBox->setEnabled(shape);
}

void TMainWin::SetScreen(int screen, bool keepChoice) {
    FScreen = screen;
    const bool capture = screen == scCapture;
    ConfigButton->setEnabled(capture);
    ConfigButton->setVisible(capture);
    CapturePanel->setEnabled(capture);
    CapturePanel->setVisible(capture);
    SavePrintPanel->setEnabled(!capture);
    SavePrintPanel->setVisible(!capture);
    ViewButton->setEnabled(!capture);
    ViewButton->setVisible(!capture);
    EditButton->setEnabled(!capture);
    EditButton->setVisible(!capture);
    switch (screen) {
    case scCapture: {
        DoItButton->setText("&Capture");
        QRadioButton* radios[] = {CapScreen, CapWindow, CapClient, CapArea};
        if (keepChoice) {
            // Back within the cycle: what the user chose stays chosen.
        } else if (Config.WhatToCap >= 0 && Config.WhatToCap <= 3) {
            radios[Config.WhatToCap]->setChecked(true);
        } else {
            CapShape->setChecked(true);
            SelectConfiguredShape();
        }
        ApplyShapeRule();
        break;
    }
    case scPrint:
        DoItButton->setText("&Print");
        (Config.Action == int(TAction::PrintPixel) ? PrintPixel : PrintFilled)->setChecked(true);
        break;
    case scSave:
        DoItButton->setText("&Save");
        if (Config.Action == 0)
            SaveBit->setChecked(true);
        else if (Config.Action == 1)
            SaveGIF->setChecked(true);
        else if (Config.Action == 2)
            SaveJPEG->setChecked(true);
        else if (Config.Action == int(TAction::SavePNG))
            SavePNG->setChecked(true);
        break;
    case scCopy:
        DoItButton->setText("Co&py");
        CopyClip->setChecked(true);
        break;
    case scEMail:
        DoItButton->setText("&EMail It");
        EMailIt->setChecked(true);
        break;
    default:
        break;
    }
    DoItButton->setFocus();
}

void TMainWin::keyPressEvent(QKeyEvent* e) {
    // The window has no close box: Escape does what "&Abort"/"&Done" does.
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const auto mods = e->modifiers() & ~Qt::KeypadModifier;
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        AbortButtonClick();
    } else if (enter && mods == Qt::NoModifier) {
        // The default button, as in a dialog: Enter presses it wherever the
        // focus is (a radio button, the shape list), unless another button
        // has the focus, which Enter then presses.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        (focused && focused->isEnabled() ? focused : DoItButton)->click();
    } else {
        QWidget::keyPressEvent(e);
    }
}

bool TMainWin::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonDblClick && (watched == MyImage || watched == ThumbImage)) {
        ViewButtonClick();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TMainWin::AbortButtonClick() {
    CancelSelection(); // in any state: nothing of the cycle lives on
    CaptureInProgress = false;
    hide();
}

void TMainWin::closeEvent(QCloseEvent* e) {
    if (e->spontaneous()) {
        // The window manager's close box: the window has none of its own,
        // and only the tray's terminate entry and the signals end the program.
        e->ignore();
        AbortButtonClick();
        return;
    }
    Closing = true;
    if (!CloseDialogs()) return e->ignore(); // closed again once they are
    FormClose();
    e->accept();
    // Closing the main window ends the program, hidden or not.
    QCoreApplication::quit();
}

void TMainWin::FormClose() {
    SaveConfig();
    RemoveHooks();
    TextSave = TTextSave{};
}
