#include "config/DoView.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

TDoView::TDoView(QWidget* parent, const QImage& picture, QSize screen) : QDialog(parent) {
    setObjectName("DoView");
    setWindowTitle("View Image");
    // No minimize button; the system menu, the maximize button and the close
    // box stay. 541 x 405 is only the starting size: a full-screen capture
    // wants a window the user can make larger.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(541, 405);
    QFont font("Arial");
    font.setPixelSize(13);
    setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    TheImage = new QLabel;
    TheImage->setObjectName("TheImage");
    TheImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Its own copy: the picture may change while the window shows. One picture
    // pixel per screen pixel, also where Qt scales the window (high dpi).
    QPixmap copy = QPixmap::fromImage(picture.copy());
    copy.setDevicePixelRatio(devicePixelRatioF());
    TheImage->setPixmap(copy);
    TheImage->setFixedSize(copy.deviceIndependentSize().toSize());
    ScrollBox1->setWidget(TheImage);
    layout->addWidget(ScrollBox1);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setFixedHeight(20);
    layout->addWidget(Panel1);
    Button1 = new QPushButton("E&xit", Panel1);
    Button1->setObjectName("Button1");
    Button1->setGeometry(4, 2, 49, 18);
    QFont small("Arial");
    small.setPixelSize(12);
    Button1->setFont(small);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    FormShow(screen);
}

void TDoView::FormShow(QSize screen) {
    // The screen size counts device pixels; windows are placed in Qt's scaled ones.
    const qreal ratio = devicePixelRatioF();
    move((int(screen.width() / ratio) - width()) / 2,
         (int(screen.height() / ratio) - height()) / 2);
}
