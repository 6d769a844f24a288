// An IPv4 host look-up through c-ares: asynchronous and cancellable, driven
// in short turns by the socket layer's waits. Freeing it cancels a look-up
// still under way.
#pragma once

#include <cstdint>
#include <string>

class THostLookup {
public:
    THostLookup();
    ~THostLookup();
    THostLookup(const THostLookup&) = delete;
    THostLookup& operator=(const THostLookup&) = delete;

    // False when the resolver could not be set up.
    bool Ready() const { return Channel != nullptr; }
    void Start(const std::string& host);
    // One turn: waits up to Ms on the resolver's sockets and lets it work.
    void Turn(int ms);

    bool Done() const { return FDone; }
    // After Done: 0, or the Windows Sockets code of the failure (11001 ...).
    int ErrorCode() const { return FError; }
    uint32_t Address() const { return FAddress; } // network order

private:
    static void Callback(void* arg, int status, int timeouts, struct hostent* host);

    struct ares_channeldata* Channel = nullptr;
    bool FDone = false;
    int FError = 0;
    uint32_t FAddress = 0;
};
