// The course-setting records: type letters, sort keys, the rebuild of a course's properties,
// renaming inside courses and links, and the course check with each of its messages.
#include "CourseEvent.h"

#include "core/LangTexts.h"
#include "course/CsData.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

class CsRecords : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadTexts()); }
};

TEST_F(CsRecords, TypeLettersSortDigitsAndDisplayLetters)
{
    struct Row {
        int type;
        char letter;
        int digit;
        char display;
    };
    const Row rows[] = {{0, 's', 0, 'S'}, {1, 'c', 1, 'C'}, {2, 'f', 3, 'F'}, {3, 'm', 2, 'M'},
                        {4, 'd', 4, 'D'}, {5, 'n', 5, 'N'}, {6, 't', 6, 'T'}, {7, 'o', 7, 'O'},
                        {-1, 'o', 7, 'O'}, {8, 'o', 7, 'O'}, {255, 'o', 7, 'O'}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        EXPECT_EQ(CsTypeLetter(r.type), QLatin1Char(r.letter));
        EXPECT_EQ(CsSortDigit(r.type), r.digit);
        EXPECT_EQ(CsDisplayLetter(r.type), QLatin1Char(r.display));
    }
    for (int t = 0; t <= 7; ++t)
        EXPECT_EQ(CsTypeOfLetter(CsTypeLetter(t)), t);
    for (char unknown : {'o', 'x', 'C', 'S', 'b', 'r', ' '})
        EXPECT_EQ(CsTypeOfLetter(QLatin1Char(unknown)), CsOther) << unknown;
}

TEST_F(CsRecords, OnlyTheirSymbolKindsCreateCourseObjects)
{
    // Object types 1 point, 2 line, 3 area, 4 text, 5 rectangle against types 0..7.
    const char* admits[] = {"", "11101000", "00010000", "00000000", "00000110", "00000000"};
    for (int objectType = 1; objectType <= 5; ++objectType)
        for (int type = 0; type <= 7; ++type)
            EXPECT_EQ(CsSymbolAdmits(objectType, type), admits[objectType][type] == '1')
                << objectType << " " << type;

    SymbolBytes s(400, 0);
    const auto symbol = [&](int objectType, int role, int type, int textFlag = 0) {
        SetSymI16(s, SymObjectType, int16_t(objectType));
        SetSymU8(s, SymCsRole, uint8_t(role));
        SetSymU8(s, SymCsType, uint8_t(type));
        SetSymU8(s, SymTextFlag, uint8_t(textFlag));
        return CsTypeOfSymbol(s);
    };
    EXPECT_EQ(symbol(1, 1, CsControl), CsControl);
    EXPECT_EQ(symbol(1, 0, CsControl), CsOther);       // an ordinary symbol
    EXPECT_EQ(symbol(1, 2, CsControl), CsOther);       // a description symbol
    EXPECT_EQ(symbol(1, 1, CsMarkedRoute), CsOther);   // a point cannot be a marked route
    EXPECT_EQ(symbol(2, 1, CsMarkedRoute), CsMarkedRoute);
    EXPECT_EQ(symbol(2, 1, CsMarkedRoute, 1), CsOther); // a line text
    EXPECT_EQ(symbol(3, 1, CsStart), CsOther);         // areas never
    EXPECT_EQ(symbol(5, 1, CsCourseTitle), CsOther);   // rectangles never
    EXPECT_EQ(symbol(4, 1, CsCourseTitle), CsCourseTitle);
    EXPECT_EQ(symbol(4, 1, 9), CsOther);
}

