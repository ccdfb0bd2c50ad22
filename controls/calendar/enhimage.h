#pragma once
// An image that keeps the raw bytes of an image file and draws them through Qt's image
// readers, so every format Qt reads (PNG, JPEG, GIF, BMP, ICO ...) can serve as a picture.
// Formats Qt does not read (WMF, EMF ...) raise "Could not load image. Invalid format".

#include <QImage>
#include <QRect>
#include <functional>
#include <string>

class QPainter;
class TStream;

class TEnhImage {
public:
    // True after construction and after Assign from nothing or from an empty image.
    bool Empty() const { return empty_; }
    // The picture's size in pixels (96 per inch); 0 without a picture.
    int Width() const { return picture_.width(); }
    int Height() const { return picture_.height(); }
    // The decoded picture (null when there is none).
    const QImage& Picture() const { return picture_; }
    // The stored file bytes, unchanged.
    const std::string& Bytes() const { return bytes_; }

    // Store all of source (from its start), or the whole file, and decode it; fires OnChange.
    // Failure: Exception "Could not load image. Invalid format" (no reader takes the bytes) or
    // "Could not load image" (the reader yields no picture); the bytes stay stored and the
    // picture is released. Stream and file errors raise the stream's exceptions.
    void LoadFromStream(TStream& source);
    void LoadFromFile(const std::string& fileName);
    // Store and decode bytes as LoadFromStream does.
    void LoadFromBytes(std::string bytes);
    // Writes the stored bytes unchanged at target's position.
    void SaveToStream(TStream& target) const;

    // Copies source's bytes and picture; nullptr or an empty source makes this image empty
    // with no bytes. Fires OnChange.
    void Assign(const TEnhImage* source);

    // Stretches the picture over rect; nothing when empty or without a picture.
    void Draw(QPainter& painter, const QRect& rect) const;

    std::function<void()> OnChange;

private:
    void BuildPicture();
    std::string bytes_;
    QImage picture_;
    bool empty_ = true;
};
