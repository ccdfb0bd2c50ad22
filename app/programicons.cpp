#include "app/programicons.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace {

// Tilt of each frame in degrees.
constexpr std::array<double, 5> kFrameTilt{0, 12, 0, -12, 0};

QIcon IconOfFrame(int frame) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size, frame)));
    return icon;
}

} // namespace

QImage DrawProgramIcon(int size, int frame) {
    size = std::clamp(size, 8, 256);
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 34 x 34 grid, so that the tilted frames keep their bells inside.
    p.scale(size / 34.0, size / 34.0);
    p.translate(17, 18);
    p.rotate(kFrameTilt[std::clamp(frame, 0, int(kFrameTilt.size()) - 1)]);

    const QColor rim(0x2F, 0x4F, 0x7F), bell(0xD9, 0x3F, 0x2F), face(0xFB, 0xFB, 0xF7);
    // Legs.
    p.setPen(QPen(rim, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-7, 9), QPointF(-10, 13.5));
    p.drawLine(QPointF(7, 9), QPointF(10, 13.5));
    // The two bells and their hammer.
    p.setPen(QPen(rim, 1.2));
    p.setBrush(bell);
    p.drawChord(QRectF(-15, -16, 11, 11), 30 * 16, 180 * 16);
    p.drawChord(QRectF(4, -16, 11, 11), -30 * 16, 180 * 16);
    p.drawLine(QPointF(0, -12), QPointF(0, -15));
    // The face.
    p.setPen(QPen(rim, 2.6));
    p.setBrush(face);
    p.drawEllipse(QPointF(0, 0), 11.5, 11.5);
    // Hour marks and hands at ten past ten.
    p.setPen(QPen(rim, 1.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; i += 3) {
        p.save();
        p.rotate(i * 30);
        p.drawLine(QPointF(0, -9), QPointF(0, -7.5));
        p.restore();
    }
    p.setPen(QPen(rim, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, 0), QPointF(-4.6, -2.7));
    p.drawLine(QPointF(0, 0), QPointF(4.4, -6.2));
    p.setPen(Qt::NoPen);
    p.setBrush(bell);
    p.drawEllipse(QPointF(0, 0), 1.6, 1.6);
    return img;
}

QIcon ProgramIcon() {
    return IconOfFrame(0);
}

std::vector<QIcon> ProgramIconFrames() {
    std::vector<QIcon> frames;
    for (int f = 1; f < int(kFrameTilt.size()); ++f)
        frames.push_back(IconOfFrame(f));
    return frames;
}
