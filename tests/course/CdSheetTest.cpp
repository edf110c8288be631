// Control-description sheets of the test event drawn into the store as the preview draws
// them, read back as symbol and position in boxes from the sheet's top-left corner (y up), and
// compared with the rows worked out by hand from the sheet's geometry.
#include "CourseEvent.h"

#include "core/CodePage.h"
#include "course/CdSheets.h"
#include "course/CsLength.h"
#include "course/CsOptions.h"
#include "course/CsPreview.h"
#include "course/DescriptionScale.h"
#include "course/Variation.h"
#include "document/Undo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace zemo;
using namespace zemo::test;

namespace {

struct Drawn {
    int32_t height = 0;
    QStringList items;        // sorted
    std::vector<CordRect> textBoxes;
};

class CdSheet : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        SetField(QStringLiteral("46"), [](QString& r) {
            const int columns[] = {8600, 8611, 8620, 8630, 8640, 8650};
            for (int k = 0; k < 6; ++k)
                SetCsColumnField(r, FirstDescColumn + k, columns[k]);
            SetParam(r, u't', QStringLiteral("Knoll, north side"));
        });
        SetField(QStringLiteral("S1"), [](QString& r) { SetParam(r, u't', QStringLiteral("Start at the gate")); });
        SetField(QStringLiteral("F1"), [](QString& r) { SetParam(r, u't', QStringLiteral("Follow tapes;m to finish")); });
        AddCourse({QStringLiteral("Tiny"), 0, 120, 5}, Sequence({"sS1", "c46", "fF1"}));
        SetTitleMode(TitleCourseOnly);
    }

    static void SetField(const QString& code, const std::function<void(QString&)>& change)
    {
        const int i = CsIndex(code);
        ASSERT_GE(i, 0) << code.toStdString();
        QString r = Z().CsObjects.Strings(i);
        change(r);
        ASSERT_TRUE(SavePString(Z().CsObjects.GetNumber(i), r));
        Z().CsObjects.SetString(i, r);
    }
    static void SetTitleMode(int mode)
    {
        CourseOptions o = CurrentCourseOptions();
        o.Title = mode;
        ASSERT_TRUE(StoreCourseOptions(o));
    }

    static QString Num(double v)
    {
        QString s = QString::number(v, 'f', 2);
        return s == QLatin1String("-0.00") ? QStringLiteral("0.00") : s;
    }

    // Draws a sheet with the preview's flags and reads back every object it added.
    Drawn Draw(const std::function<int32_t(Cord)>& build, Cord at = {200 * CsMm, 500 * CsMm})
    {
        TZmd& z = Z();
        std::set<int> before;
        for (int n = 1; n <= z.HighestObject; ++n)
            if (z.Entry(n).Symbol != 0)
                before.insert(n);
        z.CoursePreviewOn = 1;
        UndoEnabled = false;
        Drawn d;
        d.height = build(at);
        UndoEnabled = true;
        const double b = CsBox.BoxSize;
        const auto p = [&](Cord c) { return Num((c.x - at.x) / b) + u',' + Num((c.y - at.y) / b); };
        for (int n = 1; n <= z.HighestObject; ++n) {
            if (z.Entry(n).Symbol == 0 || before.count(n))
                continue;
            ElementRecord& e = AuxElement1;
            EXPECT_TRUE(ReadElement(n, e));
            QString item = QString::number(e.Symbol);
            if (e.ObjectType == LineObject) {
                for (int i = 0; i < e.nItem; ++i)
                    item += u' ' + p(e.Cords()[i]);
            } else {
                item += u' ' + p(e.Cords()[0]);
            }
            if (e.ObjectType == TextObject) {
                const auto* t = reinterpret_cast<const char*>(e.TextBytes());
                item += u' ' + DecodeCodePage(1252, t, qsizetype(strnlen(t, size_t(e.nText) * 8)));
                const Cord* c = e.Cords();
                d.textBoxes.push_back({c[1].x, c[1].y, c[2].x, c[3].y});
            }
            d.items << item;
        }
        d.items.sort();
        z.CoursePreviewOn = 0;
        return d;
    }
    Drawn Symbols(const QString& course, int leg = 0, int team = 0, const QString& title = {})
    {
        return Draw([&](Cord at) { return SymbolSheet({CourseIndex(course), leg, team, title}, true, at); });
    }

    static QStringList Of(const Drawn& d, const QString& prefix)
    {
        QStringList r;
        for (const QString& s : d.items)
            if (s.startsWith(prefix))
                r << s;
        return r;
    }

    // The lines of a control row between the row's top and bottom (in boxes, y up).
    static QStringList Verticals(int top)
    {
        QStringList r;
        for (int k = 0; k <= 8; ++k) {
            const bool thick = k == 0 || k == 3 || k == 6 || k == 8;
            r << QStringLiteral("%1 %2.00,%3.00 %2.00,%4.00").arg(thick ? 8010 : 8020).arg(k).arg(top - 1).arg(top);
        }
        return r;
    }
    static QString Across(int symbol, double y)
    {
        return QStringLiteral("%1 0.00,%2 8.00,%2").arg(symbol).arg(Num(y));
    }
    static QStringList Sorted(QStringList l)
    {
        l.sort();
        return l;
    }
    // One line per item, for readable failures.
    static std::string J(const QStringList& l) { return l.join(u'\n').toStdString(); }
};

