#include "app/Delivery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QStandardPaths>

#include "app/CaptureHost.h"
#include "app/ClipboardImage.h"
#include "app/CursorGuard.h"
#include "app/Printing.h"
#include "imaging/qt/ImageFiles.h"
#include "platform/Clipboard.h"
#include "platform/UserDialogs.h"
#include "settings/Configs.h"

namespace {

struct TSaveKind {
    TAction Action;
    TImageFileType Type;
    const char* Title;
    const char* Filter;
    const char* DefaultExt;
    const char* Ext;
};

constexpr TSaveKind SaveKinds[] = {
    {TAction::SaveBitmap, TImageFileType::Bmp, "Save As Bitmap", "Bitmap File (*.BMP)|*.BMP",
     "*.BMP", ".BMP"},
    {TAction::SaveGIF, TImageFileType::Gif, "Save As GIF", "GIF File (*.GIF)|*.GIF", "*.GIF",
     ".GIF"},
    {TAction::SaveJPEG, TImageFileType::Jpeg, "Save As JPEG", "JPEG File (*.JPG)|*.JPG", "*.JPG",
     ".JPG"},
    {TAction::SavePNG, TImageFileType::Png, "Save As PNG", "PNG File (*.PNG)|*.PNG", "*.PNG",
     ".PNG"},
};

const TSaveKind& SaveKindOf(TAction action) {
    for (const TSaveKind& kind : SaveKinds)
        if (kind.Action == action) return kind;
    return SaveKinds[0];
}

QString PicturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

void ErrorBox(QWidget* owner, const QString& text) {
    UserDialogs().MessageBox(owner, text, "Error", TMsgButtons::Ok, TMsgIcon::Error);
}

} // namespace

QString WithSaveExtension(const QString& name, TAction action) {
    const TSaveKind& kind = SaveKindOf(action);
    // File names here differ by case, so shot.gif is a GIF name as much as
    // shot.GIF; the dialog's extension as written anywhere in the file's own
    // name (a.BMP.old) still counts, as it always has. A folder's name does not.
    const QString own = name.section('/', -1);
    const bool named = ImageFileTypeOf(QFile::encodeName(own).toStdString()) == kind.Type ||
                       own.contains(kind.Ext, Qt::CaseSensitive);
    return named ? name : name + kind.Ext;
}

bool TDelivery::Run(TAction action, QImage& picture) {
    const QScopedValueRollback<bool> inUse(InUse, true);
    switch (action) {
    case TAction::SaveBitmap:
    case TAction::SaveGIF:
    case TAction::SaveJPEG:
    case TAction::SavePNG:
        return Save(action, picture);
    case TAction::PrintPixel:
        return PrintPicture(Owner, picture, TPrintFit::PixelSize) != TPrintResult::Failed;
    case TAction::PrintFilled:
        return PrintPicture(Owner, picture, TPrintFit::FillPage) != TPrintResult::Failed;
    case TAction::CopyToClipboard: {
        TCursorGuard cursor;
        if (CopyToClip(picture)) return true;
        cursor.Restore();
        const QString why = TheClipboard().Refusal();
        ErrorBox(Owner, "The picture could not be copied to the clipboard." +
                            (why.isEmpty() ? QString() : "\n\n" + why));
        return false;
    }
    case TAction::EMail:
        return EMail(picture);
    }
    return false;
}

bool TDelivery::Save(TAction action, QImage& picture) {
    const TSaveKind& kind = SaveKindOf(action);
    if (SaveFolder.isEmpty()) SaveFolder = PicturesFolder();
    TFileDialogSetup setup{kind.Title, kind.Filter, kind.DefaultExt, SaveFolder,
                           "capture-" + Taken.toString("yyyyMMdd-HHmmss")};
    for (;;) {
        const QString chosen = UserDialogs().SaveDialog(Owner, setup);
        if (chosen.isEmpty()) return true;
        // Asked here, not by the dialog: the extension rule may have changed
        // the name, and the file that would be replaced is the one written.
        const QString name = WithSaveExtension(chosen, action);
        const QFileInfo info(name);
        if (info.exists() &&
            UserDialogs().MessageBox(Owner, name + " already exists.\nDo you want to replace it?",
                                     kind.Title, TMsgButtons::YesNo,
                                     TMsgIcon::Warning) != TMsgResult::Yes) {
            setup.InitialDir = info.absolutePath();
            setup.FileName = info.fileName();
            continue;
        }
        TCursorGuard cursor;
        try {
            SaveImageFile(picture, QFile::encodeName(name).toStdString(), kind.Type);
        } catch (const EImageError& e) {
            cursor.Restore();
            ErrorBox(Owner, "The picture could not be saved as " + name + ".\n\n" +
                                QString::fromLocal8Bit(e.what()));
            return false;
        }
        SaveFolder = info.absolutePath();
        return true;
    }
}

bool TDelivery::EMail(QImage& picture) {
    const char* missing = Config.SMTPHost.empty()       ? "SMTP Host"
                          : Config.EMailAddress.empty() ? "return E-Mail Address"
                                                        : nullptr;
    if (missing) {
        const QString text = QString("Your E-Mail settings have not yet been configured. The "
                                     "entry for your %1 is blank.  Would you like to configure "
                                     "it now?")
                                 .arg(missing);
        if (UserDialogs().MessageBox(Owner, text, "Error", TMsgButtons::YesNo, TMsgIcon::Error) ==
            TMsgResult::Yes)
            Host->Configure(cpEMail);
        return false;
    }
    return Host->SendImage(picture);
}

QImage TDelivery::OpenImage() {
    if (InUse) return {};
    const QScopedValueRollback<bool> inUse(InUse, true);
    const TFileDialogSetup setup{"Open Graphic File",
                                 "Graphic Files (*.BMP, *.JPG, *.PNG)|*.BMP;*.JPG;*.PNG|Bitmap "
                                 "File (*.BMP)|*.BMP|JPEG File (*.JPG)|*.JPG|PNG File "
                                 "(*.PNG)|*.PNG",
                                 "*.BMP;*.JPG;*.PNG",
                                 SaveFolder.isEmpty() ? PicturesFolder() : SaveFolder,
                                 {}};
    const QString name = UserDialogs().OpenDialog(Owner, setup);
    if (name.isEmpty()) return {};
    TCursorGuard cursor;
    QImage picture;
    QString error;
    try {
        picture = LoadImageFile(QFile::encodeName(name).toStdString());
        if (picture.isNull()) error = name + " holds no picture.";
    } catch (const EImageError& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    if (error.isEmpty()) return picture;
    cursor.Restore();
    ErrorBox(Owner, error);
    return {};
}
