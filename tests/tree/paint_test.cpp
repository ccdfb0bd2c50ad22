// Painting: offscreen renders checked at the pixels that show real breakage (selection fills,
// buttons, tree lines, focus rectangle, grid lines, background), and the rows painted being
// exactly those that meet the update rectangle.
#include "controls/tree/treeheader.h"
#include "treepainttest.h"

namespace {

using enum TLTPaintOption;
using enum TLTSelectionOption;
using enum TLTMiscOption;
using enum TLTInternalPaintOption;

// Within 2 per channel (blending rounds).
bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

class PaintTest : public TreePaintTest {};

TEST_F(PaintTest, TreeLinesAreDottedAndFollowTheLevels) {
    QImage img = Render();
    QColor line = Q(clBtnShadow), bg = Q(clWindow);
    // Row 1 (first child): the parent's level continues (x = 9) and its own level joins at
    // x = 27; both vertical lines alternate ink and background.
    int inkOuter = 0, inkInner = 0;
    for (int y = h; y < 2 * h; ++y) {
        inkOuter += At(img, 9, y) == line;
        inkInner += At(img, 27, y) == line;
        EXPECT_TRUE(At(img, 9, y) == line || At(img, 9, y) == bg);
    }
    EXPECT_EQ(inkOuter, h / 2);
    EXPECT_EQ(inkInner, h / 2);
    // The last child's row ends its vertical line at the middle of the row.
    int below = 0;
    for (int y = 2 * h + h / 2 + 1; y < 3 * h; ++y)
        below += At(img, 27, y) == line;
    EXPECT_EQ(below, 0);
    // The leaf at the top level draws its horizontal arm toward the content.
    int arm = 0;
    for (int x = 10; x < 18; ++x)
        arm += At(img, x, 4 * h + h / 2) == line;
    EXPECT_GE(arm, 3);

    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowTreeLines);
    img = Render();
    EXPECT_EQ(CountColor(img.copy(27, h, 1, h), line), 0);
}

TEST_F(PaintTest, SolidAndCustomLinePatterns) {
    tree.SetLineStyle(lsSolid);
    QImage img = Render();
    QColor line = Q(clBtnShadow);
    EXPECT_EQ(CountColor(img.copy(9, h, 1, h), line), h);
    // The host's rows are those of a monochrome pattern brush: bit 7 is the left pixel, and 0
    // bits draw, so all rows 0 draw every pixel.
    TLTLinePattern pattern{};
    tree.OnGetLineStyle = [&](TBaseLeanTree*, TLTLinePattern& bits) { bits = pattern; };
    tree.SetLineStyle(lsCustomStyle);
    img = Render();
    EXPECT_EQ(CountColor(img.copy(9, h, 1, h), line), h);
    pattern.fill(0x02); // only the seventh pixel of each eight left out
    tree.SetLineStyle(lsDotted);
    tree.SetLineStyle(lsCustomStyle);
    img = Render();
    EXPECT_EQ(CountColor(img.copy(9, h, 1, h), line), h);
    EXPECT_EQ(CountColor(img.copy(9, 4 * h + h / 2, 9, 1), line), 8); // the arm skips x 14
}

