#include "platform/x11/screen/X11ShmPool.h"

#include "platform/x11/screen/XErrorTrap.h"
#include <sys/ipc.h>
#include <sys/shm.h>

TShmPool::~TShmPool() {
    for (auto& s : Segments) Destroy(*s);
    XCloseDisplay(Dpy);
}

TShmPool::TSegment* TShmPool::Take(size_t size) {
    for (auto& s : Segments)
        if (!s->InUse && s->Size >= size && s->Size <= 2 * size + (1 << 20)) {
            s->InUse = true;
            return s.get();
        }
    auto s = std::make_unique<TSegment>();
    s->Info.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (s->Info.shmid < 0) return nullptr;
    s->Info.shmaddr = static_cast<char*>(shmat(s->Info.shmid, nullptr, 0));
    s->Info.readOnly = False;
    bool ok = s->Info.shmaddr != reinterpret_cast<char*>(-1);
    if (ok) {
        TXErrorTrap trap(Dpy);
        ok = XShmAttach(Dpy, &s->Info) && trap.Sync() == 0; // a remote server refuses
    }
    shmctl(s->Info.shmid, IPC_RMID, nullptr); // freed once everybody detached
    if (!ok) {
        if (s->Info.shmaddr != reinterpret_cast<char*>(-1)) shmdt(s->Info.shmaddr);
        return nullptr;
    }
    s->Size = size;
    s->InUse = true;
    Segments.push_back(std::move(s));
    return Segments.back().get();
}

void TShmPool::Give(TSegment* seg) {
    seg->InUse = false;
    int free = 0;
    for (auto it = Segments.rbegin(); it != Segments.rend(); ++it)
        if (!(*it)->InUse && ++free > 2) {
            Destroy(**it);
            (*it)->Size = 0;
        }
    std::erase_if(Segments, [](const auto& s) { return s->Size == 0; });
}

void TShmPool::Destroy(TSegment& s) {
    if (!s.Size) return;
    XShmDetach(Dpy, &s.Info);
    XSync(Dpy, False);
    shmdt(s.Info.shmaddr);
}
