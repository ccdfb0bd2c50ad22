// The image that keeps its file bytes: formats Qt reads, bad bytes, round trips and Assign.
#include <QPainter>
#include <gtest/gtest.h>

#include "calendartestutil.h"
#include "controls/calendar/enhimage.h"
#include "platform/classes.h"
#include "testutil.h"

namespace {

// A 1 x 1 GIF (89a, one white pixel).
const std::string Gif1x1("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                         "!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                         "\x02\x02\x44\x01\x00;",
                         43);

// The placeable header of a Windows metafile, which Qt has no reader for.
const std::string WmfStart("\xD7\xCD\xC6\x9A\x00\x00\x00\x00\x00\x00\xE8\x03\xE8\x03\x60\x00"
                           "\x00\x00\x00\x00\x00\x00",
                           22);

} // namespace

TEST(EnhImage, ReadsWhatQtReadsAndKeepsTheBytes) {
    TEnhImage image;
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
    int changes = 0;
    image.OnChange = [&] { ++changes; };

    QImage picture(37, 21, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    std::string jpeg = EncodeImage(picture, "JPG");
    TMemoryStream source(jpeg);
    source.SetPosition(5);
    image.LoadFromStream(source); // the whole stream, from its start
    EXPECT_FALSE(image.Empty());
    EXPECT_EQ(image.Width(), 37);
    EXPECT_EQ(image.Height(), 21);
    EXPECT_EQ(changes, 1);
    TMemoryStream saved;
    image.SaveToStream(saved);
    EXPECT_EQ(saved.AsString(), jpeg);

    TempDir dir;
    WriteFileBytes(dir.File("dot.gif"), Gif1x1);
    image.LoadFromFile(dir.File("dot.gif"));
    EXPECT_EQ(image.Width(), 1);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(image.Bytes(), Gif1x1);

    TEnhImage copy;
    copy.Assign(&image);
    EXPECT_EQ(copy.Bytes(), Gif1x1);
    EXPECT_EQ(copy.Width(), 1);
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.Empty());
    EXPECT_TRUE(copy.Bytes().empty());
    EXPECT_EQ(copy.Height(), 0);
}

TEST(EnhImage, UnreadableBytesRaiseAndDrawNothing) {
    TEnhImage image;
    auto expectError = [&](const std::string& bytes, const char* message) {
        try {
            image.LoadFromBytes(bytes);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, message);
        }
    };
    expectError("not an image at all", "Could not load image. Invalid format");
    EXPECT_EQ(image.Bytes(), "not an image at all"); // the bytes stay
    EXPECT_EQ(image.Width(), 0);
    expectError(WmfStart, "Could not load image. Invalid format");
    expectError("", "Could not load image. Invalid format");
    // A PNG cut short is recognised but yields no picture.
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::red);
    expectError(EncodeImage(picture, "PNG").substr(0, 40), "Could not load image");

    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter p(&target);
    image.Draw(p, target.rect());
    p.end();
    EXPECT_EQ(QColor(target.pixel(5, 5)), QColor(Qt::white));
    EXPECT_THROW(image.LoadFromFile("/nonexistent/picture.png"), EStreamError);
}