TEST_F(CsRecords, SortKeysTakeTheDigitAndTheLastThreeCharacters)
{
    struct Row {
        const char* record;
        const char* key;
    };
    const Row rows[] = {
        {"31\tYc", "1031"},   {"105\tYc", "1105"},     {"S1\tYs", "00S1"},   {"1031\tYc", "1031"},
        {"031\tYc", "1031"},  {"7\tYc", "1007"},       {"M1\tYm", "20M1"},   {"F1\tYf", "30F1"},
        {"X2", "70X2"},       {"X2\tYx", "70X2"},      {"\tYc", "1000"},     {"ABCDE\tYn", "5CDE"},
        {"D1\tYd\tc8610", "40D1"}, {"T12\tYt", "6T12"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CsSortKey(QString::fromLatin1(r.record)), QLatin1String(r.key)) << r.record;
}

TEST_F(CsRecords, CodesTakeControlCharactersAsBlanks)
{
    struct Row {
        QString typed;
        const char* code;
    };
    const Row rows[] = {{QStringLiteral(" 31 "), "31"}, {QStringLiteral("4\t7"), "4 7"},
                        {QStringLiteral("4\r\n7"), "4  7"}, {QStringLiteral("\t31"), "31"},
                        {QString(QChar(0)) + QStringLiteral("5"), "5"},
                        {QStringLiteral("a\x1f" "b"), "a b"}, {QStringLiteral("\t\r"), ""}};
    for (const Row& r : rows) {
        EXPECT_EQ(CleanCsCode(r.typed), QLatin1String(r.code));
        EXPECT_EQ(NewCsObjectRecord(r.typed, CsControl), QLatin1String(r.code) + QStringLiteral("\tYc"));
    }
    EXPECT_EQ(RenameCsObjectRecord(QStringLiteral("31\tYc\ttat the knoll\tc8610"), QStringLiteral("1\t31")),
              QStringLiteral("1 31\tYc\ttat the knoll\tc8610"));
    EXPECT_EQ(RenameCsObjectRecord(QStringLiteral("31"), QStringLiteral("32")), QStringLiteral("32"));
}

TEST_F(CsRecords, ColumnFieldsAreAppendedAnewAndAllOfTheirKindRemoved)
{
    QString r = QStringLiteral("31\tYc\tc8600\ttx\td8610");
    SetCsColumnField(r, 2, 8601);
    EXPECT_EQ(r, QStringLiteral("31\tYc\ttx\td8610\tc8601"));
    EXPECT_EQ(CsColumnSymbol(r, 2), 8601);
    EXPECT_EQ(CsColumnSymbol(r, 3), 8610);
    EXPECT_EQ(CsColumnSymbol(r, 4), 0);
    r = QStringLiteral("31\tf8630\tYc\tf8631");  // a damaged record with two of them
    SetCsColumnField(r, 5, 0);
    EXPECT_EQ(r, QStringLiteral("31\tYc"));
}

TEST_F(CsRecords, TheRebuildKeepsTheSequenceAndRewritesTheHeader)
{
    const QString old = QStringLiteral(
        "Old\tE1.25\tC100\tR5\tYs\tL3\tF1\tT9\tXjunk\tsS1\tc31\tr2\tv\tc32\tv\tc33\tq\tl\tb1-2\tc34"
        "\tb3\tc35\tp\t\tfF1\t9x\t~z");
    const QString sequence = QStringLiteral(
        "\tsS1\tc31\tr2\tv\tc32\tv\tc33\tq\tl\tb1-2\tc34\tb3\tc35\tp\tfF1\t~z");
    struct Row {
        CourseProps props;
        const char* header;
    };
    const Row rows[] = {
        {{QStringLiteral("New"), 2.5, 320.4, 12}, "New\tE2.50\tC320\tR12\tYn"},
        {{QStringLiteral("Team"), 0, 0, 20, CourseKind::Relay, 3, 101, 120},
         "Team\tE0.00\tC0\tR20\tYs\tL3\tF101\tT120"},
        {{QStringLiteral("One"), 0.005, 9.5, 0, CourseKind::OneManRelay, 2, 1, 10},
         "One\tE0.01\tC10\tR0\tYo\tL2\tF1\tT10"},
        {{QStringLiteral("A\tB"), 0, 0, 0}, "A B\tE0.00\tC0\tR0\tYn"},
    };
    for (const Row& r : rows) {
        const QString rebuilt = RebuildCourse(old, r.props);
        EXPECT_EQ(rebuilt, QLatin1String(r.header) + sequence);
        const CourseProps back = ReadCourseProps(rebuilt);
        EXPECT_EQ(back.Kind, r.props.Kind);
        EXPECT_EQ(back.Runners, r.props.Runners);
        if (IsRelay(r.props.Kind)) {
            EXPECT_EQ(back.Legs, r.props.Legs);
            EXPECT_EQ(back.FirstStart, r.props.FirstStart);
            EXPECT_EQ(back.LastStart, r.props.LastStart);
        }
    }
    const CourseProps none = ReadCourseProps(QStringLiteral("Bare\tYs"));
    EXPECT_EQ(none.Kind, CourseKind::Relay);
    EXPECT_EQ(none.Legs, 1);
    EXPECT_EQ(none.FirstStart, 1);
    EXPECT_EQ(none.LastStart, 1);
    EXPECT_EQ(CourseKindOf(QStringLiteral("X\tYq")), CourseKind::Normal);
    EXPECT_EQ(CourseKindOf(QStringLiteral("X")), CourseKind::Normal);
}

TEST_F(CsRecords, RenamingTouchesOnlyTheFieldsOfTheCode)
{
    const QString course = QStringLiteral("c31\tE0.00\tC31\tR0\tYn\tsS1\ts31\tc31\tc131\tc3\tc31");
    EXPECT_EQ(RenameInCourse(course, QLatin1Char('c'), QStringLiteral("31"), QStringLiteral("131")),
              QStringLiteral("c31\tE0.00\tC31\tR0\tYn\tsS1\ts31\tc131\tc131\tc3\tc131"));
    const QString link = QStringLiteral("31\tf31\tt32");
    EXPECT_TRUE(LinkNamesCode(link, QStringLiteral("31")));
    EXPECT_TRUE(LinkNamesCode(link, QStringLiteral("32")));
    EXPECT_FALSE(LinkNamesCode(QStringLiteral("31\tf30\tt32"), QStringLiteral("31")));
    EXPECT_FALSE(LinkNamesCode(QStringLiteral("~Long"), QStringLiteral("ong")));
    EXPECT_EQ(RenameInLink(QStringLiteral("~Long\tf31\tt31\td31\tx3"), QStringLiteral("31"), QStringLiteral("131")),
              QStringLiteral("~Long\tf131\tt131\td131\tx3"));
}

// ---- The check, on the event ----

class CourseCheck : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        messages.Clear();
    }
    static void SetCourse(const QString& name, const QString& text)
    {
        const int i = CourseIndex(name);
        ASSERT_GE(i, 0);
        ASSERT_TRUE(SavePString(Z().Courses.GetNumber(i), text));
        Z().Courses.SetString(i, text);
    }
};

