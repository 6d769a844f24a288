// The shape-mask control.
#include <gtest/gtest.h>

#include "config/ShapeImage.h"

TEST(ShapeImageControl, DefaultsRangesAndRendering) {
    ShapeImage s;
    s.resize(40, 30);
    EXPECT_EQ(s.Props().Shape, shNone);
    EXPECT_EQ(s.Props().Vectors, 10);
    EXPECT_EQ(s.Props().VectorP, 50);
    EXPECT_EQ(s.Props().Angle, 90);
    for (int v : {2, 101, -1}) s.SetVectors(v);
    s.SetAngle(360);
    s.SetVectorP(101);
    EXPECT_EQ(s.Props().Vectors, 10);
    EXPECT_EQ(s.Props().Angle, 90);
    EXPECT_EQ(s.Props().VectorP, 50);
    s.SetVectors(3);
    s.SetAngle(0);
    EXPECT_EQ(s.Props().Vectors, 3);
    EXPECT_EQ(s.Picture().pixel(20, 15), qRgb(0, 0, 0)) << "shNone: background only";
    s.SetShape(shEllipse);
    EXPECT_EQ(s.Picture().pixel(20, 15), qRgb(255, 255, 255)) << "a white figure";
    EXPECT_EQ(s.Picture().pixel(0, 0), qRgb(0, 0, 0));
    s.SetBColor(qRgb(0, 0, 255));
    EXPECT_EQ(s.Picture().pixel(0, 0), qRgb(0, 0, 255)) << "every accepted change renders again";
    EXPECT_EQ(s.Picture().size(), QSize(40, 30));
}
