#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "core/windows/altkeyrepaint.h"
#include "platform/gui/windowmessages.h"

namespace {

class CountingButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++Paints;
        QPushButton::paintEvent(e);
    }
};

class MainWindowStub : public QObject {
public:
    int Received = 0;

protected:
    void customEvent(QEvent* e) override {
        if (HandleRepaintControlsMessage(e))
            ++Received;
    }
};

class FlagGuard {
public:
    explicit FlagGuard(bool value) : was_(IsVistaWithThemes()) { SetIsVistaWithThemes(value); }
    ~FlagGuard() {
        SetIsVistaWithThemes(was_);
        SetMainWindowHandle(nullptr);
    }

private:
    bool was_;
};

} // namespace

TEST(AltKeyRepaint, NothingIsPostedOnThisPlatform) {
    EXPECT_FALSE(IsVistaWithThemes());
    MainWindowStub main;
    FlagGuard guard(false);
    SetMainWindowHandle(&main);
    QWidget form;
    HandleAltKeyForRepaint(&form, Qt::Key_O, Qt::AltModifier);
    ProcessPendingMessages(&main, WM_REPAINT_CONTROLS);
    EXPECT_EQ(main.Received, 0);
}

TEST(AltKeyRepaint, AltPostsOneMessagePerKeyWhenTheFlagIsSet) {
    MainWindowStub main;
    FlagGuard guard(true);
    QWidget form;
    HandleAltKeyForRepaint(&form, Qt::Key_O, Qt::AltModifier); // main window unknown
    SetMainWindowHandle(&main);
    HandleAltKeyForRepaint(&form, Qt::Key_O, Qt::NoModifier);
    HandleAltKeyForRepaint(&form, Qt::Key_O, Qt::ShiftModifier);
    ProcessPendingMessages(&main, WM_REPAINT_CONTROLS);
    EXPECT_EQ(main.Received, 0);
    HandleAltKeyForRepaint(&form, Qt::Key_O, Qt::AltModifier);
    HandleAltKeyForRepaint(&form, Qt::Key_S, Qt::AltModifier | Qt::ControlModifier);
    EXPECT_EQ(main.Received, 0); // posted, not yet run
    ProcessPendingMessages(&main, WM_REPAINT_CONTROLS);
    EXPECT_EQ(main.Received, 2);
    // A form that went away before the message ran is skipped.
    auto gone = std::make_unique<QWidget>();
    HandleAltKeyForRepaint(gone.get(), 0, Qt::AltModifier);
    gone.reset();
    ProcessPendingMessages(&main, WM_REPAINT_CONTROLS);
    EXPECT_EQ(main.Received, 3);
}

TEST(AltKeyRepaint, ButtonsAreRepaintedExceptInScrollAreasAndHiddenPages) {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* direct = new CountingButton("&Open", &form);
    layout->addWidget(direct);
    auto* tabs = new QTabWidget(&form);
    auto* page1 = new QWidget;
    auto* page2 = new QWidget;
    auto* onPage1 = new CountingButton("One", page1);
    auto* onPage2 = new CountingButton("Two", page2);
    tabs->addTab(page1, "1");
    tabs->addTab(page2, "2");
    layout->addWidget(tabs);
    auto* scroll = new QScrollArea(&form);
    auto* inner = new QWidget;
    auto* inScroll = new CountingButton("Three", inner);
    inner->resize(100, 40);
    scroll->setWidget(inner);
    layout->addWidget(scroll);
    form.resize(300, 300);
    form.show();
    QCoreApplication::processEvents();
    for (CountingButton* b : {direct, onPage1, onPage2, inScroll})
        b->Paints = 0;

    RepaintFormControls(&form);
    EXPECT_EQ(direct->Paints, 1);
    EXPECT_EQ(onPage1->Paints, 1);
    EXPECT_EQ(onPage2->Paints, 0);
    EXPECT_EQ(inScroll->Paints, 0);
    RepaintFormControls(nullptr); // nothing to do

    // Everything visible is repainted (some widgets with their parents as well).
    RepaintAllControls(&form);
    EXPECT_GE(direct->Paints, 2);
    EXPECT_GE(onPage1->Paints, 2);
    EXPECT_EQ(onPage2->Paints, 0); // hidden
    EXPECT_GE(inScroll->Paints, 1);
}