TEST_F(CourseCheck, EveryCourseOfTheEventPassesAndKeepsWhatTheGeneratorNeeds)
{
    EXPECT_TRUE(CheckCourse(-1));
    for (const char* name : {"Long", "Short", "Relay", "Solo"})
        EXPECT_TRUE(CheckCourse(CourseIndex(QLatin1String(name)))) << name;
    EXPECT_EQ(messages.Count(), 0);
    ASSERT_TRUE(CheckCourse(CourseIndex(QStringLiteral("Relay"))));
    const CheckedCourse& c = CsData.Checked;
    EXPECT_EQ(c.Kind, CourseKind::Relay);
    EXPECT_EQ(c.Legs, 3);
    EXPECT_EQ(c.FirstStart, 101);
    EXPECT_EQ(c.LastStart, 120);
    EXPECT_EQ(GetParamName(c.Text), QStringLiteral("Relay"));
    ASSERT_TRUE(CheckCourse(CourseIndex(QStringLiteral("Long"))));
    EXPECT_EQ(CsData.Checked.Kind, CourseKind::Normal);
    EXPECT_EQ(CsData.Checked.Legs, 1);
}

TEST_F(CourseCheck, EachFailureNamesItsLabelNameAndText)
{
    struct Row {
        const char* what;
        std::function<void()> damage;
        const char* course;  // nullptr: all controls
        TextKey label;
        const char* name;
        TextKey text;
        const char* param;
    };
    const auto relayWith = [](const char* header) {
        return [header] {
            SetCourse(QStringLiteral("Relay"), QLatin1String(header) + RelayRun());
        };
    };
    const Row rows[] = {
        {"an object gone", [] {
             const int n = ObjectOf(QStringLiteral("33"));
             GetIndex(n);
             Index.CurIndex.Symbol = DeletedSymbol;
             WriteIndexEntry(n);
         }, nullptr, TextKey::Count, "", TextKey::ObjectNotFound, "33"},
        {"a symbol gone", [] {
             const int n = ObjectOf(QStringLiteral("34"));
             ReadElement(n, CurElement);
             CurElement.Symbol = 9990;
             SaveElement(n);
         }, nullptr, TextKey::Object, "34", TextKey::SymbolNotDefined, ""},
        {"no legs", relayWith("Relay\tYs\tF101\tT120"), "Relay", TextKey::Course, "Relay",
         TextKey::NumLegsNotDefined, ""},
        {"no leg", relayWith("Relay\tYs\tL0\tF101\tT120"), "Relay", TextKey::Course, "Relay",
         TextKey::NumLegsNotDefined, ""},
        {"legs no number", relayWith("Relay\tYs\tL3x\tF101\tT120"), "Relay", TextKey::Course, "Relay",
         TextKey::NumLegsNotDefined, ""},
        {"last below first", relayWith("Relay\tYo\tL3\tF101\tT100"), "Relay", TextKey::Class, "Relay",
         TextKey::StartNumNotCorrect, ""},
        {"no first", relayWith("Relay\tYs\tL3\tT100"), "Relay", TextKey::Class, "Relay",
         TextKey::StartNumNotCorrect, ""},
        {"beyond the team numbers", relayWith("Relay\tYs\tL3\tF1\tT40000"), "Relay", TextKey::Class,
         "Relay", TextKey::StartNumNotCorrect, ""},
        {"team 0", relayWith("Relay\tYs\tL3\tF0\tT4"), "Relay", TextKey::Class, "Relay",
         TextKey::StartNumNotCorrect, ""},
        {"two classes", [] { AddRecord(Z().Classes, ClassType, QStringLiteral("W Relay\tcRelay")); },
         "Relay", TextKey::Course, "Relay", TextKey::OneClassRelayCourse, ""},
        {"a code gone", [] { SetCourse(QStringLiteral("Short"), QStringLiteral("Short\tYn\tsS1\tc31\tc99\tfF1")); },
         "Short", TextKey::Course, "Short", TextKey::ObjectNotFound, "99"},
        {"a symbol in a course", [] {
             const int n = ObjectOf(QStringLiteral("F1"));
             ReadElement(n, CurElement);
             CurElement.Symbol = 9990;
             SaveElement(n);
         }, "Long", TextKey::Object, "F1", TextKey::SymbolNotDefined, ""},
    };
    // Each row on the event as saved; its damage goes with the map, closed unsaved.
    const QString saved = TempPath(QStringLiteral("event.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSaveAs);
    messages.SetDefaultAnswer(IdNo);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Trigger(Cmd::FileClose);
        ASSERT_TRUE(OpenMap(saved));
        messages.Clear();
        r.damage();
        const int course = r.course ? CourseIndex(QLatin1String(r.course)) : -1;
        EXPECT_FALSE(CheckCourse(course));
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().kind, MsgKind::Error);
        const CourseCheckFailure& f = CsData.LastFailure;
        EXPECT_EQ(f.Label, r.label);
        EXPECT_EQ(f.Name, QLatin1String(r.name));
        EXPECT_EQ(f.Text, r.text);
        EXPECT_EQ(f.Param, QLatin1String(r.param));
        const QString shown = MessageText(messages.Last());
        QString expected = Text(r.text) + (*r.param ? QStringLiteral(" ") + QLatin1String(r.param) : QString());
        if (r.label != TextKey::Count)
            expected = Text(r.label) + QStringLiteral(": ") + QLatin1String(r.name) + QStringLiteral("\r\n") + expected;
        EXPECT_EQ(shown, expected);
    }
}

