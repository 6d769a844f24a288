// The selection in the headless sway session (HEADLESS-1 1280x800 at scale 1,
// HEADLESS-2 1024x768 at scale 2 beside it), driven by a virtual pointer and
// wtype: the outputs' windows show the frozen pictures pixel for pixel,
// inverting twice gives them back bit for bit, a dragged rectangle or shape
// is the native crop of what the screen showed (masked as on X11), and Escape
// leaves no window of the selection.
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "VirtualPointer.h"
#include "app/Selection.h"
#include "config/ShapeSettings.h"
#include "hook/HookBlock.h"
#include "platform/Platform.h"
#include "platform/WinMessages.h"
#include "platform/wayland/WaylandDisplay.h"
#include "shapes/CaptureItems.h"
#include "shapes/ShapeMask.h"

namespace {

// The widgets' application, on Qt's Wayland platform; ended with the tests.
void App() {
    static int argc = 1;
    static char name[] = "test_waylandselect";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "wayland", 1);
    if (!QCoreApplication::instance()) new QApplication(argc, argv);
}

QImage Grim(const std::string& output) {
    std::string ppm;
    if (RunCommand({"grim", "-t", "ppm", "-o", output, "-"}, &ppm) != 0) return {};
    return QImage::fromData(QByteArray::fromStdString(ppm), "PPM")
        .convertToFormat(QImage::Format_RGB32);
}

// The windows of the selection in sway's tree.
int SelectionWindows() {
    std::string out;
    if (RunCommand({"swaymsg", "-r", "-t", "get_tree"}, &out) != 0) return -1;
    int n = 0;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
        n += node["name"].toString() == "Snaprio 2000 selection";
        for (const char* k : {"nodes", "floating_nodes"})
            for (const QJsonValue& c : node[k].toArray()) walk(c.toObject());
    };
    walk(QJsonDocument::fromJson(QByteArray::fromStdString(out)).object());
    return n;
}

// The main window as the selection sees it: the hook's reports go to the
// selection under way, Escape cancels it.
class TReceiver : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != TWinMessageEvent::EventType()) return QObject::event(e);
        const TMessage m = static_cast<TWinMessageEvent*>(e)->Message;
        Messages.push_back(m);
        if (Selection && m.Msg == hmCancel)
            Selection->Cancel();
        else if (Selection)
            Selection->Message(m);
        return true;
    }
    TSelection* Selection = nullptr;
    std::vector<TMessage> Messages;
};

// Each output's background a picture of noise, so that every crop tells
// where it was cut; their solid colours again at the end.
class TNoiseBackgrounds {
public:
    TNoiseBackgrounds() {
        const std::pair<const char*, QSize> outputs[] = {{"HEADLESS-1", {1280, 800}},
                                                         {"HEADLESS-2", {1024, 768}}};
        for (const auto& [name, size] : outputs) {
            QImage noise(size, QImage::Format_RGB32);
            QRandomGenerator random(uint32_t(size.width()));
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    noise.setPixel(x, y, 0xff000000u | (random.generate() & 0xffffffu));
            const std::string file = Dir.File(std::string(name) + ".png");
            noise.save(QString::fromStdString(file));
            RunCommand({"swaymsg", "output", name, "bg", file, "stretch"});
        }
        // Shown once the background's noise is there and stays.
        QImage last;
        Ok = WaitFor([&] {
            const QImage now = Grim("HEADLESS-2");
            const bool done =
                !now.isNull() && now == last && now.pixel(500, 500) != now.pixel(501, 500);
            last = now;
            return done;
        });
    }
    ~TNoiseBackgrounds() {
        RunCommand({"swaymsg", "output", "HEADLESS-1", "bg", "#336699", "solid_color"});
        RunCommand({"swaymsg", "output", "HEADLESS-2", "bg", "#993333", "solid_color"});
    }
    bool Ok = false;

private:
    TTempDir Dir;
};

