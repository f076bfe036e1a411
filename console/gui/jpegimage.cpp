#include "jpegimage.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace console {
namespace {

// Larger pictures are refused before any memory is taken for them.
constexpr JDIMENSION kMaxSide = 16384;
constexpr unsigned long long kMaxPixels = 64ull * 1024 * 1024;

// libjpeg's error manager, extended with the place to jump back to and the message. Only
// plain data lives here: longjmp skips destructors.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void failDecode(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, err->message);
    std::longjmp(err->back, 1);
}

// libjpeg goes on after a warning (corrupt data, premature end) and fills the rest of the
// picture with grey; a broken picture is an error here, so a warning ends the decode too.
void onMessage(j_common_ptr info, int level) {
    if (level < 0) failDecode(info);
}

// Allocation of the target happens outside the frame that calls setjmp.
bool allocate(QImage& image, JDIMENSION width, JDIMENSION height) {
    image = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
    return !image.isNull();
}

unsigned char* scanLine(QImage& image, JDIMENSION row) { return image.scanLine(static_cast<int>(row)); }

// Returns nullptr on success, else the message; `image` receives the picture.
const char* decodeInto(const unsigned char* data, unsigned long size, QImage& image, ErrorManager& err) {
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = failDecode;
    err.base.emit_message = onMessage;
    if (setjmp(err.back)) {
        jpeg_destroy_decompress(&info);
        return err.message;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    if (info.image_width > kMaxSide || info.image_height > kMaxSide ||
        static_cast<unsigned long long>(info.image_width) * info.image_height > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        return "picture too large";
    }
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        return "CMYK pictures are not supported";
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3 || !allocate(image, info.output_width, info.output_height)) {
        jpeg_destroy_decompress(&info);
        return "cannot hold the picture";
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = scanLine(image, info.output_scanline);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return nullptr;
}

}  // namespace

DecodedJpeg decodeJpeg(const QByteArray& data) {
    DecodedJpeg result;
    if (data.isEmpty()) {
        result.error = QStringLiteral("JPEG: no data");
        return result;
    }
    ErrorManager err{};
    const char* message = decodeInto(reinterpret_cast<const unsigned char*>(data.constData()),
                                     static_cast<unsigned long>(data.size()), result.image, err);
    if (message) {
        result.image = QImage();
        result.error = QStringLiteral("JPEG: ") + QString::fromLocal8Bit(message);
    }
    return result;
}

}  // namespace console
