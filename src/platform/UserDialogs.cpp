#include "platform/UserDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

#include "platform/WindowRequests.h"

namespace {

// A hidden owner (the main window between cycles) keeps a stale place, often
// the screen's top-left: its dialogs go without it, so that Qt centres them
// on the screen as it does every ownerless dialog.
QWidget* ShownOwner(QWidget* owner) {
    return owner && owner->isVisible() ? owner : nullptr;
}

// Once it shows, the dialog comes to the front with the focus, also when the
// program had no window on the screen before.
void BringToFront(QWidget& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.raise();
        dialog.activateWindow();
    });
}

class TQtDialogs : public TUserDialogs {
public:
    TMsgResult MessageBox(QWidget* owner, const QString& text, const QString& title,
                          TMsgButtons buttons, TMsgIcon icon) override {
        QMessageBox box(ShownOwner(owner));
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case TMsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case TMsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case TMsgIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case TMsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case TMsgIcon::None:
            break;
        }
        switch (buttons) {
        case TMsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case TMsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case TMsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        }
        if (title.isEmpty()) // Qt would show the program's name there
            QTimer::singleShot(0, &box, [&box] { SetExactTitle(box.winId(), QString()); });
        BringToFront(box);
        switch (box.exec()) {
        case QMessageBox::Cancel:
            return TMsgResult::Cancel;
        case QMessageBox::Yes:
            return TMsgResult::Yes;
        case QMessageBox::No:
            return TMsgResult::No;
        default:
            return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
        }
    }

    QString SaveDialog(QWidget* owner, const TFileDialogSetup& setup) override {
        return RunFileDialog(owner, setup, QFileDialog::AcceptSave);
    }
    QString OpenDialog(QWidget* owner, const TFileDialogSetup& setup) override {
        return RunFileDialog(owner, setup, QFileDialog::AcceptOpen);
    }

    bool PrintDialog(QWidget* owner, QPrinter& printer, int& copies) override {
        QPrintDialog dialog(&printer, ShownOwner(owner));
        BringToFront(dialog);
        if (dialog.exec() != QDialog::Accepted) return false;
        copies = std::max(1, printer.copyCount());
        return true;
    }

    bool ColorDialog(QWidget* owner, QColor& color) override {
        const QColor chosen = QColorDialog::getColor(color, ShownOwner(owner));
        if (!chosen.isValid()) return false;
        color = chosen;
        return true;
    }

private:
    static QString RunFileDialog(QWidget* owner, const TFileDialogSetup& setup,
                                 QFileDialog::AcceptMode mode) {
        QFileDialog dialog(ShownOwner(owner), setup.Title, setup.InitialDir);
        BringToFront(dialog);
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                           : QFileDialog::ExistingFile);
        // The caller asks about replacing a file, by the name it will write.
        dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(QtNameFilters(setup.Filter));
        if (mode == QFileDialog::AcceptSave && setup.DefaultExt.startsWith("*."))
            dialog.setDefaultSuffix(setup.DefaultExt.mid(2).section(';', 0, 0));
        if (!setup.FileName.isEmpty()) dialog.selectFile(setup.FileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().constFirst();
    }
};

} // namespace

std::unique_ptr<TUserDialogs> CreateQtDialogs() {
    return std::make_unique<TQtDialogs>();
}

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        QStringList given = parts[i + 1].split(';', Qt::SkipEmptyParts);
        // JPEG files are as often named .jpeg; the program reads and writes both.
        if (given.contains("*.JPG", Qt::CaseInsensitive)) given << "*.JPEG";
        for (const QString& pattern : given) {
            QString any;
            for (QChar c : pattern)
                any += c.isLetter() ? QString("[%1%2]").arg(c.toUpper(), c.toLower()) : QString(c);
            patterns << any;
        }
        out << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return out;
}