class WaylandSelection : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!WaylandSession()) return;
        App();
        Backgrounds = new TNoiseBackgrounds;
    }
    static void TearDownTestSuite() {
        delete Backgrounds;
        Backgrounds = nullptr;
        // Before the statics go: Qt's Wayland connection ends with it.
        delete QCoreApplication::instance();
    }
    void SetUp() override {
        SKIP_UNLESS_WAYLAND();
        ASSERT_TRUE(Backgrounds && Backgrounds->Ok);
        ASSERT_TRUE(Pointer.Ok());
        HookBlock = &Block;
        InitHookBlock(Handle, 44);
        auto platform = std::make_unique<TPlatform>();
        platform->Name = "wayland";
        platform->Display = std::make_unique<TWaylandDisplay>();
        Display = platform->Display.get();
        Old = UsePlatform(std::move(platform));
    }
    void TearDown() override {
        if (Old) UsePlatform(std::move(Old));
        HookBlock = nullptr;
        UnregisterWindow(Handle);
    }
    // The pointer where no selection is dragged, then the outputs as grim
    // shows them: what the selection must freeze.
    void Park() {
        ASSERT_TRUE(Pointer.MoveTo(4, 796));
        QImage a, b;
        ASSERT_TRUE(WaitFor([&] {
            const QImage a2 = Grim("HEADLESS-1"), b2 = Grim("HEADLESS-2");
            const bool same = a2 == a && b2 == b && !a.isNull();
            a = a2, b = b2;
            return same;
        }));
        Out1 = a, Out2 = b;
    }
    // The outputs' pictures as a selection under way has them: each
    // output's area grabbed, at its native size.
    std::vector<QImage> Frozen() {
        return {Display->Grab({0, 0, 1280, 800}).convertToFormat(QImage::Format_RGB32),
                Display->Grab({1280, 0, 1792, 384}).convertToFormat(QImage::Format_RGB32)};
    }
    // Both windows up.
    bool Shown() {
        return WaitFor([&] { return SelectionWindows() == 2; });
    }

    static TNoiseBackgrounds* Backgrounds;
    TVirtualPointer Pointer;
    SharedHookBlock Block{};
    TReceiver Receiver;
    HWND Handle = RegisterWindow(&Receiver);
    TDisplay* Display = nullptr;
    std::unique_ptr<TPlatform> Old;
    QImage Out1, Out2;
};

TNoiseBackgrounds* WaylandSelection::Backgrounds = nullptr;

TEST_F(WaylandSelection, TheWindowsShowTheFrozenPicturesAndInvertingTwiceGivesThemBack) {
    Park();
    ASSERT_TRUE(Display->BeginSelection());
    ASSERT_TRUE(Shown());
    const std::vector<QImage> frozen = Frozen();
    ASSERT_EQ(frozen.size(), 2u);
    EXPECT_TRUE(frozen[0] == Out1);
    EXPECT_TRUE(frozen[1] == Out2);
    // Each output's picture pixel for pixel, at 2 and at 1, with the pointer
    // on the other (the compositor draws the pointer into the output's
    // picture, and sway 1.7 at scale 2 leaves a trace of its shadow where
    // it was).
    EXPECT_TRUE(WaitFor([&] { return Grim("HEADLESS-2") == frozen[1]; }));

    // A figure across both outputs, inverted: on each output the native
    // pixels under it, the output's scale wide, and only those.
    QPoint at;
    const QImage mask = RubberBandMask(ciEllipse, 1180, 100, 1400, 300, {}, &at);
    Display->Invert(mask, at);
    const std::vector<QImage> inverted = Frozen();
    int changed1 = 0, changed2 = 0, wrong = 0;
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 1792; ++x) {
            const QPoint m = QPoint(x, y) - at;
            const bool set = mask.rect().contains(m) && mask.constScanLine(m.y())[m.x()];
            const uint32_t flip = set ? 0xffffffu : 0;
            if (x < 1280) {
                changed1 += set;
                wrong += inverted[0].pixel(x, y) != (frozen[0].pixel(x, y) ^ flip);
            } else if (y < 384) {
                for (int n = 0; n < 4; ++n) {
                    const int nx = (x - 1280) * 2 + n % 2, ny = y * 2 + n / 2;
                    changed2 += set;
                    wrong += inverted[1].pixel(nx, ny) != (frozen[1].pixel(nx, ny) ^ flip);
                }
            }
        }
    EXPECT_GT(changed1, 100);
    EXPECT_GT(changed2, 400);
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(WaitFor([&] { return Grim("HEADLESS-2") == inverted[1]; }));
    ASSERT_TRUE(Pointer.MoveTo(1700, 360));
    EXPECT_TRUE(WaitFor([&] { return Grim("HEADLESS-1") == inverted[0]; }));

    Display->Invert(mask, at);
    const std::vector<QImage> back = Frozen();
    EXPECT_TRUE(back[0] == frozen[0]);
    EXPECT_TRUE(back[1] == frozen[1]);
    EXPECT_TRUE(WaitFor([&] { return Grim("HEADLESS-1") == frozen[0]; }));
    Display->EndSelection();
    EXPECT_TRUE(WaitFor([] { return SelectionWindows() == 0; }));
}

struct TDrag {
    const char* Name;
    int Item;
    QPoint From, To;
};

