// The course preview through the running program: the Preview button of the Courses tab, the
// objects the generator stores read back from the store (symbol, points, text, link), kept
// numbers, and the map as it was after the preview.
#include "CourseEvent.h"

#include "course/Courses.h"
#include "course/CsOptions.h"
#include "course/CsPreview.h"
#include "core/Numeric.h"
#include "course/widgets/CoursePanel.h"
#include "document/Undo.h"

#include <QFile>
#include <QTabWidget>

#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <optional>
#include <set>

namespace zemo::test {
namespace {

struct Generated {
    int n = 0;
    int symbol = 0;
    std::vector<Cord> points;
    QString text;
    int angle = 0;
    QString link;
};

class CoursePreviewTest : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        Settle();
        panel = static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
        ASSERT_TRUE(panel);
        panel->CsPageControl->setCurrentIndex(CsCoursesPage);
        Settle();
    }

    // The course shown with the Preview button down.
    void Preview(const QString& course)
    {
        SelectCourse(CourseIndex(course) + 1);
        if (!panel->CoursePreviewBtn->isChecked())
            panel->CoursePreviewBtn->click();
        ASSERT_TRUE(Z().CoursePreviewOn) << course.toStdString();
    }
    void PreviewOff()
    {
        if (panel->CoursePreviewBtn->isChecked())
            panel->CoursePreviewBtn->click();
        ASSERT_FALSE(Z().CoursePreviewOn);
    }

    static int Extent(int number10)
    {
        return SymI16(Z().Symbols[size_t(SymbolPos(number10))], SymExtent);
    }
    static int ControlExtent() { return Extent(ControlSymbol); }

    static std::set<int> CourseObjectNumbers()
    {
        std::set<int> s;
        for (int i = 0; i < Z().CsObjects.Count(); ++i)
            if (IndexFromStIndex(Z().CsObjects.GetNumber(i)))
                s.insert(Index.CurIndexNo);
        return s;
    }
    static std::map<int, QString> LinksByObject()
    {
        std::map<int, QString> m;
        for (int i = 0; i < Z().CsObjectLinks.Count(); ++i)
            if (IndexFromStIndex(Z().CsObjectLinks.GetNumber(i)))
                m[Index.CurIndexNo] = Z().CsObjectLinks.Strings(i);
        return m;
    }
    // Every shown object that is no course object, as the store holds it.
    static std::vector<Generated> Shown()
    {
        const std::set<int> course = CourseObjectNumbers();
        const std::map<int, QString> links = LinksByObject();
        std::vector<Generated> out;
        for (int n = 1; n <= Z().HighestObject; ++n) {
            if (course.contains(n) || !EntryLive(Z().Entry(n)))
                continue;
            ElementRecord& e = AuxElement2;
            if (!ReadElement(n, e))
                continue;
            Generated g{n, e.Symbol, {}, {}, e.Angle, {}};
            for (int i = 0; i < e.nItem; ++i)
                g.points.push_back({Masked(e.Cords()[i].x), Masked(e.Cords()[i].y)});
            const char* t = reinterpret_cast<const char*>(e.TextBytes());
            g.text = QString::fromLatin1(t, qsizetype(strnlen(t, size_t(e.nText) * 8)));
            if (auto it = links.find(n); it != links.end())
                g.link = it->second;
            out.push_back(g);
        }
        return out;
    }
    static std::vector<Generated> OfSymbol(const std::vector<Generated>& all, int symbol)
    {
        std::vector<Generated> out;
        for (const Generated& g : all)
            if (g.symbol == symbol)
                out.push_back(g);
        return out;
    }
    static std::optional<Generated> Tagged(const std::vector<Generated>& all, const QString& link)
    {
        for (const Generated& g : all)
            if (g.link == link || g.link == QLatin1Char('~') + link)
                return g;
        return std::nullopt;
    }
    static double Mm(Cord a, Cord b)
    {
        return std::hypot(double(a.x) - b.x, double(a.y) - b.y) / CsMm;
    }
    // A control (or another course object) with a typed code at a point in 0.01 mm.
    static int ControlAtHundredths(const char* code, int x100, int y100, int symbol = ControlSymbol)
    {
        const int n = Store(symbol, MmPoint{0, 0}, {QString::fromLatin1(code)});
        EXPECT_GT(n, 0) << code;
        ReadElement(n, CurElement);
        CurElement.Cords()[0] = {x100 * 256, y100 * 256};
        EXPECT_TRUE(SaveElement(n));
        return n;
    }
    static void Course(const QString& name, const QString& sequence)
    {
        AddCourse({name}, sequence);
        UpdateCourses();
    }

