// wlr-screencopy, one frame an output, all outputs asked at once. A frame
// tells the buffers it can fill; a shared memory one of a readable format is
// made and the compositor copies the output into it.
//
// ext-image-copy-capture-v1, the newer protocol, fits the same shape: an
// output image capture source for each output (its source manager), a
// session and frame on it, the same TShmBuffer and FrameToPicture. It
// becomes a second driver beside TOutputCopy, bound in
// TWaylandClient and preferred when offered. Debian 12's wayland-protocols
// has no XML for it yet, so it is not built.
#include "platform/wayland/screen/Screencopy.h"

#include <cstdio>
#include <wayland-client.h>

#include "platform/wayland/screen/ShmBuffer.h"
#include "platform/wayland/screen/WaylandClient.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

static_assert(uint32_t(TShmFormat::Argb8888) == WL_SHM_FORMAT_ARGB8888);
static_assert(uint32_t(TShmFormat::Xrgb8888) == WL_SHM_FORMAT_XRGB8888);
static_assert(uint32_t(TShmFormat::Abgr8888) == WL_SHM_FORMAT_ABGR8888);
static_assert(uint32_t(TShmFormat::Xbgr8888) == WL_SHM_FORMAT_XBGR8888);

namespace {

// One output's frame, from the request to the copied picture.
struct TOutputCopy {
    enum class EState { Offering, Copying, Ready, Failed };

    TWaylandClient* Client = nullptr;
    const TWaylandOutput* Output = nullptr;
    zwlr_screencopy_frame_v1* Frame = nullptr;
    EState State = EState::Offering;
    TFrame Info;
    bool Chosen = false;        // a readable shared memory buffer was offered
    bool Offered = false;       // any shared memory buffer was
    uint32_t OfferedFormat = 0; // the last one, for the message
    std::unique_ptr<TShmBuffer> Buffer;
    std::string Failure;

    ~TOutputCopy() {
        Buffer.reset();
        if (Frame) zwlr_screencopy_frame_v1_destroy(Frame);
    }

    bool Finished() const { return State == EState::Ready || State == EState::Failed; }

    void Fail(const std::string& why) {
        State = EState::Failed;
        Failure = why;
    }

    void Copy() {
        if (State != EState::Offering) return;
        if (!Offered)
            return Fail("The desktop offers the picture of screen " + Output->Place.Name +
                        " only in graphics memory, which this program does not read.");
        if (!Chosen) {
            char format[16];
            std::snprintf(format, sizeof format, "0x%08x", OfferedFormat);
            return Fail("The picture of screen " + Output->Place.Name +
                        " comes in a pixel format this program does not read (" + format + ").");
        }
        try {
            Buffer = std::make_unique<TShmBuffer>(Client->Shm(), Info.Format, Info.Width,
                                                  Info.Height, Info.Stride);
        } catch (const EShotError& e) {
            return Fail(e.what());
        }
        zwlr_screencopy_frame_v1_copy(Frame, Buffer->Buffer());
        State = EState::Copying;
    }
};

TOutputCopy& CopyOf(void* data) {
    return *static_cast<TOutputCopy*>(data);
}

void OnBuffer(void* data, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t width,
              uint32_t height, uint32_t stride) {
    TOutputCopy& c = CopyOf(data);
    c.Offered = true;
    if (!c.Chosen && Readable(format) && stride >= width * 4) {
        c.Chosen = true;
        c.Info.Format = format;
        c.Info.Width = int(width);
        c.Info.Height = int(height);
        c.Info.Stride = int(stride);
    } else if (!c.Chosen) {
        c.OfferedFormat = format;
    }
    // Before version 3 this one buffer is all a frame offers.
    if (zwlr_screencopy_frame_v1_get_version(frame) < 3) c.Copy();
}

void OnFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
    CopyOf(data).Info.YInvert = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
}

void OnReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
    CopyOf(data).State = TOutputCopy::EState::Ready;
}

void OnFailed(void* data, zwlr_screencopy_frame_v1*) {
    TOutputCopy& c = CopyOf(data);
    c.Fail("The desktop could not copy the picture of screen " + c.Output->Place.Name + ".");
}

void OnDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}

void OnBufferDone(void* data, zwlr_screencopy_frame_v1*) {
    CopyOf(data).Copy();
}

const zwlr_screencopy_frame_v1_listener FrameListener = {OnBuffer, OnFlags,  OnReady,     OnFailed,
                                                         OnDamage, OnDmabuf, OnBufferDone};

class TScreencopySource : public TScreenSource {
public:
    const char* Name() const override { return "wlr-screencopy"; }

    // A connection of its own for each shot: the outputs may have changed
    // since the last one, and nothing is left waiting on a dead compositor.
    TShot Shoot() override {
        const auto client = TWaylandClient::Connect();
        if (!client) throw EShotError("No Wayland desktop answers (WAYLAND_DISPLAY).");
        if (!client->Screencopy() || !client->Shm())
            throw EShotError("The desktop no longer offers wlr-screencopy.");
        const auto& outputs = client->Outputs();

        std::vector<std::unique_ptr<TOutputCopy>> copies;
        for (const auto& o : outputs) {
            if (o->Gone) continue;
            auto c = std::make_unique<TOutputCopy>();
            c->Client = client.get();
            c->Output = o.get();
            c->Info.Transform = o->Transform;
            // Without the pointer: the picture is of the screen's content.
            c->Frame =
                zwlr_screencopy_manager_v1_capture_output(client->Screencopy(), 0, o->Output);
            zwlr_screencopy_frame_v1_add_listener(c->Frame, &FrameListener, c.get());
            copies.push_back(std::move(c));
        }
        if (copies.empty()) throw EShotError("The desktop has no screen to take.");
        client->DispatchUntil([&] {
            for (const auto& c : copies)
                if (!c->Finished()) return false;
            return true;
        });

        TShot shot;
        for (const auto& c : copies) {
            if (c->State == TOutputCopy::EState::Failed) throw EShotError(c->Failure);
            TOutputPicture picture;
            picture.Name = c->Output->Place.Name;
            picture.Logical = c->Output->Place.Logical;
            c->Info.Bytes = c->Buffer->Bytes();
            FrameToPicture(c->Info, picture);
            shot.push_back(std::move(picture));
        }
        return shot;
    }
};

} // namespace

std::unique_ptr<TScreenSource> OpenScreencopy() {
    const auto client = TWaylandClient::Connect();
    if (!client || !client->Screencopy() || !client->Shm()) return nullptr;
    return std::make_unique<TScreencopySource>();
}
