#include "core/StringX.h"

#include "CoreFixture.h"
#include "core/Errors.h"

#include <limits>
#include <stdexcept>

namespace zemo {
namespace {

using Text = test::CoreTest;
const QString tab = QStringLiteral("\t");
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

TEST_F(Text, PointFormRoundsToTenDigitsThenHalvesOfTheLastDecimalAwayFromZero)
{
    German();  // the point form ignores the locale
    struct Row { int digits; double v; const char* out; };
    const Row rows[] = {
        {2, 1234.5678, "1234.57"}, {2, 123456789.123, "123456789.10"}, {3, 0.0001, "0.000"},
        {1, 0.96, "1.0"}, {2, 999.999, "1000.00"}, {0, 9999999999.0, "9999999999"},
        // The 11th digit is gone before the decimals are written.
        {5, 1.23456789012, "1.23457"}, {12, 1.23456789012, "1.234567890000"},
        // Decimal-digit rounding: 1.005 (stored slightly below) still gives 1.01.
        {2, 1.005, "1.01"}, {2, 0.125, "0.13"}, {0, 2.5, "3"}, {0, -2.5, "-3"}, {1, 0.04999, "0.0"},
        {1, -0.25, "-0.3"}, {2, -0.001, "0.00"}, {2, -0.0, "0.00"}, {0, -0.4, "0"},
        // Above ten integer digits: exponent form, also when rounding reaches eleven digits.
        {2, 1.2e15, "1.2E+15"}, {1, -1e10, "-1E+10"}, {2, 12345678901.0, "1.23456789E+10"},
        {3, 1e300, "1E+300"}, {2, 9999999999.7, "1E+10"},
        {2, NaN, "0.00"}, {0, Inf, "0"}, {1, -Inf, "0.0"}, {-3, 1.5, "2"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FloatToPointStr(r.digits, r.v), r.out) << r.digits << " " << r.v;
    EXPECT_EQ(FloatToPointStr(100, 0.5).size(), 22);
    EXPECT_DOUBLE_EQ(PointStrToFloat(FloatToPointStr(2, -1.2e15)), -1.2e15);
    EXPECT_EQ(TenthsToStr(-3), "-0.3");
    EXPECT_EQ(FloatParamStr('x', 3, 2.5), tab + "x2.500");
}

TEST_F(Text, ShownFormsUseTheLocaleSeparator)
{
    German();
    EXPECT_EQ(FloatToFixedStr(2, 1234.5678), "1234,57");
    EXPECT_EQ(FloatToFixedStr(2, 1.2e15), "1,2E+15");
    struct Row { int min, max; double v; const char* out; };
    for (Row r : {Row{0, 3, 2.5, "2,5"}, {0, 3, 2.0, "2"}, {1, 3, 2.0, "2,0"}, {0, 3, 10.0, "10"},
                  {2, 4, 1.23456, "1,2346"}, {0, 2, -0.001, "0"}, {0, 2, 1e20, "1E+20"}})
        EXPECT_EQ(FloatToTrimStr(r.min, r.max, r.v), r.out) << r.v;
    EXPECT_EQ(IntToGroupedStr(1234567), "1.234.567");
    EXPECT_EQ(DecSepToPoint("1,5;2,25"), "1.5;2.25");
    EXPECT_EQ(PointToDecSep("1.5;2.25"), "1,5;2,25");
    EXPECT_EQ(FirstWordPoint("2,5 mm"), "2.5");
    English();
    EXPECT_EQ(IntToGroupedStr(-1234567), "-1,234,567");
    EXPECT_EQ(DecSepToPoint("1,5"), "1,5");
    // The C locale leaves group separators out by default; grouped text still groups.
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(IntToGroupedStr(1234567), "1,234,567");

    EXPECT_EQ(IntToZeroStr(-5, 4), "00-5");
    EXPECT_EQ(IntToZeroStr(12345, 3), "12345");
    EXPECT_EQ(IntToZeroStr(INT64_MIN, 1), "-9223372036854775808");
}

TEST_F(Text, IntegersParseIn32BitsOrLeaveTheNumberUnchanged)
{
    struct Row { const char* s; int n; };
    for (Row r : {Row{"  42  ", 42}, {"-17", -17}, {"+8", 8}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
                  {"007", 7}}) {
        int n = 0;
        EXPECT_TRUE(TryTrimStrToInt(r.s, n)) << r.s;
        EXPECT_EQ(n, r.n) << r.s;
    }
    for (const char* bad : {"", "   ", "2147483648", "-2147483649", "99999999999999999999999", "12a", "1.5",
                            "0x10", "+", "+-3", "\t5", "1 2", "nan", "\xd9\xa3"}) {
        int n = 123;
        EXPECT_FALSE(TryTrimStrToInt(QString::fromUtf8(bad), n)) << bad;
        EXPECT_EQ(n, 123) << bad;
    }
}

TEST_F(Text, RealsParseWithPointOrLocaleSeparatorEmptyAbortsGarbageIsAnError)
{
    struct Row { const char* s; double v; };
    for (Row r : {Row{"  1.5 ", 1.5}, {"-0.25", -0.25}, {"+3", 3}, {".5", 0.5}, {"5.", 5}, {"1.5E3", 1500},
                  {"2e-2", 0.02}})
        EXPECT_DOUBLE_EQ(PointStrToFloat(r.s), r.v) << r.s;
    EXPECT_THROW(PointStrToFloat("1,5"), EConvertError);
    EXPECT_THROW(PointStrToFloat("   "), EAbort);
    for (const char* bad : {"abc", "nan", "-inf", "infinity", "0x1A", "0x1p3", "1e", "1e+", " 1.5x", "1.5.3", ".",
                            "-", "--1", "1e400", "1 5", "\t1", "\xd9\xa1"}) {
        EXPECT_THROW(PointStrToFloat(QString::fromUtf8(bad)), EConvertError) << bad;
        double x = 9.0;
        EXPECT_FALSE(TryPointStrToFloat(QString::fromUtf8(bad), x)) << bad;
        EXPECT_EQ(x, 9.0) << bad;
    }
    German();
    EXPECT_DOUBLE_EQ(PointStrToFloat("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(PointStrToFloat(" 1.5"), 1.5);
    EXPECT_THROW(PointStrToFloat("1.234,5"), EConvertError);

    EXPECT_EQ(PointStrToTenths("0.25"), 2);  // halves to even
    EXPECT_EQ(PointStrToTenths("0.75"), 8);
    EXPECT_EQ(PointStrToTenths("214748364.7"), INT_MAX);
    EXPECT_THROW(PointStrToTenths("-214748364.9"), EConvertError);
    EXPECT_THROW(PointStrToTenths(""), EAbort);
}

TEST_F(Text, HelpersTrimCutAndSplit)
{
    EXPECT_EQ(TrimBlanks("\ta \t"), "\ta \t");
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(RemoveAmpersands("&File && &Edit"), "File  Edit");
    EXPECT_EQ(RemoveColon("Width::"), "Width:");
    EXPECT_EQ(RemoveColon(""), "");
    EXPECT_EQ(FirstWord("12.5 mm"), "12.5");
    EXPECT_EQ(FirstWord(" lead"), "");

    const char field[] = {' ', ' ', 'A', 'b', ' ', '\0', 'X', 'Y'};
    EXPECT_EQ(CharFieldToStr(field, 8), "Ab");
    EXPECT_EQ(CharFieldToStr(field, 3), "A");
    EXPECT_EQ(CharFieldToStr(nullptr, 5), "");
    // Filled to its last byte: nothing past Size is read (ASan checks the bound), nothing lost.
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(CharFieldToStr(full, 4), "abcd");
    EXPECT_EQ(CharFieldToStr("\x80 5", 3), QString::fromUtf8("\u20ac 5"));
    EXPECT_EQ(CharFieldToStr("\xc8\xe0", 2, 1251), QString::fromUtf8("Иа"));
    const char16_t unterminated[3] = {u'x', u'y', u'z'};
    EXPECT_EQ(WideStrLen(unterminated, 3), 3);
    EXPECT_EQ(WideStrLen(u"abc\0de"), 3);
    EXPECT_EQ(WideStrLen(nullptr), 0);

    // 1-based positions: the field, and where the next starts.
    struct Row { QString s; int pos; const char* field; int next; };
    for (const Row& r : {Row{"ab;;c", 1, "ab", 4}, {"ab;;c", 4, "", 5}, {"ab;;c", 5, "c", 6}, {"ab;;c", 6, "", 6},
                         {"ab;;c", 0, "ab", 4}, {"ab;;c", 100, "", 6}, {"x;", 1, "x", 3}}) {
        int pos = r.pos;
        QString f = "junk";
        NextField(r.s, ';', pos, f);
        EXPECT_EQ(f, r.field) << r.pos;
        EXPECT_EQ(pos, r.next) << r.pos;
    }
}

TEST_F(Text, MessageParametersAlternateWithTextPieces)
{
    struct Row { const char* text; const char* params; const char* out; };
    for (Row r : {Row{"t1;t2;t3", "p1;p2;p3", "t1 p1 t2 p2 t3 p3"},
                  {";must lie between;and", "Width;0;100", "Width must lie between 0 and 100"},
                  {"Text only", "", "Text only"}, {"", "p1;p2", "p1 p2"}, {"", "", ""}, {"a", "x;y;z", "a x y z"},
                  {"a;b;c", "x", "a x b c"}, {"a;;b", "x;y", "a x  y b"}, {"a;", "x;y", "a x y"}, {"a", ";y", "a  y"}})
        EXPECT_EQ(MergeMsgParams(r.text, r.params), r.out) << r.text << " / " << r.params;
}

TEST_F(Text, ParameterStringsReadFirstFieldsAndDefaultOnMalformedValues)
{
    const PString p = "Name" + tab + "a12" + tab + "b1" + tab + "A2" + tab + "a3" + tab + "iabc" + tab
        + "j99999999999" + tab + "fnan" + tab + "g1.5x" + tab + "h " + tab + "k 5 " + tab + "c2";
    EXPECT_EQ(GetParamName(p), "Name");
    EXPECT_EQ(GetParamText(p, 'a'), "12");  // the first wins, codes are case-sensitive
    EXPECT_EQ(GetParamText(p, 'A'), "2");
    EXPECT_EQ(GetParamInt(p, 'a', 0), 12);
    EXPECT_EQ(GetParamInt(p, 'k', 0), 5);
    for (char bad : {'i', 'j', 'h', 'z'})
        EXPECT_EQ(GetParamInt(p, bad, 3), 3) << bad;
    for (char bad : {'f', 'g', 'h', 'z'})
        EXPECT_DOUBLE_EQ(GetParamFloat(p, bad, 1.25), 1.25) << bad;
    EXPECT_TRUE(GetParamBool(p, 'b', false));
    EXPECT_TRUE(GetParamBool(p, 'c', true));
    EXPECT_FALSE(GetParamBool(p, 'c', false));
    EXPECT_EQ(GetParamName(tab + "a1"), "");
    EXPECT_EQ(GetParamText("aName", 'N'), "");
    EXPECT_EQ(GetParamText("N" + tab + tab + "a" + tab, 'a'), "");
}

TEST_F(Text, SetParamReplacesAppendsAndNeverAddsFieldsFromTypedText)
{
    PString p = "Name" + tab + "a12" + tab + "b1";
    SetParam(p, 'a', "5");
    SetParam(p, 'c', "");  // equal to absent: nothing added
    EXPECT_EQ(p, "Name" + tab + "a5" + tab + "b1");
    SetParam(p, 'b', "");
    SetParam(p, 'c', "long value");
    EXPECT_EQ(p, "Name" + tab + "a5" + tab + "b" + tab + "clong value");
    DeleteParam(p, 'a');
    DeleteParam(p, 'z');
    EXPECT_EQ(p, "Name" + tab + "b" + tab + "clong value");
    PString empty;
    SetParam(empty, 'x', "1");
    EXPECT_EQ(empty, tab + "x1");

    PString q = "Name";
    SetParam(q, 'd', "Evil" + tab + "x1\r\nline" + tab);
    EXPECT_EQ(q, "Name" + tab + "dEvil x1  line ");
    SetParam(q, '\t', "1");
    EXPECT_EQ(q.count('\t'), 1);
    const PString built = ParamNameStr("My" + tab + "a7\nname") + TextParamStr('t', "v" + tab + "c3")
        + IntParamStr('n', 4) + BoolParamStr('b', false) + IntParamStr('\t', 5);
    EXPECT_EQ(built, "My a7 name" + tab + "tv c3" + tab + "n4" + tab + "b0" + tab + " 5");

    // Walking the fields: the name's first character, then each code; an empty field is a blank.
    const PString walk = "Course" + tab + "i-42" + tab + tab + "t";
    int pos = 1;
    QChar code;
    QString value;
    for (auto [c, v] : {std::pair{'C', "ourse"}, {'i', "-42"}, {' ', ""}, {'t', ""}}) {
        EXPECT_EQ(NextParam(walk, pos, code, value), QChar(c));
        EXPECT_EQ(value, v);
    }
    EXPECT_GT(pos, walk.size());
}

TEST_F(Text, NumberedListsKeepOrderOrSortAfterEquals)
{
    TNumStringList l;
    EXPECT_EQ(l.AddNumber("delta", 4), 0);
    EXPECT_EQ(l.AddNumber("Alpha", 1), 1);
    EXPECT_EQ(l.IndexOf("ALPHA"), 1);
    EXPECT_EQ(l.IndexOfNumber(1), 1);
    EXPECT_THROW(l.Strings(2), std::out_of_range);
    EXPECT_THROW(l.GetNumber(-1), std::out_of_range);
    l.SetSorted(true);
    EXPECT_EQ(l.Strings(0), "Alpha");
    EXPECT_EQ(l.AddNumber("charlie", 3), 1);
    EXPECT_EQ(l.AddNumber("ALPHA", 5), 1);  // after its equal
    EXPECT_EQ(l.AddNumber("zulu", 26), 4);
    const int numbers[] = {1, 5, 3, 4, 26};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(l.GetNumber(i), numbers[i]) << i;
    l.SetString(0, "yankee");
    EXPECT_EQ(l.Strings(3), "yankee");
    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("alpha"), -1);
    l.Delete(0);
    EXPECT_EQ(l.Count(), 4);
    EXPECT_THROW(l.Delete(5), std::out_of_range);
}

} // namespace
} // namespace zemo
