// Settings of the tree and its header that take effect beyond storing the value: hover and the
// last cell's edge, fonts, the auto-size column, header, options, column and hint window
// factories, keys seen by OnKeyAction, settings that end an edit or a search, tooltip fonts,
// clipboard formats by number, themes and the style's check images.
#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include "controls/tree/stringtree.h"
#include "controls/tree/treeediting.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehint.h"
#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

using enum TLTHeaderOption;
using enum TShiftStateMember;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(400, 200);
        tree.LabelWidth = 60;
        tree.Header().SetOptions({hoVisible, hoDblClickResize});
        for (int w : {100, 120, 100})
            tree.Header().Columns().Add().SetWidth(w);
        tree.SetRootNodeCount(3);
    }
    TLeanTreeColumns& Cols() { return tree.Header().Columns(); }
    ThemesGuard classic{false};
    TTestTree tree;
};

TEST_F(SettingsTest, HeaderHoverFontsAndTheLastCell) {
    TLTHeader& header = tree.Header();
    // The hover follows the mouse without hoHotTrack; a double click on a split zone fits the
    // column without hoColumnResize.
    header.MouseMove(QPoint(150, 5), {}, false);
    EXPECT_EQ(Cols().HoverIndex, 1);
    header.DoubleClick(QPoint(219, 5), mbLeft, {});
    EXPECT_EQ(Cols().Items(1).Width(), tree.GetMaxColumnWidth(1));
    // ParentFont copies the tree's font, now and when it changes.
    QFont big = tree.font();
    big.setPixelSize(23);
    tree.setFont(big);
    EXPECT_NE(header.Font().pixelSize(), 23);
    header.SetParentFont(true);
    EXPECT_EQ(header.Font().pixelSize(), 23);
    big.setPixelSize(9);
    tree.setFont(big);
    EXPECT_EQ(header.Font().pixelSize(), 9);
    // Thick buttons: every cell but the last has a dark right edge.
    header.SetStyle(hsThickButtons);
    QImage img(400, header.Height(), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    header.Paint(p, img.rect());
    int lastRight = Cols().Items(2).Left() + Cols().Items(2).Width() - 1;
    QColor dark = ColorToQColor(cl3DDkShadow);
    EXPECT_EQ(QColor(img.pixel(Cols().Items(1).Left() - 1, 8)), dark);
    EXPECT_NE(QColor(img.pixel(lastRight, 8)), dark);
}

TEST_F(SettingsTest, AutoSizeColumnIsTheLastWithoutAnIndex) {
    tree.Header().SetOptions(tree.Header().Options() | hoAutoResize);
    ASSERT_EQ(tree.Header().AutoSizeIndex(), NoColumn);
    int fitted = Cols().Items(2).Width();
    Cols().Items(2).SetWidth(fitted + 50); // the user cannot break the fit
    EXPECT_EQ(Cols().Items(2).Width(), fitted);
    Cols().Items(0).SetWidth(80); // it takes up what another column leaves
    EXPECT_EQ(Cols().Items(2).Width(), fitted + 20);
}

TEST_F(SettingsTest, AnimatedResizeRepaintsTheRows) {
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QTest::qWait(20);
    int painted = 0;
    tree.OnBeforeItemPaint = [&](TBaseLeanTree*, QPainter&, PLeanNode, QRect, bool&) { ++painted; };
    Cols().AnimatedResize(0, 200);
    EXPECT_GT(painted, 3 * 20); // the rows follow every step
    EXPECT_EQ(Cols().Items(0).Width(), 200);
}

class TCustomColumn : public TLeanTreeColumn {
public:
    using TLeanTreeColumn::TLeanTreeColumn;
};
class TCustomHintWindow : public TLeanTreeHintWindow {
public:
    using TLeanTreeHintWindow::TLeanTreeHintWindow;
};
class TFactoryTree : public TTestTree {
public:
    std::unique_ptr<TLeanTreeColumn> GetColumnClass(TLeanTreeColumns* Owner) override {
        return std::make_unique<TCustomColumn>(Owner);
    }
    TLeanTreeHintWindow* GetHintWindowClass() override { return new TCustomHintWindow(this); }
};

TEST(TreeFactories, ColumnsAndHintWindowOfTheTreesKind) {
    TFactoryTree tree;
    EXPECT_NE(dynamic_cast<TCustomColumn*>(&tree.Header().Columns().Add()), nullptr);
    TMemoryStream stream;
    tree.Header().SaveToStream(stream);
    stream.SetPosition(0);
    tree.Header().LoadFromStream(stream);
    EXPECT_NE(dynamic_cast<TCustomColumn*>(&tree.Header().Columns().Items(0)), nullptr);
    EXPECT_NE(dynamic_cast<TCustomHintWindow*>(tree.HintWindow()), nullptr);
}

class TCustomHeader : public TLTHeader {
public:
    using TLTHeader::TLTHeader;
};
class TCustomOptions : public TStringTreeOptions {
public:
    using TStringTreeOptions::TStringTreeOptions;
};
class TOwnKindsTree : public TLeanStringTree {
public:
    static std::unique_ptr<TLTHeader> GetHeaderClass(TBaseLeanTree* Owner) {
        return std::make_unique<TCustomHeader>(Owner);
    }
    static std::unique_ptr<TCustomLeanTreeOptions> GetOptionsClass(TBaseLeanTree* Owner) {
        return std::make_unique<TCustomOptions>(Owner);
    }
    explicit TOwnKindsTree(TLTOptionsClass Options = &GetOptionsClass)
        : TLeanStringTree(nullptr, &GetHeaderClass, Options) {}
};

TEST(TreeFactories, HeaderAndOptionsOfTheTreesKind) {
    TOwnKindsTree tree;
    EXPECT_NE(dynamic_cast<TCustomHeader*>(&tree.Header()), nullptr);
    EXPECT_NE(dynamic_cast<TCustomOptions*>(&tree.TreeOptions()), nullptr);
    TLeanStringTree plain;
    EXPECT_NE(dynamic_cast<TStringTreeOptions*>(&plain.TreeOptions()), nullptr);
    // Copying the settings copies the text options with the others.
    plain.SetStringOptions({TLTStringOption::toShowStaticText});
    tree.Assign(plain);
    EXPECT_EQ(tree.StringOptions(), plain.StringOptions());
    // A text tree needs text tree options.
    EXPECT_THROW(TOwnKindsTree{&TBaseLeanTree::GetOptionsClass}, EAssertionFailed);
}

TEST(TreeKeys, OnKeyActionSeesEveryKeyAndSettingsEndWhatTheyReplace) {
    TLeanStringTree tree;
    tree.resize(300, 200);
    tree.Header().SetOptions({hoVisible});
    tree.Header().Columns().Add().SetWidth(100);
    tree.Header().Columns().Add().SetWidth(100);
    tree.SetRootNodeCount(2);
    tree.OnGetText = [](TBaseLeanTree*, PLeanNode, TColumnIndex, TVSTTextType, QString& t) {
        t = QStringLiteral("text");
    };
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | TLTMiscOption::toEditable);
    tree.show();
    tree.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    tree.SetFocusedNode(tree.GetFirst());
    tree.SetSelected(tree.GetFirst(), true);
    std::vector<int> seen;
    bool allow = false;
    tree.OnKeyAction = [&](TBaseLeanTree*, int& key, TShiftState&, bool& doDefault) {
        if (key != Qt::Key_Control)
            seen.push_back(key);
        doDefault = allow;
    };
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(&tree, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&tree, Qt::Key_F2);
    EXPECT_EQ(seen, (std::vector<int>{Qt::Key_C, Qt::Key_F2}));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_FALSE(tree.IsEditing());
    // Moving the focused column ends the edit that F2 starts.
    allow = true;
    QTest::keyClick(&tree, Qt::Key_F2);
    ASSERT_TRUE(tree.IsEditing());
    tree.SetFocusedColumn(1);
    EXPECT_FALSE(tree.IsEditing());
    // Switching the search off ends a running one.
    tree.SetIncrementalSearch(isAll);
    tree.HandleIncrementalSearch(u't', 1000);
    ASSERT_FALSE(tree.SearchBuffer().empty());
    tree.SetIncrementalSearch(isNone);
    EXPECT_TRUE(tree.SearchBuffer().empty());
    EXPECT_FALSE(tree.SearchTimerActive());
}

