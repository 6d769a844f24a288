#include "config/Notice.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "config/DialogSupport.h"
#include "product/ProductName.h"

TMyNotice::TMyNotice(QWidget* parent) : QDialog(parent) {
    setObjectName("MyNotice");
    SetFixedDialog(this, {375, 268});
    setFont(ArialFont(17));
    Bevel1 = Make<QFrame>(this, "Bevel1", {10, 40, 356, 177});
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    HeaderLabel = Make<QLabel>(this, "HeaderLabel", {35, 5, 296, 26}, "NOTICE");
    HeaderLabel->setAlignment(Qt::AlignCenter);
    HeaderLabel->setFont(ArialFont(24, true));
    ContentLabel = Make<QLabel>(this, "ContentLabel", {15, 48, 346, 165});
    ContentLabel->setWordWrap(true);
    ContentLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ContentLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    CloseButton = Make<QPushButton>(this, "CloseButton", {143, 227, 97, 33}, "&Ok");
    CloseButton->setDefault(true);
    connect(CloseButton, &QPushButton::clicked, this, &TMyNotice::CloseButtonClick);
}

void TMyNotice::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TMyNotice::FormShow() {
    CentreOnScreen(this);
    const QString title = QString::fromUtf8(ProgramTitle);
    setWindowTitle(title);
    if (NoticeKind == nkFirstUse) {
        HeaderLabel->setText("First Use Notice");
        ContentLabel->setText(
            "This appears to be the first time you are running " + title +
            ". After closing this notice, we will automatically take you to the "
            "configuration section of " +
            title +
            " where you can choose a hot key for starting a screen capture and set other "
            "default capturing options. " +
            title + " is accessed via the hot key and an icon in the system tray." +
            (KeyBinding.isEmpty() ? QString() : "\n\n" + KeyBinding));
    }
    Grow();
}

void TMyNotice::Grow() {
    // A desktop's binding line is to be copied whole: nothing of it may be cut off.
    const int need = ContentLabel->heightForWidth(ContentLabel->width()) - ContentLabel->height();
    if (need <= 0) return;
    ContentLabel->resize(ContentLabel->width(), ContentLabel->height() + need);
    Bevel1->resize(Bevel1->width(), Bevel1->height() + need);
    CloseButton->move(CloseButton->x(), CloseButton->y() + need);
    setFixedSize(width(), height() + need);
    CentreOnScreen(this);
}

void TMyNotice::CloseButtonClick() {
    accept();
}
