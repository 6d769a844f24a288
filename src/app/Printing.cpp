#include "app/Printing.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "app/CursorGuard.h"
#include "product/ProductName.h"
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

namespace {

TPrintResult PrintError(QWidget* owner, const QString& text) {
    UserDialogs().MessageBox(owner, text, "Error", TMsgButtons::Ok, TMsgIcon::Error);
    return TPrintResult::Failed;
}

} // namespace

TPrintResult PrintPicture(QWidget* owner, const QImage& picture, TPrintFit fit) {
    QPrinter& printer = ThePrinter();
    if (printer.printerState() == QPrinter::Active)
        return PrintError(owner, "Other print job currently in progress.");
    int copies = 1;
    if (!UserDialogs().PrintDialog(owner, printer, copies)) return TPrintResult::Cancelled;
    TCursorGuard cursor;
    printer.setCopyCount(1);
    printer.setFullPage(true); // page size and margins count from the paper's edge
    printer.setDocName(ProgramTitle);
    QPainter painter;
    if (!painter.begin(&printer)) {
        cursor.Restore();
        return PrintError(owner, "The printer could not start printing.");
    }
    // Whole-number enlargements stay sharp blocks: no smoothing, and no lossy
    // recompression of the picture on its way into the print file.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    const QRect target = PrintTarget(picture.size(), {printer.width(), printer.height()}, fit);
    bool paged = true;
    for (int i = 1; i <= copies && paged; ++i) {
        painter.drawImage(target, picture);
        if (i < copies) paged = printer.newPage();
    }
    // The document is only complete once ended: a full disk or a spooler
    // that went away shows here, not at the first page.
    const bool ended = painter.end();
    if (paged && ended) return TPrintResult::Printed;
    cursor.Restore();
    return PrintError(owner, "The picture could not be printed.");
}