TEST(TreeHints, TooltipsInTheCellsFontShowWithoutPause) {
    TLeanStringTree tree;
    tree.resize(150, 100);
    tree.SetRootNodeCount(2);
    tree.OnGetText = [](TBaseLeanTree*, PLeanNode, TColumnIndex, TVSTTextType, QString& t) {
        t = QStringLiteral("A text much longer than the tree is wide");
    };
    tree.OnPaintText = [](TBaseLeanTree*, QPainter& c, PLeanNode, TColumnIndex, TVSTTextType) {
        QFont f = c.font();
        f.setPixelSize(20);
        c.setFont(f);
    };
    EXPECT_EQ(tree.DoGetHintFont(tree.GetFirst(), NoColumn).pixelSize(), 20);
    tree.HintMode = hmTooltip;
    tree.HintAnimation = hatNone;
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    auto move = [&](QPoint p) { // a move with no button held
        QMouseEvent e(QEvent::MouseMove, p, tree.viewport()->mapToGlobal(p), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &e);
    };
    move(QPoint(41, 60)); // below the rows: nothing
    EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsHint));
    move(QPoint(40, 5));
    EXPECT_TRUE(tree.TreeStates().Contains(TLeanTreeState::tsHint));
    ASSERT_TRUE(tree.HintWindow()->isVisible());
    EXPECT_EQ(tree.HintWindow()->font().pixelSize(), 20);
    tree.CancelHint();
    // ShowHint off: no hint, in any mode.
    tree.ShowHint = false;
    move(QPoint(40, 5));
    EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsHint));
    tree.HintMode = hmHint;
    tree.Hint = QStringLiteral("hint");
    EXPECT_FALSE(tree.ShowHintAt(QPoint(40, 5)));
}

