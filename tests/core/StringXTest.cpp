#include "core/StringX.h"

#include "core/Errors.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

using namespace zemo;

namespace {

// Sets the default locale for one test and restores the previous one.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& l) : saved_(QLocale()) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

QLocale german()
{
    return QLocale(QLocale::German, QLocale::Germany);
}

QLocale english()
{
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

const QString tab = QStringLiteral("\t");

} // namespace

// ---- Numbers to text ----

TEST(NumberText, PointStrRoundsToTenSignificantDigitsThenDecimals)
{
    LocaleScope l(english());
    EXPECT_EQ(FloatToPointStr(2, 1234.5678), "1234.57");
    EXPECT_EQ(FloatToPointStr(2, 123456789.123), "123456789.10");
    EXPECT_EQ(FloatToPointStr(0, 1234.5678), "1235");
    EXPECT_EQ(FloatToPointStr(3, 0.0001), "0.000");
    EXPECT_EQ(FloatToPointStr(4, 0.00012345), "0.0001");
    EXPECT_EQ(FloatToPointStr(1, 0.96), "1.0");
    EXPECT_EQ(FloatToPointStr(2, 999.999), "1000.00");
    EXPECT_EQ(FloatToPointStr(0, 9999999999.0), "9999999999");
    // Ten significant digits first: the 11th digit is gone before the decimals are written.
    EXPECT_EQ(FloatToPointStr(5, 1.23456789012), "1.23457");
    EXPECT_EQ(FloatToPointStr(12, 1.23456789012), "1.234567890000");
    EXPECT_EQ(FloatToPointStr(2, 12345678.987654), "12345678.99");
}

TEST(NumberText, PointStrHalvesOfTheLastDecimalRoundAwayFromZero)
{
    // Rounding works on the decimal digits, so 1.005 (stored slightly below) still gives 1.01.
    EXPECT_EQ(FloatToPointStr(2, 1.005), "1.01");
    EXPECT_EQ(FloatToPointStr(2, 0.125), "0.13");
    EXPECT_EQ(FloatToPointStr(0, 2.5), "3");
    EXPECT_EQ(FloatToPointStr(0, -2.5), "-3");
    EXPECT_EQ(FloatToPointStr(1, 0.04999), "0.0");
}

TEST(NumberText, PointStrNegativesAndZero)
{
    EXPECT_EQ(FloatToPointStr(2, -1234.5678), "-1234.57");
    EXPECT_EQ(FloatToPointStr(1, -0.25), "-0.3");
    EXPECT_EQ(FloatToPointStr(2, -0.001), "0.00");
    EXPECT_EQ(FloatToPointStr(2, -0.0), "0.00");
    EXPECT_EQ(FloatToPointStr(0, 0.0), "0");
    EXPECT_EQ(FloatToPointStr(0, -0.4), "0");
    EXPECT_EQ(FloatToPointStr(0, -7.0), "-7");
}

TEST(NumberText, PointStrAboveTenIntegerDigitsUsesIntactExponent)
{
    LocaleScope l(german());
    EXPECT_EQ(FloatToPointStr(2, 1.2e15), "1.2E+15");
    EXPECT_EQ(FloatToPointStr(0, 1.2e15), "1.2E+15");
    EXPECT_EQ(FloatToPointStr(1, -1e10), "-1E+10");
    EXPECT_EQ(FloatToPointStr(2, 12345678901.0), "1.23456789E+10");
    EXPECT_EQ(FloatToPointStr(2, 98765432109876.0), "9.876543211E+13");
    EXPECT_EQ(FloatToPointStr(3, 1e300), "1E+300");
    // Rounding to ten digits can itself reach eleven integer digits.
    EXPECT_EQ(FloatToPointStr(2, 9999999999.7), "1E+10");
    // The exponent form reads back as the same number.
    EXPECT_DOUBLE_EQ(PointStrToFloat(FloatToPointStr(2, -1.2e15)), -1.2e15);
}

TEST(NumberText, PointStrOfNanAndInfinityIsZero)
{
    EXPECT_EQ(FloatToPointStr(2, std::numeric_limits<double>::quiet_NaN()), "0.00");
    EXPECT_EQ(FloatToPointStr(0, std::numeric_limits<double>::infinity()), "0");
    EXPECT_EQ(FloatToPointStr(1, -std::numeric_limits<double>::infinity()), "0.0");
    EXPECT_EQ(FloatToPointStr(-3, 1.5), "2");
    EXPECT_EQ(FloatToPointStr(100, 0.5).size(), 22);
}

TEST(NumberText, PointFormsIgnoreACommaLocale)
{
    LocaleScope l(german());
    ASSERT_EQ(QLocale().decimalPoint(), ",");
    EXPECT_EQ(FloatToPointStr(2, 1234.5678), "1234.57");
    EXPECT_EQ(TenthsToStr(125), "12.5");
    EXPECT_EQ(TenthsToStr(10), "1.0");
    EXPECT_EQ(TenthsToStr(-3), "-0.3");
    EXPECT_EQ(FloatParamStr('x', 3, 2.5), tab + "x2.500");
    EXPECT_EQ(IntParamStr('n', -1234567), tab + "n-1234567");
}

TEST(NumberText, FixedAndTrimFormsUseTheLocaleSeparator)
{
    {
        LocaleScope l(german());
        EXPECT_EQ(FloatToFixedStr(2, 1234.5678), "1234,57");
        EXPECT_EQ(FloatToFixedStr(2, 1.2e15), "1,2E+15");
        EXPECT_EQ(FloatToTrimStr(0, 3, 2.5), "2,5");
        EXPECT_EQ(FloatToTrimStr(0, 3, 2.0), "2");
        EXPECT_EQ(FloatToTrimStr(1, 3, 2.0), "2,0");
        EXPECT_EQ(FloatToTrimStr(0, 3, 10.0), "10");
        EXPECT_EQ(FloatToTrimStr(0, 0, 100.0), "100");
        EXPECT_EQ(FloatToTrimStr(2, 4, 1.23456), "1,2346");
        EXPECT_EQ(FloatToTrimStr(0, 2, -0.001), "0");
        // The exponent is never taken for trailing zeros.
        EXPECT_EQ(FloatToTrimStr(0, 2, 1e20), "1E+20");
    }
    {
        LocaleScope l(english());
        EXPECT_EQ(FloatToFixedStr(1, 2.25), "2.3");
        EXPECT_EQ(FloatToTrimStr(0, 3, 2.5), "2.5");
    }
}

TEST(NumberText, IntToZeroStrPadsInFrontOfTheSign)
{
    EXPECT_EQ(IntToZeroStr(-5, 4), "00-5");
    EXPECT_EQ(IntToZeroStr(5, 4), "0005");
    EXPECT_EQ(IntToZeroStr(12345, 3), "12345");
    EXPECT_EQ(IntToZeroStr(0, 0), "0");
    EXPECT_EQ(IntToZeroStr(INT64_MIN, 1), "-9223372036854775808");
}

TEST(NumberText, IntToGroupedStrUsesTheLocaleThousandsSeparator)
{
    {
        LocaleScope l(german());
        EXPECT_EQ(IntToGroupedStr(1234567), "1.234.567");
        EXPECT_EQ(IntToGroupedStr(999), "999");
    }
    {
        LocaleScope l(english());
        EXPECT_EQ(IntToGroupedStr(-1234567), "-1,234,567");
    }
    {
        // The C locale leaves group separators out by default; grouped text still groups.
        LocaleScope l(QLocale::c());
        EXPECT_EQ(IntToGroupedStr(1234567), "1,234,567");
    }
}

// ---- Text to numbers ----

TEST(NumberParsing, TryTrimStrToIntAcceptsSignedDecimalsIn32Bits)
{
    int n = 0;
    EXPECT_TRUE(TryTrimStrToInt("  42  ", n));
    EXPECT_EQ(n, 42);
    EXPECT_TRUE(TryTrimStrToInt("-17", n));
    EXPECT_EQ(n, -17);
    EXPECT_TRUE(TryTrimStrToInt("+8", n));
    EXPECT_EQ(n, 8);
    EXPECT_TRUE(TryTrimStrToInt("2147483647", n));
    EXPECT_EQ(n, 2147483647);
    EXPECT_TRUE(TryTrimStrToInt("-2147483648", n));
    EXPECT_EQ(n, INT_MIN);
    EXPECT_TRUE(TryTrimStrToInt("007", n));
    EXPECT_EQ(n, 7);
}

TEST(NumberParsing, TryTrimStrToIntRejectsLeavingTheNumberUnchanged)
{
    for (const char* bad : {"", "   ", "2147483648", "-2147483649", "99999999999999999999999",
                            "12a", "1.5", "0x10", "$10", "+", "-", "+-3", "\t5", "5\t", "1 2",
                            "nan", "inf", "\xd9\xa3"}) {
        int n = 123;
        EXPECT_FALSE(TryTrimStrToInt(QString::fromUtf8(bad), n)) << bad;
        EXPECT_EQ(n, 123) << bad;
    }
}

TEST(NumberParsing, PointStrToFloatAcceptsPointAndLocaleSeparator)
{
    {
        LocaleScope l(english());
        EXPECT_DOUBLE_EQ(PointStrToFloat("  1.5 "), 1.5);
        EXPECT_DOUBLE_EQ(PointStrToFloat("-0.25"), -0.25);
        EXPECT_DOUBLE_EQ(PointStrToFloat("+3"), 3.0);
        EXPECT_DOUBLE_EQ(PointStrToFloat(".5"), 0.5);
        EXPECT_DOUBLE_EQ(PointStrToFloat("5."), 5.0);
        EXPECT_DOUBLE_EQ(PointStrToFloat("1.5E3"), 1500.0);
        EXPECT_DOUBLE_EQ(PointStrToFloat("2e-2"), 0.02);
        EXPECT_THROW(PointStrToFloat("1,5"), EConvertError);
    }
    {
        LocaleScope l(german());
        EXPECT_DOUBLE_EQ(PointStrToFloat("1,5"), 1.5);
        EXPECT_DOUBLE_EQ(PointStrToFloat(" 1.5"), 1.5);
        EXPECT_THROW(PointStrToFloat("1.234,5"), EConvertError);
    }
}

TEST(NumberParsing, PointStrToFloatEmptyIsSilentAbortGarbageIsConversionError)
{
    LocaleScope l(english());
    EXPECT_THROW(PointStrToFloat(""), EAbort);
    EXPECT_THROW(PointStrToFloat("    "), EAbort);
    for (const char* bad : {"abc", "nan", "NaN", "-nan", "inf", "-inf", "infinity", "0x1A",
                            "0x1p3", "1e", "1e+", " 1.5x", "1.5.3", ".", "-", "+-1", "--1",
                            "1e400", "-1e400", "1 5", "1\t", "\t1", "\xd9\xa1"}) {
        EXPECT_THROW(PointStrToFloat(QString::fromUtf8(bad)), EConvertError) << bad;
        double x = 9.0;
        EXPECT_FALSE(TryPointStrToFloat(QString::fromUtf8(bad), x)) << bad;
        EXPECT_EQ(x, 9.0) << bad;
    }
    double x = 0;
    EXPECT_FALSE(TryPointStrToFloat("", x));
    EXPECT_TRUE(TryPointStrToFloat("7.25", x));
    EXPECT_EQ(x, 7.25);
}

TEST(NumberParsing, PointStrToTenthsRoundsHalvesToEven)
{
    EXPECT_EQ(PointStrToTenths("0.25"), 2);
    EXPECT_EQ(PointStrToTenths("0.75"), 8);
    EXPECT_EQ(PointStrToTenths("-0.25"), -2);
    EXPECT_EQ(PointStrToTenths("12.5"), 125);
    EXPECT_EQ(PointStrToTenths("214748364.7"), INT_MAX);
    EXPECT_THROW(PointStrToTenths("1e12"), EConvertError);
    EXPECT_THROW(PointStrToTenths("-214748364.9"), EConvertError);
    EXPECT_THROW(PointStrToTenths(""), EAbort);
    EXPECT_THROW(PointStrToTenths("x"), EConvertError);
}

// ---- Text helpers ----

TEST(TextHelpers, SeparatorSwapsFollowTheLocale)
{
    {
        LocaleScope l(german());
        EXPECT_EQ(DecSepToPoint("1,5;2,25"), "1.5;2.25");
        EXPECT_EQ(PointToDecSep("1.5;2.25"), "1,5;2,25");
        EXPECT_EQ(FirstWordPoint("2,5 mm"), "2.5");
    }
    {
        LocaleScope l(english());
        EXPECT_EQ(DecSepToPoint("1,5"), "1,5");
        EXPECT_EQ(PointToDecSep("1.5"), "1.5");
    }
}

TEST(TextHelpers, TrimWordsAndPunctuation)
{
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(RemoveAmpersands("&File && &Edit"), "File  Edit");
    EXPECT_EQ(RemoveColon("Width:"), "Width");
    EXPECT_EQ(RemoveColon("Width::"), "Width:");
    EXPECT_EQ(RemoveColon("Width"), "Width");
    EXPECT_EQ(RemoveColon(""), "");
    EXPECT_EQ(FirstWord("12.5 mm"), "12.5");
    EXPECT_EQ(FirstWord("word"), "word");
    EXPECT_EQ(FirstWord(" lead"), "");
}

TEST(TextHelpers, CharFieldStopsAtNulAndSizeAndDecodes1252)
{
    const char field[] = {' ', ' ', 'A', 'b', ' ', '\0', 'X', 'Y'};
    EXPECT_EQ(CharFieldToStr(field, 8), "Ab");
    EXPECT_EQ(CharFieldToStr(field, 3), "A");
    EXPECT_EQ(CharFieldToStr(field, 2), "");
    EXPECT_EQ(CharFieldToStr(field, 0), "");
    EXPECT_EQ(CharFieldToStr(nullptr, 5), "");
    // No NUL within Size: nothing past Size is read (ASan checks the bound).
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(CharFieldToStr(full, 4), "abcd");
    const char euro[] = {'\x80', ' ', '5', '\0'};
    EXPECT_EQ(CharFieldToStr(euro, 4), QString::fromUtf8("\u20ac 5"));
    EXPECT_EQ(CharFieldToStr("\xc8\xe0", 2, 1251), QString::fromUtf8("Иа"));
}

TEST(TextHelpers, WideStrLenCountsUpToZeroWithinBound)
{
    const char16_t s[] = u"abc\0de";
    EXPECT_EQ(WideStrLen(s), 3);
    EXPECT_EQ(WideStrLen(s, 2), 2);
    EXPECT_EQ(WideStrLen(s, 0), 0);
    EXPECT_EQ(WideStrLen(nullptr), 0);
    const char16_t unterminated[3] = {u'x', u'y', u'z'};
    EXPECT_EQ(WideStrLen(unterminated, 3), 3);
}

TEST(TextHelpers, NextFieldWalksOneBasedPositions)
{
    const QString s = "ab;;c";
    int pos = 1;
    QString f;
    NextField(s, ';', pos, f);
    EXPECT_EQ(f, "ab");
    EXPECT_EQ(pos, 4);
    NextField(s, ';', pos, f);
    EXPECT_EQ(f, "");
    EXPECT_EQ(pos, 5);
    NextField(s, ';', pos, f);
    EXPECT_EQ(f, "c");
    EXPECT_EQ(pos, 6);
    NextField(s, ';', pos, f);
    EXPECT_EQ(f, "");
    EXPECT_EQ(pos, 6);

    pos = 0; // taken as 1
    NextField(s, ';', pos, f);
    EXPECT_EQ(f, "ab");
    pos = 100;
    NextField(s, ';', pos, f);
    EXPECT_EQ(f, "");
    EXPECT_EQ(pos, 6);
    pos = 1;
    NextField("x;", ';', pos, f);
    EXPECT_EQ(f, "x");
    EXPECT_EQ(pos, 3);
}

TEST(MessageParams, PiecesAndParametersAlternate)
{
    EXPECT_EQ(MergeMsgParams("a;b", "x"), "a x b");
    EXPECT_EQ(MergeMsgParams("t1;t2;t3", "p1;p2;p3"), "t1 p1 t2 p2 t3 p3");
    EXPECT_EQ(MergeMsgParams("Cannot read", "/tmp/map.zmd"), "Cannot read /tmp/map.zmd");
    EXPECT_EQ(MergeMsgParams(";must lie between;and", "Width;0;100"),
              "Width must lie between 0 and 100");
    EXPECT_EQ(MergeMsgParams("Text only", ""), "Text only");
    EXPECT_EQ(MergeMsgParams("", "p1;p2"), "p1 p2");
    EXPECT_EQ(MergeMsgParams("", ""), "");
}

TEST(MessageParams, LeftoversAndEmptyPiecesKeepTheirBlanks)
{
    EXPECT_EQ(MergeMsgParams("a", "x;y;z"), "a x y z");
    EXPECT_EQ(MergeMsgParams("a;b;c", "x"), "a x b c");
    EXPECT_EQ(MergeMsgParams("a;;b", "x;y"), "a x  y b");
    EXPECT_EQ(MergeMsgParams("a;", "x;y"), "a x y");
    EXPECT_EQ(MergeMsgParams("a", ";y"), "a  y");
}

// ---- Parameter strings ----

namespace {
PString sample()
{
    return "Name" + tab + "a12" + tab + "b1";
}
} // namespace

TEST(ParamString, ReadsFieldsOfAWellFormedString)
{
    const PString p = sample();
    EXPECT_EQ(GetParamName(p), "Name");
    EXPECT_EQ(GetParamText(p, 'a'), "12");
    EXPECT_EQ(GetParamText(p, 'b'), "1");
    EXPECT_EQ(GetParamText(p, 'A'), "");
    EXPECT_EQ(GetParamInt(p, 'a', 0), 12);
    EXPECT_EQ(GetParamInt(p, 'c', 7), 7);
    EXPECT_TRUE(GetParamBool(p, 'b', false));
    EXPECT_TRUE(GetParamBool(p, 'x', true));
    EXPECT_FALSE(GetParamBool(p, 'x', false));
    EXPECT_DOUBLE_EQ(GetParamFloat(p, 'a', 0.0), 12.0);
    EXPECT_DOUBLE_EQ(GetParamFloat(p, 'z', 2.5), 2.5);
}

TEST(ParamString, MalformedStringsGiveDefaults)
{
    EXPECT_EQ(GetParamName(tab + "a1"), "");
    EXPECT_EQ(GetParamName("OnlyName"), "OnlyName");
    EXPECT_EQ(GetParamName(""), "");
    EXPECT_EQ(GetParamText("", 'a'), "");
    // A field cut short after its TAB, a trailing TAB, doubled TABs.
    const PString cut = "N" + tab + tab + "a" + tab;
    EXPECT_EQ(GetParamText(cut, 'a'), "");
    EXPECT_EQ(GetParamInt(cut, 'a', -4), -4);
    EXPECT_EQ(GetParamText("N" + tab, 'a'), "");
    // Values that are not numbers, or out of range.
    const PString bad = "N" + tab + "iabc" + tab + "j99999999999" + tab + "fnan" + tab + "g1.5x"
        + tab + "h " + tab + "b2";
    EXPECT_EQ(GetParamInt(bad, 'i', 3), 3);
    EXPECT_EQ(GetParamInt(bad, 'j', 3), 3);
    EXPECT_EQ(GetParamInt(bad, 'h', 3), 3);
    EXPECT_DOUBLE_EQ(GetParamFloat(bad, 'f', 1.25), 1.25);
    EXPECT_DOUBLE_EQ(GetParamFloat(bad, 'g', 1.25), 1.25);
    EXPECT_DOUBLE_EQ(GetParamFloat(bad, 'h', 1.25), 1.25);
    EXPECT_TRUE(GetParamBool(bad, 'b', true));
    EXPECT_FALSE(GetParamBool(bad, 'b', false));
    // Blanks around an integer are allowed.
    EXPECT_EQ(GetParamInt("N" + tab + "k 5 ", 'k', 0), 5);
}

TEST(ParamString, FirstOccurrenceWinsAndCodesAreCaseSensitive)
{
    PString p = "N" + tab + "a1" + tab + "A2" + tab + "a3";
    EXPECT_EQ(GetParamText(p, 'a'), "1");
    EXPECT_EQ(GetParamText(p, 'A'), "2");
    SetParam(p, 'a', "9");
    EXPECT_EQ(p, "N" + tab + "a9" + tab + "A2" + tab + "a3");
    DeleteParam(p, 'a');
    EXPECT_EQ(p, "N" + tab + "A2" + tab + "a3");
    // The name is never taken for a field, even when it starts like one.
    EXPECT_EQ(GetParamText("aName", 'N'), "");
}

TEST(ParamString, SetParamReplacesInPlaceOrAppends)
{
    PString p = sample();
    SetParam(p, 'a', "5");
    EXPECT_EQ(p, "Name" + tab + "a5" + tab + "b1");
    SetParam(p, 'c', "");
    EXPECT_EQ(p, "Name" + tab + "a5" + tab + "b1");
    SetParam(p, 'b', "1");
    EXPECT_EQ(p, "Name" + tab + "a5" + tab + "b1");
    SetParam(p, 'b', "");
    EXPECT_EQ(p, "Name" + tab + "a5" + tab + "b");
    SetParam(p, 'c', "long value");
    EXPECT_EQ(p, "Name" + tab + "a5" + tab + "b" + tab + "clong value");
    SetParam(p, 'a', "123456");
    EXPECT_EQ(GetParamText(p, 'a'), "123456");
    EXPECT_EQ(GetParamText(p, 'c'), "long value");
    PString empty;
    SetParam(empty, 'x', "1");
    EXPECT_EQ(empty, tab + "x1");
}

TEST(ParamString, DeleteParamRemovesOneFieldOnly)
{
    PString p = sample();
    DeleteParam(p, 'a');
    EXPECT_EQ(p, "Name" + tab + "b1");
    DeleteParam(p, 'z');
    EXPECT_EQ(p, "Name" + tab + "b1");
    DeleteParam(p, 'b');
    EXPECT_EQ(p, "Name");
}

TEST(ParamString, TypedTabsAndLineBreaksStayInOneField)
{
    const QString typed = "Evil" + tab + "x1\r\nline" + tab;
    PString p = "Name";
    SetParam(p, 'd', typed);
    EXPECT_EQ(p.count('\t'), 1);
    EXPECT_EQ(GetParamText(p, 'd'), "Evil x1  line ");
    EXPECT_EQ(GetParamText(p, 'x'), "");
    // Equal after cleaning: no change.
    const PString before = p;
    SetParam(p, 'd', typed);
    EXPECT_EQ(p, before);
    // Replacing an existing field with a typed value cannot add fields either.
    SetParam(p, 'd', "a" + tab + "b2");
    EXPECT_EQ(GetParamText(p, 'd'), "a b2");
    EXPECT_EQ(GetParamText(p, 'b'), "");

    const PString built = ParamNameStr("My" + tab + "a7\nname") + TextParamStr('t', "v" + tab + "c3")
        + IntParamStr('n', 4) + BoolParamStr('b', true);
    EXPECT_EQ(GetParamName(built), "My a7 name");
    EXPECT_EQ(GetParamText(built, 't'), "v c3");
    EXPECT_EQ(GetParamText(built, 'a'), "");
    EXPECT_EQ(GetParamText(built, 'c'), "");
    EXPECT_EQ(GetParamInt(built, 'n', 0), 4);
    EXPECT_EQ(built.count('\t'), 3);
    // A code that is itself a field break cannot be written.
    EXPECT_EQ(IntParamStr('\t', 5), tab + " 5");
    EXPECT_EQ(BoolParamStr('\n', false), tab + " 0");
    PString q = "N";
    SetParam(q, '\t', "1");
    EXPECT_EQ(q, "N");
}

TEST(ParamString, BuildersAndNextParamRoundTrip)
{
    LocaleScope l(german());
    const PString p = ParamNameStr("Course 1") + BoolParamStr('b', false) + IntParamStr('i', -42)
        + FloatParamStr('f', 2, 3.14159) + TextParamStr('t', "");
    EXPECT_EQ(p, "Course 1" + tab + "b0" + tab + "i-42" + tab + "f3.14" + tab + "t");
    EXPECT_FALSE(GetParamBool(p, 'b', true));
    EXPECT_EQ(GetParamInt(p, 'i', 0), -42);
    EXPECT_DOUBLE_EQ(GetParamFloat(p, 'f', 0), 3.14);

    int pos = 1;
    QChar code;
    QString value;
    EXPECT_EQ(NextParam(p, pos, code, value), 'C');
    EXPECT_EQ(value, "ourse 1");
    const char expectCodes[] = {'b', 'i', 'f', 't'};
    const char* expectValues[] = {"0", "-42", "3.14", ""};
    for (int k = 0; k < 4; ++k) {
        ASSERT_LE(pos, p.size());
        EXPECT_EQ(NextParam(p, pos, code, value), QChar(expectCodes[k]));
        EXPECT_EQ(value, expectValues[k]);
    }
    EXPECT_GT(pos, p.size());

    // An empty field reads as a blank code.
    pos = 1;
    const PString gap = tab + tab + "x1";
    EXPECT_EQ(NextParam(gap, pos, code, value), ' ');
    EXPECT_EQ(NextParam(gap, pos, code, value), ' ');
    EXPECT_EQ(NextParam(gap, pos, code, value), 'x');
    EXPECT_EQ(value, "1");
}

// ---- TNumStringList ----

TEST(NumStringList, UnsortedKeepsOrderAndNumbers)
{
    TNumStringList l;
    EXPECT_EQ(l.AddNumber("b", 2), 0);
    EXPECT_EQ(l.AddNumber("a", 1), 1);
    EXPECT_EQ(l.AddNumber("b", 3), 2);
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Strings(1), "a");
    EXPECT_EQ(l.GetNumber(2), 3);
    EXPECT_EQ(l.IndexOf("B"), 0);
    EXPECT_EQ(l.IndexOf("c"), -1);
    EXPECT_EQ(l.IndexOfNumber(3), 2);
    l.SetNumber(0, 20);
    l.Delete(0);
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l.Strings(0), "a");
    EXPECT_EQ(l.IndexOfNumber(20), -1);
    EXPECT_THROW(l.Strings(2), std::out_of_range);
    EXPECT_THROW(l.GetNumber(-1), std::out_of_range);
    EXPECT_THROW(l.Delete(5), std::out_of_range);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
}

TEST(NumStringList, SortedInsertsInOrderKeepingDuplicates)
{
    TNumStringList l;
    l.AddNumber("delta", 4);
    l.AddNumber("Alpha", 1);
    l.SetSorted(true);
    EXPECT_EQ(l.Strings(0), "Alpha");
    EXPECT_EQ(l.AddNumber("charlie", 3), 1);
    EXPECT_EQ(l.AddNumber("bravo", 2), 1);
    EXPECT_EQ(l.AddNumber("ALPHA", 5), 1); // after its equal
    EXPECT_EQ(l.AddNumber("zulu", 26), 5);
    ASSERT_EQ(l.Count(), 6);
    const int numbers[] = {1, 5, 2, 3, 4, 26};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(l.GetNumber(i), numbers[i]) << i;
    EXPECT_EQ(l.IndexOf("alpha"), 0);
    EXPECT_EQ(l.IndexOf("Charlie"), 3);
    EXPECT_EQ(l.IndexOf("echo"), -1);
    l.SetString(0, "yankee");
    EXPECT_EQ(l.Strings(4), "yankee");
    EXPECT_EQ(l.GetNumber(4), 1);

    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("alpha"), -1);
    EXPECT_EQ(l.IndexOf("ALPHA"), 0);
}
