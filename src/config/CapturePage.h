// The What Capture page of the configuration dialog: the default capture
// item, and for the shapes their mask and border colours and the star and
// polygon geometry, with a preview. It edits a working copy of the shapes'
// settings; each item keeps its own values until the dialog stores them.
#pragma once

#include "config/ColorSwatch.h"
#include "config/SettingsPage.h"
#include "shapes/CaptureItems.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class ShapeImage;

class TCapturePage : public TSettingsPage {
    Q_OBJECT
public:
    explicit TCapturePage(QWidget* parent = nullptr);

    // Opens on the stored item of Screen to Rectangle, else the stored shape.
    void Load(const ConfigRec& rec) override;
    // A shape becomes the stored shape under the shapes' item; Screen to
    // Rectangle leave the stored shape as it is.
    void Store(ConfigRec& rec) const override;

    // The capture item whose values the shape controls hold; -2 none.
    int LoadedItemIndex = -2;
    // The working copy; only its per-shape settings are used.
    const ConfigRec& Work() const { return FWork; }

    QComboBox* WhatToCap;
    QFrame* CapturePanel;
    ShapeImage* Preview;
    QLabel *VectorLab, *VectorSizeLab, *AngleLab;
    QFrame *VectorBevel, *VectorSizeBevel, *AngleBevel;
    QSlider *VectorBar, *VectorSizeBar, *AngleBar;
    QLineEdit *Vector, *VectorSize, *Angle;
    TColorSwatch *ColorShape, *BorderShape;
    QPushButton *MaskColor, *BorderColor;
    QCheckBox* Border;

    void WhatToCapChange();
    void EnableDisable();
    void MaskColorClick();
    void BorderColorClick();
    void BorderClick();
    void VectorBarChange();
    void VectorSizeBarChange();
    void AngleBarChange();
    void VectorChange();
    void VectorSizeChange();
    void AngleChange();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void SetPreviewFrame(TPreviewFrame frame);
    int SelectedItem() const;
    // The fields the geometry controls edit for the selected item.
    int32_t ConfigRec::*VectorsField() const;
    int32_t ConfigRec::*VectorSizeField() const;
    // A geometry edit that loses the focus shows the value in force again, so
    // a text it did not take (out of range, no digits) does not stay there.
    void GeometryEditExit(QObject* edit);

    ConfigRec FWork{};
};
