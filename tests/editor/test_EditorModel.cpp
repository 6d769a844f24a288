// The model's edits: undo and redo, markers, crop, picking items, and
// redactions whose output does not depend on what they cover.
#include <gtest/gtest.h>

#include "EditorSupport.h"
#include "TestSupport.h"
#include "editor/model/EditorModel.h"
#include "editor/model/EditorSettings.h"
#include "settings/IniFile.h"

namespace {

TItemKind RandomKind(std::mt19937& random) {
    // Everything but text and markers, which need fonts (the render tests
    // cover them).
    const TItemKind kinds[] = {TItemKind::Arrow,     TItemKind::Line,
                               TItemKind::Rectangle, TItemKind::Ellipse,
                               TItemKind::Pen,       TItemKind::Highlighter,
                               TItemKind::Crop,      TItemKind::SolidRedaction,
                               TItemKind::Pixelation};
    return kinds[random() % std::size(kinds)];
}

QPointF RandomPoint(std::mt19937& random, QSize size) {
    return QPointF(int(random() % (size.width() + 40)) - 20 + (random() % 4) / 4.0,
                   int(random() % (size.height() + 40)) - 20 + (random() % 4) / 4.0);
}

// One random edit of any kind the model offers.
void RandomEdit(TEditorModel& model, std::mt19937& random, QSize size) {
    const int n = int(model.Items().size());
    const int which = n ? int(random() % n) : -1;
    switch (n ? random() % 7 : 0) {
    case 0: {
        TItemStyle style;
        style.Color = QColor::fromRgb(random());
        style.Width = 1 + random() % 9;
        style.Filled = random() % 2;
        style.CellSize = 1 + random() % 20;
        model.Add(Item(RandomKind(random), {RandomPoint(random, size), RandomPoint(random, size)},
                       style));
        break;
    }
    case 1:
        model.Move(which, RandomPoint(random, size) / 4);
        break;
    case 2:
        model.Resize(which, THandle(1 + random() % 10), RandomPoint(random, size));
        break;
    case 3:
        model.Delete(which);
        break;
    case 4: {
        TItemStyle style = model.Items()[which].Style;
        style.Width = 1 + random() % 12;
        style.Color = QColor::fromRgb(random());
        model.SetStyle(which, style);
        break;
    }
    case 5: // a stroke drawn in one gesture
        model.BeginGesture();
        for (int i = 0; i < 5; ++i) model.AppendPoint(which, RandomPoint(random, size));
        model.EndGesture();
        break;
    default: // a drag: many moves, one step
        model.BeginGesture();
        for (int i = 0; i < 4; ++i) model.Move(which, QPointF(3, -2));
        model.EndGesture();
        break;
    }
}

} // namespace

TEST(EditorModel, RandomEditsUndoAndRedoToTheExactPictures) {
    const QImage picture = NoisePicture(97, 71, 3);
    std::mt19937 random(11);
    TEditorModel model(picture);
    std::vector<QImage> renders{model.Render()};
    QImage canvas; // kept up to date by damaged areas only, as the view does
    model.Paint(canvas, picture.rect());
    model.TakeDamage();
    for (int step = 0; step < 120; ++step) {
        RandomEdit(model, random, picture.size());
        renders.push_back(model.Render());
        model.Paint(canvas, model.TakeDamage());
        QImage whole;
        model.Paint(whole, picture.rect());
        ASSERT_EQ(canvas, whole) << "repainting the damage alone gives the whole picture, step "
                                 << step;
    }
    const int steps = int(renders.size()) - 1;
    for (int i = steps - 1; i >= 0; --i) {
        ASSERT_TRUE(model.CanUndo());
        model.Undo();
        ASSERT_EQ(model.Render(), renders[i]) << "undone to step " << i;
        model.Paint(canvas, model.TakeDamage());
    }
    EXPECT_FALSE(model.CanUndo());
    EXPECT_EQ(model.Render(), picture) << "bit for bit the original";
    EXPECT_EQ(canvas, picture);
    for (int i = 1; i <= steps; ++i) {
        ASSERT_TRUE(model.CanRedo());
        model.Redo();
        ASSERT_EQ(model.Render(), renders[i]) << "redone to step " << i;
    }
    EXPECT_FALSE(model.CanRedo());
    model.Undo();
    model.Add(Item(TItemKind::Line, {{1, 1}, {9, 9}}));
    EXPECT_FALSE(model.CanRedo()) << "a new edit drops what could be redone";
}

