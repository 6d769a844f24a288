#include "config/CapturePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <optional>

#include "config/DialogSupport.h"
#include "config/ShapeFields.h"
#include "config/ShapeImage.h"
#include "platform/UserDialogs.h"
#include "settings/IniFile.h"
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

// The item the page opens on: the stored one of Screen to Rectangle, else
// the stored shape.
int StoredItem(const ConfigRec& rec) {
    return rec.WhatToCap >= ciScreen && rec.WhatToCap <= ciRectangle ? rec.WhatToCap : rec.Shape;
}

} // namespace

TCapturePage::TCapturePage(QWidget* parent) : TSettingsPage(parent) {
    setObjectName("CapSheet");
    CapturePanel = Make<QFrame>(this, "CapturePanel", {0, 0, 232, 392});
    Make<QLabel>(CapturePanel, "CaptureItemLabel", {8, 6, 216, 16}, "Default Capture Item");
    WhatToCap = Make<QComboBox>(CapturePanel, "WhatToCap", {8, 22, 216, 22});
    WhatToCap->setMaxVisibleItems(17);
    for (const TCaptureItemTraits& c : CaptureItems)
        WhatToCap->addItem(QString::fromUtf8(c.Name.data(), static_cast<qsizetype>(c.Name.size())));
    connect(WhatToCap, &QComboBox::currentIndexChanged, this, &TCapturePage::WhatToCapChange);

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
    VectorBar->setRange(VectorMin, VectorMax);
    VectorSizeBar->setRange(VectorSizeMin, VectorSizeMax);
    AngleBar->setRange(AngleMin, AngleMax);
    connect(VectorBar, &QSlider::valueChanged, this, &TCapturePage::VectorBarChange);
    connect(VectorSizeBar, &QSlider::valueChanged, this, &TCapturePage::VectorSizeBarChange);
    connect(AngleBar, &QSlider::valueChanged, this, &TCapturePage::AngleBarChange);
    connect(Vector, &QLineEdit::textChanged, this, &TCapturePage::VectorChange);
    connect(VectorSize, &QLineEdit::textChanged, this, &TCapturePage::VectorSizeChange);
    connect(Angle, &QLineEdit::textChanged, this, &TCapturePage::AngleChange);

    ColorShape = Make<TColorSwatch>(CapturePanel, "ColorShape", {8, 250, 40, 25});
    MaskColor =
        Make<QPushButton>(CapturePanel, "MaskColor", {56, 250, 168, 25}, "&Set Shape Mask Color");
    Border = Make<QCheckBox>(CapturePanel, "Border", {8, 284, 216, 20}, "&Border Shape");
    BorderShape = Make<TColorSwatch>(CapturePanel, "BorderShape", {8, 310, 40, 25});
    BorderColor =
        Make<QPushButton>(CapturePanel, "BorderColor", {56, 310, 168, 25}, "Bo&rder Color");
    connect(MaskColor, &QPushButton::clicked, this, &TCapturePage::MaskColorClick);
    connect(BorderColor, &QPushButton::clicked, this, &TCapturePage::BorderColorClick);
    connect(Border, &QCheckBox::toggled, this, &TCapturePage::BorderClick);

    Preview = new ShapeImage(CapturePanel);
    Preview->setObjectName("Preview");
    SetPreviewFrame(pfWide);
}

void TCapturePage::Load(const ConfigRec& rec) {
    const int item = StoredItem(rec);
    {
        const QSignalBlocker b(WhatToCap);
        WhatToCap->setCurrentIndex(item >= 0 && item < WhatToCap->count() ? item : -1);
    }
    SetPreviewFrame(PreviewFrameOf(item));
    LoadedItemIndex = -2;
    FWork = rec;
    EnableDisable();
    Preview->update();
}

void TCapturePage::Store(ConfigRec& rec) const {
    // Nothing selected keeps the stored item.
    const int item = SelectedItem();
    if (item >= ciFirstShape) {
        rec.WhatToCap = ciFirstShape;
        rec.Shape = item;
    } else if (item >= 0) {
        rec.WhatToCap = item;
    }
    CopyShapeSettings(FWork, rec);
}

