// A picture's PNG file made on a thread of its own, started when the picture
// is copied: the clipboard's first paste of image/png then mostly finds it
// made, rather than waiting for the whole compression.
#pragma once

#include <QByteArray>
#include <QImage>
#include <memory>

class TBackgroundPng {
public:
    // Starts coding Picture (a shared copy: the caller's picture may change).
    explicit TBackgroundPng(const QImage& picture);
    // The file, once it is made (waits for it); empty when it could not be made.
    QByteArray Bytes() const;

private:
    struct TJob;
    std::shared_ptr<TJob> Job; // shared with the thread, which may outlive us
};
