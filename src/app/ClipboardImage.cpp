#include "app/ClipboardImage.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "imaging/BmpFile.h"

namespace {

const QString Bmp = QStringLiteral("image/bmp");
const QString Png = QStringLiteral("image/png");

// Offered without Qt's own image format: Qt would encode the picture again
// for every paste. The bitmap file is made at once (a paste of a 4K picture
// is then only the transfer); PNG, slow to make, on the first request.
class TClipboardImage : public QMimeData {
public:
    explicit TClipboardImage(const QImage& picture) : Picture(picture) {
        const std::vector<uint8_t> bmp = EncodeBmp(picture);
        BmpBytes = QByteArray(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size()));
    }
    QStringList formats() const override { return {Png, Bmp}; }
    bool hasFormat(const QString& type) const override { return type == Png || type == Bmp; }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override {
        if (type == Bmp) return BmpBytes;
        if (type != Png) return {};
        if (PngBytes.isEmpty()) {
            QBuffer buffer(&PngBytes);
            buffer.open(QIODevice::WriteOnly);
            Picture.save(&buffer, "PNG");
        }
        return PngBytes;
    }

private:
    QImage Picture;
    QByteArray BmpBytes;
    mutable QByteArray PngBytes;
};

} // namespace

void CopyToClip(const QImage& picture) {
    QGuiApplication::clipboard()->setMimeData(new TClipboardImage(picture), QClipboard::Clipboard);
}
