// The notice dialog; the program shows it once, as the first-use notice,
// before it opens the configuration dialog on its Hot Key page.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

enum TNoticeKind : int { nkFirstUse = 2 };

class TMyNotice : public QDialog {
    Q_OBJECT
public:
    explicit TMyNotice(QWidget* parent = nullptr);

    // Set by the opener before showing.
    int NoticeKind = 0;
    // Where the desktop binds the hot key (a Wayland session): how, in
    // sentences, after the notice's own text; the notice grows to hold it.
    QString KeyBinding;

    QFrame* Bevel1;
    QLabel *HeaderLabel, *ContentLabel;
    QPushButton* CloseButton;

    void CloseButtonClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    // Makes room for the whole text below the label.
    void Grow();
};
