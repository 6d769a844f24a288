// Star geometry and the masking of shaped captures.
#include <gtest/gtest.h>
#include <set>

#include "settings/Configs.h"
#include "config/ShapeSettings.h"
#include "shapes/ShapeGeometry.h"
#include "shapes/ShapeMask.h"

namespace {

int Distance2(QPoint a, QPoint b) {
    return (a.x() - b.x()) * (a.x() - b.x()) + (a.y() - b.y()) * (a.y() - b.y());
}

// A picture with neither black, white, magenta nor the default shape colours.
QImage KnownPicture(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(60 + x % 100, 70 + y % 100, 90));
    return img;
}

int Count(const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) | 0xFF000000u) == c;
    return n;
}

} // namespace

TEST(StarPolygon, PointsFollowTheAngleAndRoundHalvesToEven) {
    auto p = PointsArray(0, 0, 100, 100, 0, 0, 4, 0, 90);
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0], QPoint(50, 0)) << "angle 90 puts point 0 straight above the centre";
    EXPECT_EQ(p[1], QPoint(100, 50));
    EXPECT_EQ(p[4], p[0]);
    // An inner radius of exactly 2.5 (r = 5, size 50) rounds to 2, the even
    // neighbour, not away from zero; 3.5 (r = 7) rounds to 4.
    EXPECT_EQ(PointsArray(0, 0, 10, 10, 0, 0, 4, 50, 90)[1], QPoint(7, 5));
    EXPECT_EQ(PointsArray(0, 0, 14, 14, 0, 0, 4, 50, 90)[1], QPoint(11, 7));
    // Odd count: the last point of the figure is an outer one beside point 0.
    p = PointsArray(10, 20, 80, 80, 0, 0, 5, 50, 90);
    const QPoint c(50, 60);
    EXPECT_NEAR(Distance2(p[4], c), 40 * 40, 80);
    EXPECT_NEAR(Distance2(p[3], c), 20 * 20, 60);
    // Three vectors of size 0: a triangle in the centred square.
    const TFigure f = FigureFor(15, 0, 0, 120, 60, {3, 0, 90});
    ASSERT_EQ(f.Points.size(), 3);
    for (const QPoint& q : f.Points) EXPECT_NEAR(Distance2(q, QPoint(60, 30)), 30 * 30, 60);
    EXPECT_EQ(f.Points[0], QPoint(60, 0));
    EXPECT_EQ(FigureFor(14, 0, 0, 10, 10, {1, 50, 90}).Points.size(), 1)
        << "one vector: a single point";
}

TEST(StarPolygon, ReadoutSizes) {
    EXPECT_EQ(ReadoutSize(3, 100, 50), QSize(101, 51));
    EXPECT_EQ(ReadoutSize(7, 100, 50), QSize(101, 51));
    EXPECT_EQ(ReadoutSize(4, 100, 50), QSize(100, 50));
    for (int item : {5, 6, 8, 14, 15, 19})
        EXPECT_EQ(ReadoutSize(item, 100, 50), QSize(50, 50)) << item;
    EXPECT_EQ(CentredSquare(10, 20, 101, 40), QRect(40, 20, 40, 40));
}

TEST(ShapeMask, EveryShapeMasksOutsideAndBordersItsEdge) {
    LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
    const QRgb magenta = qRgb(255, 0, 255);
    for (int item = 4; item <= 19; ++item) {
        for (bool border : {true, false}) {
            TShapeItem s = ShapeItemOf(item);
            s.BorderColor = magenta;
            s.UseBorder = border;
            s.ShapeColor = qRgb(0, 128, 255);
            const bool square = item == 5 || item == 6 || item == 8 || item >= 14;
            QImage pic = KnownPicture(square ? 61 : 81, 61);
            const QImage before = pic;
            MaskPicture(pic, item, s);
            SCOPED_TRACE(testing::Message()
                         << "item " << item << (border ? " with border" : " without"));
            if (item == 5) {
                EXPECT_EQ(pic, before) << "a square comes out unframed, like a rectangle";
                continue;
            }
            EXPECT_EQ(pic.pixel(pic.width() / 2, pic.height() / 2),
                      before.pixel(pic.width() / 2, pic.height() / 2))
                << "inside unchanged";
            const QPoint outside = item == 10   ? QPoint(pic.width() - 1, pic.height() - 1)
                                   : item == 12 ? QPoint(pic.width() - 1, 0)
                                                : QPoint(0, 0);
            EXPECT_EQ(pic.pixel(outside), s.ShapeColor | 0xFF000000u) << "outside the shape colour";
            EXPECT_EQ(Count(pic, qRgb(0, 0, 0)), 0) << "the border covers the mask's edge";
            EXPECT_EQ(Count(pic, magenta) > 0, border);
        }
    }
}

TEST(ShapeMask, AStarWithFewVectorsLeavesTheMaskEdgeUncovered) {
    LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
    Config.StarVector = 5; // the mask takes 10, the border 5
    QImage pic = KnownPicture(61, 61);
    TShapeItem s = ShapeItemOf(14);
    EXPECT_EQ(s.Star.Vectors, 5);
    MaskPicture(pic, 14, s);
    EXPECT_GT(Count(pic, qRgb(0, 0, 0)), 0);
}
