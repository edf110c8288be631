// Edit > Measure: what may be measured, the sums of lines and areas at the map's scale, a
// selected hole, the number on the clipboard and the result dialog in two locales.
#include "CutFixture.h"

#include "edit/widgets/MeasureDlg.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

namespace zemo::test {
namespace {

using MeasureTest = CutTest;

TEST_F(MeasureTest, WhatMayBeMeasured)
{
    OpenCutMap({TestObject::Line(LineN, {{0, 0}, {10 * Mm, 0}}), TestObject::Line(OtherLineN, {{0, 5 * Mm}, {9 * Mm, 5 * Mm}}),
                TestObject::Area(AreaN, {{0, 0}, {Mm, 0}, {Mm, Mm}}), TestObject::Area(AreaN, {{0, 0}, {Mm, 0}, {0, Mm}}),
                TestObject::Point(CircleN, 0, 0), TestObject::Text(TextN, 0, 0, "Hut")});
    const struct {
        std::vector<int> objects;  // one: the single current object
        bool can;
        int kind;
    } rows[] = {
        {{1}, true, LineObject},  {{1, 2}, true, LineObject}, {{3, 4}, true, AreaObject}, {{3}, true, AreaObject},
        {{1, 3}, false, 0},       {{5}, false, 0},            {{6}, false, 0},           {{}, false, 0},
    };
    for (const auto& r : rows) {
        EndCurrentTool();
        DropSelection();
        for (int n : r.objects) {
            ASSERT_TRUE(GetIndex(n));
            ToggleSelection(n);
        }
        EXPECT_EQ(CanMeasure(), r.can) << r.objects.size();
        EXPECT_EQ(Measure.MeasureKind, r.kind) << r.objects.size();
    }
}

// Runs Edit > Measure with the result dialog of the program; the labels it showed.
struct Shown {
    QString scale, label, result;
};

class MeasureRun : public MeasureTest {
protected:
    Shown Run()
    {
        Shown shown;
        EditPorts().ShowMeasureResult.Bind([](const MeasureReport& r) { ExecMeasureDlg(nullptr, r); });
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<TMeasureDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            shown.scale = dlg->findChild<QLabel*>(QStringLiteral("ScaleB"))->text();
            shown.label = dlg->findChild<QLabel*>(QStringLiteral("ResultL"))->text();
            shown.result = dlg->findChild<QLabel*>(QStringLiteral("ResultB"))->text();
            EXPECT_EQ(dlg->windowTitle(), Text(TextKey::MeasureResult).remove(u'&'));
            EXPECT_EQ(dlg->focusWidget(), dlg->findChild<QPushButton*>(QStringLiteral("OkBtn")));
            dlg->accept();
        });
        MeasureObjects();
        return shown;
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        MeasureTest::TearDown();
    }
};

TEST_F(MeasureRun, TenCentimetresAtOneToFifteenThousandShowAKilometreAndAHalf)
{
    const struct {
        QLocale locale;
        const char* result;
        const char* number;
    } rows[] = {{QLocale(QLocale::English, QLocale::UnitedStates), "1.500 km", "1.500"},
                {QLocale(QLocale::German, QLocale::Germany), "1,500 km", "1,500"}};
    for (const auto& r : rows) {
        QLocale::setDefault(r.locale);
        // Two lines of 6 and 4 cm, the second with a curve that runs straight.
        OpenCutMap({TestObject::Line(LineN, {{0, 0}, {60 * Mm, 0}}),
                    TestObject::Line(LineN, {{0, 10 * Mm}, {10 * Mm | FirstBezierFlag, 10 * Mm},
                                             {30 * Mm | SecondBezierFlag, 10 * Mm}, {40 * Mm, 10 * Mm}})});
        S().MapScale = 15000;
        SelectObjects({1, 2});
        const Shown shown = Run();
        EXPECT_EQ(shown.result.toStdString(), r.result);
        EXPECT_EQ(shown.label, Text(TextKey::LineLength) + u':');
        EXPECT_EQ(shown.scale, QStringLiteral("15000"));
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), r.number);
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(MeasureRun, AreasInSquareKilometresAndASelectedHoleAlone)
{
    OpenCutMap({TestObject::Area(AreaN, {{0, 0}, {Mm, 0}, {Mm, Mm}, {0, Mm}}),
                TestObject::Area(AreaN, {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm},
                                         {2 * Mm, 2 * Mm | HoleFlag}, {4 * Mm, 2 * Mm}, {4 * Mm, 4 * Mm}, {2 * Mm, 4 * Mm}})});
    S().MapScale = 10000;
    const struct {
        int object, hole;
        const char* result;
    } rows[] = {{1, 0, "0.000100 km2"}, {2, 4, "0.000400 km2"}, {2, 0, "0.009600 km2"}};
    for (const auto& r : rows) {
        SelectAndStart(r.object, WorkModes::EditObject, r.hole);
        Index.SelectedHoleStart = r.hole;
        const Shown shown = Run();
        EXPECT_EQ(shown.result.toStdString(), r.result) << r.object << " hole " << r.hole;
        EXPECT_EQ(shown.label, Text(TextKey::AreaSize));
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString() + " km2", r.result);
    }
}

TEST(MeasureReport, NumbersAtTheScale)
{
    QLocale::setDefault(QLocale::c());
    const MeasureReport line = MeasureReportOf(123456.0, LineObject, 25000);
    EXPECT_EQ(line.Number, QStringLiteral("30.864"));
    EXPECT_EQ(line.Result, QStringLiteral("30.864 km"));
    // No group separators: the number pastes as one.
    const MeasureReport far = MeasureReportOf(1e9, LineObject, 10000);
    EXPECT_EQ(far.Number, QStringLiteral("100000.000"));
    const MeasureReport area = MeasureReportOf(2.5e6, AreaObject, 4000);
    EXPECT_EQ(area.Number, QStringLiteral("0.004000"));
}

} // namespace
} // namespace zemo::test
