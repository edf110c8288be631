// The map store's commands in the running program: Extras > Export symbols writes the objects
// of the chosen symbols; Extras > Optimize and repair shows its report; File > Save as writes
// versions 7 and 6, whose maps open again with every object, long lines in pieces that join to
// the original and long areas in pieces whose areas add up to it.
#include "../support/ProgramFixture.h"
#include "../support/MapSnapshot.h"
#include "../support/TestMapReader.h"
#include "core/Config.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "core/Setup.h"
#include "document/Open.h"
#include "document/widgets/OptimizeDlg.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QMdiArea>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <map>
#include <memory>
#include <numbers>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;
constexpr int16_t PointSym = 101, LineSym = 201, LongLineSym = 202, AreaSym = 301, LongAreaSym = 302,
                  TextSym = 401, LineTextSym = 501, RectSym = 601;

class StoreCommandsFlow : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        // The old versions' questions and the warning are answered OK.
        messages.SetDefaultAnswer(IdOk);
    }
    static TestMapWriter Symbols()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(PointSym), TestSymbol::Line(LineSym), TestSymbol::Line(LongLineSym),
                     TestSymbol::Area(AreaSym),   TestSymbol::Area(LongAreaSym), TestSymbol::Text(TextSym),
                     TestSymbol::LineText(LineTextSym), TestSymbol::Rect(RectSym)};
        return w;
    }
    // The live objects of the current map by number, as the store reads them.
    static std::map<int, ElementRecord*> Objects(std::vector<std::unique_ptr<ElementRecord>>& keep)
    {
        std::map<int, ElementRecord*> all;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, CurElement)) {
                keep.push_back(std::make_unique<ElementRecord>(CurElement));
                all[n] = keep.back().get();
            }
        return all;
    }
    static void KeepSample(const QString& saved, const QString& name)
    {
        const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
        QDir().mkpath(samples);
        QFile::remove(samples + u'/' + name);
        EXPECT_TRUE(QFile::copy(saved, samples + u'/' + name));
    }
};

std::vector<Cord> Circle(int n, double radiusMm, bool hole)
{
    std::vector<Cord> c;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n * (hole ? -1 : 1);
        c.push_back({int32_t(std::lround(radiusMm * Mm * std::cos(a))) & CoordMask,
                     int32_t(std::lround(radiusMm * Mm * std::sin(a))) & CoordMask});
    }
    if (hole)
        c[0].y |= HoleFlag;
    return c;
}

double RingArea(const Cord* c, int n)
{
    double a = 0;
    for (int i = 0; i < n; ++i) {
        const Cord p = c[i], q = c[(i + 1) % n];
        a += double(Masked(p.x)) * Masked(q.y) - double(Masked(q.x)) * Masked(p.y);
    }
    return std::abs(a) / 2;
}

// The area of an object of straight rings: its first ring less its holes.
double AreaOf(const ElementRecord& e)
{
    double area = 0;
    for (int start = 0; start < e.nItem;) {
        int end = start + 1;
        while (end < e.nItem && !(e.Slots[size_t(end)].y & HoleFlag))
            ++end;
        area += (start == 0 ? 1 : -1) * RingArea(e.Cords() + start, end - start);
        start = end;
    }
    return area;
}

std::vector<TestCord> Tests(const std::vector<Cord>& c)
{
    std::vector<TestCord> t;
    for (const Cord& p : c)
        t.push_back({p.x, p.y});
    return t;
}

TEST_F(StoreCommandsFlow, ExportSymbolsWritesTheObjectsOfTheChosenSymbolsAndEverySymbol)
{
    TestMapWriter w = Symbols();
    w.objects = {TestObject::Point(PointSym, 0, 0), TestObject::Line(LineSym, {{0, 0}, {Mm, Mm}}),
                 TestObject::Point(PointSym, Mm, 0), TestObject::Area(AreaSym, {{0, 0}, {Mm, 0}, {0, Mm}})};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("export.zmd")));
    TZmd& z = *Index.ActiveZmd;
    const struct {
        int current;                // list position, -1: none
        std::vector<int> selected;  // list positions selected in the symbol box
        std::vector<int> symbols;   // of the objects written
    } cases[] = {{1, {0, 3}, {LineSym}}, {-1, {0, 3}, {PointSym, PointSym, AreaSym}}};
    int k = 0;
    for (const auto& c : cases) {
        SetCurrentSymbolPos(c.current);
        for (int i = 0; i < z.SymbolCount(); ++i)
            SetSymU8(z.Symbols[size_t(i)], SymSelected,
                     std::find(c.selected.begin(), c.selected.end(), i) != c.selected.end());
        const QString target = TempPath(QStringLiteral("symbols%1.zmd").arg(++k));
        dialogs.QueueAnswer(true, target);
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(Cmd::ExtrasExportSym)->isEnabled());
        Trigger(Cmd::ExtrasExportSym);
        const ReadMap m = ReadMapFile(QFile::encodeName(target).toStdString());
        ASSERT_TRUE(m.Sound()) << m.Problems();
        std::vector<int> symbols;
        for (const ReadObject& o : m.objects)
            symbols.push_back(o.symbol);
        EXPECT_EQ(symbols, c.symbols);
        EXPECT_EQ(m.symbols.size(), size_t(z.SymbolCount()));
        EXPECT_EQ(ProgramConfig.RecentFiles[0], target);
    }
    EXPECT_EQ(dialogs.Requests().back().helpContext, 181);
}

