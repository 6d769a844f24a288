// The notification-area icon: keeps the icon registered with the desktop's
// tray and turns clicks on it into events.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

class QSystemTrayIcon;

class TTaskIcon : public QObject {
    Q_OBJECT
public:
    explicit TTaskIcon(QObject* parent = nullptr);
    ~TTaskIcon() override;

    // The desktop shows at most this many characters of the hover text.
    static constexpr int MaxToolTip = 63;

    // True only while the icon is in a tray; setting it true without a tray
    // leaves it false. Setting the value it already has does nothing.
    bool Active() const { return FActive; }
    void SetActive(bool on);
    const QIcon& Icon() const { return FIcon; }
    void SetIcon(const QIcon& icon);
    const QString& ToolTip() const { return FToolTip; }
    void SetToolTip(const QString& tip); // cut to MaxToolTip characters
    int TaskIconID() const { return FTaskIconID; }
    void SetTaskIconID(int id) { FTaskIconID = id; }

    // Left button up, left double click, right button up (at the cursor).
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at)>
        OnRightClick;

    // A balloon message from the icon; false (nothing shown) without a tray.
    bool ShowMessage(const QString& title, const QString& text, bool warning);

    // Whether a tray exists now; tests give their own answer.
    static std::function<bool()> TrayAvailable;

private:
    void Update();

    std::unique_ptr<QSystemTrayIcon> Tray; // exists while active
    bool FActive = false;
    QIcon FIcon;
    QString FToolTip;
    int FTaskIconID = 0;
};
