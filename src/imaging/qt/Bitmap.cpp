#include "imaging/qt/Bitmap.h"

namespace {
const QString DibKey = QStringLiteral("Snaprio.DIB");
}

void SetDeviceIndependent(QImage& image, bool on) {
    image.setText(DibKey, on ? "1" : QString());
}

bool IsDeviceIndependent(const QImage& image) {
    return image.text(DibKey) == "1";
}