TEST_F(WaylandSelection, ADraggedAreaIsTheNativeCropOfTheScreenMaskedAsOnX11) {
    const TDrag drags[] = {
        {"a rectangle on the output at scale 2", ciRectangle, {1380, 60}, {1580, 200}},
        {"an ellipse on the output at scale 1", ciEllipse, {200, 150}, {500, 400}},
        {"a star on the output at scale 1", ciStar, {620, 180}, {860, 420}},
        // Masked at the native size, its border one native pixel wide.
        {"an ellipse on the output at scale 2", ciEllipse, {1300, 200}, {1500, 350}},
        {"a rectangle across both outputs", ciRectangle, {1180, 100}, {1400, 300}},
    };
    for (const TDrag& d : drags) {
        SCOPED_TRACE(d.Name);
        Park();
        TTextSave save;
        QImage result;
        bool finished = false;
        TSelection selection(d.Item, save, [&](const QImage& p) {
            result = p;
            finished = true;
        });
        Receiver.Selection = &selection;
        ASSERT_TRUE(selection.Start());
        ASSERT_TRUE(Shown());
        // The prompt follows the pointer as soon as it enters a window.
        ASSERT_TRUE(Pointer.MoveTo(d.From.x(), d.From.y()));
        EXPECT_TRUE(WaitFor([&] { return selection.Anchor() == d.From; }));
        EXPECT_EQ(QPoint(save.X, save.Y), d.From + QPoint(20, 5)) << "the prompt's place";
        const QPoint middle = (d.From + d.To) / 2;
        ASSERT_TRUE(Pointer.Send({"down"}));
        ASSERT_TRUE(Pointer.MoveTo(middle.x(), middle.y()));
        ASSERT_TRUE(Pointer.MoveTo(d.To.x(), d.To.y()));
        EXPECT_TRUE(WaitFor([&] {
            return selection.SelRect() == TRect{d.From.x(), d.From.y(), d.To.x(), d.To.y()};
        }));
        EXPECT_FALSE(selection.LastReadout().isEmpty());
        ASSERT_TRUE(Pointer.Send({"up"}));
        ASSERT_TRUE(WaitFor([&] { return finished; }));
        Receiver.Selection = nullptr;
        EXPECT_TRUE(WaitFor([] { return SelectionWindows() == 0; }));

        // What the screen showed, at the larger scale of the outputs the area
        // meets: the output at 1 in blocks of 2 x 2 beside one at 2.
        const QRect area(d.From, d.To - QPoint(1, 1));
        QImage want;
        if (area.left() >= 1280) {
            want = Out2.copy((area.left() - 1280) * 2, area.top() * 2, area.width() * 2,
                             area.height() * 2);
        } else if (area.right() < 1280) {
            want = Out1.copy(area);
        } else {
            want = QImage(area.size() * 2, QImage::Format_RGB32);
            for (int y = 0; y < want.height(); ++y)
                for (int x = 0; x < want.width(); ++x) {
                    const int lx = area.left() + x / 2;
                    want.setPixel(x, y,
                                  lx < 1280
                                      ? Out1.pixel(lx, area.top() + y / 2)
                                      : Out2.pixel((lx - 1280) * 2 + x % 2, area.top() * 2 + y));
                }
        }
        // The shapes as on X11: the same mask and border over the same picture.
        if (d.Item >= ciFirstShape) MaskPicture(want, d.Item, ShapeItemOf(d.Item));
        EXPECT_EQ(result.size(), want.size());
        EXPECT_TRUE(result.convertToFormat(QImage::Format_RGB32) == want);
    }
}

TEST_F(WaylandSelection, EscapeLeavesNoWindowOfTheSelection) {
    Park();
    TTextSave save;
    bool finished = false;
    TSelection selection(ciRectangle, save, [&](const QImage&) { finished = true; });
    Receiver.Selection = &selection;
    ASSERT_TRUE(selection.Start());
    ASSERT_TRUE(Shown());
    ASSERT_TRUE(Pointer.MoveTo(300, 300));
    ASSERT_TRUE(Pointer.Send({"down"}));
    ASSERT_TRUE(Pointer.MoveTo(1500, 200));
    RunCommand({"wtype", "-s", "300", "-k", "Escape"});
    EXPECT_TRUE(WaitFor([&] { return !selection.Active(); }));
    ASSERT_TRUE(Pointer.Send({"up"}));
    Receiver.Selection = nullptr;
    EXPECT_TRUE(WaitFor([] { return SelectionWindows() == 0; }));
    EXPECT_FALSE(finished);
    EXPECT_EQ(HookRead(Block.Mode), HookModeKeys);
}

} // namespace
