#include "app/Thumbnail.h"

#include <QPainter>
#include <algorithm>

QImage DrawThumb(const QImage& picture, QSize size, QColor face) {
    QImage thumb(size, QImage::Format_RGB32);
    thumb.fill(face);
    // An empty picture has no size to scale by: the strip stays empty.
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0) return thumb;
    const double sx = double(size.width()) / picture.width();
    const double sy = double(size.height()) / picture.height();
    const double s = std::min({sx, sy, 1.0});
    const int w = static_cast<int>(picture.width() * s), h = static_cast<int>(picture.height() * s);
    QPainter p(&thumb);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(0, 0, w, h), picture);
    return thumb;
}