    TCoursePanel* panel = nullptr;
};

TEST_F(CoursePreviewTest, LinesEndInsideBothGapsAndOnlyWhereAMillimetreRemains)
{
    // Two controls just at and just beyond the distance below which no 1 mm of line would
    // remain; the number of the first is placed either way.
    const int gap = ControlExtent();
    const int limit = (2 * gap - 34) + 100; // 0.01 mm
    struct Row {
        int distance;
        bool line;
    };
    for (const Row r : {Row{limit, false}, Row{limit + 1, true}, Row{limit + 2000, true}}) {
        SCOPED_TRACE(r.distance);
        const QString a = QStringLiteral("A%1").arg(r.distance), b = QStringLiteral("B%1").arg(r.distance);
        ControlAtHundredths(a.toLatin1(), 40000, 0);
        ControlAtHundredths(b.toLatin1(), 40000 + r.distance, 0);
        const QString name = QStringLiteral("T%1").arg(r.distance);
        Course(name, QStringLiteral("\tc") + a + QStringLiteral("\tc") + b);
        Preview(name);
        const auto all = Shown();
        const std::optional<Generated> line = Tagged(all, name + LineTag(a, b));
        ASSERT_EQ(line.has_value(), r.line);
        if (line) {
            ASSERT_EQ(line->symbol, ConnectionLineSymbol);
            ASSERT_EQ(line->points.size(), 2u);
            // 0.17 mm inside each gap, on the line between the centres.
            EXPECT_EQ(line->points[0], (Cord{(40000 + gap - 17) * 256, 0}));
            EXPECT_EQ(line->points[1], (Cord{(40000 + r.distance - gap + 17) * 256, 0}));
        }
        const std::optional<Generated> number = Tagged(all, name + NumberTag(a));
        ASSERT_TRUE(number);
        EXPECT_EQ(number->text, QStringLiteral("1"));
        EXPECT_EQ(OfSymbol(all, ControlNumberSymbol).size(), 1u); // the last control has none
        PreviewOff();
    }
}

TEST_F(CoursePreviewTest, LegsEndAtTheSizeOfEachEndWhenStartControlAndFinishDiffer)
{
    // Start, control and finish have symbols of different sizes: every leg ends inside the gap
    // of the object at that end, and the 1 mm rule weighs both ends.
    const int gs = Extent(StartSymbol), gc = ControlExtent(), gf = Extent(FinishSymbol);
    ASSERT_NE(gs, gc);
    ASSERT_NE(gc, gf);
    const int limit = (gs + gc - 34) + 100;
    for (const int d : {limit, limit + 1, limit + 3000}) {
        SCOPED_TRACE(d);
        const QString s = QStringLiteral("S%1").arg(d), c = QStringLiteral("C%1").arg(d),
                      f = QStringLiteral("F%1").arg(d);
        ControlAtHundredths(s.toLatin1(), 20000, 10000, StartSymbol);
        ControlAtHundredths(c.toLatin1(), 20000 + d, 10000);
        ControlAtHundredths(f.toLatin1(), 20000 + d, 14000, FinishSymbol);
        const QString name = QStringLiteral("Sizes%1").arg(d);
        Course(name, QStringLiteral("\ts") + s + QStringLiteral("\tc") + c + QStringLiteral("\tf") + f);
        Preview(name);
        const auto all = Shown();
        const std::optional<Generated> first = Tagged(all, name + LineTag(s, c));
        ASSERT_EQ(first.has_value(), d > limit);
        if (first) {
            ASSERT_EQ(first->points.size(), 2u);
            EXPECT_EQ(first->points[0], (Cord{(20000 + gs - 17) * 256, 10000 * 256}));
            EXPECT_EQ(first->points[1], (Cord{(20000 + d - gc + 17) * 256, 10000 * 256}));
        }
        const std::optional<Generated> last = Tagged(all, name + LineTag(c, f));
        ASSERT_TRUE(last);
        ASSERT_EQ(last->points.size(), 2u);
        EXPECT_EQ(last->points[0], (Cord{(20000 + d) * 256, (10000 + gc - 17) * 256}));
        EXPECT_EQ(last->points[1], (Cord{(20000 + d) * 256, (14000 - gf + 17) * 256}));
        PreviewOff();
    }
}