TEST_F(PaintTest, ClassicButtonsShowPlusAndMinus) {
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowTreeLines);
    QImage img = Render();
    QColor frame = Q(clBtnShadow), ink = tree.palette().color(QPalette::WindowText);
    QColor face = Q(clWindow);
    // Button of row 0 (expanded: minus) at x 5..13, y 5..13: half of the 9 free pixels
    // rounded up above it, so that its bar meets the tree line's arm at y 9.
    int bx = 5, by = 5;
    EXPECT_EQ(At(img, bx, by), frame);
    EXPECT_EQ(At(img, bx + 8, by + 8), frame);
    EXPECT_EQ(At(img, bx + 4, by + 4), ink);  // the bar
    EXPECT_EQ(At(img, bx + 4, by + 2), face); // no vertical bar: minus
    // Row 3 is collapsed: plus.
    EXPECT_EQ(At(img, bx + 4, 3 * h + by + 2), ink);
    EXPECT_EQ(At(img, bx + 4, 3 * h + by + 4), ink);
    // A leaf has no button.
    EXPECT_EQ(At(img, bx, 4 * h + by), face);

    // Transparent fill: only the frame and the sign; the row colour shows through.
    tree.SetColor(clYellow);
    tree.SetButtonFillMode(fmTransparent);
    img = Render();
    EXPECT_EQ(At(img, bx + 2, by + 2), Q(clYellow));
    EXPECT_EQ(At(img, bx, by), frame);

    // The host repaints the bitmap after every rebuild.
    tree.OnGetPlusBitmap = [](TBaseLeanTree*, QImage& bm) { bm.fill(Qt::red); };
    tree.SetColor(clWindow); // rebuilds the buttons
    img = Render();
    EXPECT_EQ(At(img, bx + 1, 3 * h + by + 1), QColor(Qt::red));
    EXPECT_EQ(At(img, bx + 1, by + 1), face); // the minus is untouched
}

TEST_F(PaintTest, ThemedButtonsComeFromTheStyle) {
    ThemesGuard themed(true);
    QImage classic = MakeClassicButton(false, bsRectangle, Q(clWindow), Q(clBtnShadow), Qt::black);
    QImage img = Render();
    QImage plus = img.copy(5, 3 * h + (h - ButtonSize) / 2, ButtonSize, ButtonSize);
    EXPECT_GT(CountInk(plus, Q(clWindow)), 3); // something is drawn
    EXPECT_NE(plus.convertToFormat(QImage::Format_RGB32),
              classic.convertToFormat(QImage::Format_RGB32));
}

TEST_F(PaintTest, SelectionFillsPlainAndBlended) {
    Focus();
    tree.SetSelected(rows[3], true);
    QColor sel = Q(clHighlight), bg = Q(clWindow);
    // Label of row 3 (level 0 with root lines): from 18 + margin 4 to 40 pixels on.
    int lx = 18 + 4 + 20, ly = 3 * h + h / 2;
    QImage img = Render();
    EXPECT_EQ(At(img, lx, ly), sel);
    EXPECT_EQ(At(img, 18 + 4 + 45, ly), bg); // right of the label

    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toUseBlendedSelection);
    tree.SelectionBlendFactor = 128;
    img = Render();
    QColor expected(bg.red() + (sel.red() - bg.red()) * 128 / 255,
                    bg.green() + (sel.green() - bg.green()) * 128 / 255,
                    bg.blue() + (sel.blue() - bg.blue()) * 128 / 255);
    EXPECT_TRUE(Near(At(img, lx, ly), expected)) << At(img, lx, ly).name().toStdString();

    // Full-row selection fills the row across the client width.
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toUseBlendedSelection);
    tree.TreeOptions().SetSelectionOptions({toFullRowSelect});
    tree.SetSelected(rows[3], true);
    img = Render();
    EXPECT_EQ(At(img, 250, ly), sel);
    EXPECT_EQ(At(img, 250, ly + h), bg);
}

TEST_F(PaintTest, HiddenSelectionAndTheUnfocusedColour) {
    tree.SetSelected(rows[3], true);
    int lx = 18 + 4 + 20, ly = 3 * h + h / 2;
    QImage img = Render(); // not focused
    EXPECT_EQ(At(img, lx, ly), Q(clBtnFace));
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toHideSelection);
    img = Render();
    EXPECT_EQ(At(img, lx, ly), Q(clWindow));
}

TEST_F(PaintTest, TheCellBeingEditedShowsNoSelection) {
    Focus();
    tree.SetFocusedNode(rows[3]);
    tree.SetSelected(rows[3], true);
    int lx = 18 + 4 + 20, ly = 3 * h + h / 2;
    EXPECT_EQ(At(Render(), lx, ly), Q(clHighlight));
    tree.DoStateChange(TLeanTreeState::tsEditing);
    EXPECT_EQ(At(Render(), lx, ly), Q(clWindow));
    tree.DoStateChange({}, TLeanTreeState::tsEditing);
}

