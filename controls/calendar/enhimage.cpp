#include "controls/calendar/enhimage.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include "platform/classes.h"

void TEnhImage::BuildPicture() {
    picture_ = QImage();
    QByteArray data = QByteArray::fromRawData(bytes_.data(), qsizetype(bytes_.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        throw Exception("Could not load image. Invalid format");
    QImage image = reader.read();
    if (image.isNull())
        throw Exception("Could not load image");
    picture_ = std::move(image);
}

void TEnhImage::LoadFromBytes(std::string bytes) {
    bytes_ = std::move(bytes);
    empty_ = false;
    BuildPicture();
    if (OnChange)
        OnChange();
}

void TEnhImage::LoadFromStream(TStream& source) {
    TMemoryStream memory;
    memory.LoadFromStream(source);
    LoadFromBytes(memory.AsString());
}

void TEnhImage::LoadFromFile(const std::string& fileName) {
    TMemoryStream memory;
    memory.LoadFromFile(fileName);
    LoadFromBytes(memory.AsString());
}

void TEnhImage::SaveToStream(TStream& target) const {
    target.WriteBuffer(bytes_.data(), int64_t(bytes_.size()));
}

void TEnhImage::Assign(const TEnhImage* source) {
    if (source == this)
        return;
    empty_ = !source || source->empty_;
    bytes_ = empty_ ? std::string() : source->bytes_;
    picture_ = empty_ ? QImage() : source->picture_;
    if (OnChange)
        OnChange();
}

void TEnhImage::Draw(QPainter& painter, const QRect& rect) const {
    if (picture_.isNull() || rect.isEmpty())
        return;
    painter.drawImage(rect, picture_);
}
