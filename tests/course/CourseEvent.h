// The course tests' event: a course-setting map made by File > New from the shipped
// course-setting set, its course objects stored as the drawing tools store them (the Course
// Object dialog answered offscreen), four courses and four classes.
//
// Objects, positions in millimetres on paper (y up):
//   S1 start (0, 0); F1 finish (0, 360); M1 marked route from control 45 (-30, 320) to the
//   finish;
//   D1 description box (120, 0); N1 course title (120, 40); T1 relay start number (120, 80);
//   controls 31 to 55 as ControlAt gives them.
// Courses (every leg a side of a 3-4-5 triangle, whole millimetres long):
//   Long   S1 31..45 M1 F1                                     normal, E 0.5 C 250 R 40
//   Short  S1 31 33 35 37 39 41 42 43 F1                       normal, C 120 R 60
//   Relay  S1 46 r3{47|48|49} 50 l{b1-2: 51 r2{52|53} 54 | b3: 55} 43 r2{44|45} F1
//          relay of 3 legs, teams 101 to 120
//   Solo   S1 46 l{b1: 47 | b2: 48} 50 F1                      one-man relay of 2 legs, 1 to 10
// Classes: M21 runs Long, W21 Short, "M Relay" Relay, "W Solo" Solo.
#pragma once

#include "../support/ProgramFixture.h"
#include "shell/widgets/MainFm.h"
#include "core/Config.h"
#include "core/StringX.h"
#include "course/CsData.h"
#include "course/CsObject.h"
#include "document/Index.h"
#include "edit/DrCurve.h"
#include "edit/DrText.h"
#include "edit/Pick.h"
#include "edit/Work.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace zemo::test {

inline constexpr int32_t CsMm = 25600;

// Symbol numbers x 10 of the shipped course-setting set.
inline constexpr int StartSymbol = 7010, ControlSymbol = 7020, FinishSymbol = 7030,
                     MarkedRouteSymbol = 7040, BoxSymbol = 7050, TitleSymbol = 7060,
                     StartNumberSymbol = 7070, OutOfBoundsSymbol = 7100, CrossingSymbol = 7110;

struct MmPoint {
    int x = 0;
    int y = 0;
};

inline MmPoint ControlAt(int code)
{
    // 31 to 42 climb in a zig-zag on the left; 43 to 55 form the relay's forks on x = 0.
    if (code >= 31 && code <= 42) {
        const int i = code - 31;
        return {i % 2 == 0 ? -90 : -120, 40 * i};
    }
    static const std::pair<int, MmPoint> rest[] = {
        {43, {0, 280}},  {44, {30, 320}}, {45, {-30, 320}}, {46, {0, 40}},   {47, {30, 80}},
        {48, {-30, 80}}, {49, {0, 80}},   {50, {0, 120}},   {51, {30, 160}}, {52, {60, 200}},
        {53, {0, 200}},  {54, {30, 240}}, {55, {-60, 200}}};
    for (const auto& [c, p] : rest)
        if (c == code)
            return p;
    return {};
}
inline const MmPoint StartAt{0, 0}, FinishAt{0, 360}, RouteFrom{-30, 320}, RouteTo{0, 360},
    BoxAt{120, 0}, TitleAt{120, 40}, NumberAt{120, 80};

inline Cord CordOf(MmPoint p)
{
    return {p.x * CsMm, p.y * CsMm};
}

// How the Course Object dialog is answered.
struct CodeAnswer {
    QString typed;        // typed over the proposal; empty: the proposal kept
    bool ok = true;       // OK, else Cancel
};
// What the dialog showed.
struct CodeDialogSeen {
    bool shown = false;
    QString caption;
    QString proposed;
    bool stayedOpen = false;  // OK did not close it (then it was cancelled)
};

class CourseEventTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        ASSERT_TRUE(NewMapFrom(QStringLiteral("course-setting.zmd")));
        ASSERT_TRUE(Index.ActiveZmd->CourseMap);
    }

    static TZmd& Z() { return *Index.ActiveZmd; }

    static int SymbolPos(int number10)
    {
        TZmd& z = Z();
        for (int i = 0; i < z.SymbolCount(); ++i)
            if (SymI16(z.Symbols[size_t(i)], SymNumber) == number10)
                return i;
        ADD_FAILURE() << "no symbol " << number10;
        return -1;
    }

    // Answers the Course Object dialogs shown while it lives; what they showed goes to
    // `seen`. Its timer goes with it, so that no answer is left for a later dialog.
    class CodeDialogAnswer {
    public:
        CodeDialogAnswer(const CodeAnswer& answer, CodeDialogSeen& seen)
        {
            timer_.setInterval(0);
            QObject::connect(&timer_, &QTimer::timeout, [answer, &seen] {
                auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!dlg || dlg->objectName() != QLatin1String("CsObjectDlg"))
                    return;
                // Answered once. A timer may fire inside a paint's check for input, which
                // holds back a window's close and drops it: the answer's close is asked again
                // until the dialog has gone.
                if (dlg->property("answered").toBool()) {
                    if (dlg->isVisible())
                        dlg->done(dlg->result());
                    return;
                }
                dlg->setProperty("answered", true);
                seen.shown = true;
                seen.caption = dlg->windowTitle();
                auto* code = dlg->findChild<QLineEdit*>(QStringLiteral("CodeB"));
                seen.proposed = code->text();
                if (!answer.typed.isEmpty())
                    code->setText(answer.typed);
                dlg->findChild<QPushButton*>(answer.ok ? QStringLiteral("OKBtn") : QStringLiteral("CancelBtn"))
                    ->click();
                if (answer.ok && dlg->result() != QDialog::Accepted) {
                    seen.stayedOpen = true;
                    dlg->reject();
                }
            });
            timer_.start();
        }

    private:
        QTimer timer_;
    };

    // An object of the symbol stored as a drawing tool stores it (for a text symbol a point
    // text with its empty text run); its number, 0 when it did not stay.
    static int Store(int number10, const std::vector<MmPoint>& points, const CodeAnswer& answer,
                     CodeDialogSeen* seen = nullptr)
    {
        SetCurrentSymbolPos(SymbolPos(number10));
        Index.CurSymbol = CurrentSymbol();
        if (!BeginNewObject())
            return 0;
        ElementRecord& e = CurElement;
        for (const MmPoint& p : points)
            e.Cords()[e.nItem++] = CordOf(p);
        if (e.ObjectType == TextObject) {
            e.nItem = 5;
            std::fill(e.Cords() + 1, e.Cords() + 5, e.Cords()[0]);
            e.nText = NewTextSlots;
            std::fill(e.Cords() + 5, e.Cords() + 5 + NewTextSlots, Cord{});
        }
        CodeDialogSeen local;
        const CodeDialogAnswer answering(answer, seen ? *seen : local);
        return StoreNewObject();
    }
    static int Store(int number10, MmPoint at, const CodeAnswer& answer = {}, CodeDialogSeen* seen = nullptr)
    {
        return Store(number10, std::vector<MmPoint>{at}, answer, seen);
    }

    static int AddRecord(TNumStringList& list, int type, const QString& text)
    {
        const int n = AddPString(text, type, 0);
        EXPECT_GE(n, 0);
        return list.AddNumber(text, n);
    }

    static void AddCourse(const CourseProps& p, const QString& sequence)
    {
        AddRecord(Z().Courses, CourseType, RebuildCourse(ParamNameStr(p.Name) + sequence, p));
    }

    static QString Sequence(std::initializer_list<const char*> fields)
    {
        QString s;
        for (const char* f : fields)
            s += QLatin1Char('\t') + QString::fromLatin1(f);
        return s;
    }

    // The whole event; the object numbers of the course objects by code.
    void BuildEvent()
    {
        ASSERT_GT(Store(StartSymbol, StartAt), 0);
        for (int code = 31; code <= 55; ++code)
            ASSERT_GT(Store(ControlSymbol, ControlAt(code)), 0) << code;
        ASSERT_GT(Store(FinishSymbol, FinishAt), 0);
        ASSERT_GT(Store(MarkedRouteSymbol, std::vector<MmPoint>{RouteFrom, RouteTo}, {}), 0);
        ASSERT_GT(Store(BoxSymbol, BoxAt), 0);
        ASSERT_GT(Store(TitleSymbol, TitleAt), 0);
        ASSERT_GT(Store(StartNumberSymbol, NumberAt), 0);

        QString longRun = Sequence({"sS1"});
        for (int code = 31; code <= 45; ++code)
            longRun += QStringLiteral("\tc") + QString::number(code);
        longRun += Sequence({"mM1", "fF1"});
        AddCourse({QStringLiteral("Long"), 0.5, 250, 40}, longRun);
        AddCourse({QStringLiteral("Short"), 0, 120, 60},
                  Sequence({"sS1", "c31", "c33", "c35", "c37", "c39", "c41", "c42", "c43", "fF1"}));
        AddCourse({QStringLiteral("Relay"), 0, 0, 20, CourseKind::Relay, 3, 101, 120}, RelayRun());
        AddCourse({QStringLiteral("Solo"), 0, 0, 10, CourseKind::OneManRelay, 2, 1, 10},
                  Sequence({"sS1", "c46", "l", "b1", "c47", "b2", "c48", "p", "c50", "fF1"}));
        AddRecord(Z().Classes, ClassType, QStringLiteral("M21\tcLong"));
        AddRecord(Z().Classes, ClassType, QStringLiteral("W21\tcShort"));
        AddRecord(Z().Classes, ClassType, QStringLiteral("M Relay\tcRelay"));
        AddRecord(Z().Classes, ClassType, QStringLiteral("W Solo\tcSolo"));
    }

    static QString RelayRun()
    {
        return Sequence({"sS1", "c46", "r3", "v", "c47", "v", "c48", "v", "c49", "q", "c50", "l",
                         "b1-2", "c51", "r2", "v", "c52", "v", "c53", "q", "c54", "b3", "c55", "p",
                         "c43", "r2", "v", "c44", "v", "c45", "q", "fF1"});
    }

    static int CourseIndex(const QString& name)
    {
        for (int i = 0; i < Z().Courses.Count(); ++i)
            if (GetParamName(Z().Courses.Strings(i)) == name)
                return i;
        return -1;
    }
    static int CsIndex(const QString& code)
    {
        for (int i = 0; i < Z().CsObjects.Count(); ++i)
            if (CsObjectCode(Z().CsObjects.Strings(i)) == code)
                return i;
        return -1;
    }
    // The map object of a course object, 0 when there is none.
    static int ObjectOf(const QString& code)
    {
        QString record;
        return FindCsObjectNumber(code, record);
    }
};

} // namespace zemo::test
