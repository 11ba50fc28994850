#include "tags/ImageCodec.h"
#include "tags/PictureHeader.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <gtest/gtest.h>

using tagmint::tags::decodableSize;
using tagmint::tags::jpegOrPngSize;

namespace {

QByteArray encoded(const QImage& image, const char* format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

QImage gradient(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 7, y * 5, (x + y) * 3));
    return image.convertToFormat(format);
}

// What Qt's own header reader says of the bytes: the yardstick.
QSize qtSize(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.canRead() ? reader.size() : QSize();
}

// The byte offset where the picture's data begins: the JPEG scan header or
// the PNG IDAT chunk; everything before it is header.
qsizetype headerEnd(const QByteArray& bytes)
{
    const qsizetype idat = bytes.indexOf("IDAT");
    return idat > 0 ? idat + 4 : bytes.indexOf("\xFF\xDA") + 4;
}

struct Sample {
    const char* name;
    QByteArray bytes;
    QSize size;
};

std::vector<Sample> samples()
{
    return {
        {"baseline JPEG", encoded(gradient(37, 23, QImage::Format_RGB32), "JPEG"), {37, 23}},
        {"progressive JPEG", encoded(gradient(16, 41, QImage::Format_RGB32), "JPEG", true), {16, 41}},
        {"grey JPEG", encoded(gradient(9, 8, QImage::Format_Grayscale8), "JPEG"), {9, 8}},
        {"RGBA PNG", encoded(gradient(33, 5, QImage::Format_ARGB32), "PNG"), {33, 5}},
        {"palette PNG", encoded(gradient(4, 19, QImage::Format_Indexed8), "PNG"), {4, 19}},
        {"1-bit PNG", encoded(gradient(70, 2, QImage::Format_Mono), "PNG"), {70, 2}},
    };
}

} // namespace

TEST(PictureHeader, StatesTheDecodedSizeOfJpegAndPngPictures)
{
    for (const Sample& sample : samples()) {
        SCOPED_TRACE(sample.name);
        ASSERT_EQ(QImage::fromData(sample.bytes).size(), sample.size);
        EXPECT_EQ(jpegOrPngSize(sample.bytes), std::optional<QSize>(sample.size));
        EXPECT_EQ(decodableSize(sample.bytes), sample.size);
    }
}

TEST(PictureHeader, AgreesWithQtOnEveryCutOfTheHeader)
{
    for (const Sample& sample : samples()) {
        SCOPED_TRACE(sample.name);
        for (qsizetype length = 2; length <= headerEnd(sample.bytes) + 1; ++length) {
            const QByteArray cut = sample.bytes.left(length);
            ASSERT_EQ(jpegOrPngSize(cut).value_or(QSize()).isValid(), qtSize(cut).isValid())
                << "cut to " << length << " bytes";
        }
    }
}

TEST(PictureHeader, RefusesDamagedHeadersLikeQt)
{
    for (const Sample& sample : samples()) {
        SCOPED_TRACE(sample.name);
        const bool png = sample.bytes.startsWith("\x89PNG");
        // Every header byte set to a value that breaks it one way or another;
        // in a JPEG the quantisation and Huffman tables take any value.
        for (qsizetype at = png ? 8 : 2; at < headerEnd(sample.bytes); ++at) {
            for (const char value : {'\x00', '\xC3', '\xFF'}) {
                QByteArray damaged = sample.bytes;
                if (damaged[at] == value)
                    continue;
                damaged[at] = value;
                const QSize ours = jpegOrPngSize(damaged).value_or(QSize());
                const QSize qt = qtSize(damaged);
                if (ours.isValid() && qt.isValid()) {
                    EXPECT_EQ(ours, qt) << "byte " << at << " set to " << int(uchar(value));
                } else if (png || !ours.isValid()) {
                    EXPECT_EQ(ours.isValid(), qt.isValid()) << "byte " << at << " set to " << int(uchar(value));
                }
            }
        }
    }
}

TEST(PictureHeader, LeavesOtherFormatsToQt)
{
    const QImage image = gradient(12, 6, QImage::Format_RGB32);
    for (const char* format : {"BMP", "PPM"}) {
        SCOPED_TRACE(format);
        const QByteArray bytes = encoded(image, format);
        EXPECT_EQ(jpegOrPngSize(bytes), std::nullopt);
        EXPECT_EQ(decodableSize(bytes), QSize(12, 6));
    }
    EXPECT_FALSE(decodableSize("not a picture").isValid());
    EXPECT_FALSE(decodableSize(QByteArray()).isValid());
}