TEST_F(PaintTest, FocusRectangleAroundTheFocusedLabel) {
    Focus();
    tree.SetFocusedNode(rows[4]);
    QImage img = Render();
    QColor ink(Qt::black); // white inverted
    int top = 4 * h;
    int dots = CountColor(img.copy(22, top, 40, 1), ink);
    EXPECT_GE(dots, 15); // every other pixel of the top edge
    EXPECT_LE(dots, 25);
    EXPECT_GE(CountColor(img.copy(22, top + 1, 1, h - 2), ink), 6); // the left edge
    EXPECT_EQ(CountColor(img.copy(22, 3 * h, 40, h), ink), 0);      // not on other rows

    // On a selected label the dots invert the selection colour.
    tree.SetSelected(rows[4], true);
    img = Render();
    QColor sel = ColorToQColor(clHighlight);
    QColor inverted(255 - sel.red(), 255 - sel.green(), 255 - sel.blue());
    EXPECT_GE(CountColor(img.copy(22, top, 40, 1), inverted), 15);

    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toHideFocusRect);
    img = Render();
    EXPECT_EQ(CountColor(img.copy(22, top, 40, 1), inverted), 0);
    EXPECT_EQ(CountColor(img.copy(22, top, 40, 1), sel), 40);
}

TEST_F(PaintTest, GridLinesAndCheckBoxes) {
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toShowHorzGridLines);
    tree.Colors().Set(TLTColors::GridLineColor, clRed);
    QImage img = Render();
    EXPECT_EQ(At(img, 200, h - 1), QColor(Qt::red));
    EXPECT_EQ(At(img, 200, h - 2), Q(clWindow));

    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport);
    tree.SetCheckType(rows[4], ctCheckBox);
    tree.SetCheckState(rows[4], csCheckedNormal);
    img = Render();
    // The check image sits between the indentation and the label: x 22..37.
    EXPECT_GT(CountInk(img.copy(22, 4 * h, 16, h - 1), Q(clWindow)), 20);
    EXPECT_EQ(CountInk(img.copy(22, 3 * h, 16, h - 1), Q(clWindow)), 0);
}

TEST_F(PaintTest, HostPaintingAndBackground) {
    // A row the host paints itself gets nothing from the tree.
    tree.SetSelected(rows[1], true);
    tree.OnBeforeItemPaint = [&](TBaseLeanTree*, QPainter& p, PLeanNode n, QRect r, bool& custom) {
        if (n == rows[1]) {
            p.fillRect(r, Qt::green);
            custom = true;
        }
    };
    QImage img = Render();
    EXPECT_EQ(CountColor(img.copy(0, h, 300, h), QColor(Qt::green)), 300 * h);
    tree.OnBeforeItemPaint = nullptr;

    // Below the last row: the tiled picture, lined up with the tree origin.
    QImage pic(4, 4, QImage::Format_ARGB32_Premultiplied);
    pic.fill(Qt::blue);
    pic.setPixelColor(0, 0, Qt::yellow);
    tree.SetBackground(pic);
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toShowBackground);
    img = Render();
    EXPECT_EQ(At(img, 100, 100), QColor(Qt::yellow));
    EXPECT_EQ(At(img, 101, 100), QColor(Qt::blue));
    tree.SetBackgroundOffsetX(1);
    img = Render();
    EXPECT_EQ(At(img, 101, 100), QColor(Qt::yellow));
    // Static: the picture once at the offsets, the tree colour elsewhere.
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toStaticBackground);
    img = Render();
    EXPECT_EQ(At(img, 1, 0), QColor(Qt::yellow));
    EXPECT_EQ(At(img, 100, 100), Q(clWindow));

    // An empty tree paints only the background, which the host may take over.
    tree.Clear();
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowBackground);
    bool asked = false;
    tree.OnPaintBackground = [&](TBaseLeanTree*, QPainter& p, QRect r, bool& handled) {
        p.fillRect(r, Qt::cyan);
        handled = asked = true;
    };
    img = Render();
    EXPECT_TRUE(asked);
    EXPECT_EQ(CountColor(img, QColor(Qt::cyan)), 300 * 200);
}

