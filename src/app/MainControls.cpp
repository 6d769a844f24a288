// The main window's controls: the capture screen, the delivery screens and
// the buttons, at their fixed places.
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <type_traits>

#include "app/MainWin.h"

namespace {

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
    PictMenu->addAction("Ed&it Image...", this, &TMainWin::EditButtonClick);
    ThumbImage->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ThumbImage, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { PictMenu->popup(ThumbImage->mapToGlobal(at)); });
    ThumbImage->installEventFilter(this);
    MyImage->installEventFilter(this);

    ViewButton = Make<QPushButton>(MainPanel, "ViewButton", {392, 24, 65, 25}, "&View");
    DoItButton = Make<QPushButton>(MainPanel, "DoItButton", {392, 56, 65, 25}, "&Capture");
    DoItButton->setDefault(true);
    AbortButton = Make<QPushButton>(MainPanel, "AbortButton", {392, 88, 65, 25}, "&Abort");
    // Under Abort, on the delivery screens only. Alt+E stays the e-mail
    // screen's "&EMail It", as E stays "&E-Mail Image" in the menu.
    EditButton = Make<QPushButton>(MainPanel, "EditButton", {392, 120, 65, 25}, "Ed&it");
    ConfigButton = Make<QPushButton>(MainPanel, "ConfigButton", {0, 124, 73, 17}, "C&onfigure");
    QFont small("Arial");
    small.setPixelSize(11);
    ConfigButton->setFont(small);
    connect(DoItButton, &QPushButton::clicked, this, &TMainWin::DoItButtonClick);
    connect(AbortButton, &QPushButton::clicked, this, &TMainWin::AbortButtonClick);
    connect(ViewButton, &QPushButton::clicked, this, &TMainWin::ViewButtonClick);
    connect(EditButton, &QPushButton::clicked, this, &TMainWin::EditButtonClick);
    connect(ConfigButton, &QPushButton::clicked, this, &TMainWin::ConfigButtonClick);
    SavePrintPanel->hide();
}