TEST(CoursePreviewGeometry, NumbersSitOnTheReferencePointOfTheirDirection)
{
    // A box 4 x 2 mm, corners bottom-left, bottom-right, top-right, top-left.
    const Cord box[4] = {{0, 0}, {400 * 256, 0}, {400 * 256, 200 * 256}, {0, 200 * 256}};
    const double deg = std::numbers::pi / 180;
    struct Row {
        double degrees;
        Cord ref;
    };
    const int shift = 150 * 256;
    const Row rows[] = {
        {90, {200 * 256, 0}},             // up: middle of the bottom edge
        {-90, {200 * 256, 200 * 256}},    // down: middle of the top edge
        {0, {-shift, 100 * 256}},         // right: the left edge's middle, 1.5 mm further left
        {180, {400 * 256 + shift, 100 * 256}}, // left: the right edge's middle, 1.5 mm on
        {45, {0, 0}},                     // up and right: bottom-left
        {135, {400 * 256, 0}},            // up and left: bottom-right
        {-45, {0, 200 * 256}},            // down and right: top-left
        {-135, {400 * 256, 200 * 256}},   // down and left: top-right
        {60.5, {200 * 256, 0}},           // cos below 0.5: up
        {29.5, {-shift, 100 * 256}},      // sin below 0.5: right
        {270, {200 * 256, 200 * 256}},    // s = -1, c = 0: down
    };
    for (const Row& r : rows)
        EXPECT_EQ(NumberReference(box, r.degrees * deg), r.ref) << r.degrees;
    // Beside a straight leg the number stands at right angles to it; at a sharp turn on the
    // outside of the turn.
    EXPECT_NEAR(std::cos(NumberDirection(0, 0)), 0, 1e-9);
    EXPECT_GT(std::sin(NumberDirection(0, 0)), 0.99); // on the left of the leg
    EXPECT_GT(std::cos(NumberDirection(0, 170 * deg)), 0.9);  // back west: the number east
    EXPECT_LT(std::cos(NumberDirection(180 * deg, 10 * deg)), -0.9);
}

TEST_F(CoursePreviewTest, StartTrianglesTurnToTheFirstLeg)
{
    struct Row {
        const char* code;
        MmPoint at;
        int angle;
    };
    const Row rows[] = {{"70", {100, 0}, -900}, {"71", {0, 100}, 0}, {"72", {-100, 0}, 900}, {"73", {0, -100}, -1800}};
    for (const Row& r : rows) {
        ASSERT_GT(Store(ControlSymbol, r.at, {QString::fromLatin1(r.code)}), 0);
        const QString name = QStringLiteral("S") + QString::fromLatin1(r.code);
        Course(name, QStringLiteral("\tsS1\tc") + QString::fromLatin1(r.code));
        Preview(name);
        const auto starts = OfSymbol(Shown(), StartSymbol);
        ASSERT_EQ(starts.size(), 1u) << r.code;
        EXPECT_EQ(starts[0].angle, r.angle) << r.code;
        EXPECT_EQ(starts[0].points[0], CordOf(StartAt));
        EXPECT_TRUE(starts[0].link.isEmpty()); // in memory only, for no course
        // The start object itself is hidden behind its turned copy.
        GetIndex(ObjectOf(QStringLiteral("S1")));
        EXPECT_TRUE(Index.CurIndex.Symbol & CourseOnlyMark);
        PreviewOff();
    }
    // A course that ends at its start shows the start itself.
    Course(QStringLiteral("Lone"), QStringLiteral("\tsS1"));
    Preview(QStringLiteral("Lone"));
    EXPECT_TRUE(OfSymbol(Shown(), StartSymbol).empty());
    GetIndex(ObjectOf(QStringLiteral("S1")));
    EXPECT_FALSE(Index.CurIndex.Symbol & CourseOnlyMark);
}