TEST_F(StoreCommandsFlow, OptimizeShowsItsReportAndTheMapGoesOnFromTheNewFile)
{
    TestMapWriter w = Symbols();
    w.objects = {TestObject::Point(PointSym, 0, 0), TestObject::Line(LineSym, {{0, 0}}),
                 TestObject::Line(LineSym, {{0, 0}, {Mm | FirstBezierFlag, Mm}, {2 * Mm, 0}}),
                 TestObject::Point(990, Mm, Mm)};
    w.objects[0].bounds = TestRect{Mm, Mm, 2 * Mm, 2 * Mm};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("optimize.zmd")));
    std::map<std::string, std::string> shown;
    // The run lets events through while it works: the report is looked for until it is up.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dlg = dynamic_cast<TOptimizeDlg*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        poll.stop();
        for (const char* name : {"RepairedB", "DeletedB", "UnknownSymB", "SpuriousB", "UnknownDelB"})
            shown[name] = dlg->findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
        dlg->findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
    });
    poll.start(5);
    Frame().UpdateCommandStates();
    ASSERT_TRUE(Frame().Action(Cmd::ExtrasOptimize)->isEnabled());
    Trigger(Cmd::ExtrasOptimize);
    EXPECT_EQ(shown["RepairedB"], "1");
    EXPECT_EQ(shown["DeletedB"], "1");
    EXPECT_EQ(shown["SpuriousB"], "1");
    EXPECT_EQ(shown["UnknownSymB"], "1");
    EXPECT_EQ(shown["UnknownDelB"], "(" + Text(TextKey::NotDeleted).toStdString() + ")");
    ASSERT_TRUE(Index.ActiveZmd);
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 2);
    EXPECT_TRUE(Index.ActiveZmd->Modified);
    EXPECT_NE(ActiveChild(), nullptr);
    const ReadMap m = ReadMapBytes(WorkingFileBytes(*Index.ActiveZmd));
    EXPECT_TRUE(m.Sound()) << m.Problems();
}

