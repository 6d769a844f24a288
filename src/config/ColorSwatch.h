// A filled rectangle that shows a colour: the shape page's mask and border
// colours beside the buttons that choose them.
#pragma once

#include <QColor>
#include <QFrame>

class TColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit TColorSwatch(QWidget* parent = nullptr);
    QColor Fill() const { return FFill; }
    void SetFill(const QColor& c);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor FFill = Qt::white;
};