TEST_F(CoursePreviewTest, OptionsSetCodesNumberDistanceAndLineDistance)
{
    // 31 (-90, 0) to 32 (-120, 40): the number of 31 and the line between them.
    const int gap = ControlExtent();
    struct Row {
        CourseOptions o;
        const char* text;
    };
    const Row rows[] = {
        {{}, "1"},
        {{true}, "1-31"},
        {{false, 2.5}, "1"},
        {{false, 1.0, 1.5}, "1"},
        {{true, 0.0, 0.4}, "1-31"},
    };
    Course(QStringLiteral("O"), QStringLiteral("\tc31\tc32\tc33"));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        ASSERT_TRUE(StoreCourseOptions(r.o));
        Preview(QStringLiteral("O"));
        const auto all = Shown();
        const std::optional<Generated> number = Tagged(all, QStringLiteral("O") + NumberTag(QStringLiteral("31")));
        ASSERT_TRUE(number);
        EXPECT_EQ(number->text, QString::fromLatin1(r.text));
        // The first leg turns north-west; with no leg before it the number goes to the side
        // away from it, east-south-east: the left edge's middle 1.5 mm right of the anchor.
        const double out = std::atan2(40.0, -30.0);
        const double a = out / 2 + std::numbers::pi / 2 + std::numbers::pi;
        const double distance = gap + std::nearbyint(r.o.NumberDistance * 100);
        const Cord at = CordOf(ControlAt(31));
        const double wantX = at.x + (std::nearbyint(distance * std::cos(a)) + 150) * 256;
        const double wantY = at.y + std::nearbyint(distance * std::sin(a)) * 256;
        ASSERT_EQ(number->points.size(), 5u);
        EXPECT_NEAR((number->points[1].x + number->points[4].x) / 2.0, wantX, 256);
        EXPECT_NEAR((number->points[1].y + number->points[4].y) / 2.0, wantY, 256);
        const std::optional<Generated> line = Tagged(all, QStringLiteral("O") + LineTag(QStringLiteral("31"), QStringLiteral("32")));
        ASSERT_TRUE(line);
        const double inside = (gap + std::nearbyint(r.o.LineDistance * 100) - 17) / 100.0;
        EXPECT_NEAR(Mm(at, line->points[0]), inside, 0.015);
        EXPECT_NEAR(Mm(CordOf(ControlAt(32)), line->points[1]), inside, 0.015);
        PreviewOff();
    }
}

TEST_F(CoursePreviewTest, AStraightLegsNumberStandsAboveItsControlOnTheReferencePoint)
{
    // Legs running east: the number of B stands above it, its bottom edge's middle on the
    // anchor the number distance (extent + the option's distance) up.
    ControlAtHundredths("A", 50000, 0);
    ControlAtHundredths("B", 53000, 0);
    ControlAtHundredths("C", 56000, 0);
    Course(QStringLiteral("E"), QStringLiteral("\tcA\tcB\tcC"));
    // 0.29 and 0.57 mm are a little less in binary: the nearest hundredth is taken.
    for (const auto [mm, hundredths] : {std::pair{1.0, 100}, std::pair{0.29, 29}, std::pair{0.57, 57}}) {
        SCOPED_TRACE(mm);
        CourseOptions o;
        o.NumberDistance = mm;
        ASSERT_TRUE(StoreCourseOptions(o));
        Preview(QStringLiteral("E"));
        const std::optional<Generated> number = Tagged(Shown(), QStringLiteral("E") + NumberTag(QStringLiteral("B")));
        ASSERT_TRUE(number);
        EXPECT_EQ(number->text, QStringLiteral("2"));
        ASSERT_EQ(number->points.size(), 5u);
        const Cord bottomMiddle{(number->points[1].x + number->points[2].x) / 2, number->points[1].y};
        EXPECT_NEAR(bottomMiddle.x, 53000 * 256, 256);
        EXPECT_EQ(bottomMiddle.y, (ControlExtent() + hundredths) * 256);
        EXPECT_GT(number->points[3].y, number->points[2].y); // the box above its bottom
        PreviewOff();
    }
}