TEST_F(CourseCheck, SortingKeepsTheSelectedObjectAndTheCodeListFollows)
{
    TZmd& z = Z();
    ASSERT_EQ(z.CsObjectKeys.size(), z.CsObjects.Count());
    QStringList expected = {QStringLiteral("S1")};
    for (int code = 31; code <= 55; ++code)
        expected.append(QString::number(code));
    expected += {QStringLiteral("M1"), QStringLiteral("F1"), QStringLiteral("D1"), QStringLiteral("N1"),
                 QStringLiteral("T1")};
    EXPECT_EQ(z.CsObjectKeys, expected);
    // A record without Y sorts last, 1031 and 031 with 31 in some order.
    AddRecord(z.CsObjects, CsObjectType, QStringLiteral("A0"));
    AddRecord(z.CsObjects, CsObjectType, QStringLiteral("1031\tYc"));
    AddRecord(z.CsObjects, CsObjectType, QStringLiteral("031\tYc"));
    int selected = CsIndex(QStringLiteral("40"));
    SortCsObjectList(selected);
    EXPECT_EQ(z.CsObjectKeys.last(), QStringLiteral("A0"));
    EXPECT_EQ(CsObjectCode(z.CsObjects.Strings(selected)), QStringLiteral("40"));
    // Equal keys: the three stand together between the start and 32.
    EXPECT_EQ(z.CsObjectKeys[0], QStringLiteral("S1"));
    QStringList equal = z.CsObjectKeys.mid(1, 3);
    std::sort(equal.begin(), equal.end());
    EXPECT_EQ(equal, (QStringList{QStringLiteral("031"), QStringLiteral("1031"), QStringLiteral("31")}));
    EXPECT_EQ(z.CsObjectKeys[4], QStringLiteral("32"));
    for (int i = 0; i < z.CsObjects.Count(); ++i)
        EXPECT_EQ(CsObjectCode(z.CsObjects.Strings(i)), z.CsObjectKeys[i]);
    selected = 99;
    SortCsObjectList(selected);
    EXPECT_EQ(selected, z.CsObjects.Count() - 1);
}

} // namespace
