#include "app/BackgroundPng.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "imaging/core/ImageError.h"
#include "imaging/qt/PngFile.h"

struct TBackgroundPng::TJob {
    std::mutex Lock;
    std::condition_variable Made;
    bool Done = false;
    QByteArray Bytes;
};

TBackgroundPng::TBackgroundPng(const QImage& picture) : Job(std::make_shared<TJob>()) {
    // Detached: a picture copied again meanwhile leaves the old job to end
    // on its own, without holding up the new copy.
    std::thread([job = Job, picture] {
        QByteArray bytes;
        try {
            const std::vector<uint8_t> png = EncodePng(picture);
            bytes = QByteArray(reinterpret_cast<const char*>(png.data()), qsizetype(png.size()));
        } catch (const EImageError&) {
        } catch (const std::bad_alloc&) {
        }
        const std::lock_guard lock(job->Lock);
        job->Bytes = std::move(bytes);
        job->Done = true;
        job->Made.notify_all();
    }).detach();
}

QByteArray TBackgroundPng::Bytes() const {
    std::unique_lock lock(Job->Lock);
    Job->Made.wait(lock, [this] { return Job->Done; });
    return Job->Bytes;
}
