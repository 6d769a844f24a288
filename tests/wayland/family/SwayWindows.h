// The resident program's windows and pictures as the sway session shows
// them: its windows in sway's tree, keys typed by a virtual keyboard, grim's
// pictures, the tray item it registered, and a capture taken from the open
// capture screen and copied to the clipboard.
#pragma once

#include <QImage>
#include <QJsonObject>
#include <optional>
#include <string>
#include <vector>

struct TShown {
    std::string Type; // con, floating_con
    QJsonObject Rect;
    bool Focused = false;
};

// The program's window titled Title, as sway's tree has it.
std::optional<TShown> Window(const std::string& title);

// 0 when sway carried out Command.
int SwayMsg(const std::string& command);

// Keys through wtype (its arguments).
void Type(const std::vector<std::string>& keys);

// The native picture of an output (grim -o), RGB32; null when grim failed.
QImage Grim(const std::string& output);

// The bus name of the item that process Pid registered with the tray's
// watcher (swaybar's); empty while there is none.
std::string TrayItem(int pid);

// With the capture screen up and the copy the delivery's default: "&Capture",
// then "Co&py", then what the clipboard holds as PNG (read through Dir);
// null when something did not come.
QImage CaptureAndCopy(const std::string& dir);

// The pixels of the whole layout's picture at scale 2 that are not as the
// outputs' pictures Out1 (scale 1, at 0,0) and Out2 (scale 2, at 1280,0) say,
// black where no output is; -1 for a picture of another size.
int UnlikeTheOutputs(const QImage& layout, const QImage& out1, const QImage& out2);
