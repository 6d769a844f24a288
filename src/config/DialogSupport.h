// Small helpers shared by the program's forms: controls placed at their
// given pixel geometry, the Arial faces, centring on the screen.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QWidget>
#include <type_traits>

// A control named by its role, placed at Geometry, with Caption where it has one.
template <class T>
T* Make(QWidget* parent, const char* name, QRect geometry, const QString& caption = {}) {
    auto* w = new T(parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    if constexpr (std::is_base_of_v<QAbstractButton, T> || std::is_base_of_v<QLabel, T>)
        w->setText(caption);
    return w;
}

// Arial (a metric-compatible face where Arial itself is missing) at a pixel height.
QFont ArialFont(int pixelSize, bool bold = false);

// A fixed dialog border of client size Size: a title and a close box only.
void SetFixedDialog(QWidget* w, QSize size);

// Left = (screen width - width) div 2, top likewise, on the screen that
// holds the pointer.
void CentreOnScreen(QWidget* w);
