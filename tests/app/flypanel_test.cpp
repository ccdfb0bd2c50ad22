#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/flypanelcontroller.h"
#include "apptestutil.h"
#include "platform/gui/qtcolors.h"

TEST(FlyPanelLayout, PlacesChildrenAndFitsTheFormToThem) {
    TFlyPanelLayout g;
    QRect container = g.ContainerRect(QSize(300, 200));
    EXPECT_EQ(container, QRect(3, 3, 294, 194));
    EXPECT_EQ(g.CaptionRect(container.size(), 24), QRect(0, 0, 294, 24));
    QRect content = g.ContentRect(container.size(), 24, 40);
    EXPECT_EQ(content, QRect(3, 24, 288, 194 - 24 - 40 - 3));
    QRect bottom = g.BottomBarRect(container.size(), 40);
    EXPECT_EQ(bottom, QRect(3, 194 - 40 - 3, 288, 40));
    EXPECT_EQ(content.bottom() + 1, bottom.top());
    // Fitting the form round what was placed gives back the form: laying out again does not
    // make it grow.
    EXPECT_EQ(g.FittedClientSize(content.size(), 40, 24), QSize(300, 200));
    EXPECT_EQ(g.CollapsedClientHeight(24), 30);
    // Content never gets a negative height.
    EXPECT_EQ(g.ContentRect(QSize(100, 20), 24, 40).height(), 0);
}

TEST(FlyPanelLayout, HitTestBandsAndCorners) {
    TFlyPanelLayout g;
    QSize c(200, 100);
    EXPECT_EQ(g.HitTest({1, 1}, c, true, true), HTTOPLEFT);
    EXPECT_EQ(g.HitTest({197, 3}, c, true, true), HTTOPRIGHT);
    EXPECT_EQ(g.HitTest({199, 99}, c, true, true), HTBOTTOMRIGHT);
    EXPECT_EQ(g.HitTest({0, 97}, c, true, true), HTBOTTOMLEFT);
    EXPECT_EQ(g.HitTest({3, 50}, c, true, true), HTLEFT);
    EXPECT_EQ(g.HitTest({4, 50}, c, true, true), HTCLIENT);
    EXPECT_EQ(g.HitTest({198, 50}, c, true, true), HTRIGHT);
    EXPECT_EQ(g.HitTest({197, 50}, c, true, true), HTCLIENT);
    EXPECT_EQ(g.HitTest({50, 98}, c, true, true), HTBOTTOM);
    EXPECT_EQ(g.HitTest({50, 2}, c, true, true), HTTOP);
    EXPECT_EQ(g.HitTest({50, 50}, c, true, true), HTCLIENT);
    // Collapsed: sizing sideways only, no corners.
    EXPECT_EQ(g.HitTest({1, 50}, c, true, false), HTLEFT);
    EXPECT_EQ(g.HitTest({50, 1}, c, true, false), HTCLIENT);
    EXPECT_EQ(g.HitTest({1, 1}, c, true, false), HTLEFT);
    EXPECT_EQ(g.HitTest({50, 99}, c, true, false), HTCLIENT);
}

TEST(FlyPanelLayout, WindowRegionCutsTheCorners) {
    QRegion region(TFlyPanelLayout::WindowRegion(QSize(200, 100)), Qt::OddEvenFill);
    for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(199, 0), QPoint(199, 1),
                     QPoint(199, 99), QPoint(198, 99), QPoint(0, 99), QPoint(1, 99)})
        EXPECT_FALSE(region.contains(p)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(3, 0), QPoint(0, 3), QPoint(196, 0), QPoint(199, 3), QPoint(100, 0),
                     QPoint(100, 99), QPoint(0, 50), QPoint(199, 50), QPoint(4, 99)})
        EXPECT_TRUE(region.contains(p)) << p.x() << "," << p.y();
}