TEST_F(CoursePreviewTest, TitleModesAndRelayStartNumbers)
{
    Course(QStringLiteral("Free"), QStringLiteral("\tsS1\tc31\tfF1"));
    struct Row {
        const char* course;
        int mode;
        const char* title;
    };
    const Row rows[] = {
        {"Long", TitleAuto, "M21"},
        {"Long", TitleBoth, "Long\r\nM21"},
        {"Long", TitleCourseOnly, "Long"},
        {"Free", TitleAuto, "Free"},
        {"Free", TitleBoth, "Free"},
    };
    for (const Row& r : rows) {
        CourseOptions o;
        o.Title = r.mode;
        ASSERT_TRUE(StoreCourseOptions(o));
        Preview(QString::fromLatin1(r.course));
        const auto titles = OfSymbol(Shown(), TitleSymbol);
        ASSERT_EQ(titles.size(), 1u) << r.course << r.mode;
        EXPECT_EQ(titles[0].text, QString::fromLatin1(r.title)) << r.course << r.mode;
        EXPECT_EQ(titles[0].points[0], CordOf(TitleAt));
        // The preview draws every branch and no team: no start number.
        EXPECT_TRUE(OfSymbol(Shown(), StartNumberSymbol).empty());
        PreviewOff();
    }
    // Printing asks for team 103's second leg.
    Z().CoursePreviewOn = 1;
    ASSERT_TRUE(GeneratePreview(CourseIndex(QStringLiteral("Relay")), 2, 103));
    const auto numbers = OfSymbol(Shown(), StartNumberSymbol);
    ASSERT_EQ(numbers.size(), 1u);
    EXPECT_EQ(numbers[0].text, QStringLiteral("103.2"));
    DropGeneratedObjects();
    Z().CoursePreviewOn = 0;
}

TEST_F(CoursePreviewTest, AMovedNumberIsKeptForItsCourseAndUsedAgain)
{
    Preview(QStringLiteral("Short"));
    const std::optional<Generated> generated = Tagged(Shown(), QStringLiteral("Short\td31"));
    ASSERT_TRUE(generated);
    const int n = generated->n;
    EXPECT_EQ(generated->link, QStringLiteral("~Short\td31"));
    // Picked (only linked objects may be) and moved 5 mm east, as the edit tool stores it.
    EXPECT_FALSE(PreviewAllows(ObjectOf(QStringLiteral("31"))));
    ASSERT_TRUE(PreviewAllows(n));
    EXPECT_EQ(Z().CurrentCourseTag, QStringLiteral("Short\td31"));
    ReadElement(n, CurElement);
    MoveElement(CurElement, 5 * CsMm, 0);
    const Cord moved = CurElement.Cords()[0];
    ASSERT_TRUE(SaveElement(n));
    EXPECT_EQ(LinksByObject()[n], QStringLiteral("Short\td31"));

    // Shown again, twice: the same object at its place, once, with the number.
    for (int round = 0; round < 2; ++round) {
        PreviewOff();
        GetIndex(n);
        EXPECT_TRUE(Index.CurIndex.Symbol & CourseOnlyMark) << "hidden without its preview";
        Preview(QStringLiteral("Short"));
        const auto all = Shown();
        int count = 0;
        for (const Generated& g : all)
            count += g.link.endsWith(QStringLiteral("\td31")) ? 1 : 0;
        EXPECT_EQ(count, 1);
        const std::optional<Generated> kept = Tagged(all, QStringLiteral("Short\td31"));
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept->n, n);
        EXPECT_EQ(kept->points[0], (Cord{Masked(moved.x), Masked(moved.y)}));
        EXPECT_EQ(kept->text, QStringLiteral("1"));
    }
    // Another course passing 31 gets a number of its own; the kept one stays hidden.
    Preview(QStringLiteral("Long"));
    const auto all = Shown();
    const std::optional<Generated> other = Tagged(all, QStringLiteral("Long\td31"));
    ASSERT_TRUE(other);
    EXPECT_NE(other->n, n);
    GetIndex(n);
    EXPECT_TRUE(Index.CurIndex.Symbol & CourseOnlyMark);
}