TEST(EditorModel, RedactedAreasRenderTheSameWhateverTheyCovered) {
    const int w = 83, h = 61;
    struct TCase {
        TItemKind Kind;
        int CellSize;
        QRectF Area; // as dragged: may reach past the picture, fractional
    } cases[] = {
        {TItemKind::SolidRedaction, 1, {10, 10, 30, 20}},
        {TItemKind::SolidRedaction, 1, {-5.4, -3.6, 21.3, 17.9}},
        {TItemKind::Pixelation, 1, {13, 7, 29, 31}},
        {TItemKind::Pixelation, 3, {0, 0, 83, 61}},
        {TItemKind::Pixelation, 8, {w - 7.5, h - 9.5, 30, 30}},
        {TItemKind::Pixelation, 13, {-20, 20, 45, 7}},
        {TItemKind::Pixelation, 16, {31.5, 0.5, 1, 60}},
        {TItemKind::Pixelation, 64, {5, 5, 70, 50}},
    };
    const TRedactionKey key{0x0123456789abcdefULL, 0xfedcba9876543210ULL};
    const QImage first = NoisePicture(w, h, 1);
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "cells " << c.CellSize << " at " << c.Area.x() << "," << c.Area.y() << " "
                     << c.Area.width() << "x" << c.Area.height());
        TItemStyle style;
        style.Color = QColor(120, 130, 140);
        style.CellSize = c.CellSize;
        const TEditorItem redaction = Item(c.Kind, {c.Area.topLeft(), c.Area.bottomRight()}, style);
        const QRect area = PixelBox(redaction) & first.rect();
        // The second capture differs from the first only inside the area.
        QImage second = first;
        const QImage other = NoisePicture(w, h, 2);
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                second.setPixel(x, y, other.pixel(x, y));
        ASSERT_NE(first, second);
        std::vector<QImage> committed;
        for (const QImage& picture : {first, second}) {
            TEditorModel model(picture, key);
            // A stroke under the area and a highlighter over it.
            model.Add(Item(TItemKind::Line, {{0, 0}, {w, h}}, style));
            model.Add(redaction);
            model.Add(Item(TItemKind::Highlighter, {{0, h / 2.0}, {w, h / 2.0}}, style));
            committed.push_back(model.Commit());
            EXPECT_EQ(model.Picture(), committed.back()) << "the model keeps only the result";
            EXPECT_FALSE(model.HasItems());
            EXPECT_FALSE(model.CanUndo());
        }
        EXPECT_EQ(committed[0], committed[1]);
    }
    // Another session's key gives other cells: the colours come from the key.
    TItemStyle style;
    const TEditorItem pixelation = Item(TItemKind::Pixelation, {{0, 0}, {w, h}}, style);
    TEditorModel a(first, key), b(first, {1, 2});
    a.Add(pixelation);
    b.Add(pixelation);
    EXPECT_NE(a.Render(), b.Render());
}

