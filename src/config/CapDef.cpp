#include "config/CapDef.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <optional>

#include "config/APageControl.h"
#include "config/Action.h"
#include "config/DialogSupport.h"
#include "config/ShapeFields.h"
#include "config/ShapeImage.h"
#include "hook/HookBlock.h"
#include "platform/IniFile.h"
#include "platform/UserDialogs.h"
#include "shapes/CaptureItems.h"
#include "shapes/ShapeMask.h"

namespace {

constexpr int VectorMin = 1, VectorMax = 100;
constexpr int VectorSizeMin = 0, VectorSizeMax = 100;
constexpr int AngleMin = 0, AngleMax = 360;
const QRect WideFrame(44, 50, 128, 96);
const QRect SquareFrame(60, 50, 96, 96);

QColor ColorOfSetting(TColor c) {
    return QColor(ColorOf(c));
}

TColor SettingOfColor(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Setting(const QString& text) {
    return CutChars(text.trimmed().toStdString(), ConfigTextLength);
}

// A setting's integer as the edits read it; nullopt when the text has no
// digits where the number starts.
std::optional<int32_t> EditNumber(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    size_t i = s.empty() || (s[0] != '+' && s[0] != '-') ? 0 : 1;
    bool hex = false;
    if (i < s.size() && s[i] == '$')
        hex = true, ++i;
    else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X'))
        hex = true, i += 2;
    if (i >= s.size() || !(hex ? std::isxdigit(static_cast<unsigned char>(s[i]))
                               : std::isdigit(static_cast<unsigned char>(s[i]))))
        return std::nullopt;
    return IniToInt(s);
}

// The edit's number when it lies within the bar's range.
std::optional<int32_t> BarValue(const QLineEdit* edit, const QSlider* bar) {
    const auto v = EditNumber(edit->text());
    if (!v || *v < bar->minimum() || *v > bar->maximum()) return std::nullopt;
    return v;
}

TMyShapeType PreviewShape(int item) {
    return IsCaptureItem(item) ? CaptureItems[static_cast<size_t>(item)].Preview : shRectangle;
}

// The polygons: the only items with their own angle.
bool IsPolygon(int item) {
    return ShapeFieldsOf(item).Angle != nullptr;
}

// The item the dialog opens on: the stored one of Screen to Rectangle, else
// the stored shape.
int StoredItem() {
    return Config.WhatToCap >= ciScreen && Config.WhatToCap <= ciRectangle ? Config.WhatToCap
                                                                           : Config.Shape;
}

} // namespace

TColorSwatch::TColorSwatch(QWidget* parent) : QFrame(parent) {}

void TColorSwatch::SetFill(const QColor& c) {
    FFill = c;
    update();
}

void TColorSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(FFill);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

TCaptureDefaults::TCaptureDefaults(QWidget* parent) : QDialog(parent) {
    setObjectName("CaptureDefaults");
    setWindowTitle("Configuration");
    SetFixedDialog(this, {248, 462});
    setFont(ArialFont(12));
    MyPage = Make<TAPageControl>(this, "MyPage", {4, 4, 240, 420});
    MyPage->tabBar()->setFont(ArialFont(11));
    HotSheet = new QWidget;
    HotSheet->setObjectName("HotSheet");
    CapSheet = new QWidget;
    CapSheet->setObjectName("CapSheet");
    DoSheet = new QWidget;
    DoSheet->setObjectName("DoSheet");
    EMailSheet = new QWidget;
    EMailSheet->setObjectName("EMailSheet");
    MyPage->addTab(HotSheet, "&Hot Key");
    MyPage->addTab(CapSheet, "&What Capture");
    MyPage->addTab(DoSheet, "What &Do");
    MyPage->addTab(EMailSheet, "&E-Mail");
    BuildHotSheet();
    BuildCapSheet();
    BuildDoSheet();
    BuildEMailSheet();
    OkButton = Make<QPushButton>(this, "OkButton", {44, 430, 75, 25}, "&Ok");
    OkButton->setDefault(true);
    CancelButton = Make<QPushButton>(this, "CancelButton", {129, 430, 75, 25}, "&Cancel");
    connect(OkButton, &QPushButton::clicked, this, &TCaptureDefaults::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TCaptureDefaults::CancelButtonClick);
    FHandle = RegisterWindow(this);
    FormCreate();
}

TCaptureDefaults::~TCaptureDefaults() {
    StopKeyReports();
    UnregisterWindow(FHandle);
}

void TCaptureDefaults::BuildHotSheet() {
    QFont bold = ArialFont(12, true);
    Make<QLabel>(HotSheet, "HotKeyLabel", {8, 8, 216, 16}, "Capture Hot Key")->setFont(bold);
    HotKeyEntry = Make<QLineEdit>(HotSheet, "HotKeyEntry", {8, 26, 216, 22});
    HotKeyEntry->setReadOnly(true);
    HotKeyEntry->installEventFilter(this);
    HotKeyState = Make<QLabel>(HotSheet, "HotKeyState", {8, 50, 216, 30});
    HotKeyState->setWordWrap(true);
    HotKeyState->setFont(ArialFont(11));
    HotKeyState->setStyleSheet("color: #a00000");
    auto* help = Make<QLabel>(HotSheet, "HotKeyHelp", {8, 82, 216, 96},
                              "Place the cursor in the field above and press the desired hot key "
                              "combination.  If the key combination is available, the hot key "
                              "name will appear.  Or you may choose from the list below.");
    help->setWordWrap(true);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Make<QLabel>(HotSheet, "HotKeyListLabel", {8, 180, 216, 16}, "Hot Key List")->setFont(bold);
    HotKeyList = Make<QListWidget>(HotSheet, "HotKeyList", {8, 198, 216, 184});
    HotKeyList->setUniformItemSizes(true);
    // A click or the keyboard: any change of the selected line.
    connect(HotKeyList, &QListWidget::currentRowChanged, this, &TCaptureDefaults::HotKeyListClick);
}

void TCaptureDefaults::BuildCapSheet() {
    CapturePanel = Make<QFrame>(CapSheet, "CapturePanel", {0, 0, 232, 392});
    Make<QLabel>(CapturePanel, "CaptureItemLabel", {8, 6, 216, 16}, "Default Capture Item");
    WhatToCap = Make<QComboBox>(CapturePanel, "WhatToCap", {8, 22, 216, 22});
    WhatToCap->setMaxVisibleItems(17);
    connect(WhatToCap, &QComboBox::currentIndexChanged, this, &TCaptureDefaults::WhatToCapChange);

    struct TGroup {
        const char *Lab, *Bevel, *Bar, *Edit, *Caption;
        QLabel*& L;
        QFrame*& B;
        QSlider*& S;
        QLineEdit*& E;
        int Top;
    };
    const TGroup groups[] = {
        {"VectorLab", "VectorBevel", "VectorBar", "Vector", "Vectors", VectorLab, VectorBevel,
         VectorBar, Vector, 152},
        {"VectorSizeLab", "VectorSizeBevel", "VectorSizeBar", "VectorSize", "Vector Size",
         VectorSizeLab, VectorSizeBevel, VectorSizeBar, VectorSize, 182},
        {"AngleLab", "AngleBevel", "AngleBar", "Angle", "Angle", AngleLab, AngleBevel, AngleBar,
         Angle, 212},
    };
    for (const TGroup& g : groups) {
        g.B = Make<QFrame>(CapturePanel, g.Bevel, {6, g.Top, 220, 28});
        g.B->setFrameStyle(QFrame::Box | QFrame::Sunken);
        g.L = Make<QLabel>(CapturePanel, g.Lab, {10, g.Top + 6, 72, 16}, g.Caption);
        g.S = Make<QSlider>(CapturePanel, g.Bar, {84, g.Top + 4, 100, 20});
        g.S->setOrientation(Qt::Horizontal);
        g.E = Make<QLineEdit>(CapturePanel, g.Edit, {188, g.Top + 4, 34, 20});
        g.E->setMaxLength(3);
        g.E->installEventFilter(this);
    }
    connect(VectorBar, &QSlider::valueChanged, this, &TCaptureDefaults::VectorBarChange);
    connect(VectorSizeBar, &QSlider::valueChanged, this, &TCaptureDefaults::VectorSizeBarChange);
    connect(AngleBar, &QSlider::valueChanged, this, &TCaptureDefaults::AngleBarChange);
    connect(Vector, &QLineEdit::textChanged, this, &TCaptureDefaults::VectorChange);
    connect(VectorSize, &QLineEdit::textChanged, this, &TCaptureDefaults::VectorSizeChange);
    connect(Angle, &QLineEdit::textChanged, this, &TCaptureDefaults::AngleChange);

    ColorShape = Make<TColorSwatch>(CapturePanel, "ColorShape", {8, 250, 40, 25});
    MaskColor =
        Make<QPushButton>(CapturePanel, "MaskColor", {56, 250, 168, 25}, "&Set Shape Mask Color");
    Border = Make<QCheckBox>(CapturePanel, "Border", {8, 284, 216, 20}, "&Border Shape");
    BorderShape = Make<TColorSwatch>(CapturePanel, "BorderShape", {8, 310, 40, 25});
    BorderColor =
        Make<QPushButton>(CapturePanel, "BorderColor", {56, 310, 168, 25}, "Bo&rder Color");
    connect(MaskColor, &QPushButton::clicked, this, &TCaptureDefaults::MaskColorClick);
    connect(BorderColor, &QPushButton::clicked, this, &TCaptureDefaults::BorderColorClick);
    connect(Border, &QCheckBox::toggled, this, &TCaptureDefaults::BorderClick);
}

void TCaptureDefaults::BuildDoSheet() {
    Make<QLabel>(DoSheet, "ActionLabel", {8, 6, 216, 16}, "Default Action");
    DefaultAction = Make<QComboBox>(DoSheet, "DefaultAction", {8, 22, 216, 22});
    DefaultAction->setMaxVisibleItems(17);
    connect(DefaultAction, &QComboBox::currentIndexChanged, this,
            &TCaptureDefaults::WhatToCapChange);
}

void TCaptureDefaults::BuildEMailSheet() {
    QWidget* s = EMailSheet;
    const QFont bold = ArialFont(12, true);
    auto edit = [&](const char* name, QRect r, int max) {
        auto* e = Make<QLineEdit>(s, name, r);
        e->setMaxLength(max);
        return e;
    };
    Make<QLabel>(s, "ServerHeading", {8, 6, 216, 16}, "SMTP Server")->setFont(bold);
    Make<QLabel>(s, "HostLabel", {8, 26, 40, 16}, "Host");
    SMTPHost = edit("SMTPHost", {52, 24, 172, 21}, 50);
    Make<QLabel>(s, "PortLabel", {8, 51, 40, 16}, "Port");
    SMTPPort = edit("SMTPPort", {52, 49, 48, 21}, 5);
    SMTPPort->setText("25");
    Make<QLabel>(s, "PortNote", {106, 51, 118, 16}, "(normally 25)");
    Make<QLabel>(s, "AddressHeading", {8, 80, 216, 16}, "Your Default E-Mail Address")
        ->setFont(bold);
    Make<QLabel>(s, "NameLabel", {8, 100, 56, 16}, "Name");
    EmailName = edit("EmailName", {68, 98, 156, 21}, 50);
    Make<QLabel>(s, "AddressLabel", {8, 125, 56, 16}, "Address");
    EmailAddress = edit("EmailAddress", {68, 123, 156, 21}, 50);
    Make<QLabel>(s, "OtherHeading", {8, 154, 216, 16}, "Other")->setFont(bold);
    // Label and field side by side, so the security and login fit below.
    Make<QLabel>(s, "EncodingLabel", {8, 176, 120, 16}, "Attachment Encoding");
    Encoding = Make<QComboBox>(s, "Encoding", {130, 173, 94, 22});
    Encoding->addItems({"MIME", "UUEncode"});
    Make<QLabel>(s, "FileLabel", {8, 202, 120, 16}, "Default File Name");
    EMailFile = edit("EMailFile", {130, 200, 94, 21}, 50);
    BuildMailLogin(s);
    auto* note = Make<QLabel>(
        s, "ServerNote", {8, 306, 216, 88},
        "Note: The SMTP Server is what allows you to send e-mail over the Internet.  You will "
        "need to obtain this information from your Internet E-Mail provider or you may obtain "
        "it from the configuration section of your E-Mail program.");
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TCaptureDefaults::FormCreate() {
    {
        const QSignalBlocker b(WhatToCap); // FormShow selects the item
        for (const TCaptureItemTraits& c : CaptureItems) WhatToCap->addItem(Text(c.Name));
    }
    Preview = new ShapeImage(CapturePanel);
    Preview->setObjectName("Preview");
    SetPreviewFrame(PreviewFrameOf(StoredItem()));
    VectorBar->setRange(VectorMin, VectorMax);
    VectorSizeBar->setRange(VectorSizeMin, VectorSizeMax);
    AngleBar->setRange(AngleMin, AngleMax);
}

void TCaptureDefaults::SetPreviewFrame(TPreviewFrame frame) {
    Preview->setGeometry(frame == pfWide ? WideFrame : SquareFrame);
}

void TCaptureDefaults::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TCaptureDefaults::FormShow() {
    CentreOnScreen(this);
    {
        const QSignalBlocker b1(WhatToCap), b2(DefaultAction);
        DefaultAction->clear();
        for (std::string_view name : ActionNames) DefaultAction->addItem(Text(name));
        DefaultAction->setCurrentIndex(
            Config.Action >= 0 && Config.Action < DefaultAction->count() ? Config.Action : -1);
        const int item = StoredItem();
        WhatToCap->setCurrentIndex(item >= 0 && item < WhatToCap->count() ? item : -1);
    }
    LoadedItemIndex = -2;
    FillHotKeys();
    FWork = Config;
    EnableDisable();
    Preview->update();
    SMTPHost->setText(Text(Config.SMTPHost));
    SMTPPort->setText(QString::number(Config.SMTPPort));
    EmailName->setText(Text(Config.EMailName));
    EmailAddress->setText(Text(Config.EMailAddress));
    Encoding->setCurrentIndex(Config.AttachmentEncoding >= 0 &&
                                      Config.AttachmentEncoding < Encoding->count()
                                  ? Config.AttachmentEncoding
                                  : -1);
    EMailFile->setText(Text(Config.EMailFile));
    ShowMailLogin();
    MyPage->setCurrentWidget(StartPage == cpEMail           ? EMailSheet
                             : StartPage == cpHotKey        ? HotSheet
                             : StartPage == cpDefaultAction ? DoSheet
                                                            : CapSheet);
}

int TCaptureDefaults::SelectedItem() const {
    return WhatToCap->currentIndex();
}

void TCaptureDefaults::WhatToCapChange() {
    const int i = SelectedItem();
    SetPreviewFrame(PreviewFrameOf(i));
    EnableDisable();
}

void TCaptureDefaults::EnableDisable() {
    const int i = SelectedItem();
    // 1. Geometry: vectors and size for the star, all three for polygons.
    const bool vectors = StarLike(i), poly = IsPolygon(i);
    for (QWidget* w : {static_cast<QWidget*>(VectorLab), static_cast<QWidget*>(VectorBevel),
                       static_cast<QWidget*>(VectorBar), static_cast<QWidget*>(Vector),
                       static_cast<QWidget*>(VectorSizeLab), static_cast<QWidget*>(VectorSizeBevel),
                       static_cast<QWidget*>(VectorSizeBar), static_cast<QWidget*>(VectorSize)}) {
        w->setVisible(vectors);
        w->setEnabled(vectors);
    }
    for (QWidget* w : {static_cast<QWidget*>(AngleLab), static_cast<QWidget*>(AngleBevel),
                       static_cast<QWidget*>(AngleBar), static_cast<QWidget*>(Angle)}) {
        w->setVisible(poly);
        w->setEnabled(poly);
    }
    // 2. Colours: only items with a mask have them (none selected: none either).
    const bool colours = ShapeFieldsOf(i).ShapeColor != nullptr;
    for (QWidget* w : {static_cast<QWidget*>(ColorShape), static_cast<QWidget*>(MaskColor),
                       static_cast<QWidget*>(BorderColor), static_cast<QWidget*>(BorderShape),
                       static_cast<QWidget*>(Border)})
        w->setVisible(colours);
    for (QWidget* w : {static_cast<QWidget*>(MaskColor), static_cast<QWidget*>(BorderShape),
                       static_cast<QWidget*>(Border)})
        w->setEnabled(colours);
    // 3. The preview's figure.
    Preview->SetShape(PreviewShape(i));
    // 4. Same item: its values are in the controls already.
    if (i != LoadedItemIndex) {
        // 5. Load the item's working values.
        const TShapeFields& f = ShapeFieldsOf(i);
        if (f.ShapeColor) {
            ColorShape->SetFill(ColorOfSetting(FWork.*f.ShapeColor));
            BorderShape->SetFill(ColorOfSetting(FWork.*f.BorderColor));
            const QSignalBlocker b(Border); // the working flag is loaded, not stored
            Border->setChecked(FWork.*f.UseBorder);
        }
        // Stored values outside a bar's range load as they are: a clamped bar
        // must not write its own value back into the settings.
        auto load = [](QSlider* bar, QLineEdit* edit, int32_t value) {
            const QSignalBlocker b1(bar), b2(edit);
            bar->setValue(value);
            edit->setText(QString::number(value));
        };
        if (f.Vectors) {
            load(VectorBar, Vector, FWork.*f.Vectors);
            load(VectorSizeBar, VectorSize, FWork.*f.VectorSize);
        }
        if (f.Angle) load(AngleBar, Angle, FWork.*f.Angle);
        // 6. The preview follows the controls.
        Preview->SetPColor(BorderShape->Fill().rgb());
        Preview->SetBColor(ColorShape->Fill().rgb());
        Preview->SetVectorP(VectorSizeBar->value());
        Preview->SetVectors(VectorBar->value());
        Preview->SetAngle(AngleBar->value() % 360);
        LoadedItemIndex = i;
    }
    // 7. The border's pen and colour controls.
    const bool border = Border->isChecked() && Border->isEnabled();
    Preview->SetPStyle(border ? Qt::SolidLine : Qt::DotLine);
    BorderColor->setEnabled(border);
    BorderColor->setVisible(border);
    BorderShape->setVisible(border);
}

int32_t ConfigRec::*TCaptureDefaults::VectorsField() const {
    const int i = SelectedItem();
    return ShapeFieldsOf(IsPolygon(i) ? i : int(ciStar)).Vectors;
}

int32_t ConfigRec::*TCaptureDefaults::VectorSizeField() const {
    const int i = SelectedItem();
    return ShapeFieldsOf(IsPolygon(i) ? i : int(ciStar)).VectorSize;
}

void TCaptureDefaults::VectorBarChange() {
    FWork.*VectorsField() = VectorBar->value();
    Vector->setText(QString::number(VectorBar->value()));
}

void TCaptureDefaults::VectorSizeBarChange() {
    FWork.*VectorSizeField() = VectorSizeBar->value();
    VectorSize->setText(QString::number(VectorSizeBar->value()));
}

void TCaptureDefaults::AngleBarChange() {
    if (IsPolygon(SelectedItem())) FWork.*ShapeFieldsOf(SelectedItem()).Angle = AngleBar->value();
    Angle->setText(QString::number(AngleBar->value()));
}

void TCaptureDefaults::VectorChange() {
    const auto v = BarValue(Vector, VectorBar);
    if (!v) return;
    VectorBar->setValue(*v);
    Preview->SetVectors(*v);
    FWork.*VectorsField() = *v;
}

void TCaptureDefaults::VectorSizeChange() {
    const auto v = BarValue(VectorSize, VectorSizeBar);
    if (!v) return;
    VectorSizeBar->setValue(*v);
    Preview->SetVectorP(*v);
    FWork.*VectorSizeField() = *v;
}

void TCaptureDefaults::AngleChange() {
    const auto v = BarValue(Angle, AngleBar);
    if (!v) return;
    AngleBar->setValue(*v);
    Preview->SetAngle(*v % 360); // a full turn shows as none
    if (IsPolygon(SelectedItem())) FWork.*ShapeFieldsOf(SelectedItem()).Angle = *v;
}

void TCaptureDefaults::GeometryEditExit(QObject* edit) {
    const int i = SelectedItem();
    int32_t ConfigRec::*field = edit == Vector       ? VectorsField()
                                : edit == VectorSize ? VectorSizeField()
                                : edit == Angle      ? ShapeFieldsOf(i).Angle
                                                     : nullptr;
    if (!field || !StarLike(i)) return;
    auto* e = static_cast<QLineEdit*>(edit);
    const QString inForce = QString::number(FWork.*field);
    if (e->text() == inForce) return;
    const QSignalBlocker b(e); // bar, preview and working value hold it already
    e->setText(inForce);
}

void TCaptureDefaults::MaskColorClick() {
    const TShapeFields& f = ShapeFieldsOf(SelectedItem());
    if (!f.ShapeColor) return;
    QColor c = ColorOfSetting(FWork.*f.ShapeColor);
    if (!UserDialogs().ColorDialog(this, c)) return;
    FWork.*f.ShapeColor = SettingOfColor(c);
    ColorShape->SetFill(c);
    Preview->SetBColor(c.rgb());
}

void TCaptureDefaults::BorderColorClick() {
    const TShapeFields& f = ShapeFieldsOf(SelectedItem());
    if (!f.BorderColor) return;
    QColor c = ColorOfSetting(FWork.*f.BorderColor);
    if (!UserDialogs().ColorDialog(this, c)) return;
    FWork.*f.BorderColor = SettingOfColor(c);
    BorderShape->SetFill(c);
    Preview->SetPColor(c.rgb());
}

void TCaptureDefaults::BorderClick() {
    const TShapeFields& f = ShapeFieldsOf(SelectedItem());
    const bool on = Border->isChecked();
    if (f.UseBorder) FWork.*f.UseBorder = on;
    Preview->SetPStyle(on ? Qt::SolidLine : Qt::DotLine);
    BorderColor->setEnabled(on);
    BorderColor->setVisible(on);
    BorderShape->setVisible(on);
}

void TCaptureDefaults::OkButtonClick() {
    // 1. The port.
    int port = 0;
    if (!TakePort(port)) return;
    // 2. The hot key; with no line selected (a stored key outside the table)
    // the stored one stays rather than an index that names nothing.
    const int oldKey = Config.CaptureKey;
    if (HotKeyList->currentRow() >= 0) Config.CaptureKey = HotKeyList->currentRow();
    // 3.-5. E-mail.
    Config.SMTPHost = Setting(SMTPHost->text());
    Config.SMTPPort = port;
    Config.EMailName = Setting(EmailName->text());
    Config.EMailAddress = Setting(EmailAddress->text());
    Config.AttachmentEncoding = std::max(Encoding->currentIndex(), 0);
    Config.EMailFile = Setting(EMailFile->text());
    TakeMailLogin();
    // 6. The hook watches the new key at once and lets the old one go, so it
    // reaches other programs again.
    SetHotKeyFlag(Config.CaptureKey);
    if (oldKey != Config.CaptureKey) ClearHotKeyFlag(oldKey);
    // 7. The capture item; nothing selected keeps the stored one.
    const int item = SelectedItem();
    if (item >= ciFirstShape) {
        Config.WhatToCap = ciFirstShape;
        Config.Shape = item;
    } else if (item >= 0) {
        Config.WhatToCap = item;
    }
    // 8. The shapes' settings.
    CopyShapeSettings(FWork, Config);
    // 9. The action; nothing selected keeps the stored one.
    if (DefaultAction->currentIndex() >= 0) Config.Action = DefaultAction->currentIndex();
    // 10.
    SaveConfig();
    accept();
}

void TCaptureDefaults::CancelButtonClick() {
    reject();
}

void TCaptureDefaults::done(int result) {
    // However the dialog closes (buttons, Escape, the close box), the hook
    // must not go on reporting keys to a window that is gone.
    StopKeyReports();
    QDialog::done(result);
}

bool OpenCaptureDefaults(QWidget* owner, TConfigPage startPage) {
    if (TCaptureDefaults::Opened) return false;
    TCaptureDefaults::Opened = true;
    TCaptureDefaults dialog(owner);
    dialog.StartPage = startPage;
    const bool ok = dialog.exec() == QDialog::Accepted;
    TCaptureDefaults::Opened = false;
    return ok;
}