TEST_F(CoursePreviewTest, AfterThePreviewTheMapIsAsBeforeAndTheFileStopsGrowing)
{
    CourseOptions o;
    o.BoxSize = 9; // the description symbols are scaled while it shows
    ASSERT_TRUE(StoreCourseOptions(o));
    auto entries = [] {
        std::vector<std::pair<int, ObjectIndexEntry>> v;
        for (int n = 1; n <= Z().HighestObject; ++n)
            if (EntryLive(Z().Entry(n)))
                v.emplace_back(n, Z().Entry(n));
        return v;
    };
    auto extents = [] {
        std::vector<int> v;
        for (const SymbolBytes& rec : Z().Symbols)
            v.push_back(SymI16(rec, SymExtent));
        return v;
    };
    const auto before = entries();
    const std::vector<int> symbols = extents();
    const int links = Z().CsObjectLinks.Count();
    int64_t size = 0;
    for (int round = 1; round <= 50; ++round) {
        Preview(round % 2 ? QStringLiteral("Relay") : QStringLiteral("Long"));
        PreviewOff();
        ASSERT_EQ(entries(), before) << round;
        if (round == 2)
            size = Z().WorkFile.Size();
    }
    EXPECT_EQ(extents(), symbols);
    EXPECT_EQ(Z().CsObjectLinks.Count(), links);
    EXPECT_EQ(Z().WorkFile.Size(), size);
    // All controls: every start, control, finish and route with its code.
    SelectCourse(0);
    panel->CoursePreviewBtn->click();
    ASSERT_TRUE(Z().CoursePreviewOn);
    const auto codes = OfSymbol(Shown(), ControlCodeSymbol);
    EXPECT_EQ(codes.size(), 25u + 2u); // 31..55, S1 and F1; the route is a line
    const std::optional<Generated> c31 = Tagged(codes, AllControlsName + NumberTag(QStringLiteral("31")));
    ASSERT_TRUE(c31);
    EXPECT_EQ(c31->text, QStringLiteral("31"));
    const int shift = int(std::nearbyint(ControlExtent() * 0.7)) * 256;
    EXPECT_EQ(c31->points[0], (Cord{CordOf(ControlAt(31)).x + shift, CordOf(ControlAt(31)).y + shift}));
    GetIndex(ObjectOf(QStringLiteral("D1")));
    EXPECT_TRUE(Index.CurIndex.Symbol & CourseOnlyMark);
}

// ---- Faults mended ----

TEST_F(CoursePreviewTest, ALongCodeGetsTheTextSlotsItNeeds)
{
    const QString code = QStringLiteral("X").repeated(90);
    ASSERT_GT(Store(ControlSymbol, MmPoint{200, 200}, {code}), 0);
    ASSERT_GT(Store(ControlSymbol, MmPoint{200, 240}, {QStringLiteral("Y")}), 0);
    Course(QStringLiteral("Codes"), QStringLiteral("\tc") + code + QStringLiteral("\tcY"));
    CourseOptions o;
    o.PrintCodes = true;
    ASSERT_TRUE(StoreCourseOptions(o));
    Preview(QStringLiteral("Codes"));
    const std::optional<Generated> number = Tagged(Shown(), QStringLiteral("Codes") + NumberTag(code));
    ASSERT_TRUE(number);
    EXPECT_EQ(number->text, QStringLiteral("1-") + code);
    // The record read back whole: its slots hold the text and its end.
    ReadElement(number->n, AuxElement2);
    EXPECT_GE(AuxElement2.nText * 8, code.size() + 3);
}

TEST_F(CoursePreviewTest, AKeptLinkWhoseObjectIsGoneIsDroppedAndThePreviewGoesOn)
{
    // A kept number whose object a damaged map lost.
    const int lost = Store(CrossingSymbol, MmPoint{300, 300});
    ASSERT_GT(lost, 0);
    const int s = AddPString(QStringLiteral("Short\td31"), CourseObjectLinkType, lost);
    Z().CsObjectLinks.AddNumber(QStringLiteral("Short\td31"), s);
    GetIndex(lost);
    EraseIndexEntry(lost);
    Preview(QStringLiteral("Short"));
    const auto all = Shown();
    const std::optional<Generated> number = Tagged(all, QStringLiteral("Short\td31"));
    ASSERT_TRUE(number);
    EXPECT_EQ(number->link, QStringLiteral("~Short\td31"));
    EXPECT_EQ(number->text, QStringLiteral("1"));
    EXPECT_EQ(Z().CsObjectLinks.IndexOf(QStringLiteral("Short\td31")), -1);
    // The rest of the course is there too: 8 controls numbered, 9 legs.
    EXPECT_EQ(OfSymbol(all, ControlNumberSymbol).size(), 8u);
    EXPECT_EQ(OfSymbol(all, ConnectionLineSymbol).size(), 9u);
}

