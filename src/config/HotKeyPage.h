// The Hot Key page of the configuration dialog: the name table in a list,
// and the entry box that names the combination the user presses while the
// input hook reports keys to it.
#pragma once

#include "config/SettingsPage.h"
#include "platform/WinMessages.h"

class QLabel;
class QLineEdit;
class QListWidget;

class THotKeyPage : public TSettingsPage {
    Q_OBJECT
public:
    explicit THotKeyPage(QWidget* parent = nullptr);
    ~THotKeyPage() override;

    void Load(const ConfigRec& rec) override;
    // With no line selected (a stored key outside the table) the stored key
    // stays rather than an index that names nothing.
    void Store(ConfigRec& rec) const override;
    // The hook watches the new key at once and lets the old one go, so it
    // reaches other programs again.
    void Apply(const ConfigRec& before, const ConfigRec& after) override;

    // Where the input hook sends its key reports.
    HWND Handle() const { return FHandle; }
    // Switches the key reports off if this page has them.
    void StopKeyReports();

    QLineEdit* HotKeyEntry;
    QLabel* HotKeyState; // under the entry: a key another program holds
    // How to press it; where the desktop binds the key, how to bind it there.
    QLabel* HotKeyHelp;
    QListWidget* HotKeyList;

    void HotKeyEntryEnter();
    void HotKeyEntryExit();
    void HotKeyListClick();
    // A key report (hmKeyReport) from the input hook: Index names the pressed
    // combination.
    void KeyReport(int index);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Selects line Index and brings it to the middle of the list.
    void SelectHotKey(int index);
    // The entry, and the note under it, name hot key Index.
    void ShowHotKey(int index);

    HWND FHandle = 0;
    bool Reporting = false;
};
