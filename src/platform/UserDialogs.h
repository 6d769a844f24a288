// Modal boxes and common dialogs go through this interface, so that tests can
// answer them and check their texts and titles.
#pragma once

#include <QString>
#include <memory>

class QWidget;

enum class TMsgButtons { Ok, OkCancel, YesNo };
enum class TMsgIcon { None, Information, Warning, Error, Question };
enum class TMsgResult { Ok, Cancel, Yes, No };

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    virtual TMsgResult MessageBox(QWidget* owner, const QString& text, const QString& title,
                                  TMsgButtons buttons, TMsgIcon icon) = 0;
};

// The dialogs in use: Qt's own boxes unless a test installed others.
TUserDialogs& UserDialogs();
// Installs Dialogs (null: back to Qt's boxes); gives back the previous ones.
std::unique_ptr<TUserDialogs> SetUserDialogs(std::unique_ptr<TUserDialogs> dialogs);