TEST(TreeClipboardFormats, RegisteredByNumber) {
    static const TLTTreeClass hostClass{"THostTree", &BaseLeanTreeClass};
    EXPECT_EQ(RegisterLTClipboardFormat(CF_UNICODETEXT, hostClass, 5), CF_UNICODETEXT);
    auto formats = TClipboardFormatList::EnumerateFormats(hostClass);
    ASSERT_FALSE(formats.empty());
    EXPECT_EQ(formats.front().Format, CF_UNICODETEXT);
    EXPECT_EQ(formats.front().MimeType, MimeUTF8Text);
    EXPECT_EQ(RegisterLTClipboardFormat(0xBFFF, hostClass, 5), 0); // no such format
}

TEST(TreeThemes, ThemedStateAndTheStylesCheckImages) {
    {
        ThemesGuard off{false};
        TTestTree tree;
        EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsUseThemes));
    }
    ThemesGuard on{true};
    TTestTree tree;
    EXPECT_TRUE(tree.TreeStates().Contains(TLeanTreeState::tsUseThemes));
    tree.SetCheckImageKind(ckSystem);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    auto before = tree.CheckImages();
    QString old = QApplication::style()->name();
    QString other;
    for (const QString& key : QStyleFactory::keys())
        if (key.compare(old, Qt::CaseInsensitive) != 0)
            other = key;
    if (other.isEmpty())
        GTEST_SKIP() << "only one style";
    QApplication::setStyle(other);
    EXPECT_NE(tree.CheckImages(), before); // drawn by the new style
    EXPECT_EQ(tree.CheckImages(), tree.GetCheckImageListFor(ckSystem));
    QApplication::setStyle(old);
}

} // namespace
