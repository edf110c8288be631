// Every drawing tool in the running program: a new map from the shipped orienteering set, an
// object drawn by each tool, then saved, closed and opened again.
#include "../support/ProgramFixture.h"
#include "core/Config.h"
#include "document/Index.h"
#include "core/Help.h"
#include "edit/Dr45.h"
#include "edit/DrEllips.h"
#include "edit/DrFree.h"
#include "edit/DrPoint.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "render/Scale.h"
#include "render/Texts.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>

using namespace zemo;

namespace {

// One stored object, field by field.
struct Stored {
    int16_t symbol = 0;
    uint8_t type = 0;
    int16_t angle = 0;
    std::vector<Cord> cords;
    std::u16string text;
    friend bool operator==(const Stored&, const Stored&) = default;
};

class DrawToolsFlow : public zemo::test::ProgramFixture {
protected:
    // The first usable symbol of a kind (a plain line, not a line text).
    void UseSymbol(int type)
    {
        TZmd& z = *Index.ActiveZmd;
        for (int i = 0; i < z.SymbolCount(); ++i) {
            const SymbolBytes& s = z.Symbols[size_t(i)];
            if (SymI16(s, SymObjectType) == type && (type != LineObject || SymU8(s, SymTextFlag) == 0)
                && (SymU8(s, SymStatus) & SymbolStatusMask) == 0) {
                SetCurrentSymbolPos(i);
                return;
            }
        }
        FAIL() << "no symbol of type " << type;
    }
    void StartTool(int type, Cmd button)
    {
        UseSymbol(type);
        Trigger(button);
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {5, 5});
    }
    void Press(QPoint p) { Mouse(Surface(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void Hover(QPoint p) { Mouse(Surface(), QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
    void Type(const QString& s)
    {
        for (QChar c : s) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(Surface(), &press);
        }
        Settle();
    }
    static std::vector<Stored> Objects()
    {
        std::vector<Stored> all;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
            if (!EntryLive(Index.ActiveZmd->Entry(n)) || !ReadElement(n, AuxElement1))
                continue;
            Stored s{AuxElement1.Symbol, AuxElement1.ObjectType, AuxElement1.Angle,
                     {AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem}, {}};
            if (s.type == TextObject || (s.type == RectangleObject && AuxElement1.nText > 0)) {
                PrepareTextSymbol(AuxElement1);
                RestoreTextColor();
                s.text = Texts.TextBuffer;
            }
            all.push_back(std::move(s));
        }
        return all;
    }
    static Cord At(QPoint p) { return DeviceToCord(p); }
};

TEST_F(DrawToolsFlow, AnObjectOfEachToolComesBackWithItsPointsFlagsAngleAndText)
{
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    ProgramConfig.AutoJoin = false;

    StartTool(LineObject, Cmd::StraightBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Freehand);
    DragPoint(Surface(), {60, 60}, {160, 60});
    DragPoint(Surface(), {160, 60}, {160, 120});
    Click(Surface(), {160, 120});

    StartTool(AreaObject, Cmd::FreehandBtn);
    Click(Surface(), {200, 60});
    for (QPoint p : {QPoint(230, 90), QPoint(260, 70), QPoint(290, 110), QPoint(250, 140)})
        Hover(p);
    Click(Surface(), {250, 140});

    StartTool(LineObject, Cmd::RectangularBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Rectangular);
    DragPoint(Surface(), {60, 160}, {140, 160});
    DragPoint(Surface(), {140, 200}, {145, 220});
    Click(Surface(), {100, 240});

    StartTool(AreaObject, Cmd::CircleBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Circle);
    DragPoint(Surface(), {200, 180}, {260, 180});

    StartTool(LineObject, Cmd::EllipseBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Ellipse);
    DragPoint(Surface(), {300, 160}, {380, 200});
    DragPoint(Surface(), {340, 170}, {330, 160});

    StartTool(PointObject, Cmd::CurveBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlacePoint);
    DragPoint(Surface(), {60, 280}, {100, 280});

    StartTool(RectangleObject, Cmd::CurveBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlacePoint);
    DragPoint(Surface(), {140, 300}, {200, 260});

    StartTool(TextObject, Cmd::CurveBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlaceText);
    Click(Surface(), {260, 290});
    ASSERT_TRUE(EditSys.TypingActive);
    Type(QStringLiteral("Hill 12"));
    Trigger(Cmd::StraightBtn);  // another tool: typing ends
    EXPECT_FALSE(EditSys.TypingActive);

    const std::vector<Stored> drawn = Objects();
    ASSERT_EQ(drawn.size(), 8u);
    EXPECT_EQ(messages.Count(), 0);
    // What each gesture made, as far as it is fixed by the gesture alone.
    const Cord a = At({60, 60}), b = At({160, 60}), c = At({160, 120});
    EXPECT_EQ(drawn[0].cords, (std::vector<Cord>{a, {b.x, b.y | CornerFlag}, c}));
    EXPECT_EQ(drawn[1].type, AreaObject);
    EXPECT_EQ(drawn[1].cords.front(), At({200, 60}));
    EXPECT_GE(drawn[1].cords.size(), 3u);
    ASSERT_EQ(drawn[2].cords.size(), 5u);
    EXPECT_EQ(drawn[2].cords[2], (Cord{At({140, 220}).x, At({140, 220}).y | CornerFlag}));
    ASSERT_EQ(drawn[3].cords.size(), 13u);
    EXPECT_EQ(drawn[3].cords[0], At({200, 180}));
    EXPECT_EQ(drawn[4].cords[6].y & CornerFlag, CornerFlag);
    EXPECT_EQ(drawn[5].type, PointObject);
    EXPECT_EQ(drawn[5].angle, -900);
    EXPECT_EQ(drawn[5].cords, std::vector<Cord>{At({60, 280})});
    EXPECT_EQ(drawn[6].cords, (std::vector<Cord>{At({140, 300}), {At({200, 300}).x, At({140, 300}).y},
                                                 At({200, 260}), {At({140, 260}).x, At({200, 260}).y}}));
    EXPECT_EQ(drawn[7].type, TextObject);
    EXPECT_EQ(drawn[7].cords[0], At({260, 290}));
    EXPECT_EQ(drawn[7].text, u"Hill 12");

    const QString saved = TempPath(QStringLiteral("drawn.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSave);
    Trigger(Cmd::FileClose);
    ASSERT_FALSE(Index.MapOpen);
    // The saved map for people and other programs to look at.
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    QFile::remove(samples + QStringLiteral("/drawing-tools.zmd"));
    QFile::copy(saved, samples + QStringLiteral("/drawing-tools.zmd"));

    ASSERT_TRUE(OpenMap(saved));
    EXPECT_EQ(Objects(), drawn);
}

} // namespace

namespace {

TEST(DrawToolsHelp, EachToolAndDialogOpensItsOwnPage)
{
    const struct {
        int context;
        const char* page;
    } rows[] = {{StraightHelpContext, "line-tools.html"}, {FreehandHelpContext, "line-tools.html"},
                {RectangularHelpContext, "rectangular-tool.html"}, {CircleHelpContext, "circle-tools.html"},
                {EllipseHelpContext, "circle-tools.html"}, {PointHelpContext, "placing-tools.html"},
                {RectangleHelpContext, "placing-tools.html"}, {DrawLineHelpContext, "draw-line.html"},
                {DrawRectHelpContext, "draw-rectangle.html"}};
    for (const auto& r : rows) {
        const HelpTarget t = FindHelpPage(r.context);
        EXPECT_TRUE(t.exact) << r.context;
        EXPECT_EQ(QFileInfo(t.path).fileName().toStdString(), r.page) << r.context;
    }
}

} // namespace
