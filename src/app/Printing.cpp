#include "app/Printing.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "app/CursorGuard.h"
#include "app/Main.h"
#include "platform/UserDialogs.h"

QRect PrintTarget(QSize picture, QSize page, TPrintFit fit) {
    const int ml = page.width() / 17, mt = page.height() / 22;
    if (fit == TPrintFit::PixelSize || picture.isEmpty()) return {QPoint(ml, mt), picture};
    const int roomW = page.width() - 2 * ml, roomH = page.height() - 2 * mt;
    const int f = std::min(roomW / picture.width(), roomH / picture.height());
    if (f >= 1) return {ml, mt, picture.width() * f, picture.height() * f};
    const double s = std::min(double(roomW) / picture.width(), double(roomH) / picture.height());
    return {ml, mt, std::max(1, int(picture.width() * s)), std::max(1, int(picture.height() * s))};
}

QPrinter& ThePrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

bool PrintPicture(QWidget* owner, const QImage& picture, TPrintFit fit) {
    QPrinter& printer = ThePrinter();
    if (printer.printerState() == QPrinter::Active) {
        UserDialogs().MessageBox(owner, "Other print job currently in progress.", "Error",
                                 TMsgButtons::Ok, TMsgIcon::Error);
        return false;
    }
    int copies = 1;
    if (!UserDialogs().PrintDialog(owner, printer, copies)) return false;
    TCursorGuard cursor;
    printer.setCopyCount(1);
    printer.setFullPage(true); // page size and margins count from the paper's edge
    printer.setDocName(ProgramTitle);
    QPainter painter;
    if (!painter.begin(&printer)) {
        cursor.Restore();
        UserDialogs().MessageBox(owner, "The printer could not start printing.", "Error",
                                 TMsgButtons::Ok, TMsgIcon::Error);
        return false;
    }
    // Whole-number enlargements stay sharp blocks: no smoothing, and no lossy
    // recompression of the picture on its way into the print file.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    const QRect target = PrintTarget(picture.size(), {printer.width(), printer.height()}, fit);
    for (int i = 1; i <= copies; ++i) {
        painter.drawImage(target, picture);
        if (i < copies) printer.newPage();
    }
    return painter.end();
}
