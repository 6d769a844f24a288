#include "app/HelpWindow.h"

#include <QFileInfo>
#include <QShortcut>

#include "app/Main.h"

THelpWindow::THelpWindow(QWidget* parent) : QTextBrowser(parent) {
    setObjectName("HelpWindow");
    setWindowFlags(Qt::Window);
    setWindowTitle("Snaprio 2000 Help");
    setAttribute(Qt::WA_DeleteOnClose);
    // Links inside the file move within it; a web link goes to the browser.
    setOpenLinks(true);
    setOpenExternalLinks(true);
    for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    const QSize size(640, 520);
    resize(size);
    if (ScreenWidth > 0) move((ScreenWidth - size.width()) / 2, (ScreenHeight - size.height()) / 2);
}

bool THelpWindow::Open(const QString& file) {
    if (!QFileInfo(file).isReadable()) return false;
    // The .HLP name says nothing of HTML to the guesser: name the type.
    setSource(QUrl::fromLocalFile(file), QTextDocument::HtmlResource);
    return true;
}
