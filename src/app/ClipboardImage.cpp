#include "app/ClipboardImage.h"

#include "app/BackgroundPng.h"
#include "imaging/qt/BmpFile.h"
#include "platform/Clipboard.h"

bool CopyToClip(const QImage& picture) {
    // The bitmap file is made at once, so that a paste of a 4K picture is
    // only the transfer; PNG, by the same writer as a saved file, meanwhile
    // on a thread of its own.
    const std::vector<uint8_t> bmp = EncodeBmp(picture);
    const QByteArray bmpBytes(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size()));
    const auto png = std::make_shared<TBackgroundPng>(picture);
    return TheClipboard().Offer({{"image/png", [png] { return png->Bytes(); }},
                                 {"image/bmp", [bmpBytes] { return bmpBytes; }}});
}
