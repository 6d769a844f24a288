// The about box: product title, version, artwork and legal notice. Only one
// is open at a time.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel *ProgramIcon, *ProductName, *Version, *CopyYear, *Label1;
    QPushButton* Button1;

    void Button1Click();
    // Whether one is shown now.
    static bool IsOpen() { return Opened; }

protected:
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    void FormShow();
    void FormClose();

    static inline bool Opened = false;
    friend bool OpenAboutBox(QWidget* owner);
};

// Shows the about box modally unless one is open; false when it was.
bool OpenAboutBox(QWidget* owner);
