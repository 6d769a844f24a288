#include "app/HelpWindow.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

#include "product/ProductName.h"

THelpWindow::THelpWindow(QWidget* parent) : QTextBrowser(parent) {
    setObjectName("HelpWindow");
    setWindowFlags(Qt::Window);
    setWindowTitle(QString(ProgramTitle) + " Help");
    setAttribute(Qt::WA_DeleteOnClose);
    // Links inside the file move within it; a web link goes to the browser.
    setOpenLinks(true);
    setOpenExternalLinks(true);
    for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    // Centred in Qt's own units: under scaling they are not the screen's pixels.
    QRect area(0, 0, 640, 520);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    const QSize size = QSize(640, 520).boundedTo(area.size() * 9 / 10);
    resize(size);
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

bool THelpWindow::Open(const QString& file, const QString& anchor) {
    if (!QFileInfo(file).isReadable()) return false;
    QUrl url = QUrl::fromLocalFile(file);
    if (!anchor.isEmpty()) url.setFragment(anchor);
    // The .HLP name says nothing of HTML to the guesser: name the type.
    setSource(url, QTextDocument::HtmlResource);
    return true;
}