TEST_F(CdSheet, ACourseSheetRowByRowAtEveryBoxSize)
{
    // Start row, a control row with every column, and the run to the finish: S1 to 46 is 40 mm
    // and 46 to F1 320 mm of paper at 1:15000, 600 m + 4800 m.
    QStringList golden = {
        Across(8010, 0), "8010 0.00,-1.00 0.00,0.00", "8010 8.00,-1.00 8.00,0.00",
        "8220 1.50,-0.70 Tiny", "8220 4.50,-0.70 5.400", "8220 7.00,-0.70 120",
        Across(8010, -1), "8100 0.50,-1.50",
        Across(8020, -2), "8200 0.50,-2.75 1", "8210 1.50,-2.75 46", "8600 2.50,-2.50", "8611 3.50,-2.50",
        "8620 4.50,-2.50", "8630 5.50,-2.50", "8640 6.50,-2.50", "8650 7.50,-2.50",
        Across(8010, -3), "8010 0.00,-4.00 0.00,-3.00", "8010 8.00,-4.00 8.00,-3.00", "8150 0.00,-3.50",
        "8152 0.55,-3.50", "8154 6.45,-3.50", "8160 7.00,-3.50", "8230 4.00,-3.75 4800",
        Across(8010, -4)};
    golden << Verticals(-1) << Verticals(-2);
    for (double mm : {6.0, 8.0, 3.5}) {
        SCOPED_TRACE(mm);
        ReindexFromFile();
        ScaleDescriptionSymbols(mm);
        EXPECT_EQ(CsBox.BoxSize, int32_t(mm * 100) * 256);
        const Drawn d = Symbols(QStringLiteral("Tiny"));
        EXPECT_EQ(J(d.items), J(Sorted(golden)));
        EXPECT_EQ(d.height, 4 * CsBox.BoxSize);
        // Measuring gives the same height and stores nothing.
        const int highest = Z().HighestObject;
        EXPECT_EQ(SymbolSheet({CourseIndex(QStringLiteral("Tiny"))}, false, {}), d.height);
        EXPECT_EQ(Z().HighestObject, highest);
    }
}