TEST_F(PaintTest, TheBackgroundEventIsForTheAreaBelowTheRows) {
    QImage pic(4, 4, QImage::Format_ARGB32_Premultiplied);
    pic.fill(Qt::blue);
    tree.SetBackground(pic);
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toShowBackground);
    std::vector<QRect> asked;
    tree.OnPaintBackground = [&](TBaseLeanTree*, QPainter&, QRect r, bool&) { asked.push_back(r); };
    QImage img = Render();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].top(), 5 * h);
    EXPECT_EQ(At(img, 200, 5), QColor(Qt::blue)); // the rows still show the picture
}

TEST_F(PaintTest, NoGridLineRightOfTheAutoSizeColumnAndBandsCloseTheirLevel) {
    using enum TLTHeaderOption;
    for (int w : {120, 100})
        tree.Header().Columns().Add().SetWidth(w);
    tree.Header().SetAutoSizeIndex(1);
    tree.Header().SetOptions({hoVisible, hoAutoResize});
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toShowVertGridLines);
    tree.Colors().Set(TLTColors::GridLineColor, clRed);
    const TLeanTreeColumn& last = tree.Header().Columns().Items(1);
    int right = last.GetLeft() + last.Width() - 1;
    QImage img = Render(QRect(0, 0, right + 1, 200));
    EXPECT_EQ(At(img, 119, 150), QColor(Qt::red)); // the first column's line below the rows
    EXPECT_NE(At(img, right, 150), QColor(Qt::red));
    EXPECT_NE(At(img, right, 5), QColor(Qt::red));
    // Bands: the last child's row closes its level's band at its bottom.
    tree.Header().SetOptions({});
    tree.SetLineMode(lmBands);
    img = Render();
    EXPECT_EQ(At(img, 18 + 9, 3 * h - 1), QColor(Qt::red)); // below rows[2], level 1
    EXPECT_NE(At(img, 18 + 9, 2 * h - 1), QColor(Qt::red)); // rows[1] has a sibling below
    EXPECT_EQ(At(img, 9, 5 * h - 1), QColor(Qt::red));      // the last top-level node
    // Band lines are tree lines: none without toShowTreeLines.
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowTreeLines);
    img = Render();
    EXPECT_NE(At(img, 18 + 9, 3 * h - 1), QColor(Qt::red));
    EXPECT_NE(At(img, 18, h + 5), QColor(Qt::red));
}

TEST_F(PaintTest, BandOfAnExpandedLastNodeStaysOpenOverItsChildren) {
    tree.SetLineMode(lmBands);
    tree.Colors().Set(TLTColors::GridLineColor, clRed);
    PLeanNode last = rows[4];
    tree.SetChildCount(last, 1);
    tree.ToggleNode(last);
    QImage img = Render();
    EXPECT_NE(At(img, 9, 5 * h - 1), QColor(Qt::red));      // not closed above its child
    EXPECT_EQ(At(img, 0, 5 * h - 1), QColor(Qt::red));      // its level's line runs on
    EXPECT_EQ(At(img, 18 + 9, 6 * h - 1), QColor(Qt::red)); // the child closes its own level
    // With all its children hidden the expanded node ends its band itself.
    tree.AddHidden(last, amAddChildLast);
    tree.DeleteNode(last->FirstChild);
    ASSERT_TRUE((last->States & vsExpanded) && (last->States & vsAllChildrenHidden));
    img = Render();
    EXPECT_EQ(At(img, 9, 5 * h - 1), QColor(Qt::red));
}