// An entry marked course-only that names another symbol than its record hides a sound
// object: the repair counts it as damaged, shows it under its own symbol, and Save keeps that.
TEST_F(StoreCommandsFlow, OptimizeMendsAMarkedEntryThatNamesAnotherSymbol)
{
    TestMapWriter w = Symbols();
    TestObject hidden = TestObject::Line(LineSym, {{-5 * Mm, 0}, {5 * Mm, 0}});
    hidden.entrySymbolWord = uint16_t(CourseOnlyMark | LongLineSym);
    w.objects = {TestObject::Point(PointSym, 8 * Mm, 8 * Mm), hidden};
    const QString path = TempPath(QStringLiteral("marked.zmd"));
    ASSERT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
    ASSERT_TRUE(OpenMap(path));
    ShowAtTenthMillimetres();
    // The 0.35 mm line across x mm: dark pixels above each other where it runs (a grid line
    // gives one at most).
    const auto drawn = [&](double x) {
        const QImage& s = ActiveChild()->Surface();
        const QPoint at = At(x, 0);
        int dark = 0;
        for (int y = at.y() - 3; y <= at.y() + 3; ++y)
            dark += qGray(s.pixel(at.x(), y)) < 128 ? 1 : 0;
        return dark >= 2;
    };
    for (double x : {-4.0, -0.5, 3.5})
        ASSERT_FALSE(drawn(x)) << x << " mm: hidden before";

    std::map<std::string, std::string> shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dlg = dynamic_cast<TOptimizeDlg*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        poll.stop();
        for (const char* name : {"RepairedB", "DeletedB", "UnknownSymB", "SpuriousB"})
            shown[name] = dlg->findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
        dlg->findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
    });
    poll.start(5);
    Trigger(Cmd::ExtrasOptimize);
    EXPECT_EQ(shown["DeletedB"], "1");
    EXPECT_EQ(shown["RepairedB"], "0");
    EXPECT_EQ(shown["SpuriousB"], "0");
    EXPECT_EQ(shown["UnknownSymB"], "0");
    ASSERT_TRUE(Index.ActiveZmd);
    TZmd& z = *Index.ActiveZmd;
    ASSERT_EQ(z.HighestObject, 2) << "kept";
    EXPECT_EQ(z.Entry(2).Symbol, uint16_t(LineSym));
    EXPECT_EQ(z.Entry(1).Symbol, uint16_t(PointSym));
    // The map came in again from the new file, with its own view.
    ShowAtTenthMillimetres();
    for (double x : {-4.0, -0.5, 3.5})
        EXPECT_TRUE(drawn(x)) << x << " mm: drawn with its own symbol";

    Trigger(Cmd::FileSave);
    Settle();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    const ReadMap m = ReadMapBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ASSERT_TRUE(m.Sound()) << m.Problems();
    ASSERT_EQ(m.objects.size(), 2u);
    EXPECT_EQ(m.objects[1].entrySymbol, uint16_t(LineSym));
    EXPECT_EQ(m.objects[1].symbol, LineSym);
    ASSERT_EQ(m.objects[1].cords.size(), 2u);
    EXPECT_EQ(m.objects[1].cords[0].x, -5 * Mm);
    EXPECT_EQ(m.objects[1].cords[1].x, 5 * Mm);
    EXPECT_EQ(m.objects[0].entrySymbol, uint16_t(PointSym));
}

