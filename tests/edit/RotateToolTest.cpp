// The rotate tool and Edit > Rotate on an offscreen window: the turn dragged about a placed
// centre or typed into the Rotate Objects dialog, read back from the store point by point.
#include "EditToolFixture.h"

#include "edit/widgets/RotateDlg.h"

#include <QLineEdit>
#include <QTimer>

namespace zemo::test {
namespace {


// A quarter turn counter-clockwise about the origin.
Cord Quarter(Cord c)
{
    return {-Masked(c.y) | Flags(c.x), Masked(c.x) | Flags(c.y)};
}

class RotateTest : public EditToolTest {
public:
    // The centre placed at c, then a drag from the east of it to its north: a quarter turn.
    void QuarterTurnAbout(Cord c)
    {
        ClickM(Px(c));
        EXPECT_EQ(RotateTool.RotateState, CentrePlaced);
        EXPECT_TRUE(EditSys.AnchorShown);
        Drag(Px({c.x + 5 * Mm, c.y}), Px({c.x, c.y + 5 * Mm}));
        EXPECT_EQ(RotateTool.RotateState, WaitingForCentre);
        EXPECT_FALSE(EditSys.AnchorShown);
    }
    // Edit > Rotate with the dialog answered by `steps`, which must close it.
    void RotateByDialog(const std::function<void(TRotateDlg&)>& steps)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<TRotateDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        RunInCommandFrame(RotateByAngle);
        EXPECT_TRUE(ran);
    }
    static QLineEdit* Angle(TRotateDlg& d) { return d.findChild<QLineEdit*>(QStringLiteral("AngleE")); }
};

TEST_F(RotateTest, AQuarterTurnDragTurnsPointsExactlyAndAddsNineHundredToTheirAngles)
{
    struct Row {
        const char* what;
        TestObject object;
        int16_t angle;  // afterwards
    };
    TestObject point = TestObject::Point(PointN, 3 * Mm, Mm, 300);
    TestObject text = Text(3 * Mm, -3 * Mm, "Hut");
    text.angle = 100;
    TestObject far = TestObject::Point(PointN, 3 * Mm, Mm, 1700);
    const Row rows[] = {
        {"a point", point, 1200},
        {"a point's angle kept within half a turn", far, -1000},
        {"a text", text, 1000},
        {"a line", TestObject::Line(LineN, {{2 * Mm, Mm}, {4 * Mm | FirstBezierFlag, 3 * Mm},
                                            {6 * Mm | SecondBezierFlag, -Mm}, {7 * Mm, 2 * Mm | CornerFlag}}),
         0},
        {"a rectangle", TestObject::Rect(RectN, 2 * Mm, Mm, 5 * Mm, 3 * Mm), 900},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({r.object});
        SelectAndStart({1}, WorkModes::Rotate);
        ASSERT_EQ(Work.ToolMode, ToolModes::Rotate);
        const std::vector<Cord> before = Points(1);
        QuarterTurnAbout({0, 0});
        const std::vector<Cord> after = Points(1);
        ASSERT_EQ(after.size(), before.size());
        // A text's box is laid out anew round its turned anchor.
        const size_t turned = r.object.type == TextObject ? 1 : before.size();
        for (size_t k = 0; k < turned; ++k)
            EXPECT_EQ(after[k], Quarter(before[k])) << k;
        EXPECT_EQ(Stored(1).Angle, r.angle);
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

TEST_F(RotateTest, WithAHoleSelectedOnlyTheHoleTurns)
{
    OpenEditMap({TestObject::Area(AreaN, {{-5 * Mm, -5 * Mm}, {5 * Mm, -5 * Mm}, {5 * Mm, 5 * Mm}, {-5 * Mm, 5 * Mm},
                                          {Mm, Mm | HoleFlag}, {Mm, 3 * Mm}, {3 * Mm, 3 * Mm}})});
    SelectAndStart({1}, WorkModes::Rotate, 4);
    const std::vector<Cord> before = Points(1);
    QuarterTurnAbout({Mm, Mm});
    const std::vector<Cord> after = Points(1);
    ASSERT_EQ(after.size(), 7u);
    for (size_t k = 0; k < 4; ++k)
        EXPECT_EQ(after[k], before[k]) << k;
    EXPECT_EQ(after[4], (Cord{Mm, Mm | HoleFlag}));
    EXPECT_EQ(after[5], (Cord{-Mm, Mm}));
    EXPECT_EQ(after[6], (Cord{-Mm, 3 * Mm}));
    ExpectNoLeftovers("hole turned");
}

TEST_F(RotateTest, SeveralObjectsTurnInOneStep)
{
    OpenEditMap({TestObject::Point(PointN, 3 * Mm, Mm, 0), TestObject::Line(LineN, {{-2 * Mm, -Mm}, {-4 * Mm, -3 * Mm}})});
    SelectAndStart({1, 2}, WorkModes::Rotate);
    ASSERT_EQ(Work.ToolMode, ToolModes::Rotate);
    CheckUndoRedo([this] { return Snap(); },
                  [this] {
                      QuarterTurnAbout({0, 0});
                      ExpectNoLeftovers("two turned");
                  });
    EXPECT_EQ(Points(1)[0], (Cord{-Mm, 3 * Mm}));
    EXPECT_EQ(Stored(1).Angle, 900);
    EXPECT_EQ(Points(2)[1], (Cord{3 * Mm, -4 * Mm}));
}

TEST_F(RotateTest, EditRotateTurnsTheSelectionAboutTheMapOriginAndTheDialogRefusesFourHundred)
{
    OpenEditMap({TestObject::Point(PointN, 3 * Mm, Mm, 100), Text(-2 * Mm, 4 * Mm, "Hut")});
    InstallEdit();
    SelectAndStart({1, 2}, WorkModes::EditObject);
    RotateByDialog([this](TRotateDlg& d) {
        EXPECT_EQ(d.windowTitle(), "Rotate Objects");
        EXPECT_EQ(Angle(d)->text(), "0");
        Angle(d)->setText("400");
        d.accept();
        EXPECT_TRUE(d.isVisible()) << "400 degrees is beyond the range";
        EXPECT_EQ(messages.Count(), 1);
        Angle(d)->setText("90");
        d.accept();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(Points(1)[0], (Cord{-Mm, 3 * Mm}));
    EXPECT_EQ(Stored(1).Angle, 1000);
    EXPECT_EQ(Points(2)[0], (Cord{-4 * Mm, -2 * Mm}));
    EXPECT_EQ(Stored(2).Angle, 900);
    ExpectNoLeftovers("turned by the menu");
    // Cancel turns nothing; the last angle comes back.
    const MapSnapshot before = Snap();
    RotateByDialog([](TRotateDlg& d) {
        EXPECT_EQ(Angle(d)->text(), "90");
        d.reject();
    });
    EXPECT_EQ(Snap(), before);
    // One object alone, one undo step.
    SelectAndStart({1}, WorkModes::EditObject);
    CheckUndoRedo([this] { return Snap(); }, [this] { RotateSelectionBy(-90); }, UndoWindowEdit, RedoWindowEdit);
    EXPECT_EQ(Points(1)[0], (Cord{3 * Mm, Mm}));
}

TEST_F(RotateTest, EndingTheToolMidTurnLeavesTheObjectsAndNoFeedback)
{
    const struct {
        const char* what;
        std::vector<int> selection;
        bool turning;  // ended while the turn is dragged, else with the centre pressed
    } rows[] = {{"one object", {1}, true}, {"two objects", {1, 2}, true}, {"the centre", {1}, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({TestObject::Line(LineN, {{2 * Mm, Mm}, {6 * Mm, 3 * Mm}}), TestObject::Point(PointN, -3 * Mm, 2 * Mm)});
        SelectAndStart(r.selection, WorkModes::Rotate);
        const MapSnapshot before = Snap();
        PressM(PxMm(0, 0));
        if (r.turning) {
            ReleaseM(PxMm(0, 0));
            PressM(PxMm(5, 0));
            MoveM(PxMm(4, 2));
            MoveM(PxMm(3, 4));
        }
        EndCurrentTool();
        EXPECT_FALSE(EditSys.AnchorShown);
        EXPECT_EQ(Snap(), before);
        ExpectNoLeftovers(r.what);
        ReleaseM(PxMm(3, 4));
        CloseRow();
    }
}

} // namespace
} // namespace zemo::test