TEST(EditorModel, StepMarkersCountInListOrder) {
    TEditorModel model(NoisePicture(120, 50, 4));
    EXPECT_EQ(model.NextMarkerNumber(), 1);
    for (int i = 0; i < 3; ++i) {
        model.Add(Item(TItemKind::Line, {{0, 0}, {5, 5}}));
        EXPECT_EQ(model.MarkerNumber(model.Add(Item(TItemKind::Marker, {{20 + 40.0 * i, 25}}))),
                  i + 1);
    }
    EXPECT_EQ(model.NextMarkerNumber(), 4);
    EXPECT_EQ(model.MarkerNumber(0), 0) << "a line has no number";
    const QImage three = model.Render();
    model.Delete(3); // the second marker: the third becomes 2
    EXPECT_EQ(model.MarkerNumber(4), 2);
    EXPECT_EQ(model.NextMarkerNumber(), 3);
    const QRect third = ItemBounds(model.Items()[4]);
    EXPECT_NE(model.Render().copy(third), three.copy(third)) << "it shows its new number";
    TEditorModel two(model.Picture());
    two.Add(Item(TItemKind::Marker, {{20, 25}}));
    two.Add(Item(TItemKind::Marker, {{100, 25}}));
    EXPECT_EQ(model.Render().copy(third), two.Render().copy(third)) << "as a second marker does";
    model.Undo();
    EXPECT_EQ(model.MarkerNumber(3), 2);
    EXPECT_EQ(model.MarkerNumber(5), 3);
    EXPECT_EQ(model.Render(), three);
}

TEST(EditorModel, CropCutsTheDeliveredPicture) {
    const QImage picture = NoisePicture(90, 70, 5);
    TEditorModel model(picture);
    model.Add(Item(TItemKind::Crop, {{50, 60.6}, {10.6, 20}}));
    EXPECT_EQ(model.CropRect(), QRect(11, 20, 39, 41));
    EXPECT_EQ(model.Render(), picture.copy(11, 20, 39, 41));
    model.Add(Item(TItemKind::Crop, {{-10, 30}, {200, 300}}));
    EXPECT_EQ(model.Items().size(), 1) << "one crop replaces the other";
    EXPECT_EQ(model.Render(), picture.copy(0, 30, 90, 40)) << "cut to the picture";
    model.Undo();
    EXPECT_EQ(model.CropRect(), QRect(11, 20, 39, 41));
    model.Add(Item(TItemKind::Crop, {{-10, -10}, {-1, -1}}));
    EXPECT_EQ(model.Render(), picture) << "a crop beside the picture cuts nothing";
    model.Undo();
    EXPECT_EQ(model.Commit().size(), QSize(39, 41));
    EXPECT_EQ(model.Picture(), picture.copy(11, 20, 39, 41));
}

TEST(EditorModel, ThinItemsArePickedNearTheirStroke) {
    TItemStyle thin;
    thin.Width = 1;
    TItemStyle filled = thin;
    filled.Filled = true;
    const struct {
        TEditorItem Item;
        QPointF At;
        bool Hit;
    } cases[] = {
        {Item(TItemKind::Line, {{10, 10}, {100, 10}}, thin), {50, 12.4}, true},
        {Item(TItemKind::Line, {{10, 10}, {100, 10}}, thin), {50, 13.6}, false},
        {Item(TItemKind::Line, {{10, 10}, {100, 10}}, thin), {102.4, 10}, true},
        {Item(TItemKind::Arrow, {{10, 10}, {100, 100}}, thin), {56, 54}, true},
        {Item(TItemKind::Arrow, {{10, 10}, {100, 100}}, thin), {60, 50}, false},
        {Item(TItemKind::Pen, {{0, 0}, {40, 0}, {40, 40}}, thin), {41, 20}, true},
        {Item(TItemKind::Pen, {{0, 0}, {40, 0}, {40, 40}}, thin), {20, 20}, false},
        {Item(TItemKind::Rectangle, {{10, 10}, {60, 60}}, thin), {35, 35}, false},
        {Item(TItemKind::Rectangle, {{10, 10}, {60, 60}}, thin), {61, 35}, true},
        {Item(TItemKind::Rectangle, {{10, 10}, {60, 60}}, filled), {35, 35}, true},
        {Item(TItemKind::Ellipse, {{10, 10}, {60, 60}}, thin), {35, 35}, false},
        {Item(TItemKind::Ellipse, {{10, 10}, {60, 60}}, thin), {35, 11}, true},
        {Item(TItemKind::Ellipse, {{10, 10}, {60, 60}}, thin), {12, 12}, false},
        {Item(TItemKind::Marker, {{30, 30}}, thin), {30, 45}, true},
        {Item(TItemKind::Pixelation, {{10, 10}, {60, 60}}, thin), {35, 35}, true},
    };
    for (const auto& c : cases) {
        TEditorModel model(NoisePicture(120, 120, 6));
        model.Add(c.Item);
        EXPECT_EQ(model.ItemAt(c.At, 2), c.Hit ? 0 : -1)
            << int(c.Item.Kind) << " at " << c.At.x() << "," << c.At.y();
    }
    TEditorModel model(NoisePicture(120, 120, 6));
    model.Add(Item(TItemKind::Rectangle, {{10, 10}, {60, 60}}, filled));
    model.Add(Item(TItemKind::Line, {{0, 35}, {100, 35}}, thin));
    EXPECT_EQ(model.ItemAt({35, 35}, 2), 1) << "the topmost";
    EXPECT_EQ(model.ItemAt({35, 45}, 2), 0);
}