TEST_F(PaintTest, RightToLeftBandsAndEmptyCellsFollowTheirReadingOrder) {
    using enum TLTHeaderOption;
    tree.Header().SetOptions({hoVisible});
    auto& cols = tree.Header().Columns();
    cols.Add().SetWidth(300);
    cols.Items(0).SetBiDiMode(bdRightToLeft);
    tree.SetLineMode(lmBands);
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toShowHorzGridLines);
    tree.Colors().Set(TLTColors::GridLineColor, clRed);
    // A child's row: its two levels of bands lie on the right, the grid line left of them.
    int y = 2 * h - 1;
    QImage img = Render();
    EXPECT_EQ(At(img, 10, y), QColor(Qt::red));
    EXPECT_EQ(At(img, 300 - 37, y), QColor(Qt::red));
    EXPECT_NE(At(img, 300 - 36, y), QColor(Qt::red));

    // An empty right-to-left cell has no grid line of its own; a left-to-right one has.
    tree.SetLineMode(lmNormal);
    tree.TreeOptions().SetPaintOptions((tree.TreeOptions().PaintOptions() - toShowHorzGridLines) |
                                       toShowVertGridLines);
    cols.Items(0).SetWidth(150);
    cols.Add().SetWidth(150);
    tree.OnGetCellIsEmpty = [&](TBaseLeanTree*, PLeanNode n, TColumnIndex, bool& empty) {
        empty = n == rows[4];
    };
    for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
        cols.Items(1).SetBiDiMode(mode);
        img = Render();
        EXPECT_EQ(At(img, 299, 3 * h + 5), QColor(Qt::red)) << mode;
        EXPECT_EQ(At(img, 299, 4 * h + 5) == QColor(Qt::red), mode == bdLeftToRight) << mode;
    }
}

TEST_F(PaintTest, SelectedOnlyPaintsTheSelectedSubtrees) {
    tree.SetSelected(rows[0], true);
    std::vector<PLeanNode> painted;
    tree.OnBeforeItemPaint = [&](TBaseLeanTree*, QPainter&, PLeanNode n, QRect, bool&) {
        painted.push_back(n);
    };
    Render(QRect(0, 0, 300, 200), {poDrawSelection, poSelectedOnly});
    EXPECT_EQ(painted, std::vector<PLeanNode>(rows.begin(), rows.begin() + 3));
    // A row's lines and its selected ancestors: a grandchild under two selected nodes.
    tree.SetChildCount(rows[1], 1);
    tree.ToggleNode(rows[1]);
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.SetSelected(rows[0], true);
    tree.SetSelected(rows[1], true);
    std::vector<TLTLineType> lines;
    EXPECT_EQ(tree.DetermineLineImageAndSelectLevel(rows[1]->FirstChild, lines), 2);
    EXPECT_EQ(lines, (std::vector<TLTLineType>{ltTopDown, ltTopDown, ltTopRight}));
    EXPECT_EQ(tree.DetermineLineImageAndSelectLevel(rows[1], lines), 1);
    EXPECT_EQ(tree.DetermineLineImageAndSelectLevel(rows[3], lines), 0);
    // Without tree lines: an entry per level still, none of them a line.
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowTreeLines);
    EXPECT_EQ(tree.DetermineLineImageAndSelectLevel(rows[1]->FirstChild, lines), 2);
    EXPECT_EQ(lines, std::vector<TLTLineType>(3, ltNone));
}

TEST_F(PaintTest, ColumnsGetTheirColoursGridLinesAndHorizontalScroll) {
    using enum TLTHeaderOption;
    tree.Header().SetOptions({hoVisible});
    for (int w : {120, 100}) {
        TLeanTreeColumn& c = tree.Header().Columns().Add();
        c.SetWidth(w);
    }
    TLeanTreeColumn& second = tree.Header().Columns().Items(1);
    second.SetOptions(second.Options() - TLTColumnOption::coParentColor);
    second.SetColor(clYellow);
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toShowVertGridLines);
    tree.Colors().Set(TLTColors::GridLineColor, clRed);
    tree.UpdateScrollBars(true);
    QImage img = Render();
    int y = 4 * h + 5;
    EXPECT_EQ(At(img, 119, y), QColor(Qt::red)); // the first cell's last pixel column
    EXPECT_EQ(At(img, 150, y), Q(clYellow));     // the coloured column
    EXPECT_EQ(At(img, 219, y), QColor(Qt::red)); // its own grid line
    EXPECT_EQ(At(img, 250, y), Q(clWindow));     // right of the last column
    EXPECT_EQ(At(img, 150, 150), Q(clYellow));   // the column's strip below the rows
    // The same tree rectangle moved: the window's left edge now lies inside column 1.
    img = Render(QRect(100, 0, 200, 200));
    EXPECT_EQ(At(img, 19, y), QColor(Qt::red));
    EXPECT_EQ(At(img, 50, y), Q(clYellow));
}