TEST_F(CdSheet, ColumnFWithTwoSizesOrOne)
{
    struct Row {
        const char* sizes;
        QStringList golden;
    } rows[] = {
        {"2/3", {"8020 5.00,-3.00 6.00,-2.00", "8240 5.30,-2.40 2", "8240 5.70,-2.90 3"}},
        {"2;3", {"8240 5.30,-2.40 2", "8240 5.70,-2.90 3"}},
        {"/3", {"8020 5.00,-3.00 6.00,-2.00", "8240 5.70,-2.90 3"}},
        {"4", {"8240 5.50,-2.67 4"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.sizes);
        SetField(QStringLiteral("46"), [&r](QString& rec) {
            SetCsColumnField(rec, 5, 0);
            SetParam(rec, u's', QString::fromLatin1(r.sizes));
        });
        const Drawn d = Symbols(QStringLiteral("Tiny"));
        QStringList sizes = Of(d, QStringLiteral("8240"));
        sizes << Of(d, QStringLiteral("8020 5.00,-3.00 6.00,-2.00"));
        EXPECT_EQ(J(Sorted(sizes)), J(Sorted(r.golden)));
        EXPECT_TRUE(Of(d, QStringLiteral("8630")).isEmpty());
    }
}

TEST_F(CdSheet, MarkedRoutesWithFunnelsAndGapsAndTheRunToTheFinish)
{
    // M1 runs 50 mm (750 m) from 45 to the finish; control 60 stands 2 mm (30 m) from its
    // end, within 1.5 times its circle's extent, so its row counts the gap.
    ASSERT_GT(Store(ControlSymbol, MmPoint{0, 362}, {QStringLiteral("60")}), 0);
    AddCourse({QStringLiteral("Routed"), 0, 0, 5}, Sequence({"sS1", "c45", "mM1", "fF1"}));
    AddCourse({QStringLiteral("Gap"), 0, 0, 5}, Sequence({"sS1", "c45", "mM1", "c60", "fF1"}));
    const QStringList tapes = {"8153 1.34,-3.50", "8153 2.04,-3.50", "8153 4.94,-3.50", "8153 5.64,-3.50",
                               "8153 6.34,-3.50", "8154 6.45,-3.50"};
    struct Row {
        const char* course;
        bool funnel;
        QStringList golden;  // the pieces of the row below control 45
    } rows[] = {
        {"Routed", false, QStringList{"8150 0.00,-3.50", "8153 0.64,-3.50", "8160 7.00,-3.50", "8230 4.00,-3.75 750"} + tapes},
        {"Routed", true, QStringList{"8150 0.00,-3.50", "8151 0.51,-3.50", "8160 7.00,-3.50", "8230 4.00,-3.75 750"} + tapes},
        {"Gap", false, QStringList{"8150 0.00,-3.50", "8153 0.64,-3.50", "8230 4.00,-3.75 780"} + tapes},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QString::fromLatin1(r.course).toStdString() + (r.funnel ? " funnel" : ""));
        SetField(QStringLiteral("M1"), [&r](QString& rec) {
            if (r.funnel)
                SetParam(rec, u'm', QStringLiteral("f"));
            else
                DeleteParam(rec, u'm');
        });
        const Drawn d = Symbols(QString::fromLatin1(r.course));
        QStringList row;
        for (const QString& s : d.items)
            if (s.contains(QStringLiteral(",-3.50")) || s.contains(QStringLiteral(",-3.75")))
                row << s;
        EXPECT_EQ(J(Sorted(row)), J(Sorted(r.golden)));
        EXPECT_TRUE(d.items.contains(Across(8010, -3))) << "thick above the special row";
        if (QLatin1String(r.course) == QLatin1String("Gap")) {
            EXPECT_TRUE(d.items.contains(Across(8010, -4))) << "thick after the special row";
            EXPECT_TRUE(d.items.contains(QStringLiteral("8210 1.50,-4.75 60")));
            EXPECT_TRUE(d.items.contains(QStringLiteral("8200 0.50,-4.75 2")));
            EXPECT_EQ(d.height, 6 * CsBox.BoxSize);
        } else {
            EXPECT_EQ(d.height, 4 * CsBox.BoxSize);
        }
    }
}

TEST_F(CdSheet, HeaderRowsInEveryTitleMode)
{
    AddRecord(Z().Classes, ClassType, QStringLiteral("M35\tcLong"));
    QString length;
    ASSERT_TRUE(CourseLength(CourseIndex(QStringLiteral("Long")), 0, 0, length, false));
    const QStringList title = {Across(8010, 0), "8010 0.00,-1.00 0.00,0.00", "8010 8.00,-1.00 8.00,0.00",
                               "8220 4.00,-0.70 Night-O"};
    struct Row {
        int mode;
        QStringList lines;  // the course row's heading texts below the title row
        const char* bottom; // of the course row
    } rows[] = {
        {TitleAuto, {"8220 1.50,-1.70 M21", "8220 1.50,-2.30 M35"}, "-2.60"},
        // Every line has room: the row grows for the course name's line too.
        {TitleBoth, {"8220 1.50,-1.70 Long", "8220 1.50,-2.30 M21", "8220 1.50,-2.90 M35"}, "-3.20"},
        {TitleCourseOnly, {"8220 1.50,-1.70 Long"}, "-2.00"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mode);
        SetTitleMode(r.mode);
        const Drawn d = Symbols(QStringLiteral("Long"), 0, 0, QStringLiteral("Night-O"));
        QStringList expected = title + r.lines;
        expected << "8220 4.50,-1.70 " + length << "8220 7.00,-1.70 250";
        EXPECT_EQ(J(Of(d, QStringLiteral("8220"))), J(Sorted(expected.filter(QStringLiteral("8220 ")))));
        const QString bottom = QString::fromLatin1(r.bottom);
        EXPECT_TRUE(d.items.contains("8010 0.00," + bottom + " 0.00,-1.00"));
        EXPECT_TRUE(d.items.contains("8010 8.00," + bottom + " 8.00,-1.00"));
        EXPECT_TRUE(d.items.contains(Across(8010, bottom.toDouble()))) << "the start row's top line";
        EXPECT_TRUE(d.items.contains(QStringLiteral("8100 0.50,%1").arg(Num(bottom.toDouble() - 0.5))));
    }
}

