// Test scopes: a service, or a whole platform, in place for the life of the
// scope; the destructor puts back what was there, however the test ends.
#pragma once

#include <memory>
#include <utility>

#include "platform/Platform.h"

template <class T> class TServiceScope {
public:
    explicit TServiceScope(std::unique_ptr<T> service)
        : Service(service.get()), Old(std::exchange(ThePlatform().Slot<T>(), std::move(service))) {}
    TServiceScope(const TServiceScope&) = delete;
    TServiceScope& operator=(const TServiceScope&) = delete;
    ~TServiceScope() { ThePlatform().Slot<T>() = std::move(Old); }

    T* operator->() const { return Service; }
    T& operator*() const { return *Service; }

private:
    T* Service;
    std::unique_ptr<T> Old;
};

class TPlatformScope {
public:
    explicit TPlatformScope(std::unique_ptr<TPlatform> platform)
        : Old(UsePlatform(std::move(platform))) {}
    TPlatformScope(const TPlatformScope&) = delete;
    TPlatformScope& operator=(const TPlatformScope&) = delete;
    ~TPlatformScope() { UsePlatform(std::move(Old)); }

private:
    std::unique_ptr<TPlatform> Old;
};