TEST_F(StoreCommandsFlow, MapsSavedAsVersions7And6OpenAgainWithEveryObject)
{
    TestMapWriter w = Symbols();
    TestObject text = TestObject::Text16(TextSym, 3 * Mm, 4 * Mm, u"Z\u00fcrich");
    text.cords = {{3 * Mm, 4 * Mm}, {3 * Mm, 3 * Mm}, {9 * Mm, 3 * Mm}, {9 * Mm, 6 * Mm}, {3 * Mm, 6 * Mm}};
    std::vector<TestCord> longLine;
    for (int i = 0; i < 5000; ++i) {
        // Curves whose cuts fall on control points; a dash point now and then.
        const int k = (i + 1) % 3;
        longLine.push_back({(i * 20 - 50000) * 256 | (k == 1 ? FirstBezierFlag : k == 2 ? SecondBezierFlag : 0),
                            (i % 11) * 2560 | (i % 97 == 0 ? DashFlag : 0)});
    }
    std::vector<Cord> ring = Circle(3000, 60, false), hole = Circle(400, 20, true);
    ring.insert(ring.end(), hole.begin(), hole.end());
    w.objects = {TestObject::Point(PointSym, Mm, 2 * Mm, 300),
                 TestObject::Line(LineSym, {{0, 0}, {Mm, DashFlag}, {2 * Mm, Mm}}),
                 TestObject::Area(AreaSym, {{0, 0}, {5 * Mm, 0}, {5 * Mm, 5 * Mm}, {0, 5 * Mm | CornerFlag}}),
                 text,
                 TestObject::LineText(LineTextSym, {{0, 0}, {30 * Mm, 2 * Mm}}, "River"),
                 TestObject::Rect(RectSym, Mm, Mm, 40 * Mm, 30 * Mm),
                 TestObject::Line(LongLineSym, longLine),
                 TestObject::Area(LongAreaSym, Tests(ring))};
    for (int version : {7, 6}) {
        SCOPED_TRACE(version);
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("current.zmd")));
        std::vector<std::unique_ptr<ElementRecord>> keep;
        const std::map<int, ElementRecord*> before = Objects(keep);
        ASSERT_EQ(before.size(), 8u);
        const double area = AreaOf(*before.at(8));

        const QString saved = TempPath(QStringLiteral("version%1.zmd").arg(version));
        dialogs.QueueAnswer(true, saved, version == 7 ? 2 : 3);
        Trigger(Cmd::FileSaveAs);
        Settle();
        EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 0) << "the map closes";
        EXPECT_TRUE(Opening.OpenDocuments.empty());
        const ReadMap file = ReadMapFile(QFile::encodeName(saved).toStdString());
        ASSERT_TRUE(file.Sound()) << file.Problems();
        EXPECT_EQ(file.header.version, version);
        KeepSample(saved, QStringLiteral("round-trip-version-%1.zmd").arg(version));

        ASSERT_TRUE(OpenMap(saved));
        const std::map<int, ElementRecord*> after = Objects(keep);
        const int32_t dash = version == 6 ? ~DashFlag : ~0;
        // The short objects keep their numbers and points (a text its anchor and characters).
        for (int n = 1; n <= 6; ++n) {
            ASSERT_TRUE(after.count(n)) << n;
            const ElementRecord &a = *before.at(n), &b = *after.at(n);
            EXPECT_EQ(b.Symbol, a.Symbol) << n;
            EXPECT_EQ(b.Angle, a.Angle) << n;
            const int compared = a.ObjectType == TextObject ? 1 : a.nItem;
            ASSERT_GE(b.nItem, compared) << n;
            for (int i = 0; i < compared; ++i)
                EXPECT_EQ(b.Slots[size_t(i)], (Cord{a.Slots[size_t(i)].x, a.Slots[size_t(i)].y & dash})) << n << " " << i;
        }
        EXPECT_EQ(after.at(4)->Flags, 0);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(after.at(4)->TextBytes())), "Z\xFCrich");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(after.at(5)->TextBytes())), "River");
        EXPECT_FALSE(after.count(8)) << "the long area went into its pieces";

        // The long line's pieces, in number order with the object itself last, join to it.
        std::vector<Cord> joined;
        double pieces = 0;
        int areaPieces = 0;
        std::vector<const ElementRecord*> line;
        for (const auto& [n, e] : after) {
            if (e->Symbol == LongLineSym && n != 7)
                line.push_back(e);
            if (e->Symbol == LongAreaSym) {
                EXPECT_LE(e->nItem, 1990);
                pieces += AreaOf(*e);
                ++areaPieces;
            }
        }
        line.push_back(after.at(7));
        for (const ElementRecord* e : line) {
            EXPECT_LE(e->nItem, 1990);
            if (!joined.empty()) {
                EXPECT_EQ(joined.back(), e->Slots[0]);
            }
            joined.insert(joined.end(), e->Cords() + (joined.empty() ? 0 : 1), e->Cords() + e->nItem);
        }
        const ElementRecord& original = *before.at(7);
        ASSERT_EQ(joined.size(), size_t(original.nItem));
        for (size_t i = 0; i < joined.size(); ++i)
            ASSERT_EQ(joined[i], (Cord{original.Slots[i].x, original.Slots[i].y & dash})) << i;
        EXPECT_GE(areaPieces, 2);
        EXPECT_NEAR(pieces, area, area * 1e-4);
        // The upgraded copy is not saved over the older file.
        if (Index.ActiveZmd->Modified)
            messages.QueueAnswer(IdNo);
        Trigger(Cmd::FileClose);
        EXPECT_TRUE(Opening.OpenDocuments.empty());
    }
}

TEST_F(StoreCommandsFlow, SaveAndSaveAsCarryTheViewScrolledSinceTheLastWrite)
{
    // Scrolling moves the view in memory only; the file gets it when the map is saved.
    TestMapWriter w = Symbols();
    w.objects = {TestObject::Line(LineSym, {{0, 0}, {80 * Mm, 50 * Mm}})};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("scrolled.zmd")));
    const auto centre = [] {
        return std::pair{Index.ActiveZmd->Setup.ViewCenterX, Index.ActiveZmd->Setup.ViewCenterY};
    };
    const auto stored = [](const QString& path) {
        return ReadSetupBytes(ReadMapFile(QFile::encodeName(path).toStdString()).setup);
    };
    const auto before = centre();
    ScrollViewBy(40, -25);
    ASSERT_NE(centre(), before);
    Trigger(Cmd::FileSave);
    Settle();
    SetupRecord s = stored(TempPath(QStringLiteral("scrolled.zmd")));
    EXPECT_EQ((std::pair{s.ViewCenterX, s.ViewCenterY}), centre()) << "File > Save";

    ScrollViewBy(-70, 30);
    const QString renamed = TempPath(QStringLiteral("renamed.zmd"));
    dialogs.QueueAnswer(true, renamed, 1);
    Trigger(Cmd::FileSaveAs);
    Settle();
    s = stored(renamed);
    EXPECT_EQ((std::pair{s.ViewCenterX, s.ViewCenterY}), centre()) << "File > Save as";
    EXPECT_NE(s.MapPath.find("renamed.zmd"), std::string::npos) << s.MapPath;
}

} // namespace
