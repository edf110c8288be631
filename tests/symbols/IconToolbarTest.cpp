// Symbol > Edit icon in the running program: the tools sit in one toolbar of the docking
// framework, docked in the dialog's one dock above the picture; each button, docked or
// floating, picks its tool, and the tool draws on the pixels it should; OK stores them.
#include "EditorFlow.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/ToolWindow97.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "symbols/store/IconCodec.h"
#include "symbols/widgets/EditIconDlg.h"

#include <QCoreApplication>
#include <QDir>

#include <set>

using namespace zemo;
using namespace zemo::test;

namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels that differ between two pictures of the icon.
Pixels Changed(const QImage& a, const QImage& b)
{
    Pixels p;
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                p.insert({x, y});
    return p;
}

class IconToolbar : public EditorFlow {
protected:
    // A drag on the enlarged view from icon pixel a to b.
    static void Drag(QWidget* view, QPoint a, QPoint b)
    {
        const auto at = [](QPoint p) {
            return QPoint(p.x() * TIconView::Enlarged + 2, p.y() * TIconView::Enlarged + 2);
        };
        Mouse(view, QEvent::MouseButtonPress, at(a), Qt::LeftButton, Qt::LeftButton);
        Mouse(view, QEvent::MouseMove, at(b), Qt::NoButton, Qt::LeftButton);
        Mouse(view, QEvent::MouseButtonRelease, at(b), Qt::LeftButton, Qt::NoButton);
    }
};

} // namespace