TEST(EditorModel, HandlesResizeBoxesStrokesAndLines) {
    TEditorModel model(NoisePicture(200, 200, 8));
    const int box = model.Add(Item(TItemKind::Rectangle, {{10, 10}, {60, 40}}));
    EXPECT_EQ(model.HandleAt(box, {61, 41}, 3), THandle::BottomRight);
    EXPECT_EQ(model.HandleAt(box, {35, 9}, 3), THandle::Top);
    model.Resize(box, THandle::BottomRight, {110, 90});
    EXPECT_EQ(ItemBox(model.Items()[box]), QRectF(10, 10, 100, 80));
    model.Resize(box, THandle::Left, {0, 500});
    EXPECT_EQ(ItemBox(model.Items()[box]), QRectF(0, 10, 110, 80));
    const int pen = model.Add(Item(TItemKind::Pen, {{0, 0}, {10, 20}, {20, 0}}));
    model.Resize(pen, THandle::Right, {40, 0});
    EXPECT_EQ(model.Items()[pen].Points, (QList<QPointF>{{0, 0}, {20, 20}, {40, 0}}));
    const int line = model.Add(Item(TItemKind::Line, {{0, 0}, {10, 20}}));
    EXPECT_EQ(model.HandleAt(line, {11, 19}, 3), THandle::End);
    model.Resize(line, THandle::End, {50, 50});
    model.Move(line, {1, 2});
    EXPECT_EQ(model.Items()[line].Points, (QList<QPointF>{{1, 2}, {51, 52}}));
}

TEST(EditorSettings, KeptInTheirOwnSection) {
    TTempDir dir;
    const std::string path = dir.File("SNAPRO.INI");
    WriteFile(path, "[Misc]\nShape=3\n[Editor]\nWidth=900\nColor=$FF8000\n");
    TEditorSettings settings;
    settings.Load(TIniFile(path));
    EXPECT_EQ(settings.Style.Width, 64) << "held to its range";
    EXPECT_EQ(settings.Style.Color, QColor(0, 0x80, 0xFF)) << "low byte red";
    EXPECT_EQ(settings.Style.FontSize, TItemStyle().FontSize);
    settings.Style.Width = 5;
    settings.Style.CellSize = 9;
    settings.Style.Filled = true;
    TIniFile ini(path);
    settings.Save(ini);
    ASSERT_TRUE(ini.Save());
    TEditorSettings again;
    again.Load(TIniFile(path));
    EXPECT_EQ(again.Style, settings.Style);
    EXPECT_NE(ReadFile(path).find("Shape=3"), std::string::npos);
}
