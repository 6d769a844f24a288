// The in-memory family's clipboard, window requests and dialogs: they keep
// what they were asked, so that a run without a desktop can be looked at.
#pragma once

#include <QString>
#include <map>
#include <utility>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/UserDialogs.h"
#include "platform/WindowRequests.h"

class TMemoryClipboard : public TClipboard {
public:
    bool Offer(std::vector<TClipFormat> formats) override {
        Formats = std::move(formats);
        return true;
    }
    std::vector<TClipFormat> Formats; // the last offer
};

// One desktop: every window is on the current one.
class TMemoryWindowRequests : public TWindowRequests {
public:
    bool OnCurrentDesktop(unsigned long) override { return true; }
    void SetExactTitle(unsigned long window, const QString& title) override {
        Titles[window] = title;
    }
    std::map<unsigned long, QString> Titles;
};

// Boxes are kept and answered as a user who only closes them would (Ok, or
// No where the box asks); the other dialogs are cancelled.
class TMemoryDialogs : public TUserDialogs {
public:
    struct TBoxShown {
        QString Text, Title;
    };
    TMsgResult MessageBox(QWidget*, const QString& text, const QString& title, TMsgButtons buttons,
                          TMsgIcon) override {
        Boxes.push_back({text, title});
        return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
    }
    std::vector<TBoxShown> Boxes;
};
