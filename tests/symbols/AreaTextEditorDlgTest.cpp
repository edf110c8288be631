// The area, text, line-text and rectangle editors by their real widgets in the running
// program: every edited field at its offset in the working file, the words the editors keep,
// the checks that hold a page or the dialog, Cancel leaving the file as it was, and the
// structure of an area symbol drawn in the map window.
#include "EditorFlow.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "symbols/TextSym.h"
#include "symbols/widgets/AreaSymDlg.h"
#include "symbols/widgets/LTextSymDlg.h"
#include "symbols/widgets/NewSymDlg.h"
#include "symbols/widgets/RectSymDlg.h"
#include "symbols/widgets/TextSymDlg.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using namespace zemo;
using namespace zemo::test;

namespace {

// What is typed or chosen, where it lands and what it holds there (bytes: 1 or 2).
struct Stored {
    const char* name;
    QString text;  // typed into the edit; "" for a choice made apart
    size_t offset;
    int value;
    int bytes = 2;
};

void ExpectStored(const std::vector<uint8_t>& rec, std::initializer_list<Stored> rows)
{
    for (const Stored& s : rows) {
        const int at = s.bytes == 1 ? int(rec.at(s.offset)) : int(GetI16(rec, s.offset));
        EXPECT_EQ(at, s.value) << s.name << " at +" << s.offset;
    }
}

std::vector<int> ColorsOf(const std::vector<uint8_t>& rec)
{
    std::vector<int> v;
    for (int c = 0; c < 256; ++c)
        if (rec.at(20 + size_t(c) / 8) >> (c % 8) & 1)
            v.push_back(c);
    return v;
}

class Editors : public EditorFlow {
protected:
    static void Type(QWidget& d, std::initializer_list<Stored> rows)
    {
        for (const Stored& s : rows)
            if (!s.text.isEmpty())
                SetText(d, s.name, s.text);
    }
    // A typed text the dialog reacts to as the user's.
    static void TypeAsUser(QWidget& d, const char* name, const QString& text)
    {
        auto* e = Find<QLineEdit>(d, name);
        e->setText(text);
        Q_EMIT e->textEdited(text);
    }
    static double Number(QWidget& d, const char* name)
    {
        double v = -1;
        EXPECT_TRUE(TryPointStrToFloat(Find<QLineEdit>(d, name)->text(), v)) << name;
        return v;
    }
    // Marker values in the words the editors keep.
    static TestSymbol MarkedArea(int16_t number)
    {
        TestSymbol s = TestSymbol::Area(number, 1, {TestElement::Dot(4, 50), TestElement::Circle(2, 80)});
        s.SetI16(348, 0x1357);
        s.SetI16(366, 0x2468);
        s.SetI16(376, 0x0ACE);
        return s;
    }
    static TestSymbol MarkedText(int16_t number, const std::string& font = "Liberation Sans")
    {
        TestSymbol s = TestSymbol::Text(number, font, 120, 1);
        s.SetI16(540, 0x1357);
        s.SetI16(580, 0x2468);
        s.SetI16(582, 0x0ACE);
        for (size_t o = 546; o < 568; ++o)
            s.SetU8(o, uint8_t(o));
        s.SetI16(402, 2);
        s.SetI32(404, 1000);
        s.SetI32(408, 2000);
        return s;
    }
    static TestSymbol MarkedLineText(int16_t number)
    {
        TestSymbol s = TestSymbol::LineText(number, "Liberation Serif", 100, 1);
        s.flags = 0x03;
        s.SetU8(395, 0x5A);
        for (size_t o = 398; o < 428; ++o)
            s.SetU8(o, uint8_t(o));
        s.SetI16(432, 0x1357);
        s.SetI16(434, 0x2468);
        return s;
    }
    static TestSymbol MarkedRect(int16_t number)
    {
        TestSymbol s = TestSymbol::Rect(number, 1, 40);
        s.SetI16(354, 3);
        s.SetI16(360, 0x1357);
        s.SetI16(362, 0x2468);
        for (size_t o = 370; o < 416; ++o)
            s.SetU8(o, uint8_t(o));
        return s;
    }
    static void ExpectKept(const std::vector<uint8_t>& rec, const std::vector<uint8_t>& old,
                           std::initializer_list<std::pair<size_t, size_t>> ranges)
    {
        for (auto [from, to] : ranges)
            for (size_t o = from; o < to; ++o)
                EXPECT_EQ(rec.at(o), old.at(o)) << "kept byte +" << o;
    }
    static void ClickTab(QWidget& d, int page)
    {
        QTabBar* bar = Find<QTabWidget>(d, "PageControl")->tabBar();
        ProgramFixture::Click(bar, bar->tabRect(page).center());
    }
};

} // namespace

