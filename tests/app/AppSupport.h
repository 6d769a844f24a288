// In-memory stand-ins for the widget tests: a display with a known screen and
// foreground window, and message boxes answered and recorded.
#pragma once

#include <QImage>
#include <vector>

#include "platform/Display.h"
#include "platform/UserDialogs.h"

class TFakeDisplay : public TDisplay {
public:
    TFakeDisplay();
    QImage Screen; // 640 x 480, a gradient
    TRect Window{100, 50, 300, 250}, Client{104, 70, 296, 246};
    bool Available() override { return true; }
    int ScreenWidth() override { return Screen.width(); }
    int ScreenHeight() override { return Screen.height(); }
    int Depth() override { return 24; }
    QImage Grab(const TRect& r) override;
    void NoteForeground() override { ++Notes; }
    TRect ForegroundWindowRect() override { return Window; }
    TRect ForegroundClientRect() override { return Client; }
    bool BeginSelection() override { return ++Selections, Drawable; }
    void EndSelection() override { ++Ended; }
    QPoint CursorPos() override { return Cursor; }
    void Invert(const QImage& mask, QPoint at) override;
    void Put(const QImage& picture, QPoint at) override;

    QPoint Cursor{300, 200};
    bool Drawable = true;
    int Selections = 0, Ended = 0, Notes = 0;
};

struct TBox {
    QString Text, Title;
};

class TScriptedDialogs : public TUserDialogs {
public:
    explicit TScriptedDialogs(std::vector<TBox>* log) : Log(log) {}
    TMsgResult MessageBox(QWidget*, const QString& text, const QString& title, TMsgButtons buttons,
                          TMsgIcon) override {
        Log->push_back({text, title});
        return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
    }
    std::vector<TBox>* Log;
};