TEST_F(IconToolbar, TheToolsSitInTheDialogsDockedToolbarAndDrawWhereTheyShould)
{
    ASSERT_TRUE(Open(MapWith({TestSymbol::Point(101)})));
    MakeCurrent(0);
    QImage drawn;
    // The checks run apart, so that a failed one still closes the dialog.
    const auto work = [&](TEditIconDlg& d) {
        Settle();
        const QList<TDock97*> docks = d.findChildren<TDock97*>();
        ASSERT_EQ(docks.size(), 1);
        TDock97* dock = docks[0];
        EXPECT_EQ(dock->Position(), DockPosition::Top);
        ASSERT_EQ(dock->DockList().size(), 1u);
        TToolbar97* bar = dock->DockList()[0];
        EXPECT_EQ(bar->DockedTo(), dock);
        QStringList names;
        for (const QWidget* c : bar->Controls()) {
            names << c->objectName();
            EXPECT_TRUE(dock->isAncestorOf(c)) << c->objectName().toStdString();
        }
        EXPECT_EQ(names, QStringList({"PenBtn", "LineBtn", "RectBtn", "FullRectB", "CircleBtn", "FullCircleB",
                                      "Separator", "RotCCWBtn", "RotCWBtn"}));
        // The dock takes the toolbar's row at the top, above the picture.
        QWidget* view = Find(d, "EnlargedB");
        const int dockBottom = dock->mapTo(&d, QPoint(0, dock->height())).y();
        EXPECT_EQ(dock->height(), bar->RowSizeIn(dock) + 4);
        EXPECT_LE(dockBottom, view->mapTo(&d, QPoint(0, 0)).y());
        auto* grid = Find<TColorGrid>(d, "ColorGrid");
        ProgramFixture::Click(grid, grid->CellRect(5).center());  // red
        ASSERT_EQ(d.Editor().Color(), qRgb(255, 0, 0));

        // Floated by a double-click on its grip, its pen still draws; docked again by one on it.
        QWidget* grip = bar->Host()->findChild<QWidget*>(QStringLiteral("Grip"));
        ASSERT_NE(grip, nullptr);
        ProgramFixture::Mouse(grip, QEvent::MouseButtonDblClick, {4, 4}, Qt::LeftButton, Qt::LeftButton);
        ProgramFixture::Settle();
        ASSERT_FALSE(bar->Docked());
        ASSERT_NE(bar->FloatingWindow(), nullptr);
        auto* pen = Find<TToolbarButton97>(d, "LineBtn");
        EXPECT_TRUE(bar->FloatingWindow()->isAncestorOf(pen));
        ProgramFixture::Click(pen, pen->rect().center());
        QImage before = d.Editor().Image();
        Drag(view, {20, 0}, {20, 5});
        EXPECT_EQ(Changed(before, d.Editor().Image()).size(), 6u) << "a line of six pixels";
        ProgramFixture::Mouse(bar->FloatingWindow()->Client(), QEvent::MouseButtonDblClick, {2, 2}, Qt::LeftButton,
                              Qt::LeftButton);
        ProgramFixture::Settle();
        EXPECT_EQ(bar->DockedTo(), dock);

        // Each tool in a box of 5 x 6 pixels of its own, dragged from its top-left corner.
        struct Case {
            const char* button;
            QPoint from;
        };
        const Case cases[] = {{"PenBtn", {0, 0}},   {"LineBtn", {6, 0}},    {"RectBtn", {12, 0}},
                              {"FullRectB", {0, 8}}, {"CircleBtn", {6, 8}}, {"FullCircleB", {12, 8}}};
        size_t outline = 0;
        for (const Case& c : cases) {
            auto* b = Find<TToolbarButton97>(d, c.button);
            ProgramFixture::Click(b, b->rect().center());
            EXPECT_TRUE(b->Down()) << c.button;
            before = d.Editor().Image();
            const QPoint to = c.from + QPoint(4, 5);
            Drag(view, c.from, to);
            const Pixels p = Changed(before, d.Editor().Image());
            const QRect box(c.from, to);
            const std::string tool = c.button;
            int left = 99, right = -1, top = 99, bottom = -1;
            for (const auto& [x, y] : p) {
                EXPECT_TRUE(box.contains(x, y)) << tool << " " << x << "," << y;
                EXPECT_EQ(d.Editor().Image().pixel(x, y), qRgb(255, 0, 0)) << tool;
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
            }
            const auto has = [&p](QPoint q) { return p.count({q.x(), q.y()}) == 1; };
            const QPoint centre = c.from + QPoint(2, 3);
            if (tool == "PenBtn") {
                EXPECT_EQ(p, Pixels({{0, 0}, {4, 5}})) << "where the mouse was";
                continue;
            }
            EXPECT_EQ(QRect(QPoint(left, top), QPoint(right, bottom)), box) << tool << ": both corners inside";
            if (tool == "LineBtn") {
                EXPECT_EQ(p.size(), 6u);
                EXPECT_TRUE(has(c.from) && has(to));
            } else if (tool == "RectBtn") {
                EXPECT_EQ(p.size(), 18u);
                EXPECT_FALSE(has(centre));
            } else if (tool == "FullRectB") {
                EXPECT_EQ(p.size(), 30u);
            } else if (tool == "CircleBtn") {
                EXPECT_FALSE(has(centre));
                EXPECT_FALSE(has(c.from)) << "the corners stay out";
                outline = p.size();
            } else {
                EXPECT_TRUE(has(centre));
                EXPECT_FALSE(has(c.from));
                EXPECT_GT(p.size(), outline);
            }
        }
        drawn = d.Editor().Image();
        const QString folder = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../screenshots"));
        QDir().mkpath(folder);
        d.grab().save(folder + QStringLiteral("/icon-editor.png"));
    };
    script.Then<TEditIconDlg>([&](TEditIconDlg& d) {
        work(d);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolIcon);
    ASSERT_FALSE(drawn.isNull());
    const std::vector<uint8_t> rec = StoredRecord(0);
    QImage stored;
    ASSERT_EQ(DecodeRecordIcon(rec, stored), IconDecodeResult::Complete);
    EXPECT_TRUE(Changed(stored, drawn).empty());
    EXPECT_EQ(messages.Count(), 0);
}