TEST_F(PaintTest, CellsSpanOverEmptyNeighboursAndTheHostSeesEachCell) {
    using enum TLTHeaderOption;
    tree.Header().SetOptions({hoVisible});
    auto& cols = tree.Header().Columns();
    for (TColor c : {clAqua, clYellow, clLime}) {
        TLeanTreeColumn& col = cols.Add();
        col.SetWidth(cols.Count() == 1 ? 100 : 60);
        col.SetOptions(col.Options() - TLTColumnOption::coParentColor);
        col.SetColor(c);
    }
    // Row 0: the middle cell is empty; row 1: the last one.
    tree.OnGetCellIsEmpty = [&](TBaseLeanTree*, PLeanNode n, TColumnIndex c, bool& empty) {
        empty = (n == rows[0] && c == 1) || (n == rows[1] && c == 2);
    };
    std::vector<std::pair<TColumnIndex, int>> cells; // of row 0: column and width
    tree.OnBeforeCellPaint = [&](TBaseLeanTree*, QPainter&, PLeanNode n, TColumnIndex c, QRect r) {
        if (n == rows[0])
            cells.emplace_back(c, r.width());
    };
    int y0 = h / 2, y1 = h + h / 2;
    QImage img = Render();
    EXPECT_EQ(At(img, 130, y0), Q(clYellow)); // no spanning without the option
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() |
                                      TLTAutoOption::toAutoSpanColumns);
    cells.clear();
    img = Render();
    EXPECT_EQ(At(img, 130, y0), Q(clAqua)); // the first cell covers the empty middle one
    EXPECT_EQ(At(img, 190, y0), Q(clLime));
    EXPECT_EQ(At(img, 130, y1), Q(clYellow));
    EXPECT_EQ(At(img, 190, y1), Q(clYellow)); // the middle cell covers the empty last one
    using Cell = std::pair<TColumnIndex, int>;
    EXPECT_EQ(cells, (std::vector<Cell>{{0, 160}, {2, 60}}));
    // A right-to-left cell is never covered.
    cols.Items(1).SetBiDiMode(bdRightToLeft);
    img = Render();
    EXPECT_EQ(At(img, 130, y0), Q(clYellow));
    // Nor is a fixed cell by a scrolling one.
    cols.Items(1).SetBiDiMode(bdLeftToRight);
    cols.Items(2).SetOptions(cols.Items(2).Options() | TLTColumnOption::coFixed);
    img = Render();
    EXPECT_EQ(At(img, 190, y1), Q(clLime));
    EXPECT_EQ(At(img, 130, y0), Q(clAqua));
}