TEST_F(CoursePreviewTest, AnUntouchedLinkLeftInTheFileNeverErasesAnotherObject)
{
    // A map saved during a preview keeps the untouched link of an object that was never
    // written; its number now belongs to an object the user drew.
    const int drawn = Store(CrossingSymbol, MmPoint{300, 300});
    ASSERT_GT(drawn, 0);
    const int s = AddPString(QStringLiteral("~Short\td31"), CourseObjectLinkType, drawn);
    Z().CsObjectLinks.AddNumber(QStringLiteral("~Short\td31"), s);
    Preview(QStringLiteral("Short"));
    PreviewOff();
    GetIndex(drawn);
    EXPECT_TRUE(EntryLive(Index.CurIndex));
    EXPECT_EQ(Z().CsObjectLinks.IndexOfNumber(s), -1);
}

TEST_F(CoursePreviewTest, AForkControlGetsOneNumberThatTheEndOfThePreviewTakesAway)
{
    Preview(QStringLiteral("Relay"));
    const auto all = Shown();
    int forks = 0;
    for (const Generated& g : all)
        forks += g.link.endsWith(QStringLiteral("\td46")) ? 1 : 0;
    EXPECT_EQ(forks, 1);
    const std::optional<Generated> fork = Tagged(all, QStringLiteral("Relay\td46"));
    ASSERT_TRUE(fork);
    EXPECT_EQ(fork->link, QStringLiteral("~Relay\td46"));
    // Each branch of the team variation starts with the fork's number: 47, 48 and 49 are 2.
    for (const char* c : {"47", "48", "49"}) {
        const std::optional<Generated> g = Tagged(all, QStringLiteral("Relay") + NumberTag(QString::fromLatin1(c)));
        ASSERT_TRUE(g) << c;
        EXPECT_EQ(g->text, QStringLiteral("2")) << c;
    }
    // Three lines from the fork, one to each branch.
    for (const char* c : {"47", "48", "49"})
        EXPECT_TRUE(Tagged(all, QStringLiteral("Relay") + LineTag(QStringLiteral("46"), QString::fromLatin1(c)))) << c;
    PreviewOff();
    for (int i = 0; i < Z().CsObjectLinks.Count(); ++i)
        EXPECT_FALSE(Z().CsObjectLinks.Strings(i).contains(QStringLiteral("Relay"))) << i;
    EXPECT_TRUE(Shown().empty());
}

TEST_F(CoursePreviewTest, AJoinControlsNumberFollowsTheLegThatCameIn)
{
    // Branches from A north-west and north-east to J; the last comes in from the east, the
    // course goes on north: the number of J stands west of it, outside the turn.
    ControlAtHundredths("A", 0, -40000);
    ControlAtHundredths("P", -2000, -36000);
    ControlAtHundredths("Q", 2000, -36000);
    ControlAtHundredths("J", 0, -32000);
    ControlAtHundredths("K", 0, -28000);
    Course(QStringLiteral("Join"), QStringLiteral("\tcA\tr2\tv\tcP\tv\tcQ\tq\tcJ\tcK"));
    Preview(QStringLiteral("Join"));
    const std::optional<Generated> number = Tagged(Shown(), QStringLiteral("Join\tdJ"));
    ASSERT_TRUE(number);
    EXPECT_LT(number->points[0].x, 0);
    EXPECT_EQ(number->text, QStringLiteral("3"));
}

TEST_F(CoursePreviewTest, AnObjectDeletedBeforeThePreviewComesBackWithUndo)
{
    // A point deleted (undo keeps its record in the file) and two previews, whose start
    // triangles are points as well: undo brings the point back as it was.
    const int n = Store(CrossingSymbol, MmPoint{300, 300});
    ASSERT_GT(n, 0);
    RecordUndo(UndoStart, n);
    DeleteElement(n);
    for (int round = 0; round < 2; ++round) {
        Preview(QStringLiteral("Short"));
        PreviewOff();
    }
    UndoEdit();
    ASSERT_TRUE(GetIndex(n));
    ReadElement(n, AuxElement2);
    EXPECT_EQ(AuxElement2.Symbol, CrossingSymbol);
    EXPECT_EQ(AuxElement2.Cords()[0], CordOf(MmPoint{300, 300}));
}

} // namespace
} // namespace zemo::test
