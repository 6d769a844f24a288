// The editor window opened from the delivery screen: what is drawn with the
// mouse reaches the delivered picture on Ok, and nothing does on Cancel.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>

#include "AppSupport.h"
#include "TestSupport.h"
#include "app/MainWin.h"
#include "app/Thumbnail.h"
#include "editor/model/EditorSettings.h"
#include "editor/view/EditorCanvas.h"
#include "editor/view/EditorWindow.h"
#include "settings/IniFile.h"
#include "settings/Paths.h"

namespace {

class EditorWindow : public TMemoryDesktopTest {
protected:
    void SetUp() override {
        TMemoryDesktopTest::SetUp();
        Win = std::make_unique<TMainWin>();
        Win->CaptureImage1Click();
        Win->CapScreen->setChecked(true);
        Win->DoItButton->click();
        Original = Win->Picture();
        ASSERT_FALSE(Original.isNull());
    }
    void TearDown() override {
        Win.reset();
        TMemoryDesktopTest::TearDown();
    }
    // Runs Script in the editor's own loop once Open has opened it; fails
    // when no editor opened.
    void WithEditor(const std::function<void()>& open,
                    const std::function<void(TEditorWindow&)>& script) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<TEditorWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(editor, nullptr);
            ran = true;
            script(*editor);
            if (editor->isVisible()) editor->reject();
        });
        open();
        EXPECT_TRUE(ran) << "no editor opened";
    }
    static void Drag(QWidget* canvas, QPoint from, QPoint to) {
        QTest::mousePress(canvas, Qt::LeftButton, {}, from);
        QTest::mouseMove(canvas, (from + to) / 2);
        QTest::mouseMove(canvas, to);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
    }
    static void Key(TEditorWindow& editor, int key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(editor.Canvas(), Qt::Key(key), mods);
    }
    // The canvas as shown, with nothing selected (no frame or handles).
    static QImage Shown(TEditorWindow& editor) {
        editor.SetTool(TEditorTool::Select);
        QTest::mouseClick(editor.Canvas(), Qt::LeftButton, {}, {630, 470});
        return editor.Canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    std::unique_ptr<TMainWin> Win;
    QImage Original;
};

} // namespace

TEST_F(EditorWindow, ARectangleARedactionAndATextDrawnWithTheMouseAreDeliveredOnOk) {
    // The colour comes from the colour dialog and is kept in the settings.
    TTempDir dir;
    const std::string keptIni = getenv("SNAPRIO_INI");
    setenv("SNAPRIO_INI", dir.File("SNAPRO.INI").c_str(), 1);
    static_cast<TScriptedDialogs&>(UserDialogs()).Colors = {QColor(0, 0, 255)};
    TItemStyle style;
    WithEditor([&] { Win->EditButton->click(); },
               [&](TEditorWindow& editor) {
                   EXPECT_EQ(editor.windowTitle(), "Edit Image");
                   editor.ColorButton->click();
                   style = editor.Canvas()->Style;
                   Key(editor, Qt::Key_R);
                   EXPECT_EQ(editor.Tool(), TEditorTool::Rectangle);
                   Drag(editor.Canvas(), {20, 30}, {120, 90});
                   Key(editor, Qt::Key_B);
                   EXPECT_EQ(editor.Tool(), TEditorTool::SolidRedaction);
                   Drag(editor.Canvas(), {200, 150}, {150, 100}); // up and left
                   // Text is typed in place (its letters are no tool keys there)
                   // and kept by Ok.
                   Key(editor, Qt::Key_T);
                   Drag(editor.Canvas(), {300, 40}, {420, 70});
                   auto* typing = editor.Canvas()->findChild<QLineEdit*>("TextEdit");
                   ASSERT_NE(typing, nullptr);
                   QTest::keyClicks(typing, "Hello");
                   EXPECT_EQ(editor.Tool(), TEditorTool::Text);
                   editor.OkButton->click();
               });
    TEditorSettings settings;
    settings.Load(TIniFile(IniFilePath()));
    setenv("SNAPRIO_INI", keptIni.c_str(), 1);
    EXPECT_EQ(style.Color, QColor(0, 0, 255));
    EXPECT_EQ(settings.Style.Color, style.Color);
    TEditorModel expected(Original);
    expected.Add({TItemKind::Rectangle, {{20, 30}, {120, 90}}, style, {}});
    expected.Add({TItemKind::SolidRedaction, {{200, 150}, {150, 100}}, style, {}});
    expected.Add({TItemKind::Text, {{300, 40}, {420, 70}}, style, "Hello"});
    const QImage rendered = expected.Render();
    EXPECT_EQ(Win->Picture(), rendered);
    EXPECT_NE(Win->Picture(), Original);
    const QRect area(150, 100, 50, 50);
    int kept = 0, differing = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            kept += Win->Picture().pixelColor(x, y) != style.Color;
            differing += Original.pixel(x, y) != Win->Picture().pixel(x, y);
        }
    EXPECT_EQ(kept, 0) << "the redacted area is the box's colour only";
    EXPECT_GT(differing, 0);
    EXPECT_EQ(
        Win->ThumbImage->pixmap().toImage(),
        DrawThumb(Win->Picture(), Win->ThumbImage->size(), Win->palette().color(QPalette::Button)))
        << "the thumbnail shows the edited picture";
}

