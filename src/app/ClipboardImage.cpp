#include "app/ClipboardImage.h"

#include "imaging/BmpFile.h"
#include "imaging/PngFile.h"
#include "platform/Clipboard.h"

bool CopyToClip(const QImage& picture) {
    // The bitmap file is made at once, so that a paste of a 4K picture is
    // only the transfer; PNG, by the same writer as a saved file, on the
    // first request.
    const std::vector<uint8_t> bmp = EncodeBmp(picture);
    const QByteArray bmpBytes(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size()));
    return TheClipboard().Offer({{"image/png",
                                  [picture] {
                                      const std::vector<uint8_t> png = EncodePng(picture);
                                      return QByteArray(reinterpret_cast<const char*>(png.data()),
                                                        qsizetype(png.size()));
                                  }},
                                 {"image/bmp", [bmpBytes] { return bmpBytes; }}});
}
