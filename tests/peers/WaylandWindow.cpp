// A window of one colour in the Wayland session, for the tests that capture
// the window in front: "wayland_window ID COLOUR" shows it with app_id ID
// and ends on SIGTERM.
#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QWidget>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    qputenv("QT_QPA_PLATFORM", "wayland");
    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QString::fromLocal8Bit(argv[1]));
    QWidget w;
    QPalette p = w.palette();
    p.setColor(QPalette::Window, QColor(QString::fromLocal8Bit(argv[2])));
    w.setPalette(p);
    w.setAutoFillBackground(true);
    w.resize(300, 200);
    w.show();
    return app.exec();
}