TEST_F(PaintTest, CheckImageKindsAndTheirPlace) {
    // Each kind has a look of its own, and its images tell the states apart.
    std::vector<QImage> checked;
    for (TCheckImageKind k : {ckLightCheck, ckDarkCheck, ckLightTick, ckDarkTick, ckFlat, ckXP,
                              ckSystem, ckSystemFlat}) {
        auto list = tree.GetCheckImageListFor(k);
        ASSERT_TRUE(list);
        ASSERT_EQ(list->Count(), CheckImageCount);
        for (auto [a, b] : {std::pair{9, 13}, {13, 16}, {13, 21}, {1, 5}, {9, 17}})
            EXPECT_NE(list->Image(a), list->Image(b)) << k << ": " << a << " " << b;
        for (const QImage& other : checked)
            EXPECT_NE(list->Image(13), other) << k;
        checked.push_back(list->Image(13));
    }
    EXPECT_FALSE(tree.GetCheckImageListFor(ckCustom));

    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport);
    tree.SetCheckType(rows[4], ctCheckBox);
    tree.SetCheckState(rows[4], csCheckedNormal);
    QRect box(22, 4 * h, 16, h - 1);
    QImage light = Render().copy(box);
    tree.SetCheckImageKind(ckDarkCheck);
    QImage dark = Render().copy(box);
    EXPECT_NE(light, dark);
    EXPECT_GT(CountColor(dark, QColor(0x80, 0x80, 0x80)), 20); // the dark face
    // ckCustom draws the host's images; without them no check box shows or takes room.
    int label = tree.GetDisplayRect(rows[4], NoColumn, true).left();
    tree.SetCheckImageKind(ckCustom);
    EXPECT_EQ(tree.GetDisplayRect(rows[4], NoColumn, true).left(), label - 18);
    EXPECT_EQ(CountInk(Render().copy(box), Q(clWindow)), 0);
    auto custom = std::make_shared<TLTImageList>(16, 16);
    QImage green(16, 16, QImage::Format_ARGB32);
    green.fill(Qt::green);
    for (int i = 0; i < CheckImageCount; ++i)
        custom->Add(green);
    tree.SetCustomCheckImages(custom);
    EXPECT_EQ(CountColor(Render().copy(box), QColor(Qt::green)), 16 * 16);

    // In a right-to-left cell the check box sits as far from the right edge.
    tree.SetCheckImageKind(ckLightCheck);
    tree.Header().SetOptions({TLTHeaderOption::hoVisible});
    TLeanTreeColumn& col = tree.Header().Columns().Add();
    col.SetWidth(300);
    col.SetBiDiMode(bdRightToLeft);
    QImage img = Render();
    EXPECT_GT(CountInk(img.copy(300 - 22 - 16, 4 * h, 16, h - 1), Q(clWindow)), 20);
    EXPECT_EQ(CountInk(img.copy(22, 4 * h, 16, h - 1), Q(clWindow)), 0);
}

// A flat tree of 100,000 uninitialised rows with its position cache.
class BigPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(300, 200);
        tree.OnInitNode = [&](TBaseLeanTree*, PLeanNode, PLeanNode, TLeanNodeInitStates&) {
            ++inits;
        };
        tree.SetRootNodeCount(100000);
        ASSERT_TRUE(WaitForCache(tree));
        tree.OnBeforeItemPaint = [&](TBaseLeanTree*, QPainter&, PLeanNode n, QRect, bool&) {
            painted.push_back(n);
        };
    }
    TTestTree tree;
    int inits = 0;
    std::vector<PLeanNode> painted;
};

TEST_F(BigPaintTest, OnlyTheRowsInTheUpdateRectangleArePainted) {
    QImage img(300, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    // Tree rows 50,000 to 50,010: the rectangle starts inside row 50,000 and ends inside
    // row 50,010.
    QRect window(0, 18 * 50000 + 5, 300, 18 * 10 + 3);
    tree.PaintTree(p, window, QPoint(0, 0), AllPaintOptions);
    ASSERT_EQ(painted.size(), 11u);
    EXPECT_EQ(tree.AbsoluteIndex(painted.front()), 50000u);
    EXPECT_EQ(tree.AbsoluteIndex(painted.back()), 50010u);
    // Nothing above was visited: only the painted rows were initialised.
    EXPECT_EQ(inits, 11);

    // Through the widget: an update of a band of the viewport paints the rows it meets.
    painted.clear();
    tree.SetOffsetY(-18 * 70000);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QApplication::processEvents();
    painted.clear();
    tree.viewport()->repaint(QRect(0, 36, 300, 18));
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(tree.AbsoluteIndex(painted.front()), 70002u);
}

} // namespace