void TCapturePage::SetPreviewFrame(TPreviewFrame frame) {
    Preview->setGeometry(frame == pfWide ? WideFrame : SquareFrame);
}

int TCapturePage::SelectedItem() const {
    return WhatToCap->currentIndex();
}

void TCapturePage::WhatToCapChange() {
    const int i = SelectedItem();
    SetPreviewFrame(PreviewFrameOf(i));
    EnableDisable();
}

void TCapturePage::EnableDisable() {
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

int32_t ConfigRec::*TCapturePage::VectorsField() const {
    const int i = SelectedItem();
    return ShapeFieldsOf(IsPolygon(i) ? i : int(ciStar)).Vectors;
}

int32_t ConfigRec::*TCapturePage::VectorSizeField() const {
    const int i = SelectedItem();
    return ShapeFieldsOf(IsPolygon(i) ? i : int(ciStar)).VectorSize;
}

void TCapturePage::VectorBarChange() {
    FWork.*VectorsField() = VectorBar->value();
    Vector->setText(QString::number(VectorBar->value()));
}

void TCapturePage::VectorSizeBarChange() {
    FWork.*VectorSizeField() = VectorSizeBar->value();
    VectorSize->setText(QString::number(VectorSizeBar->value()));
}

void TCapturePage::AngleBarChange() {
    if (IsPolygon(SelectedItem())) FWork.*ShapeFieldsOf(SelectedItem()).Angle = AngleBar->value();
    Angle->setText(QString::number(AngleBar->value()));
}

void TCapturePage::VectorChange() {
    const auto v = BarValue(Vector, VectorBar);
    if (!v) return;
    VectorBar->setValue(*v);
    Preview->SetVectors(*v);
    FWork.*VectorsField() = *v;
}

void TCapturePage::VectorSizeChange() {
    const auto v = BarValue(VectorSize, VectorSizeBar);
    if (!v) return;
    VectorSizeBar->setValue(*v);
    Preview->SetVectorP(*v);
    FWork.*VectorSizeField() = *v;
}

void TCapturePage::AngleChange() {
    const auto v = BarValue(Angle, AngleBar);
    if (!v) return;
    AngleBar->setValue(*v);
    Preview->SetAngle(*v % 360); // a full turn shows as none
    if (IsPolygon(SelectedItem())) FWork.*ShapeFieldsOf(SelectedItem()).Angle = *v;
}

void TCapturePage::GeometryEditExit(QObject* edit) {
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

bool TCapturePage::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusOut) GeometryEditExit(watched);
    return TSettingsPage::eventFilter(watched, e);
}

void TCapturePage::MaskColorClick() {
    const TShapeFields& f = ShapeFieldsOf(SelectedItem());
    if (!f.ShapeColor) return;
    QColor c = ColorOfSetting(FWork.*f.ShapeColor);
    if (!UserDialogs().ColorDialog(this, c)) return;
    FWork.*f.ShapeColor = SettingOfColor(c);
    ColorShape->SetFill(c);
    Preview->SetBColor(c.rgb());
}

void TCapturePage::BorderColorClick() {
    const TShapeFields& f = ShapeFieldsOf(SelectedItem());
    if (!f.BorderColor) return;
    QColor c = ColorOfSetting(FWork.*f.BorderColor);
    if (!UserDialogs().ColorDialog(this, c)) return;
    FWork.*f.BorderColor = SettingOfColor(c);
    BorderShape->SetFill(c);
    Preview->SetPColor(c.rgb());
}

void TCapturePage::BorderClick() {
    const TShapeFields& f = ShapeFieldsOf(SelectedItem());
    const bool on = Border->isChecked();
    if (f.UseBorder) FWork.*f.UseBorder = on;
    Preview->SetPStyle(on ? Qt::SolidLine : Qt::DotLine);
    BorderColor->setEnabled(on);
    BorderColor->setVisible(on);
    BorderShape->setVisible(on);
}
