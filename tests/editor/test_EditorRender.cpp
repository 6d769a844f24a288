// What the model draws: each kind only inside its bounds, the pixels it
// should have, and repaints of damaged areas that match a whole render.
#include <QGuiApplication>
#include <QPainter>
#include <gtest/gtest.h>

#include "EditorSupport.h"
#include "editor/model/EditorModel.h"

namespace {

// Text and markers need the font database: an application on the offscreen
// platform, no display.
class TGuiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_editor";
        static char* argv[] = {name, nullptr};
        App = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { App.reset(); }

private:
    std::unique_ptr<QGuiApplication> App;
};

const auto* const Gui = testing::AddGlobalTestEnvironment(new TGuiEnvironment);

TItemStyle Styled(QColor color, int width, bool filled = false) {
    TItemStyle s;
    s.Color = color;
    s.Width = width;
    s.Filled = filled;
    return s;
}

QRgb Grey(int v) {
    return qRgb(v, v, v);
}

} // namespace

TEST(EditorRender, EachKindChangesPixelsOnlyInsideItsBounds) {
    const QColor blue(20, 40, 230);
    struct TCase {
        const char* Name;
        TEditorItem Item;
    } cases[] = {
        {"arrow", Item(TItemKind::Arrow, {{30, 40}, {150, 90}}, Styled(blue, 3))},
        {"steep arrow", Item(TItemKind::Arrow, {{100, 150}, {101, 20}}, Styled(blue, 6))},
        {"line", Item(TItemKind::Line, {{20.5, 20.5}, {180, 30}}, Styled(blue, 1))},
        {"rectangle", Item(TItemKind::Rectangle, {{40, 30}, {120, 110}}, Styled(blue, 5))},
        {"filled rectangle",
         Item(TItemKind::Rectangle, {{40.3, 30.7}, {120, 110}}, Styled(blue, 5, true))},
        {"ellipse", Item(TItemKind::Ellipse, {{150, 100}, {60, 20}}, Styled(blue, 4))},
        {"filled ellipse", Item(TItemKind::Ellipse, {{60, 20}, {150, 100}}, Styled(blue, 1, true))},
        {"pen", Item(TItemKind::Pen, {{10, 10}, {40, 70}, {90, 20}, {130, 140}}, Styled(blue, 7))},
        {"dot", Item(TItemKind::Pen, {{70, 70}}, Styled(blue, 9))},
        {"highlighter",
         Item(TItemKind::Highlighter, {{20, 50}, {180, 60}}, Styled(QColor(255, 240, 0), 14))},
        {"text", Item(TItemKind::Text, {{30, 30}, {120, 80}}, Styled(blue, 1),
                      "Step one: press the button at the left")},
        {"marker", Item(TItemKind::Marker, {{100, 100}}, Styled(blue, 1))},
        {"solid", Item(TItemKind::SolidRedaction, {{10.6, 20.2}, {77, 91}}, Styled(Qt::black, 1))},
        {"pixelation", Item(TItemKind::Pixelation, {{33, 21}, {90, 140}}, Styled(Qt::gray, 1))},
    };
    const QImage picture = NoisePicture(200, 160, 7);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TEditorModel model(picture);
        model.TakeDamage();
        model.Add(c.Item);
        const QRect changed = Difference(picture, model.Render());
        EXPECT_FALSE(changed.isEmpty()) << "the item draws something";
        EXPECT_TRUE(ItemBounds(c.Item).contains(changed))
            << "changed " << changed.x() << "," << changed.y() << " " << changed.width() << "x"
            << changed.height();
        EXPECT_TRUE(model.TakeDamage().contains(changed)) << "the damage covers the change";
    }
}

TEST(EditorRender, ItemsHaveTheirPixels) {
    // Black text, white paper and mid grey, to see what each item leaves.
    QImage picture(120, 100, QImage::Format_RGB32);
    picture.fill(Grey(255));
    for (int y = 40; y < 50; ++y)
        for (int x = 0; x < 60; ++x) picture.setPixel(x, y, Grey(0));
    const QColor yellow(255, 230, 0), red(250, 0, 0);
    TEditorModel model(picture);
    model.Add(Item(TItemKind::Highlighter, {{10, 45}, {100, 45}}, Styled(yellow, 16)));
    model.Add(Item(TItemKind::Ellipse, {{70, 60}, {110, 90}}, Styled(red, 1, true)));
    model.Add(Item(TItemKind::Arrow, {{10, 90}, {60, 90}}, Styled(red, 2)));
    model.Add(
        Item(TItemKind::SolidRedaction, {{100, 0}, {120, 20}}, Styled(QColor(0, 0, 255, 40), 1)));
    const QImage out = model.Render();
    EXPECT_EQ(out.pixel(30, 45), Grey(0)) << "the highlighter never covers dark text";
    EXPECT_EQ(out.pixel(80, 45), yellow.rgb()) << "on white it shows its colour";
    EXPECT_EQ(out.pixel(90, 75), red.rgb()) << "a filled ellipse inside";
    EXPECT_EQ(out.pixel(105, 62), Grey(255)) << "and outside its curve at the box's corner";
    EXPECT_EQ(out.pixel(56, 90), red.rgb()) << "the arrow's head reaches its end point";
    EXPECT_EQ(out.pixel(50, 87), red.rgb()) << "and is wider than its shaft";
    EXPECT_EQ(out.pixel(30, 87), Grey(255));
    EXPECT_EQ(out.pixel(110, 10), qRgb(0, 0, 255)) << "a redaction is opaque whatever the alpha";
    EXPECT_EQ(out.pixel(99, 10), Grey(255));
}

TEST(EditorRender, TextIsDrawnInItsFontAndBox) {
    QImage picture(200, 80, QImage::Format_RGB32);
    picture.fill(Grey(255));
    TItemStyle style = Styled(Qt::black, 1);
    style.FontSize = 20;
    TEditorModel model(picture);
    model.Add(Item(TItemKind::Text, {{10, 10}, {190, 70}}, style, "Hello"));
    // The same text drawn independently, in the same font at the same place.
    QImage expected = picture;
    {
        QPainter p(&expected);
        QFont font = p.font();
        font.setPixelSize(20);
        p.setFont(font);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.drawText(QRectF(10, 10, 180, 60), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   "Hello");
    }
    EXPECT_EQ(model.Render(), expected);
    EXPECT_NE(model.Render(), picture);
}
