#include "config/DialogSupport.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

QFont ArialFont(int pixelSize, bool bold) {
    QFont f("Arial");
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void CentreOnScreen(QWidget* w) {
    QScreen* s = QGuiApplication::screenAt(QCursor::pos());
    if (!s) s = QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect r = s->geometry();
    w->move(r.x() + (r.width() - w->width()) / 2, r.y() + (r.height() - w->height()) / 2);
}

void SetFixedDialog(QWidget* w, QSize size) {
    w->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowCloseButtonHint);
    w->setFixedSize(size);
}
