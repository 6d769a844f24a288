// The viewer: a copy of the picture at 1:1 in a scrolling window that starts
// at 541 x 405 and may be resized or maximized.
#pragma once

#include <QDialog>
#include <QImage>

class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;

class TDoView : public QDialog {
    Q_OBJECT
public:
    // Screen: the screen size the window centres itself in.
    TDoView(QWidget* parent, const QImage& picture, QSize screen);

    QScrollArea* ScrollBox1;
    QLabel* TheImage;
    QFrame* Panel1;
    QPushButton* Button1;

private:
    void FormShow(QSize screen);
};
