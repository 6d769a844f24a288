#include "app/MainWin.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <map>

#include "app/Capture.h"
#include "app/Main.h"
#include "app/Pause.h"
#include "app/Thumbnail.h"
#include "app/TrayMenu.h"
#include "config/Configs.h"
#include "config/DoView.h"
#include "hook/HookBlock.h"
#include "imaging/jpeg.h"
#include "platform/InputHook.h"
#include "platform/UserDialogs.h"
#include "platform/WindowRequests.h"
#include "shapes/CaptureItems.h"

namespace {

constexpr int HookTimerInterval = 30000;
// Around the window, where a compositor draws its shadow (pixels).
constexpr int GhostMargin = 40;
// The longest wait for the screen to be drawn without the window (seconds).
constexpr double GhostWait = 2.0;
const QSize ThumbSize(133, 125);

std::map<int, QCursor>& Cursors() {
    static std::map<int, QCursor> cursors;
    return cursors;
}

void RegisterCursor(int number, const QString& resource, int hotX, int hotY) {
    Cursors()[number] = QCursor(QPixmap(resource), hotX, hotY);
}

template <class T>
T* Make(QWidget* parent, const char* name, QRect geometry, const QString& caption = {}) {
    auto* w = new T(parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    if constexpr (std::is_same_v<T, QRadioButton> || std::is_same_v<T, QPushButton> ||
                  std::is_same_v<T, QLabel>)
        w->setText(caption);
    return w;
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

void TMainWin::BuildControls() {
    // The advertising strip keeps its place, empty.
    Banner = Make<QWidget>(this, "Banner", {8, 4, 468, 60});
    MainPanel = Make<QFrame>(this, "MainPanel", {8, 70, 469, 159});
    MyImage = Make<QLabel>(MainPanel, "MyImage", {220, 8, 149, 101}); // behind the panels

    CapturePanel = Make<QFrame>(MainPanel, "CapturePanel", {0, 4, 381, 113});
    CapScreen = Make<QRadioButton>(CapturePanel, "CapScreen", {8, 8, 210, 17}, "Capture &Screen");
    CapWindow = Make<QRadioButton>(CapturePanel, "CapWindow", {8, 28, 210, 17}, "Capture &Window");
    CapClient = Make<QRadioButton>(CapturePanel, "CapClient", {8, 48, 210, 17},
                                   "Capture Wi&ndow Client Area");
    CapArea =
        Make<QRadioButton>(CapturePanel, "CapArea", {8, 68, 210, 17}, "Capture &Rectangular Area");
    CapShape =
        Make<QRadioButton>(CapturePanel, "CapShape", {8, 88, 210, 17}, "Capture S&haped Area");
    ShapeLabel = Make<QLabel>(CapturePanel, "ShapeLabel", {236, 64, 121, 16}, "Shape");
    ShapeLabel->setAlignment(Qt::AlignCenter);
    ShapeBox = Make<QComboBox>(CapturePanel, "ShapeBox", {224, 84, 145, 21});
    ShapeBox->setEditable(false);
    auto* captureGroup = new QButtonGroup(this);
    for (QRadioButton* r : {CapScreen, CapWindow, CapClient, CapArea, CapShape}) {
        captureGroup->addButton(r);
        connect(r, &QRadioButton::clicked, this, &TMainWin::ApplyShapeRule);
    }

    SavePrintPanel = Make<QFrame>(MainPanel, "SavePrintPanel", {0, 4, 381, 149});
    // Eight choices, 18 pixels apart, fill the panel's height beside the thumbnail.
    SaveBit = Make<QRadioButton>(SavePrintPanel, "SaveBit", {8, 4, 210, 17}, "Save As &Bitmap");
    SaveGIF = Make<QRadioButton>(SavePrintPanel, "SaveGIF", {8, 22, 210, 17}, "Save As &GIF");
    SaveJPEG = Make<QRadioButton>(SavePrintPanel, "SaveJPEG", {8, 40, 210, 17}, "Save As &JPEG");
    SavePNG = Make<QRadioButton>(SavePrintPanel, "SavePNG", {8, 58, 210, 17}, "Save As P&NG");
    PrintPixel = Make<QRadioButton>(SavePrintPanel, "PrintPixel", {8, 76, 210, 17},
                                    "Print Using Pi&xel Size");
    PrintFilled =
        Make<QRadioButton>(SavePrintPanel, "PrintFilled", {8, 94, 210, 17}, "Print &Filling Page");
    CopyClip =
        Make<QRadioButton>(SavePrintPanel, "CopyClip", {8, 112, 210, 17}, "Copy &To Clipboard");
    EMailIt = Make<QRadioButton>(SavePrintPanel, "EMailIt", {8, 130, 210, 17}, "E-&Mail Image");
    ThumbImage = Make<QLabel>(SavePrintPanel, "ThumbImage", {240, 8, 133, 125});
    auto* deliveryGroup = new QButtonGroup(this);
    const std::pair<QRadioButton*, const char*> doItCaptions[] = {
        {SaveBit, "&Save"},  {SaveGIF, "&Save"},     {SaveJPEG, "&Save"},
        {SavePNG, "&Save"},  {PrintPixel, "&Print"}, {PrintFilled, "&Print"},
        {CopyClip, "Co&py"}, {EMailIt, "&EMail It"}};
    for (auto [r, caption] : doItCaptions) {
        deliveryGroup->addButton(r);
        // Init-captures: a structured binding captured by name stops clang 14, and
        // with it every clang tool, from reading this file.
        connect(r, &QRadioButton::clicked, this,
                [this, text = caption] { DoItButton->setText(text); });
    }
    PictMenu = new QMenu(this);
    PictMenu->setObjectName("PictMenu");
    const std::pair<const char*, TAction> menuActions[] = {
        {"Save As &Bitmap", TAction::SaveBitmap},
        {"Save As &GIF", TAction::SaveGIF},
        {"Save As &JPEG", TAction::SaveJPEG},
        {"Save As P&NG", TAction::SavePNG},
        {"&Print Using Pixel Size", TAction::PrintPixel},
        {"Print &Filling Page", TAction::PrintFilled},
        {"&Copy To Clipboard", TAction::CopyToClipboard},
        {"&E-Mail Image", TAction::EMail}};
    for (auto [caption, action] : menuActions)
        PictMenu->addAction(caption, this, [this, chosen = action] { Deliver(chosen); });
    PictMenu->addSeparator();
    PictMenu->addAction("&View Image Actual Size", this, &TMainWin::ViewButtonClick);
    ThumbImage->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ThumbImage, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { PictMenu->popup(ThumbImage->mapToGlobal(at)); });
    ThumbImage->installEventFilter(this);
    MyImage->installEventFilter(this);

    ViewButton = Make<QPushButton>(MainPanel, "ViewButton", {392, 24, 65, 25}, "&View");
    DoItButton = Make<QPushButton>(MainPanel, "DoItButton", {392, 56, 65, 25}, "&Capture");
    DoItButton->setDefault(true);
    AbortButton = Make<QPushButton>(MainPanel, "AbortButton", {392, 88, 65, 25}, "&Abort");
    ConfigButton = Make<QPushButton>(MainPanel, "ConfigButton", {0, 124, 73, 17}, "C&onfigure");
    QFont small("Arial");
    small.setPixelSize(11);
    ConfigButton->setFont(small);
    connect(DoItButton, &QPushButton::clicked, this, &TMainWin::DoItButtonClick);
    connect(AbortButton, &QPushButton::clicked, this, &TMainWin::AbortButtonClick);
    connect(ViewButton, &QPushButton::clicked, this, &TMainWin::ViewButtonClick);
    connect(ConfigButton, &QPushButton::clicked, this, &TMainWin::ConfigButtonClick);
    SavePrintPanel->hide();
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
    Tray = new TTrayMenu(this);
    ConnectDialogs();
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

void TMainWin::DoItButtonClick() {
    if (!CapturePanel->isEnabled()) {
        const std::pair<QRadioButton*, TAction> radios[] = {
            {SaveBit, TAction::SaveBitmap},       {SaveGIF, TAction::SaveGIF},
            {SaveJPEG, TAction::SaveJPEG},        {SavePNG, TAction::SavePNG},
            {PrintPixel, TAction::PrintPixel},    {PrintFilled, TAction::PrintFilled},
            {CopyClip, TAction::CopyToClipboard}, {EMailIt, TAction::EMail}};
        for (auto [radio, action] : radios)
            if (radio->isChecked()) return Deliver(action);
        return;
    }
    // What our window's place shows now, shadow included, to see it gone
    // after the hide.
    const qreal ratio = devicePixelRatioF();
    const QRect place =
        frameGeometry().adjusted(-GhostMargin, -GhostMargin, GhostMargin, GhostMargin);
    const TRect area{int(place.left() * ratio), int(place.top() * ratio),
                     int((place.right() + 1) * ratio), int((place.bottom() + 1) * ratio)};
    const QImage shown = TheDisplay().Grab(area);
    hide();
    if (CapScreen->isChecked())
        CaptureItem = ciScreen;
    else if (CapWindow->isChecked())
        CaptureItem = ciWindow;
    else if (CapClient->isChecked())
        CaptureItem = ciClient;
    else if (CapArea->isChecked())
        CaptureItem = ciRectangle;
    else if (CapShape->isChecked())
        CaptureItem = ciRectangle + std::max(0, ShapeBox->currentIndex());
    PauseTillGone(TheDisplay(), area, shown, CaptureItem <= ciClient ? 0.3 : 0.2, GhostWait,
                  PauseClock);
    DoACapture();
}

void TMainWin::DoACapture() {
    if (CaptureItem >= ciRectangle && CaptureItem <= ciLast) {
        StartSelection();
        return;
    }
    if (CaptureItem < ciScreen || CaptureItem > ciClient) return;
    const TGrab grab = GrabItem(CaptureItem, TheDisplay());
    if (grab.Picture.isNull())
        NothingCaptured(grab.Failure);
    else
        FinishCapture(grab.Picture);
}

void TMainWin::StartSelection() {
    Selection = std::make_unique<TSelection>(CaptureItem, TextSave, [this](const QImage& picture) {
        // The selection ends inside its own message handler: let it return first.
        QMetaObject::invokeMethod(
            this,
            [this, picture] {
                if (!Selection) return; // aborted meanwhile
                Selection.reset();
                FinishCapture(picture);
            },
            Qt::QueuedConnection);
    });
    if (!Selection->Start()) {
        Selection.reset();
        FinishCapture(QImage());
    }
}

void TMainWin::DrawThumb() {
    ThumbImage->setPixmap(
        QPixmap::fromImage(::DrawThumb(FPicture, ThumbSize, palette().color(QPalette::Button))));
}

void TMainWin::NothingCaptured(TGrabFailure failure) {
    // Say so and offer the capture screen again, with the user's choice; the
    // last picture stays and no empty file can be written.
    DoActivate();
    SetScreen(scCapture, true);
    UserDialogs().MessageBox(this, GrabFailureText(failure), "Warning", TMsgButtons::Ok,
                             TMsgIcon::Warning);
}

void TMainWin::FinishCapture(const QImage& picture) {
    if (picture.isNull()) {
        NothingCaptured(TGrabFailure::EmptyArea); // a click without a drag
        return;
    }
    FPicture = picture;
    Delivery.NewPicture(QDateTime::currentDateTime());
    DrawThumb();
    DoActivate();
    AbortButton->setText("&Abort");
    switch (static_cast<TAction>(Config.Action)) {
    case TAction::PrintPixel:
    case TAction::PrintFilled:
        SetScreen(scPrint);
        break;
    case TAction::CopyToClipboard:
        SetScreen(scCopy);
        break;
    case TAction::EMail:
        SetScreen(scEMail);
        break;
    default: // the saves, and anything out of range
        SetScreen(scSave);
        break;
    }
}

void TMainWin::Deliver(TAction action) {
    if (!Delivery.Run(action, FPicture)) return;
    AbortButton->setText("&Done");
    AbortButton->setFocus();
}

void TMainWin::ViewButtonClick() {
    TDoView view(this, FPicture, {ScreenWidth, ScreenHeight});
    view.exec();
}

void TMainWin::PopViewClick() {
    const QImage picture = Delivery.OpenImage();
    if (picture.isNull()) return;
    FPicture = picture;
    Delivery.NewPicture(QDateTime::currentDateTime());
    DrawThumb();
    DoActivate();
    SetScreen(scPrint);
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

bool TMainWin::CancelSelection() {
    if (!Selection) return false;
    Selection->Cancel();
    Selection.reset();
    return true;
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