TEST_F(CdSheet, RelayNumbersForOneLegOnlyAndTheTeamInTheName)
{
    SetTitleMode(TitleCourseOnly);
    const int relay = CourseIndex(QStringLiteral("Relay"));
    struct Row {
        int leg, team;
        const char* name;
        bool numbered;
    } rows[] = {{1, 101, "Relay", true}, {3, 0, "Relay", true}, {0, 101, "Relay-101", false}, {0, 0, "Relay", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(QStringLiteral("leg %1 team %2").arg(r.leg).arg(r.team).toStdString());
        const Drawn d = Symbols(QStringLiteral("Relay"), r.leg, r.team);
        EXPECT_TRUE(d.items.contains("8220 1.50,-0.70 " + QString::fromLatin1(r.name)));
        QStringList codes;
        for (const QString& f : ExpandCourseText(Z().Courses.Strings(relay), r.leg, r.team).split(u'\t'))
            if (f.startsWith(u'c'))
                codes << f.mid(1);
        // Every control of the running order has its row, numbered from 1 when one leg is run.
        QStringList expected, numbers;
        for (qsizetype i = 0; i < codes.size(); ++i) {
            const QString y = Num(-double(i) - 2.75);
            expected << "8210 1.50," + y + u' ' + codes[i];
            if (r.numbered)
                numbers << "8200 0.50," + y + u' ' + QString::number(i + 1);
        }
        EXPECT_EQ(J(Of(d, QStringLiteral("8210"))), J(Sorted(expected)));
        EXPECT_EQ(J(Of(d, QStringLiteral("8200"))), J(Sorted(numbers)));
        EXPECT_EQ(d.height, int32_t(codes.size() + 3) * CsBox.BoxSize);
    }
}

TEST_F(CdSheet, TextSheetsWithCodesTextsAndDistances)
{
    const QString body = QStringLiteral("\t(S1)\tStart at the gate\r\n1.\t(46)\tKnoll, north side\r\nFollow tapes 4800 m to finish");
    struct Row {
        const char* course;
        int leg, team;
        QString title;
        QStringList texts;
    } rows[] = {
        {"Tiny", 0, 0, {}, {"8250 Tiny  5.400 km / 120 m", "8260 " + body}},
        {"Tiny", 0, 0, QStringLiteral("Night-O"), {"8250 Night-O", "8250 Tiny  5.400 km / 120 m", "8260 " + body}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.title.toStdString());
        SheetExtent size;
        const Drawn d = Draw([&](Cord at) {
            size = TextSheet({CourseIndex(QString::fromLatin1(r.course)), r.leg, r.team, r.title}, true, at);
            return size.Height;
        });
        QStringList texts;
        for (const QString& s : d.items)
            texts << s.section(u' ', 0, 0) + u' ' + s.section(u' ', 2);
        EXPECT_EQ(J(texts), J(Sorted(r.texts)));
        // The texts stand one below the other from the top, left-aligned at the corner; the
        // sheet is as high as they are together and as wide as the widest.
        int64_t height = 0, width = 0;
        for (const CordRect& box : d.textBoxes) {
            height += int64_t(box.y2) - box.y1;
            width = std::max<int64_t>(width, int64_t(box.x2) - 200 * CsMm);
        }
        EXPECT_EQ(size.Height, height);
        EXPECT_EQ(size.Width, width);
        const SheetExtent measured = TextSheet({CourseIndex(QString::fromLatin1(r.course)), r.leg, r.team, r.title}, false, {});
        EXPECT_EQ(measured.Height, size.Height);
        EXPECT_EQ(measured.Width, size.Width);
    }
    // A relay's text sheet numbers its controls only for a team.
    const int relay = CourseIndex(QStringLiteral("Relay"));
    const Drawn none = Draw([&](Cord at) { return TextSheet({relay, 0, 0, {}}, true, at).Height; });
    const Drawn team = Draw([&](Cord at) { return TextSheet({relay, 1, 101, {}}, true, at).Height; });
    EXPECT_TRUE(Of(none, QStringLiteral("8260")).value(0).contains(QStringLiteral("\r\n\t(46)\t")));
    EXPECT_TRUE(Of(team, QStringLiteral("8260")).value(0).contains(QStringLiteral("\r\n1.\t(46)\t")));
}

TEST_F(CdSheet, DistancesToTheFinishRoundToTensWithHalvesToEven)
{
    // At 1:15000 a millimetre is 15 m: finishes 1, 3 and 5 mm after control 46.
    const struct {
        const char* code;
        int y;
        const char* text;
    } rows[] = {{"F2", 41, "Follow tapes 20 m to finish"},
                {"F3", 43, "Follow tapes 40 m to finish"},
                {"F4", 45, "Follow tapes 80 m to finish"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.code);
        const QString code = QString::fromLatin1(r.code);
        ASSERT_GT(Store(FinishSymbol, MmPoint{0, r.y}, {code}), 0);
        SetField(code, [](QString& rec) { SetParam(rec, u't', QStringLiteral("Follow tapes;m to finish")); });
        AddCourse({code, 0, 0, 5}, QStringLiteral("\tsS1\tc46\tf") + code);
        const Drawn d = Draw([&](Cord at) { return TextSheet({CourseIndex(code), 0, 0, {}}, true, at).Height; });
        EXPECT_TRUE(Of(d, QStringLiteral("8260")).value(0).contains(QLatin1String(r.text)))
            << Of(d, QStringLiteral("8260")).value(0).toStdString();
    }
}

TEST_F(CdSheet, ThePreviewShowsItsCoursesSheetAtTheDescriptionBox)
{
    const int tiny = CourseIndex(QStringLiteral("Tiny"));
    const Cord box = CordOf(BoxAt);
    for (bool text : {false, true}) {
        SCOPED_TRACE(text);
        SetField(QStringLiteral("D1"), [text](QString& r) {
            if (text)
                SetParam(r, u'o', QStringLiteral("t"));
            else
                DeleteParam(r, u'o');
        });
        const auto sheetOnly = [](const Drawn& d) {
            QStringList r;
            for (const QString& s : d.items)
                if (s.startsWith(u'8') && !s.startsWith(QStringLiteral("83")))
                    r << s;
            return r;
        };
        const Drawn direct = Draw([&](Cord at) {
            return text ? TextSheet({tiny}, true, at).Height : SymbolSheet({tiny}, true, at);
        }, box);
        ASSERT_FALSE(direct.items.isEmpty());
        const Drawn preview = Draw([&](Cord) {
            EXPECT_TRUE(GeneratePreview(tiny, 0, 0));
            return 0;
        }, box);
        DropGeneratedObjects();
        EXPECT_EQ(J(sheetOnly(preview)), J(direct.items));
    }
}

TEST_F(CdSheet, DistanceTextsAndAllControlsColumns)
{
    EXPECT_EQ(DistanceText(QStringLiteral("Follow tapes;m to finish"), 150), QStringLiteral("Follow tapes 150 m to finish"));
    EXPECT_EQ(DistanceText(QStringLiteral(";m;m"), 20), QStringLiteral("20 m 20 m"));
    EXPECT_EQ(DistanceText(QStringLiteral("No distance"), 20), QStringLiteral("No distance"));

    // The start and the 25 controls, one row each.
    const int count = AllControlsCount(false);
    EXPECT_EQ(count, 26);
    const int32_t b = CsBox.BoxSize;
    struct Row {
        int first;
        int32_t maxHeight;
        int next;
        int rows;
    } rows[] = {{0, 100 * b, 26, 26}, {0, 3 * b, 3, 3}, {24, 3 * b, 26, 2}, {5, 0, 6, 1}, {26, 10 * b, 26, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.first);
        SheetExtent e;
        const Drawn d = Draw([&](Cord at) {
            const int next = AllControlsColumn(r.first, r.maxHeight, true, at, e);
            EXPECT_EQ(next, r.next);
            return e.Height;
        });
        EXPECT_EQ(e.Height, r.rows * b);
        EXPECT_EQ(Of(d, QStringLiteral("8210")).size(), r.rows) << "every row shows its code";
        if (r.rows > 0)
            EXPECT_EQ(Of(d, QStringLiteral("8100")).size(), r.first == 0 ? 1 : 0) << "the start's triangle";
    }
    // Text columns: one line per object, cut at the height, at least one line.
    SheetExtent all, one;
    EXPECT_EQ(AllControlsTextColumn(0, 1000 * b, false, {}, all), AllControlsCount(true));
    EXPECT_EQ(AllControlsTextColumn(0, 0, false, {}, one), 1);
    EXPECT_GT(all.Height, 10 * one.Height);
}

} // namespace