// ---- Area ----

TEST_F(Editors, AreaDialogStoresEachFieldAtItsOffsetAndKeepsItsWords)
{
    ASSERT_TRUE(Open(MapWith({MarkedArea(301)})));
    const std::vector<uint8_t> old = StoredRecord(0);
    MakeCurrent(0);
    const std::initializer_list<Stored> typed = {
        {"HatchLineWidthE", "0.25", 358, 25}, {"HatchDistE", "1.5", 360, 150},
        {"HatchAngle1E", "45", 362, 450},     {"HatchAngle2E", "-30.5", 364, -305},
        {"StructWidthE", "2.5", 370, 250},    {"StructHeightE", "3", 372, 300},
        {"StructAngleE", "-360", 374, -3600}, {"SymNumB", "30.2", 2, 302},
    };
    script.Then<TAreaSymDlg>([&](TAreaSymDlg& d) {
        EXPECT_EQ(Find<QTabWidget>(d, "PageControl")->count(), 3);
        EXPECT_TRUE(Find<QCheckBox>(d, "FillOnB")->isChecked());
        EXPECT_TRUE(Find<QRadioButton>(d, "RectB")->isChecked());
        Type(d, typed);
        ChooseEntry(d, "ToolB", 2);
        SetChecked(d, "FillOnB", false);
        ChooseColor(d, "FillColorB", 3);
        SetChecked(d, "NorthB", false);
        // A click on a picture selects its choice.
        Find<QTabWidget>(d, "PageControl")->setCurrentIndex(1);
        ProgramFixture::Click(Find(d, "HatchCrossPic"), {5, 5});
        EXPECT_TRUE(Find<QRadioButton>(d, "HatchCrossB")->isChecked());
        ChooseColor(d, "HatchColorB", 5);
        Find<QTabWidget>(d, "PageControl")->setCurrentIndex(2);
        ProgramFixture::Click(Find(d, "OffsetPic"), {5, 5});
        EXPECT_TRUE(Find<QRadioButton>(d, "OffsetB")->isChecked());
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);

    const std::vector<uint8_t> rec = StoredRecord(0);
    ASSERT_EQ(rec.size(), old.size());
    ExpectStored(rec, typed);
    ExpectStored(rec, {{"ToolB", "", 12, 2, 1}, {"FillOnB", "", 350, 0}, {"FillColorB", "", 352, 3},
                       {"NorthB", "", 7, 1, 1}, {"HatchCrossB", "", 354, 2}, {"HatchColorB", "", 356, 5},
                       {"OffsetB", "", 368, 2}, {"slots", "", 378, 6}, {"type", "", 4, 3}, {"extent", "", 8, 0}});
    ExpectKept(rec, old, {{348, 350}, {366, 368}, {376, 378}, {380, old.size()}});
    // Fill off: the hatch colour and the structure's.
    EXPECT_EQ(ColorsOf(rec), (std::vector<int>{2, 4, 5}));
}

TEST_F(Editors, AreaStructureSwitchedOffDropsItsElements)
{
    TestSymbol hatchOnly = MarkedArea(301);
    ASSERT_TRUE(Open(MapWith({hatchOnly})));
    MakeCurrent(0);
    script.Then<TAreaSymDlg>([](TAreaSymDlg& d) {
        SetChecked(d, "FillOnB", false);
        SetChecked(d, "HatchSingleB", true);
        ChooseColor(d, "HatchColorB", 3);
        SetChecked(d, "NoneB", true);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    const std::vector<uint8_t> rec = StoredRecord(0);
    ASSERT_EQ(rec.size(), 380u);
    ExpectStored(rec, {{"size", "", 0, 380}, {"slots", "", 378, 0}, {"NoneB", "", 368, 0}});
    EXPECT_EQ(ColorsOf(rec), std::vector<int>{3}) << "a hatch alone has its colour alone";
}

TEST_F(Editors, AreaEditOfACellOfWidthZeroShowsOneMillimetreAndARectangularGrid)
{
    TestSymbol none = TestSymbol::Area(301, 2);
    none.SetI16(370, 0);
    none.SetI16(372, 150);
    none.SetI16(374, 900);
    ASSERT_TRUE(Open(MapWith({none})));
    Settle();
    MakeCurrent(0);
    script.Then<TAreaSymDlg>([](TAreaSymDlg& d) {
        EXPECT_TRUE(Find<QRadioButton>(d, "NoneB")->isChecked());
        Press(d, "EditBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    ASSERT_TRUE(View().SymbolGraphicsMode);
    // The window repeats the cell about the origin on the fill colour (place 2 of the table).
    EXPECT_TRUE(View().PatternPreview);
    EXPECT_EQ(View().PatternWidth, 100);
    EXPECT_EQ(View().PatternHeight, 150);
    EXPECT_EQ(View().PatternBackgroundColor, 2);
    EXPECT_FALSE(View().PatternHalfShift);
    EXPECT_NEAR(View().PatternSin, 1, 1e-9);

    script.Then<TAreaSymDlg>([](TAreaSymDlg& d) {
        EXPECT_EQ(Find<QLineEdit>(d, "StructWidthE")->text(), QStringLiteral("1.00"));
        EXPECT_EQ(Find<QLineEdit>(d, "StructHeightE")->text(), QStringLiteral("1.50"));
        EXPECT_TRUE(Find<QRadioButton>(d, "RectB")->isChecked());
        Press(d, "OKBtn");
    });
    Panels().SymCloseBtn->click();
    Settle();
    EXPECT_TRUE(script.Done());
    EXPECT_FALSE(View().PatternPreview);
    const std::vector<uint8_t> rec = StoredRecord(0);
    ExpectStored(rec, {{"StructWidthE", "", 370, 100}, {"StructHeightE", "", 372, 150}, {"RectB", "", 368, 1}});
}

// ---- Text ----

TEST_F(Editors, TextDialogStoresEveryPageAndKeepsItsWords)
{
    ASSERT_TRUE(Open(MapWith({MarkedText(401)}, true)));
    const std::vector<uint8_t> old = StoredRecord(0);
    MakeCurrent(0);
    const std::initializer_list<Stored> typed = {
        {"FontSizeE", "14.5", 382, 145},   {"CharSpaceE", "12", 388, 12},    {"WordSpaceE", "150", 390, 150},
        {"LineSpaceE", "130", 394, 130},   {"ParaSpaceE", "-1.5", 396, -150}, {"IndentFirstE", "2.5", 398, 250},
        {"IndentOtherE", "1", 400, 100},   {"LBWidthE", "0.3", 536, 30},     {"LBDistE", "0.75", 538, 75},
        {"FrWidthE", "0.5", 578, 50},      {"FrLeftE", "-1", 568, -100},     {"FrBottomE", "0.5", 570, 50},
        {"FrRightE", "20", 572, 2000},     {"FrTopE", "-0.25", 574, -25},    {"FrOfxE", "0.4", 584, 40},
        {"FrOfyE", "-20", 586, -2000},     {"SymNumB", "40.7", 2, 407},
    };
    script.Then<TTextSymDlg>([&](TTextSymDlg& d) {
        auto* pages = Find<QTabWidget>(d, "PageControl");
        EXPECT_EQ(pages->count(), 5);
        for (int p = 0; p < pages->count(); ++p) {
            pages->setCurrentIndex(p);
            EXPECT_EQ(static_cast<TSymPageControl*>(pages)->HelpContext(), TextSymbolHelpContexts[size_t(p)]);
        }
        EXPECT_FALSE(Find(d, "CourseGrp")->isHidden());
        EXPECT_EQ(Find<QListWidget>(d, "TabListB")->count(), 2);
        Type(d, typed);
        Find<QComboBox>(d, "FontNameB")->setCurrentText(QStringLiteral("DejaVu Serif"));
        ChooseColor(d, "FontColorB", 3);
        SetChecked(d, "BoldB", true);
        SetChecked(d, "ItalicB", true);
        SetChecked(d, "NorthB", true);
        ChooseEntry(d, "CsObjTypeB", 1);
        Q_EMIT Find<QComboBox>(d, "CsObjTypeB")->activated(1);
        EXPECT_TRUE(Find<QCheckBox>(d, "CsModeB")->isChecked());
        ChooseEntry(d, "AlignmentB", 2);
        SetChecked(d, "LBOnB", true);
        ChooseColor(d, "LBColorB", 4);
        SetChecked(d, "FrRectB", true);
        ChooseColor(d, "FrColorB", 5);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);

    const std::vector<uint8_t> rec = StoredRecord(0);
    ASSERT_EQ(rec.size(), 588u);
    ExpectStored(rec, typed);
    ExpectStored(rec, {{"FontColorB", "", 380, 3}, {"BoldB", "", 384, 700}, {"ItalicB", "", 386, 1, 1},
                       {"AlignmentB", "", 392, 2}, {"NorthB", "", 7, 0, 1}, {"CsModeB", "", 13, 1, 1},
                       {"CsObjTypeB", "", 14, 6, 1}, {"LBOnB", "", 532, -1}, {"LBColorB", "", 534, 4},
                       {"FrRectB", "", 542, 3, 1}, {"FrColorB", "", 576, 5}, {"tabs", "", 402, 2},
                       {"type", "", 4, 4}, {"text flag", "", 6, 1, 1}});
    EXPECT_EQ(ShortFieldText(std::span(rec).subspan(348, 32)), "DejaVu Serif");
    ExpectKept(rec, old, {{540, 542}, {546, 568}, {580, 584}, {404, 412}, {387, 388}});
    EXPECT_EQ(ColorsOf(rec), (std::vector<int>{3, 4, 5}));
    EXPECT_GT(GetI16(rec, 8), 0);
}

TEST_F(Editors, TextTabsGoBetweenTheOthersOnceAndAThirtyThirdIsRefused)
{
    TestSymbol full = MarkedText(402);
    full.SetI16(402, 40);  // more than the table holds
    for (int k = 0; k < 32; ++k)
        full.SetI32(404 + 4 * size_t(k), 100 * (k + 1));
    ASSERT_TRUE(Open(MapWith({MarkedText(401), full})));
    MakeCurrent(0);
    const auto list = [](QWidget& d) {
        QStringList l;
        auto* w = Find<QListWidget>(d, "TabListB");
        for (int i = 0; i < w->count(); ++i)
            l << w->item(i)->text();
        return l.join(u' ');
    };
    script.Then<TTextSymDlg>([&](TTextSymDlg& d) {
        Find<QTabWidget>(d, "PageControl")->setCurrentIndex(2);
        EXPECT_EQ(list(d), QStringLiteral("10.0 20.0"));
        for (const char* position : {"12.5", "12.5", "0"}) {
            SetText(d, "PositionE", QString::fromLatin1(position));
            Press(d, "AddBtn");
            EXPECT_EQ(list(d), QStringLiteral("10.0 12.5 20.0")) << position;
        }
        SetText(d, "PositionE", QStringLiteral("501"));
        Press(d, "AddBtn");
        EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 1);
        SetText(d, "PositionE", QStringLiteral("25.25"));
        Press(d, "AddBtn");
        Find<QListWidget>(d, "TabListB")->setCurrentRow(0);
        Press(d, "DeleteBtn");
        EXPECT_EQ(list(d), QStringLiteral("12.5 20.0 25.3"));
        SetText(d, "PositionE", QStringLiteral("1"));
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    std::vector<uint8_t> rec = StoredRecord(0);
    ExpectStored(rec, {{"count", "", 402, 3}, {"tab 1", "", 404, 1250}, {"tab 2", "", 408, 2000},
                       {"tab 3", "", 412, 2525}, {"rest", "", 416, 0}});

    // A stored count of 40 shows the 32 the table holds; a 33rd is refused, and the list as
    // it was keeps the stored count. A deleted tab stores the list as shown.
    MakeCurrent(1);
    const std::vector<uint8_t> before = StoredRecord(1);
    for (bool del : {false, true}) {
        script.Then<TTextSymDlg>([&](TTextSymDlg& d) {
            EXPECT_EQ(Find<QListWidget>(d, "TabListB")->count(), 32);
            SetText(d, "PositionE", QStringLiteral("0.5"));
            Press(d, "AddBtn");
            EXPECT_EQ(Find<QListWidget>(d, "TabListB")->count(), 32);
            if (del) {
                Find<QListWidget>(d, "TabListB")->setCurrentRow(31);
                Press(d, "DeleteBtn");
            }
            Press(d, "OKBtn");
        });
        RunCommand(Cmd::SymbolEdit);
    }
    rec = StoredRecord(1);
    EXPECT_EQ(GetI16(rec, 402), 31);
    EXPECT_EQ(GetI32(rec, 404 + 4 * 30), 3100);
    EXPECT_EQ(GetI32(rec, 404 + 4 * 31), 0);
    EXPECT_EQ(GetI16(before, 402), 40);
}

TEST_F(Editors, TextWeightSixHundredShowsBoldAndKeepsItUntilBoldIsChanged)
{
    TestSymbol s = MarkedText(401);
    s.SetI16(384, 600);
    ASSERT_TRUE(Open(MapWith({s})));
    MakeCurrent(0);
    // Shown bold and left: 600 stays. Switched off: 400; on again: 700.
    const std::pair<std::vector<bool>, int> steps[] = {{{}, 600}, {{false}, 400}, {{true}, 700}};
    for (const auto& [clicks, weight] : steps) {
        script.Then<TTextSymDlg>([&clicks](TTextSymDlg& d) {
            EXPECT_EQ(Find<QCheckBox>(d, "BoldB")->isChecked(), clicks.empty() || !clicks[0]);
            for (bool on : clicks)
                SetChecked(d, "BoldB", on);
            Press(d, "OKBtn");
        });
        RunCommand(Cmd::SymbolEdit);
        EXPECT_EQ(GetI16(StoredRecord(0), 384), weight);
    }
}

TEST_F(Editors, ATypedCharacterHeightSetsTheSizeOfThoseCapitals)
{
    ASSERT_TRUE(Open(MapWith({MarkedText(401, "Arial"), MarkedText(402, "DejaVu Serif")})));
    for (int k = 0; k < 2; ++k) {
        MakeCurrent(k);
        script.Then<TTextSymDlg>([](TTextSymDlg& d) {
            const QString size = Find<QLineEdit>(d, "FontSizeE")->text();
            TypeAsUser(d, "CharHeightE", QStringLiteral("3.00"));
            EXPECT_NE(Find<QLineEdit>(d, "FontSizeE")->text(), size);
            Press(d, "OKBtn");
        });
        RunCommand(Cmd::SymbolEdit);
        const std::vector<uint8_t> rec = StoredRecord(k);
        const QString font = QString::fromStdString(ShortFieldText(std::span(rec).subspan(348, 32)));
        EXPECT_NEAR(CapitalHeight(font, GetI16(rec, 382), 400, false), 300, 1) << font.toStdString();
    }
    // A size typed shows its capital height.
    MakeCurrent(0);
    script.Then<TTextSymDlg>([](TTextSymDlg& d) {
        TypeAsUser(d, "FontSizeE", QStringLiteral("24"));
        const int height = CapitalHeight(QStringLiteral("Arial"), 240, 400, false);
        EXPECT_EQ(std::lround(Number(d, "CharHeightE") * 100), height);
        Press(d, "CancelBtn");
    });
    RunCommand(Cmd::SymbolEdit);
}

TEST_F(Editors, ANewTextSymbolTakesTimesNewRomanWithoutAMessageAndKeepsTheName)
{
    ASSERT_TRUE(Open(MapWith({MarkedArea(301)})));
    script.Then<TNewSymDlg>([](TNewSymDlg& d) {
        SetChecked(d, "SymTp3", true);
        Press(d, "OKBtn");
    });
    script.Then<TTextSymDlg>([](TTextSymDlg& d) {
        EXPECT_EQ(Find<QComboBox>(d, "FontNameB")->currentText(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(Find<QLineEdit>(d, "FontSizeE")->text(), QStringLiteral("12.0"));
        EXPECT_FALSE(Find<QLineEdit>(d, "CharHeightE")->text().isEmpty());
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolNew);
    EXPECT_EQ(messages.Count(), 0);
    ASSERT_EQ(Index.ActiveZmd->SymbolCount(), 2);
    const std::vector<uint8_t> rec = StoredRecord(1);
    ASSERT_EQ(rec.size(), 588u);
    EXPECT_EQ(ShortFieldText(std::span(rec).subspan(348, 32)), "Times New Roman");
    ExpectStored(rec, {{"size", "", 382, 120}, {"word spacing", "", 390, 100}, {"line spacing", "", 394, 120},
                       {"type", "", 4, 4}});
}

TEST_F(Editors, AThousandPointFontWithALineFramingSaturatesTheExtent)
{
    ASSERT_TRUE(Open(MapWith({MarkedText(401)})));
    MakeCurrent(0);
    script.Then<TTextSymDlg>([](TTextSymDlg& d) {
        SetText(d, "FontSizeE", QStringLiteral("1000"));
        SetChecked(d, "FrLineB", true);
        SetText(d, "FrWidthE", QStringLiteral("20"));
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    const std::vector<uint8_t> rec = StoredRecord(0);
    ExpectStored(rec, {{"FontSizeE", "", 382, 10000}, {"extent", "", 8, 32767}});
}

// ---- Line text ----

TEST_F(Editors, LineTextDialogStoresEveryPageAndKeepsItsBytes)
{
    ASSERT_TRUE(Open(MapWith({MarkedLineText(451)})));
    const std::vector<uint8_t> old = StoredRecord(0);
    MakeCurrent(0);
    const std::initializer_list<Stored> typed = {
        {"FontSizeE", "12", 382, 120},  {"CharSpaceE", "5", 388, 5},     {"WordSpaceE", "80", 390, 80},
        {"FrWidthE", "0.35", 430, 35},  {"FrOfxE", "-0.5", 436, -50},    {"FrOfyE", "0.25", 438, 25},
        {"SymNumB", "45.1", 2, 451},
    };
    script.Then<TLTextSymDlg>([&](TLTextSymDlg& d) {
        auto* pages = Find<QTabWidget>(d, "PageControl");
        EXPECT_EQ(pages->count(), 3);
        EXPECT_EQ(Find<QComboBox>(d, "FontNameB")->currentText(), QStringLiteral("Liberation Serif"));
        Type(d, typed);
        Find<QComboBox>(d, "FontNameB")->setCurrentText(QStringLiteral("Courier New"));
        ChooseEntry(d, "ToolB", 5);
        ChooseColor(d, "FontColorB", 2);
        SetChecked(d, "BoldB", true);
        SetChecked(d, "ItalicB", true);
        ChooseEntry(d, "AlignmentB", 3);
        SetChecked(d, "FrLineB", true);
        ChooseColor(d, "FrColorB", 4);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);

    const std::vector<uint8_t> rec = StoredRecord(0);
    ASSERT_EQ(rec.size(), 440u);
    ExpectStored(rec, typed);
    ExpectStored(rec, {{"extent of 12 pt", "", 8, 423}, {"ToolB", "", 12, 5, 1}, {"FontColorB", "", 380, 2},
                       {"BoldB", "", 384, 700}, {"ItalicB", "", 386, 1, 1}, {"AlignmentB", "", 392, 3},
                       {"FrLineB", "", 394, 2, 1}, {"FrColorB", "", 428, 4}, {"old framing font", "", 396, 0},
                       {"type", "", 4, 2}, {"text flag", "", 6, 1, 1}});
    EXPECT_EQ(ShortFieldText(std::span(rec).subspan(348, 32)), "Courier New");
    ExpectKept(rec, old, {{7, 8}, {387, 388}, {395, 396}, {398, 428}, {432, 436}});
    EXPECT_EQ(ColorsOf(rec), (std::vector<int>{2, 4}));
}

TEST_F(Editors, LineTextFramingOffLeavesItsColourOut)
{
    TestSymbol s = MarkedLineText(451);
    s.SetU8(394, 1);
    s.SetI16(428, 5);
    ASSERT_TRUE(Open(MapWith({s})));
    MakeCurrent(0);
    script.Then<TLTextSymDlg>([](TLTextSymDlg& d) {
        EXPECT_TRUE(Find<QRadioButton>(d, "FrShadowB")->isChecked());
        SetChecked(d, "FrOffB", true);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    const std::vector<uint8_t> rec = StoredRecord(0);
    EXPECT_EQ(ColorsOf(rec), std::vector<int>{1});
    ExpectStored(rec, {{"FrOffB", "", 394, 0, 1}, {"FrColorB", "", 428, 5}});
}

// ---- Rectangle ----

TEST_F(Editors, RectangleDialogStoresItsFieldsAndKeepsItsWords)
{
    ASSERT_TRUE(Open(MapWith({MarkedRect(501)})));
    const std::vector<uint8_t> old = StoredRecord(0);
    MakeCurrent(0);
    const std::initializer_list<Stored> typed = {
        {"LineWidthE", "0.25", 350, 25}, {"RadiusE", "1.5", 352, 150}, {"CellWidthE", "5", 356, 500},
        {"CellHeightE", "4.5", 358, 450}, {"NumberE", "3", 364, 3},    {"SymNumB", "50.2", 2, 502},
    };
    script.Then<TRectSymDlg>([&](TRectSymDlg& d) {
        EXPECT_TRUE(Find<QCheckBox>(d, "GridOnB")->isChecked());
        EXPECT_FALSE(Find<QCheckBox>(d, "NumBottomB")->isChecked());
        Type(d, typed);
        SetText(d, "TextB", QStringLiteral("ABC"));
        ChooseColor(d, "LineColorB", 2);
        SetChecked(d, "GridOnB", false);
        SetChecked(d, "NumBottomB", true);
        SetChecked(d, "NorthB", true);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    const std::vector<uint8_t> rec = StoredRecord(0);
    ASSERT_EQ(rec.size(), 416u);
    ExpectStored(rec, typed);
    // 0.25 mm: extent 12 + 8; grid off, numbered from the bottom: flags 4.
    ExpectStored(rec, {{"extent", "", 8, 20}, {"LineColorB", "", 348, 2}, {"grid flags", "", 354, 4},
                       {"NorthB", "", 7, 0, 1}, {"type", "", 4, 5}});
    EXPECT_EQ(ShortFieldText(std::span(rec).subspan(366, 4)), "ABC");
    ExpectKept(rec, old, {{360, 364}, {370, 416}});
    EXPECT_EQ(ColorsOf(rec), std::vector<int>{2});
}

// ---- Every editor ----

TEST_F(Editors, CancelLeavesTheWorkingFileAsItWasWhateverWasChanged)
{
    ASSERT_TRUE(Open(MapWith({MarkedArea(301), MarkedText(401), MarkedLineText(451), MarkedRect(501)})));
    const std::vector<uint8_t> before = WorkFile();
    const auto changeAll = [](QWidget& d) {
        for (QLineEdit* e : d.findChildren<QLineEdit*>())
            e->setText(QStringLiteral("1"));
        for (QAbstractButton* b : d.findChildren<QAbstractButton*>())
            if (b->isCheckable())
                b->setChecked(!b->isChecked());
        if (auto* pages = d.findChild<QTabWidget*>(QStringLiteral("PageControl")))
            for (int p = pages->count() - 1; p >= 0; --p)
                pages->setCurrentIndex(p);
        Press(d, "CancelBtn");
    };
    script.Then<TAreaSymDlg>(changeAll);
    script.Then<TTextSymDlg>(changeAll);
    script.Then<TLTextSymDlg>(changeAll);
    script.Then<TRectSymDlg>(changeAll);
    for (int k = 0; k < 4; ++k) {
        MakeCurrent(k);
        Frame().UpdateCommandStates();
        Trigger(Cmd::SymbolEdit);
        Settle();
    }
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(WorkFile(), before);
}

TEST_F(Editors, AFieldOutOfRangeHoldsItsPageAndOK)
{
    ASSERT_TRUE(Open(MapWith({MarkedArea(301), MarkedText(401), MarkedLineText(451), MarkedRect(501)})));
    struct Row {
        int page;           // -1: a dialog without pages
        const char* field;
        QString text;
        TextKey message;
    };
    const auto hold = [this](const std::vector<Row>& rows) {
        return [this, rows](QWidget& d) {
            for (const Row& r : rows) {
                messages.Clear();
                auto* pages = d.findChild<QTabWidget*>(QStringLiteral("PageControl"));
                if (pages)
                    pages->setCurrentIndex(r.page);
                QWidget* w = Find(d, r.field);
                auto* combo = qobject_cast<QComboBox*>(w);
                const QString good = combo ? combo->currentText() : Find<QLineEdit>(d, r.field)->text();
                const auto put = [&](const QString& text) {
                    if (combo)
                        combo->setCurrentText(text);
                    else
                        SetText(d, r.field, text);
                };
                put(r.text);
                if (pages) {
                    ClickTab(d, r.page == 0 ? 1 : 0);
                    EXPECT_EQ(pages->currentIndex(), r.page) << r.field;
                    EXPECT_EQ(messages.CountOf(r.message), 1) << r.field;
                    pages->setCurrentIndex(r.page == 0 ? 1 : 0);  // unchecked: OK finds it
                }
                messages.Clear();
                Press(d, "OKBtn");
                EXPECT_TRUE(d.isVisible()) << r.field;
                EXPECT_EQ(messages.CountOf(r.message), 1) << r.field;
                if (pages)
                    EXPECT_EQ(pages->currentIndex(), r.page) << r.field;
                put(good);
            }
            Press(d, "CancelBtn");
        };
    };
    script.Then<TAreaSymDlg>(hold({{1, "HatchLineWidthE", "20.01", TextKey::MustBetween},
                                   {1, "HatchAngle2E", "angle", TextKey::NoNumber},
                                   {2, "StructAngleE", "-360.1", TextKey::MustBetween}}));
    script.Then<TTextSymDlg>(hold({{0, "FontNameB", "No Such Font 4711", TextKey::FontNotFound},
                                   {0, "FontSizeE", "0.9", TextKey::MustBetween},
                                   {1, "ParaSpaceE", "-5.01", TextKey::MustBetween},
                                   {1, "LineSpaceE", "19", TextKey::MustBetween},
                                   {3, "LBDistE", "50.5", TextKey::MustBetween},
                                   {4, "FrTopE", "20.5", TextKey::MustBetween}}));
    script.Then<TLTextSymDlg>(hold({{0, "FontSizeE", "128.1", TextKey::MustBetween},
                                    {1, "WordSpaceE", "10000", TextKey::MustBetween},
                                    {2, "FrOfyE", "-21", TextKey::MustBetween}}));
    script.Then<TRectSymDlg>(hold({{-1, "RadiusE", "50.5", TextKey::MustBetween},
                                   {-1, "NumberE", "101", TextKey::MustBetween}}));
    for (int k = 0; k < 4; ++k) {
        MakeCurrent(k);
        Frame().UpdateCommandStates();
        Trigger(Cmd::SymbolEdit);
        Settle();
    }
    EXPECT_TRUE(script.Done());
}
