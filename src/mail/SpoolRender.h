// The message rendered into the spool while the data phase already sends
// what is written: the render runs on a thread of its own and the data phase
// reads behind it, so a large message goes out in about the time the server
// takes to read it rather than that plus the render. The render never pumps
// the message loop (that belongs to the caller's thread, which pumps while
// it waits here).
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "mail/SendSource.h"

class TmsMessage;
class TTempFileStream;

class TSpoolRender : public TSendSource {
public:
    // Starts rendering Message into Spool; both must outlive this object.
    TSpoolRender(const TmsMessage& message, TTempFileStream& spool);
    // Stops a render still under way and waits for its thread.
    ~TSpoolRender() override;
    TSpoolRender(const TSpoolRender&) = delete;
    TSpoolRender& operator=(const TSpoolRender&) = delete;

    // Waits (pumping) until the render has written that much or has ended;
    // a render that failed raises its error here.
    size_t Read(char* data, size_t size, int64_t pos, const std::function<bool()>& stop) override;
    int64_t Size() const override;
    // Raises the render's error if it has already failed.
    void CheckFailure();
    bool Failed() const;

private:
    class TWriter;
    void Run(const TmsMessage& message);
    void Publish(int64_t written);
    // Wakes a reader that waits for Grown.
    void Wake();
    bool StopAsked() const { return Stopping.load(); }

    int Fd;
    std::string SpoolPath;
    // The reader never waits on a lock that the render (a thread of low
    // priority) might hold: the state is atomic, and the lock only pairs a
    // reader's sleep with the render's wake-up.
    std::mutex Lock;
    std::condition_variable Grown;
    std::atomic<int64_t> Written{0};
    std::atomic<bool> Ended{false}; // Failure is set before, and read after
    std::atomic<bool> Stopping{false};
    std::exception_ptr Failure;
    std::thread Worker;
};
