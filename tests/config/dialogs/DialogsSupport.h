// The configuration dialog's tests: a mapped hook block, answered boxes and
// colour dialogs, and a fresh Config for each test.
#pragma once

#include <QColor>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

#include "platform/memory/MemoryInputHook.h"
#include "platform/NamedObjects.h"
#include "platform/ServiceScope.h"
#include "platform/UserDialogs.h"

struct TAnsweredBox {
    QString Text, Title;
};

class TAnsweredDialogs : public TUserDialogs {
public:
    TMsgResult MessageBox(QWidget*, const QString& text, const QString& title, TMsgButtons,
                          TMsgIcon) override {
        Boxes.push_back({text, title});
        return TMsgResult::Ok;
    }
    bool ColorDialog(QWidget*, QColor& color) override {
        Offered.push_back(color);
        if (!Answer) return false;
        color = *Answer;
        return true;
    }
    std::vector<TAnsweredBox> Boxes;
    std::vector<QColor> Offered;  // the colour each dialog started with
    std::optional<QColor> Answer; // none: the user cancels
};

class DialogTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    TAnsweredDialogs* Dialogs = nullptr;
    TMemoryInputHook* Hook = nullptr; // in place of the X11 hook
    TSharedMemory Memory;

private:
    std::optional<TServiceScope<TUserDialogs>> DialogsScope;
    std::optional<TServiceScope<TInputHook>> HookScope;
};

// Lets queued events and the hook's follow-up run.
void Settle(int ms = 120);
