#include "app/reminderlistimages.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "controls/tree/treeimages.h"
#include "core/reminderitem.h"
#include "core/remindertreefilter.h"
#include "core/tockwellitem.h"

namespace {

constexpr int kSize = 16;

QImage Blank() {
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// An arrow head at tip pointing along the angle (degrees, counter-clockwise from east).
void ArrowHead(QPainter& p, QPointF tip, double degrees) {
    p.save();
    p.translate(tip);
    p.rotate(-degrees);
    QPainterPath head;
    head.moveTo(0, 0);
    head.lineTo(-4.5, -3);
    head.lineTo(-4.5, 3);
    head.closeSubpath();
    p.fillPath(head, p.pen().color());
    p.restore();
}

QImage RecurringImage() {
    QImage image = Blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor green(0x2E, 0x8B, 0x3A);
    p.setPen(QPen(green, 1.8, Qt::SolidLine, Qt::FlatCap));
    const QRectF ring(2.5, 2.5, 11, 11);
    // Two arcs chasing each other round the ring, each ending in a head.
    p.drawArc(ring, 20 * 16, 140 * 16);
    p.drawArc(ring, 200 * 16, 140 * 16);
    ArrowHead(p, QPointF(3.2, 6.0), 250);
    ArrowHead(p, QPointF(12.8, 10.0), 70);
    return image;
}

QImage BellImage() {
    QImage image = Blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath bell;
    bell.moveTo(3, 12);
    bell.cubicTo(4.5, 10.5, 4, 8, 4.5, 6.5);
    bell.cubicTo(5, 3, 11, 3, 11.5, 6.5);
    bell.cubicTo(12, 8, 11.5, 10.5, 13, 12);
    bell.closeSubpath();
    p.setPen(QPen(QColor(0x8A, 0x64, 0x00), 1));
    p.setBrush(QColor(0xF2, 0xC2, 0x2E));
    p.drawPath(bell);
    p.drawEllipse(QPointF(8, 13.3), 1.5, 1.5);  // clapper
    p.drawLine(QPointF(8, 2), QPointF(8, 3.6)); // hook
    return image;
}

QImage NoNextAlertImage() {
    QImage image = Blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    // A dash in place of the hands: no time to show.
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 8), QPointF(11, 8));
    return image;
}

} // namespace

std::shared_ptr<TLTImageList> ReminderListImages() {
    auto list = std::make_shared<TLTImageList>(kSize, kSize);
    list->Add(RecurringImage());   // rliRecurring
    list->Add(BellImage());        // rliActive
    list->Add(NoNextAlertImage()); // rliNoNextAlert
    return list;
}

int ReminderListImageIndex(const TFilterTreeItem* object, TColumnIndex column) {
    const auto* reminder = dynamic_cast<const TReminderTreeItem*>(object);
    if (!reminder)
        return -1;
    if (column == 1)
        return reminder->NextAlertDateTime() == 0 ? rliNoNextAlert : rliActive;
    if (column == 4) {
        const TReminderItem* item = reminder->Data ? reminder->Data->FindReminder() : nullptr;
        return item && item->HasRecurrencePattern() ? rliRecurring : -1;
    }
    return -1;
}
