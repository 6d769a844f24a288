#include "config/AboutBox.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>

#include "config/DialogSupport.h"
#include "product/ProductName.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    SetFixedDialog(this, {298, 210});
    setFont(ArialFont(13));
    Panel1 = Make<QFrame>(this, "Panel1", {8, 8, 281, 161});
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    ProgramIcon = Make<QLabel>(Panel1, "ProgramIcon", {8, 8, 149, 105});
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(QPixmap(":/artwork/about.png"));
    ProductName = Make<QLabel>(Panel1, "ProductName", {6, 115, 263, 23});
    ProductName->setFont(ArialFont(16, true));
    Version = Make<QLabel>(Panel1, "Version", {10, 139, 263, 19});
    Version->setFont(ArialFont(13, true));
    CopyYear = Make<QLabel>(Panel1, "CopyYear", {157, 61, 119, 18});
    Label1 = Make<QLabel>(Panel1, "Label1", {157, 82, 119, 18});
    for (QLabel* l : {ProductName, Version, CopyYear, Label1}) l->setAlignment(Qt::AlignCenter);
    for (QLabel* l : {CopyYear, Label1}) l->setFont(ArialFont(12));
    Button1 = Make<QPushButton>(this, "Button1", {125, 176, 65, 26}, "&Ok");
    Button1->setFont(ArialFont(13));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TAboutBox::Button1Click);
}

void TAboutBox::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TAboutBox::FormShow() {
    Opened = true;
    CentreOnScreen(this);
    ProductName->setText(ProgramTitle);
    Version->setText("Version 1.0b");
    CopyYear->setText(QStringLiteral("\u00A9 2000 Snaprio"));
    Label1->setText("All rights reserved.");
}

void TAboutBox::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TAboutBox::FormClose() {
    Opened = false;
}

void TAboutBox::Button1Click() {
    accept();
}

bool OpenAboutBox(QWidget* owner) {
    if (TAboutBox::Opened) return false;
    TAboutBox::Opened = true;
    TAboutBox box(owner);
    box.exec();
    TAboutBox::Opened = false;
    return true;
}
