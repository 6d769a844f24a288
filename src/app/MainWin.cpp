#include "app/MainWin.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <map>

#include "app/Main.h"
#include "config/Configs.h"
#include "hook/HookBlock.h"

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
    const QRect screen =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect();
    ScreenWidth = screen.width();
    ScreenHeight = screen.height();
    TextSave = QImage();
    TextSaveX = TextSaveW = TextSaveH = 0;
    TextSaveY = -5000;
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

void TMainWin::WinMessage(const TMessage&) {}

void TMainWin::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!Shown) {
        Shown = true;
        FormShow();
    }
}

void TMainWin::FormShow() {}

void TMainWin::closeEvent(QCloseEvent* e) {
    FormClose();
    e->accept();
    // Closing the main window ends the program, hidden or not.
    QCoreApplication::quit();
}

void TMainWin::FormClose() {
    SaveConfig();
    RemoveHooks();
    TextSave = QImage();
}
