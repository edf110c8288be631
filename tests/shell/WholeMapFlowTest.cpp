// The whole-map commands in the running program: a map from the shipped orienteering set is
// moved, rotated, rescaled and given grid lines through the Extras menu and its dialogs, then
// saved, closed and opened again; the saved file is read at its literal offsets.
#include "../support/MapFileObjects.h"
#include "../support/ProgramFixture.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "edit/widgets/ChangeScaleDlg.h"
#include "edit/widgets/GridLineDlg.h"
#include "edit/widgets/MoveMapDlg.h"
#include "edit/widgets/RotateMapDlg.h"
#include "edit/widgets/StretchMapDlg.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "render/GraphSys.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;
constexpr int16_t Contour = 1010;
constexpr int16_t Pit = 1120;  // a rotatable point symbol

class WholeMapFlow : public ProgramFixture {
protected:
    // The command through its menu item, its dialog worked by `steps` once it is up.
    template <class D>
    void RunDialog(Cmd c, const std::function<void(D&)>& steps)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr) << CmdName(c);
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        Trigger(c);
        EXPECT_TRUE(ran) << CmdName(c);
    }
    static void Set(QWidget& d, const char* name, const QString& text)
    {
        auto* e = d.findChild<QLineEdit*>(QString::fromLatin1(name));
        ASSERT_NE(e, nullptr) << name;
        e->setText(text);
    }
    static int PositionOf(int16_t number)
    {
        const TZmd& z = *Index.ActiveZmd;
        for (int i = 0; i < z.SymbolCount(); ++i)
            if (SymI16(z.Symbols[size_t(i)], SymNumber) == number)
                return i;
        return -1;
    }
    static void Append(int16_t symbol, uint8_t type, std::vector<Cord> cords)
    {
        ASSERT_TRUE(InitElement(CurElement, symbol, type, uint16_t(cords.size()), 0, 0));
        std::copy(cords.begin(), cords.end(), CurElement.Cords());
        ASSERT_TRUE(AppendElement());
    }
};

// Where a point ends: moved by (10, -5) mm, turned 30 degrees, grown by 15000 / 10000; each
// step masks its coordinates and keeps the point's flags.
Cord Expected(Cord p)
{
    const auto masked = [](double v, int32_t flags) {
        return int32_t(int64_t(std::nearbyint(v)) & ~int64_t(FlagMask)) | flags;
    };
    const int32_t fx = Flags(p.x), fy = Flags(p.y);
    const double x = Masked(p.x) + 10.0 * Mm, y = Masked(p.y) - 5.0 * Mm;
    const double a = 30 * std::numbers::pi / 180;
    const int32_t rx = masked(x * std::cos(a) - y * std::sin(a), 0);
    const int32_t ry = masked(x * std::sin(a) + y * std::cos(a), 0);
    return {masked(rx * 1.5, fx), masked(ry * 1.5, fy)};
}

