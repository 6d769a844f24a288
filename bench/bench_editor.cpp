// The editor on a 4K capture: opening until the canvas's first paint, the
// render of 50 items at Ok, and the repaint after one mouse move of a pen
// stroke (only what the stroke's new segment touched).
#include <QApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>
#include <random>

#include "BenchPictures.h"
#include "editor/model/EditorModel.h"
#include "editor/view/EditorCanvas.h"
#include "editor/view/EditorWindow.h"

namespace {

// Counts the canvas's paints.
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

void SendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void OpenToFirstPaint(benchmark::State& state) {
    const QImage picture = ScreenshotPicture();
    for (auto _ : state) {
        TEditorWindow editor(nullptr, picture);
        TPaintCounter counter;
        editor.Canvas()->installEventFilter(&counter);
        editor.show();
        while (counter.Paints == 0) QApplication::processEvents(QEventLoop::AllEvents, 5);
        state.PauseTiming();
        editor.hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void Render50Items(benchmark::State& state) {
    TEditorModel model(ScreenshotPicture());
    std::mt19937 rng(3);
    const TItemKind kinds[] = {TItemKind::Arrow,     TItemKind::Line,   TItemKind::Rectangle,
                               TItemKind::Ellipse,   TItemKind::Pen,    TItemKind::Highlighter,
                               TItemKind::Text,      TItemKind::Marker, TItemKind::SolidRedaction,
                               TItemKind::Pixelation};
    for (int i = 0; i < 50; ++i) {
        TEditorItem item;
        item.Kind = kinds[i % std::size(kinds)];
        const QPointF a(rng() % 3400, rng() % 1800);
        item.Points = {a, a + QPointF(50 + rng() % 400, 50 + rng() % 300)};
        if (item.Kind == TItemKind::Pen || item.Kind == TItemKind::Highlighter)
            for (int p = 0; p < 40; ++p) item.Points.append(a + QPointF(p * 8, (p % 5) * 10));
        if (item.Kind == TItemKind::Marker) item.Points = {a};
        item.Text = "Step";
        item.Style.Filled = i % 3 == 0;
        model.Add(item);
    }
    for (auto _ : state) {
        QImage out = model.Render();
        benchmark::DoNotOptimize(out.constBits());
    }
}

void PenRepaintPerMove(benchmark::State& state) {
    TEditorWindow editor(nullptr, ScreenshotPicture());
    editor.SetTool(TEditorTool::Pen);
    editor.show();
    QApplication::processEvents();
    TEditorCanvas* canvas = editor.Canvas();
    QPointF at(100, 100);
    SendMouse(canvas, QEvent::MouseButtonPress, at, Qt::LeftButton);
    QApplication::processEvents();
    int step = 0;
    for (auto _ : state) {
        at += QPointF(3, (step++ % 20) < 10 ? 2 : -2);
        if (at.x() > 600) at.setX(100);
        SendMouse(canvas, QEvent::MouseMove, at, Qt::LeftButton);
        QApplication::processEvents(); // the repaint of what the move touched
    }
    SendMouse(canvas, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

} // namespace

BENCHMARK(OpenToFirstPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(Render50Items)->Unit(benchmark::kMillisecond);
BENCHMARK(PenRepaintPerMove)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
