// The document windows in the main frame: cascaded and restored windows keep a size to work
// in, every window carries the program's icon, and a session of opening, arranging and
// closing maps writes nothing to the terminal.
#include "ShellFixture.h"

#include "shell/widgets/DocumentLinks.h"
#include "shell/widgets/ToolIcons.h"

#include <QApplication>
#include <QMdiSubWindow>

#include <set>

using namespace zemo;

namespace {

struct CascadeCase {
    QSize area;
    int count;
    int step;
};

TEST(CascadeGeometry, WindowsStayInsideWithTheirTitleBarsFreeAndAUsableSize)
{
    const CascadeCase cases[] = {
        {{900, 600}, 1, 20}, {{900, 600}, 3, 20},  {{900, 600}, 11, 20},
        {{900, 600}, 12, 20}, {{900, 600}, 40, 20}, {{300, 200}, 5, 25},
        {{30, 20}, 4, 25},
    };
    for (const CascadeCase& c : cases) {
        const std::vector<QRect> g = CascadeGeometry(c.area, c.count, c.step);
        const std::string what = std::to_string(c.count) + " in " +
                                 std::to_string(c.area.width()) + "x" +
                                 std::to_string(c.area.height());
        ASSERT_EQ(int(g.size()), c.count) << what;
        std::set<std::pair<int, int>> corners;
        for (const QRect& r : g) {
            EXPECT_TRUE(QRect(QPoint(0, 0), c.area).contains(r)) << what;
            EXPECT_EQ(r.size(), g.front().size()) << what;
            corners.insert({r.left(), r.top()});
        }
        EXPECT_EQ(int(corners.size()), c.count) << what << ": a title bar is covered";
        // The offsets take at most a third of the area: two thirds are left to work in.
        if (c.area.height() / 3 >= c.step) {
            EXPECT_GE(g.front().width() * 3, c.area.width() * 2 - 3 * c.step) << what;
            EXPECT_GE(g.front().height() * 3, c.area.height() * 2) << what;
        }
    }
    // One window takes the whole area; three step down by one title bar each.
    EXPECT_EQ(CascadeGeometry({900, 600}, 1, 20), (std::vector<QRect>{{0, 0, 900, 600}}));
    EXPECT_EQ(CascadeGeometry({900, 600}, 3, 20),
              (std::vector<QRect>{{0, 0, 860, 560}, {20, 20, 860, 560}, {40, 40, 860, 560}}));
    EXPECT_TRUE(CascadeGeometry({900, 600}, 0, 20).empty());
    EXPECT_EQ(UsableWindowSize({800, 600}), QSize(600, 450));
    EXPECT_EQ(UsableWindowSize({200, 100}), QSize(200, 100));
}

class MapWindows : public test::ShellTest {
protected:
    QList<QMdiSubWindow*> Subs() const { return Frame().MdiArea()->subWindowList(); }
    QSize Area() const { return Frame().MdiArea()->viewport()->size(); }
};

TEST_F(MapWindows, CascadedAndRestoredWindowsKeepAUsableSize)
{
    for (const char* name : {"a.zmd", "b.zmd", "c.zmd"})
        ASSERT_TRUE(OpenSample(QLatin1String(name)));
    QMdiSubWindow* active = Subs().last();
    Activate(active);
    Choose(Cmd::WindowCascade);
    ASSERT_EQ(Subs().size(), 3);
    std::set<int> tops;
    for (QMdiSubWindow* w : Subs()) {
        EXPECT_FALSE(w->isMaximized());
        EXPECT_TRUE(QRect(QPoint(0, 0), Area()).contains(w->geometry()));
        EXPECT_GE(w->width() * 2, Area().width()) << "cascaded to a title bar";
        EXPECT_GE(w->height() * 2, Area().height()) << "cascaded to a title bar";
        tops.insert(w->y());
    }
    EXPECT_EQ(tops.size(), 3u) << "each title bar shows";
    // Activations the window system still delivers settle on the window that was active.
    for (int i = 0; i < 50 && Frame().MdiArea()->activeSubWindow() != active; ++i)
        Settle();
    EXPECT_EQ(Frame().MdiArea()->activeSubWindow(), active);
    EXPECT_EQ(active->y(), *tops.rbegin()) << "the active window stays in front";

    // A maximised window put back to normal keeps most of the area.
    Choose(Cmd::WindowTile);
    active->showMaximized();
    Settle();
    active->showNormal();
    Settle();
    EXPECT_GE(active->width() * 2, Area().width());
    EXPECT_GE(active->height() * 2, Area().height());
}

TEST_F(MapWindows, TheFrameAndEveryMapWindowCarryTheProgramsIcon)
{
    ASSERT_TRUE(OpenSample());
    const QImage own = ProgramIcon().pixmap(16).toImage();
    for (const QWidget* w : {static_cast<const QWidget*>(&Frame()),
                             static_cast<const QWidget*>(Subs().first())}) {
        ASSERT_FALSE(w->windowIcon().isNull()) << w->objectName().toStdString();
        EXPECT_EQ(w->windowIcon().pixmap(16).toImage(), own) << w->objectName().toStdString();
    }
    EXPECT_EQ(QApplication::windowIcon().pixmap(16).toImage(), own) << "the dialogs' icon";
}

// Everything the toolkit would print goes here.
std::vector<std::string>* Printed = nullptr;

void Catch(QtMsgType, const QMessageLogContext&, const QString& text)
{
    // The test platform's own notice; a screen has what it misses.
    if (text.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (Printed)
        Printed->push_back(text.toStdString());
}

TEST_F(MapWindows, OpeningArrangingAndClosingMapsPrintsNothing)
{
    std::vector<std::string> printed;
    Printed = &printed;
    const QtMessageHandler before = qInstallMessageHandler(Catch);
    ASSERT_TRUE(OpenSample(QStringLiteral("a.zmd")));
    ChooseSymbol(1);
    test::TestMapWriter course = test::TestMapWriter::Sample(8);
    course.fileType = 3;
    ASSERT_TRUE(OpenWritten(course, QStringLiteral("course.zmd")));
    ASSERT_TRUE(Index.ActiveZmd->CourseMap);
    ASSERT_TRUE(OpenSample(QStringLiteral("b.zmd")));
    Choose(Cmd::WindowCascade);
    Choose(Cmd::WindowTile);
    Choose(Cmd::ViewZoomIn);
    messages.SetDefaultAnswer(IdNo);
    for (int i = 0; i < 3; ++i)
        Choose(Cmd::FileClose);
    qInstallMessageHandler(before);
    Printed = nullptr;
    EXPECT_EQ(Windows(), 0);
    EXPECT_EQ(printed, std::vector<std::string>{});
}

} // namespace
