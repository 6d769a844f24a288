#include "app/ClipboardImage.h"

#include <QBuffer>

#include "imaging/qt/BmpFile.h"
#include "platform/Clipboard.h"

bool CopyToClip(const QImage& picture) {
    // The bitmap file is made at once, so that a paste of a 4K picture is
    // only the transfer; PNG, slow to make, on the first request.
    const std::vector<uint8_t> bmp = EncodeBmp(picture);
    const QByteArray bmpBytes(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size()));
    return TheClipboard().Offer({{"image/png",
                                  [picture] {
                                      QByteArray png;
                                      QBuffer buffer(&png);
                                      buffer.open(QIODevice::WriteOnly);
                                      picture.save(&buffer, "PNG");
                                      return png;
                                  }},
                                 {"image/bmp", [bmpBytes] { return bmpBytes; }}});
}