TEST(FlyPanelController, FramesAreDrawnRingByRing) {
    TFlyPanelController fc;
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        fc.DrawFormFrame(p, img.size());
    }
    auto at = [&](int x, int y) { return QColorToColor(QColor(img.pixel(x, y))); };
    // Ring 0 is cut by 2 pixels at the corners, ring 1 by 1, ring 2 not at all.
    EXPECT_EQ(at(0, 0), clBlack);
    EXPECT_EQ(at(1, 1), 0xACACAC);
    EXPECT_EQ(at(2, 0), 0xACACAC);
    EXPECT_EQ(at(20, 0), 0xACACAC);
    EXPECT_EQ(at(20, 1), 0xFFFFFF);
    EXPECT_EQ(at(2, 2), 0xE7E6E2);
    EXPECT_EQ(at(39, 29), clBlack);
    EXPECT_EQ(at(0, 15), 0xACACAC);
    EXPECT_EQ(at(37, 27), 0xE7E6E2);
    EXPECT_EQ(at(20, 3), clBlack);

    // The container's rings without their top part.
    img.fill(Qt::black);
    {
        QPainter p(&img);
        fc.DrawPanelFrame(p, img.size(), false);
    }
    EXPECT_EQ(at(20, 0), clBlack);
    EXPECT_EQ(at(0, 15), 0xF5F4F0);
    EXPECT_EQ(at(39, 15), 0xF5F4F0);
    EXPECT_EQ(at(20, 28), 0xF7F7F4);
    EXPECT_EQ(at(0, 29), 0xF5F4F0);
}

TEST(FlyPanelController, LayoutCollapseAndExpand) {
    TFlyPanelController fc;
    QWidget form;
    form.resize(320, 240);
    auto* container = new QWidget(&form);
    auto* caption = new QWidget(container);
    auto* content = new QWidget(container);
    auto* bottom = new QWidget(container);
    caption->resize(10, 22);
    bottom->resize(10, 30);
    fc.Layout(&form, caption, container, content, bottom);
    EXPECT_EQ(form.size(), QSize(320, 240));
    EXPECT_EQ(container->geometry(), QRect(3, 3, 314, 234));
    EXPECT_EQ(caption->geometry(), QRect(0, 0, 314, 22));
    EXPECT_EQ(content->geometry(), QRect(3, 22, 308, 234 - 22 - 30 - 3));
    EXPECT_EQ(bottom->geometry(), QRect(3, 234 - 33, 308, 30));
    EXPECT_FALSE(form.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(form.mask().contains(QPoint(160, 0)));

    // Laying out again leaves the form as it is.
    fc.Layout(&form, caption, container, content, bottom);
    EXPECT_EQ(form.size(), QSize(320, 240));

    // Resizing keeps the children anchored and renews the outline.
    form.show();
    form.resize(400, 300);
    ASSERT_TRUE(WaitFor([&] { return container->width() == 394; }, 2000));
    EXPECT_EQ(container->geometry(), QRect(3, 3, 394, 294));
    EXPECT_EQ(content->geometry(), QRect(3, 22, 388, 294 - 22 - 30 - 3));
    EXPECT_EQ(bottom->geometry().top(), 294 - 33);
    EXPECT_TRUE(form.mask().contains(QPoint(398, 150)));
    EXPECT_FALSE(form.mask().contains(QPoint(399, 299)));

    fc.ToggleCollapse(&form, caption, content, bottom);
    EXPECT_TRUE(fc.Collapsed());
    EXPECT_TRUE(content->isHidden());
    EXPECT_TRUE(bottom->isHidden());
    EXPECT_EQ(form.height(), 22 + 6);
    EXPECT_EQ(fc.ExpandedHeight(&form), 300);
    // A layout while collapsed keeps the form collapsed.
    fc.Layout(&form, caption, container, content, bottom);
    EXPECT_EQ(form.height(), 28);
    EXPECT_EQ(container->geometry(), QRect(3, 3, 394, 22));

    fc.ToggleCollapse(&form, caption, content, bottom);
    EXPECT_FALSE(fc.Collapsed());
    EXPECT_FALSE(content->isHidden());
    EXPECT_FALSE(bottom->isHidden());
    EXPECT_EQ(form.size(), QSize(400, 300));
    EXPECT_EQ(content->geometry(), QRect(3, 22, 388, 294 - 22 - 30 - 3));
    EXPECT_EQ(fc.ExpandedHeight(&form), 300);
}

TEST(FlyPanelController, MouseOverTheBandsShowsTheSizingCursor) {
    TFlyPanelController fc;
    QWidget form;
    form.setGeometry(100, 100, 200, 100);
    auto move = [&](QPoint local) {
        QMouseEvent e(QEvent::MouseMove, local, form.mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        return fc.HandleMouse(&form, &e, true, true);
    };
    EXPECT_TRUE(move({1, 50}));
    EXPECT_EQ(form.cursor().shape(), Qt::SizeHorCursor);
    EXPECT_TRUE(move({199, 99}));
    EXPECT_EQ(form.cursor().shape(), Qt::SizeFDiagCursor);
    EXPECT_FALSE(move({100, 50}));
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}