TEST_F(WholeMapFlow, MoveRotateRescaleAndGridLinesReachTheSavedFile)
{
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    ASSERT_EQ(Index.ActiveZmd->Setup.MapScale, 15000);
    const std::vector<Cord> line = {{-20 * Mm, 3 * Mm | CornerFlag},
                                    {(-10 * Mm + 77) | FirstBezierFlag, 12 * Mm},
                                    {5 * Mm | SecondBezierFlag, 12 * Mm + 300},
                                    {15 * Mm | NoLeftLineFlag, -4 * Mm | NoRightLineFlag}};
    const std::vector<Cord> point = {{7 * Mm + 128, -9 * Mm}};
    Append(Contour, LineObject, line);
    Append(Pit, PointObject, point);
    ASSERT_EQ(Index.ActiveZmd->HighestObject, 2);

    RunDialog<TMoveMapDlg>(Cmd::ExtrasMove, [](TMoveMapDlg& d) {
        Set(d, "HorMoveE", "10");
        Set(d, "VerMoveE", "-5");
        d.accept();
    });
    RunDialog<TRotateMapDlg>(Cmd::ExtrasRotate, [](TRotateMapDlg& d) {
        Set(d, "AngleE", "30");
        d.findChild<QCheckBox*>("RotSymB")->setChecked(true);
        d.accept();
    });
    RunDialog<TChangeScaleDlg>(Cmd::ExtrasChangeScale, [](TChangeScaleDlg& d) {
        d.findChild<QComboBox*>("NewScaleB")->setEditText("10000");
        d.accept();
    });
    SetCurrentSymbolPos(PositionOf(Contour));
    RunDialog<TGridLineDlg>(Cmd::ExtrasGridLine, [](TGridLineDlg& d) {
        for (const char* f : {"HorDistE", "VerDistE"})
            Set(d, f, "50");
        for (const char* f : {"AngleE", "HorOfsE", "VerOfsE"})
            Set(d, f, "0");
        d.accept();
    });
    EXPECT_EQ(messages.Count(), 0);
    // The grid lines are the one step left to take back.
    Frame().UpdateCommandStates();
    EXPECT_TRUE(Frame().Action(Cmd::EditUndo)->isEnabled());

    const QString saved = TempPath(QStringLiteral("whole-map.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSave);
    Trigger(Cmd::FileClose);
    ASSERT_EQ(Index.ActiveZmd, nullptr);
    ASSERT_TRUE(OpenMap(saved));
    EXPECT_EQ(Index.ActiveZmd->Setup.MapScale, 10000);

    std::ifstream in(QFile::encodeName(saved).toStdString(), std::ios::binary);
    const std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(b.size(), kVariablePartPos);
    EXPECT_EQ(SetupF64(b, setup::MapScale), 10000);
    EXPECT_EQ(SetupF64(b, setup::RealWorldAngle), 30);

    const FileObject l = *ObjectInFile(b, 1);
    EXPECT_EQ(l.symbol, Contour);
    EXPECT_EQ(l.type, LineObject);
    EXPECT_EQ(l.angle, 300);
    ASSERT_EQ(l.cords.size(), line.size());
    for (size_t i = 0; i < line.size(); ++i)
        EXPECT_EQ(l.cords[i], Expected(line[i])) << i;
    const FileObject p = *ObjectInFile(b, 2);
    EXPECT_EQ(p.symbol, Pit);
    EXPECT_EQ(p.angle, 300);
    EXPECT_EQ(p.cords[0], Expected(point[0]));

    // The grid: lines of the contour symbol every 50 mm, across and up, within the map.
    int across = 0, up = 0;
    for (int n = 3; n <= ObjectSlotsInFile(b); ++n) {
        const std::optional<FileObject> g = ObjectInFile(b, n);
        if (!g)
            continue;
        ASSERT_EQ(g->symbol, Contour);
        ASSERT_EQ(g->cords.size(), 2u);
        const Cord s = g->cords[0], e = g->cords[1];
        if (s.y == e.y && s.y % (50 * Mm) == 0)
            ++across;
        else if (s.x == e.x && s.x % (50 * Mm) == 0)
            ++up;
        else
            ADD_FAILURE() << n << ": " << s.x << "," << s.y << " " << e.x << "," << e.y;
    }
    EXPECT_GT(across, 0);
    EXPECT_GT(up, 0);

    // Left for people and other programs to look at.
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    QFile::remove(samples + QStringLiteral("/whole-map-commands.zmd"));
    EXPECT_TRUE(QFile::copy(saved, samples + QStringLiteral("/whole-map-commands.zmd")));
}

TEST_F(WholeMapFlow, TheCommandsAreOfferedWithAMapAndChangeSymbolsHasItsButton)
{
    const Cmd extras[] = {Cmd::ExtrasMove, Cmd::ExtrasStretch, Cmd::ExtrasRotate, Cmd::ExtrasChangeSym,
                          Cmd::ExtrasChangeScale, Cmd::ExtrasGridLine, Cmd::ChangeAllSymBtn,
                          Cmd::ExtrasConvertLayers};
    Frame().UpdateCommandStates();
    for (Cmd c : extras)
        EXPECT_FALSE(Frame().Action(c)->isEnabled()) << CmdName(c);
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    Frame().UpdateCommandStates();
    for (Cmd c : extras)
        EXPECT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
}

} // namespace

// Extras > Stretch map 80 % on areas with a hole whose first point lies on one row with corners
// of the outer ring, through the middle of the area's height. The second hole's base runs nearly
// along that row: a point put on the base where the area is cut into pieces, rounded to another
// pixel row than the base, bends it by a row over a long stretch and lets the fill into the hole.
// At 2.4X, 4X and 8X, from view positions fractions of a pixel apart, the window shows what
// QPainter fills with the stored rings: no pixel differs away from an edge, and no more than two
// side by side along a row.
TEST_F(WholeMapFlow, AStretchedAreaWithAHoleOnTheCuttingRowPaintsAsItsRings)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Area(301)};
    const int32_t u = Mm / 20;  // 80 % of it is a whole number of grid steps
    const int32_t dx = 600 * Mm; // the second area, far beside the first
    w.objects.push_back(TestObject::Area(
        301, {{-15 * Mm, 0}, {-7 * Mm, -20 * Mm}, {7 * Mm + 3 * u, -20 * Mm}, {15 * Mm + 7 * u, 0},
              {7 * Mm, 20 * Mm}, {-7 * Mm - 5 * u, 20 * Mm}, {-15 * Mm, 0},
              {-5 * Mm, 0 | HoleFlag}, {5 * Mm + 9 * u, -5 * Mm + 3 * u}, {4 * Mm, 0}, {4 * Mm - 2 * u, 5 * Mm},
              {-5 * Mm, 0}}));
    w.objects.push_back(TestObject::Area(
        301, {{dx - 15 * Mm, 0}, {dx - 7 * Mm, -20 * Mm}, {dx + 7 * Mm, -20 * Mm}, {dx + 15 * Mm, 0},
              {dx + 7 * Mm, 20 * Mm}, {dx - 7 * Mm, 20 * Mm},
              {dx - 22 * u, 0 | HoleFlag}, {dx + 40 * u, 56 * u}, {dx + 98 * u, 2 * u}}));
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("hole.zmd")));
    Frame().UpdateCommandStates();
    if (Frame().Action(Cmd::GridBtn)->isChecked())
        Trigger(Cmd::GridBtn);
    RunDialog<TStretchMapDlg>(Cmd::ExtrasStretch, [](TStretchMapDlg& d) {
        Set(d, "HorStretchE", "80");
        Set(d, "VerStretchE", "80");
        d.accept();
    });
    ASSERT_TRUE(ReadElement(1, CurElement));
    ASSERT_EQ(CurElement.Cords()[7], (Cord{-4 * Mm, 0 | HoleFlag}));
    TZmd& z = *Index.ActiveZmd;
    // 1 where the picture is dark, row by row.
    const auto dark = [](const QImage& img) {
        std::vector<uint8_t> d(size_t(img.width()) * size_t(img.height()));
        for (int y = 0; y < img.height(); ++y) {
            const auto* px = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x)
                d[size_t(y) * size_t(img.width()) + size_t(x)] = qGray(px[x]) < 128;
        }
        return d;
    };
    for (int n : {1, 2}) {
        ASSERT_TRUE(ReadElement(n, CurElement));
        const int32_t x0 = Masked(CurElement.Cords()[0].x) + 12 * Mm;
        for (double zoom : {2.4, 4.0, 8.0})
            for (int32_t off : {0, 256, 768, 1280, 3 * 2048 + 512, 7 * 2048 + 1024}) {
                z.Setup.Zoom = zoom;
                z.Setup.ViewCenterX = x0 + off;
                z.Setup.ViewCenterY = off;
                Trigger(Cmd::ViewRedraw);
                UpdateViewOf(ActiveChild()->View());
                QPainterPath rings;
                rings.setFillRule(Qt::OddEvenFill);
                for (int i = 0; i < CurElement.nItem; ++i) {
                    const Cord c = CurElement.Cords()[i];
                    const QPointF d = CordToDeviceF(c);
                    const QPointF p(std::nearbyint(d.x()), std::nearbyint(d.y()));
                    if (i == 0 || (c.y & HoleFlag)) {
                        rings.closeSubpath();
                        rings.moveTo(p);
                    } else {
                        rings.lineTo(p);
                    }
                }
                rings.closeSubpath();
                const QImage& shown = ActiveChild()->Surface();
                QImage want(shown.size(), QImage::Format_RGB32);
                want.fill(Qt::white);
                QPainter painter(&want);
                painter.fillPath(rings, Qt::black);
                painter.end();
                const std::vector<uint8_t> got = dark(shown), exact = dark(want);
                const int W = want.width();
                int wrong = 0, longest = 0;
                for (int y = 1; y + 1 < want.height(); ++y)
                    for (int x = 1, run = 0; x + 1 < W; ++x) {
                        const size_t at = size_t(y) * size_t(W) + size_t(x);
                        bool edge = false;
                        for (int k = 0; k < 9; ++k)
                            edge = edge || exact[at + size_t((k / 3 - 1) * W + k % 3 - 1)] != exact[at];
                        run = got[at] != exact[at] ? run + 1 : 0;
                        longest = std::max(longest, run);
                        wrong += !edge && got[at] != exact[at];
                    }
                EXPECT_LE(longest, 2) << "area " << n << ", zoom " << zoom << ", view moved by " << off;
                EXPECT_EQ(wrong, 0) << "area " << n << ", zoom " << zoom << ", view moved by " << off;
            }
    }
}
