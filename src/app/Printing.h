// Printing the picture at the top-left margin of each page, one copy per page.
#pragma once

#include <QImage>
#include <QRect>

class QPrinter;
class QWidget;

enum class TPrintFit {
    PixelSize, // one printer dot per picture pixel
    FillPage,  // enlarged by the largest whole factor that fits
};

// Where the picture lands on a page of Page dots: margins width / 17 and
// height / 22, kept free on all four sides when enlarging. A picture larger
// than the printable area is shrunk to fit there, keeping its proportions,
// rather than enlarged by a factor of 0 into nothing.
QRect PrintTarget(QSize picture, QSize page, TPrintFit fit);

// The program's one printer, as the print dialog last left it.
QPrinter& ThePrinter();

enum class TPrintResult {
    Printed,   // the pages went out
    Cancelled, // the print dialog was cancelled: nothing printed, nothing shown
    Failed,    // nothing or not all printed; a box has said so
};

// PrintItPixel and PrintItFull: the print dialog, then the copies chosen
// there, each on its own page; the printer itself is told 1 copy, so a
// driver that counts copies too cannot multiply them. Reports every failure
// in a box.
TPrintResult PrintPicture(QWidget* owner, const QImage& picture, TPrintFit fit);