TEST_F(EditorWindow, CancelAfterDrawingAsksAndYesLeavesThePictureUntouched) {
    auto& dialogs = static_cast<TScriptedDialogs&>(UserDialogs());
    dialogs.Answers = {TMsgResult::No, TMsgResult::Yes};
    WithEditor([&] { Win->EditButton->click(); },
               [&](TEditorWindow& editor) {
                   Key(editor, Qt::Key_E);
                   Drag(editor.Canvas(), {10, 10}, {100, 80});
                   editor.CancelButton->click();
                   EXPECT_TRUE(editor.isVisible()) << "No keeps the editor open";
                   Key(editor, Qt::Key_Escape);
                   EXPECT_EQ(editor.Tool(), TEditorTool::Select) << "Escape puts the tool down";
                   EXPECT_TRUE(editor.isVisible());
                   Key(editor, Qt::Key_Escape);
                   EXPECT_FALSE(editor.isVisible());
               });
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Text, "Discard the changes?");
    EXPECT_EQ(Boxes[1].Text, "Discard the changes?");
    EXPECT_EQ(Win->Picture(), Original);
    EXPECT_EQ(Win->Picture().constBits(), Original.constBits()) << "the very same pixels";
}

TEST_F(EditorWindow, UndoAndRedoKeysAndThePixelExactView) {
    WithEditor([&] { Win->EditButton->click(); },
               [&](TEditorWindow& editor) {
                   TEditorCanvas* canvas = editor.Canvas();
                   Key(editor, Qt::Key_L);
                   Drag(canvas, {5, 5}, {300, 200});
                   Key(editor, Qt::Key_P);
                   Drag(canvas, {40, 100}, {90, 20});
                   const QImage both = editor.Model().Render();
                   EXPECT_EQ(Shown(editor), both) << "at 100% the view shows the picture's pixels";
                   Key(editor, Qt::Key_Z, Qt::ControlModifier);
                   Key(editor, Qt::Key_Z, Qt::ControlModifier);
                   EXPECT_FALSE(editor.Model().HasItems());
                   EXPECT_EQ(Shown(editor), Original.convertToFormat(QImage::Format_RGB32));
                   Key(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
                   Key(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
                   EXPECT_EQ(editor.Model().Items().size(), 2);
                   // Ctrl+wheel zooms in and back; 100% is pixel-exact again.
                   const QSize size = canvas->size();
                   auto wheel = [canvas](int delta) {
                       QWheelEvent e(QPointF(10, 10), canvas->mapToGlobal(QPointF(10, 10)), {},
                                     {0, delta}, Qt::NoButton, Qt::ControlModifier,
                                     Qt::NoScrollPhase, false);
                       QApplication::sendEvent(canvas, &e);
                   };
                   wheel(240);
                   EXPECT_GT(canvas->width(), size.width());
                   wheel(-240);
                   EXPECT_EQ(canvas->size(), size);
                   EXPECT_EQ(Shown(editor), both);
               });
}

TEST_F(EditorWindow, TheEditButtonAndTheThumbnailsMenuOpenItForCapturedAndOpenedPictures) {
    EXPECT_TRUE(Win->EditButton->isVisible());
    EXPECT_EQ(Win->EditButton->text(), "Ed&it");
    QAction* entry = nullptr;
    for (QAction* a : Win->PictMenu->actions())
        if (a->text() == "Ed&it Image...") entry = a;
    ASSERT_NE(entry, nullptr);
    const std::function<void()> openers[] = {[&] { Win->EditButton->click(); },
                                             [&] { entry->trigger(); }};
    for (const auto& open : openers) {
        WithEditor(open, [](TEditorWindow& editor) {
            Key(editor, Qt::Key_M);
            QTest::mouseClick(editor.Canvas(), Qt::LeftButton, {}, {50, 50});
            Key(editor, Qt::Key_Return, Qt::ControlModifier);
            EXPECT_FALSE(editor.isVisible());
        });
    }
    EXPECT_NE(Win->Picture(), Original) << "two markers drawn";
    // A picture opened from disk arrives on the same screen, with the button.
    TTempDir dir;
    const QString file = QString::fromStdString(dir.File("opened.bmp"));
    ASSERT_TRUE(Original.save(file, "BMP"));
    static_cast<TScriptedDialogs&>(UserDialogs()).Files = {file};
    Win->PopViewClick();
    ASSERT_EQ(Win->Picture().convertToFormat(QImage::Format_RGB32),
              Original.convertToFormat(QImage::Format_RGB32));
    ASSERT_TRUE(Win->EditButton->isVisible());
    WithEditor(openers[0], [](TEditorWindow& editor) {
        Key(editor, Qt::Key_B);
        Drag(editor.Canvas(), {0, 0}, {20, 20});
        editor.OkButton->click();
    });
    EXPECT_NE(Win->Picture().convertToFormat(QImage::Format_RGB32),
              Original.convertToFormat(QImage::Format_RGB32));
    Win->AbortButton->click();
    Win->CaptureImage1Click();
    EXPECT_FALSE(Win->EditButton->isVisible()) << "not on the capture screen";
}
