// Modal boxes and common dialogs go through this interface, so that tests can
// answer them and check their texts and titles.
#pragma once

#include <QColor>
#include <QString>
#include <memory>

class QPrinter;
class QWidget;

enum class TMsgButtons { Ok, OkCancel, YesNo };
enum class TMsgIcon { None, Information, Warning, Error, Question };
enum class TMsgResult { Ok, Cancel, Yes, No };

// One open or save dialog as the program sets it up before every use.
struct TFileDialogSetup {
    QString Title;
    // Pairs "description|patterns", patterns separated by ";":
    // "Bitmap File (*.BMP)|*.BMP".
    QString Filter;
    QString DefaultExt; // "*.BMP"
    QString InitialDir;
    // Suggested name. A save dialog never asks about replacing a file: the
    // caller asks, on the name it really writes (its own extension rule may
    // still change the name the dialog gives).
    QString FileName;
};

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    virtual TMsgResult MessageBox(QWidget* owner, const QString& text, const QString& title,
                                  TMsgButtons buttons, TMsgIcon icon) = 0;
    // The chosen file's full name; empty when cancelled.
    virtual QString SaveDialog(QWidget* /*owner*/, const TFileDialogSetup& /*setup*/) { return {}; }
    virtual QString OpenDialog(QWidget* /*owner*/, const TFileDialogSetup& /*setup*/) { return {}; }
    // Sets up Printer (device, page) and gives the copies chosen; false when
    // cancelled.
    virtual bool PrintDialog(QWidget* /*owner*/, QPrinter& /*printer*/, int& /*copies*/) {
        return false;
    }
    // Color starts as the current colour; false when cancelled.
    virtual bool ColorDialog(QWidget* /*owner*/, QColor& /*color*/) { return false; }
};

// The dialogs of the platform in use (platform/Platform.h).
TUserDialogs& UserDialogs();
// Qt's own boxes and dialogs, the desktop families' choice.
std::unique_ptr<TUserDialogs> CreateQtDialogs();

// "Bitmap File (*.BMP)|*.BMP" as Qt name filters. X file names are case
// sensitive, so the pattern matches the extension in any case, and *.JPG
// takes .jpeg files too; the shown text stays the description.
QStringList QtNameFilters(const QString& filter);
