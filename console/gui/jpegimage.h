// Decoding JPEG pictures with libjpeg. A damaged or truncated file is an error value.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>

namespace console {

struct DecodedJpeg {
    QImage image;   // RGB888; null on error
    QString error;  // empty on success
    explicit operator bool() const { return error.isEmpty(); }
};

// Decodes baseline and progressive JPEG data (greyscale, YCbCr or RGB) into an RGB image.
// Anything libjpeg reports, warnings about corrupt or missing data included, fails the decode.
DecodedJpeg decodeJpeg(const QByteArray& data);

}  // namespace console
