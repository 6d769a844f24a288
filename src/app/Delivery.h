// What the delivery screens do with the picture: save, print, copy, e-mail;
// and opening a picture file as if it had been captured.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include "config/Action.h"

class QWidget;
class TCaptureHost;

// The name a save dialog gives, with its extension appended unless the file's
// own name already says that type: shot -> shot.BMP; SHOT.BMP, shot.bmp,
// pic.jpeg (for JPEG) and a.BMP.old stay; shot.png -> shot.png.BMP.
QString WithSaveExtension(const QString& name, TAction action);

class TDelivery {
public:
    // Boxes and dialogs open over Owner; Host opens the configuration and
    // send-image dialogs.
    TDelivery(QWidget* owner, TCaptureHost* host) : Owner(owner), Host(host) {}

    // A new picture: the name the save dialogs suggest comes from its time.
    void NewPicture(const QDateTime& taken) { Taken = taken; }

    // Runs Action on Picture (a GIF save leaves it at 24 bits per pixel).
    // True when the delivery is done as far as the user is concerned: also
    // after a cancelled dialog, not after a failure or an e-mail not sent.
    bool Run(TAction action, QImage& picture);

    // "&Open Image": a BMP, JPEG or PNG file chosen by the user; a null picture
    // when cancelled or unreadable (the box has been shown). Also null, with
    // nothing shown, while a delivery or another open is under way (the tray
    // menu stays live during their dialogs): it would open a second file
    // dialog, or change the picture that a save or print is writing.
    QImage OpenImage();

    // The folder of the last save of this run; the pictures folder at first.
    QString SaveFolder;

private:
    bool Save(TAction action, QImage& picture);
    bool EMail(QImage& picture);

    QWidget* Owner;
    TCaptureHost* Host;
    QDateTime Taken = QDateTime::currentDateTime();
    bool InUse = false; // a delivery or an open has a dialog up
};
