// The point and line symbol editors and Symbol > New by their real widgets in the running
// program: every edited field at its offset in the working file, the words the editors keep,
// the checks that hold the dialog or its page, and Cancel leaving the file as it was.
#include "EditorFlow.h"
#include "core/Messages.h"
#include "symbols/widgets/EditIconDlg.h"
#include "symbols/widgets/LineSymDlg.h"
#include "symbols/widgets/NewSymDlg.h"
#include "symbols/widgets/PointSymDlg.h"

#include <QMouseEvent>
#include <QRadioButton>

using namespace zemo;
using namespace zemo::test;

namespace {

// A row of a field table: what is typed or chosen, where it lands, what it holds there.
struct Field {
    const char* name;
    QString text;   // typed into the edit, or "" for a step done by `act`
    size_t offset;
    int value;
    int size = 2;   // bytes: 1 or 2
};

int ValueAt(const std::vector<uint8_t>& rec, const Field& f)
{
    return f.size == 1 ? int(rec.at(f.offset)) : int(GetI16(rec, f.offset));
}

class SymbolEditorDlg : public EditorFlow {
protected:
    // A point symbol with three elements' worth of marker graphics, rotatable.
    static TestSymbol MarkedPoint(int16_t number)
    {
        TestElement dot = TestElement::Dot(2, 150);
        dot.cords = {{256 * 40, -256 * 20}};
        TestSymbol s = TestSymbol::Point(number, {dot});
        s.flags = 1;
        return s;
    }
    static TestSymbol MarkedLine(int16_t number)
    {
        return LineWithLists(number, {{TestElement::Dot(1, 40)}, {TestElement::Circle(2, 60)},
                                      {TestElement::Dot(3, 30)}, {TestElement::Dot(4, 30)},
                                      {TestElement::Dot(5, 20)}});
    }
};

} // namespace

TEST_F(SymbolEditorDlg, PointDialogStoresEachFieldAtItsOffsetAndKeepsItsGraphics)
{
    ASSERT_TRUE(Open(MapWith({MarkedPoint(101), MarkedPoint(102)}, true)));
    int32_t before = 0;
    const std::vector<uint8_t> old = StoredRecord(0, &before);
    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) {
        EXPECT_TRUE(Find(d, "CourseGrp")->isVisible());
        EXPECT_EQ(Find<QLineEdit>(d, "SymNumB")->text(), QStringLiteral("10.1"));
        SetText(d, "SymNumB", QStringLiteral("12.3"));
        SetText(d, "DescriptionB", QStringLiteral("Crag"));
        SetChecked(d, "NorthB", true);
        auto* grid = Find<TCsGrid>(d, "CsGrid");
        for (int column : {0, 3})  // C and F
            ProgramFixture::Click(grid, grid->CellRect(column).center());
        EXPECT_TRUE(Find<QRadioButton>(d, "CdSymbolB")->isChecked());
        ChooseEntry(d, "CsObjTypeB", 2);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);

    int32_t pos = 0;
    const std::vector<uint8_t> rec = StoredRecord(0, &pos);
    ASSERT_EQ(rec.size(), old.size());
    EXPECT_EQ(pos, before) << "a record of the same size stays in place";
    const Field fields[] = {
        {"SymNumB", "12.3", 2, 123},
        {"NorthB", "", 7, 0, 1},     // rotatable bit cleared
        {"CdSymbolB", "", 13, 2, 1},
        {"CsObjTypeB", "", 14, 2, 1},
        {"CsGrid", "", 15, 32 | 4, 1},
        {"", "", 4, 1},              // object type
        {"", "", 348, 3},            // slots
        {"", "", 8, 75 + 45},        // extent: dot radius + distance
    };
    for (const Field& f : fields)
        EXPECT_EQ(ValueAt(rec, f), f.value) << f.name << " at " << f.offset;
    EXPECT_EQ(ShortFieldText(std::span(rec).subspan(52, 32)), "Crag");
    EXPECT_TRUE(std::equal(rec.begin() + 352, rec.end(), old.begin() + 352));
    EXPECT_EQ(rec[20], 1 << 2);
    EXPECT_EQ(Index.ActiveZmd->Setup.CurrentSymbolIndex, 0);
}

TEST_F(SymbolEditorDlg, LineDialogStoresEveryPageAndKeepsItsWords)
{
    ASSERT_TRUE(Open(MapWith({MarkedLine(201)}, true)));
    int32_t before = 0;
    const std::vector<uint8_t> old = StoredRecord(0, &before);
    MakeCurrent(0);
    const Field typed[] = {
        {"LineWidthE", "1.25", 350, 125},  {"DistFromStartE", "2.5", 354, 250},
        {"DistToEndE", "3", 356, 300},     {"MainLengthE", "4.00", 358, 400},
        {"EndLengthE", "1.5", 360, 150},   {"MainGapE", "0.4", 362, 40},
        {"SecGapE", "0.3", 364, 30},       {"EndGapE", "0.2", 366, 20},
        {"NPrimSymE", "3", 370, 3},        {"PrimSymDistE", "1.2", 372, 120},
        {"DblWidthE", "1", 384, 100},      {"DblLeftWidthE", "0.1", 386, 10},
        {"DblRightWidthE", "0.15", 388, 15}, {"DblLengthE", "2", 390, 200},
        {"DblGapE", "0.5", 392, 50},       {"DecLastE", "40", 402, 40},
        {"FrWidthE", "0.8", 408, 80},      {"SymNumB", "20.5", 2, 205},
    };
    const Field chosen[] = {
        {"ToolB", "", 12, 3, 1},     {"CsModeB", "", 13, 1, 1},  {"CsModeB", "", 14, 3, 1},
        {"LineColorB", "", 348, 2},  {"Style2B", "", 352, 4 | 2}, {"MinSymB", "", 368, -1},
        {"DblModeB", "", 374, 2},    {"DblFillB", "", 376, 1},    {"DblFillColorB", "", 378, 3},
        {"DblLeftColorB", "", 380, 4}, {"DblRightColorB", "", 382, 5}, {"DecDoubleB", "", 400, 2},
        {"FrColorB", "", 406, 1},    {"FrStyle1B", "", 410, 1},
    };
    script.Then<TLineSymDlg>([&](TLineSymDlg& d) {
        auto* pages = Find<QTabWidget>(d, "PageControl");
        EXPECT_EQ(pages->count(), 6);
        for (const Field& f : typed)
            SetText(d, f.name, f.text);
        ChooseEntry(d, "ToolB", 3);
        SetChecked(d, "CsModeB", true);
        ChooseColor(d, "LineColorB", 2);
        SetChecked(d, "Style2B", true);
        SetChecked(d, "PointedB", true);
        ChooseEntry(d, "MinSymB", 0);
        ChooseEntry(d, "DblModeB", 2);
        SetChecked(d, "DblFillB", true);
        ChooseColor(d, "DblFillColorB", 3);
        ChooseColor(d, "DblLeftColorB", 4);
        ChooseColor(d, "DblRightColorB", 5);
        SetChecked(d, "DecDoubleB", true);
        ChooseColor(d, "FrColorB", 1);
        SetChecked(d, "FrStyle1B", true);
        // The corner symbol switched off: its list goes.
        EXPECT_TRUE(Find<QCheckBox>(d, "CornerSymB")->isChecked());
        SetChecked(d, "CornerSymB", false);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);

    int32_t pos = 0;
    const std::vector<uint8_t> rec = StoredRecord(0, &pos);
    ASSERT_EQ(rec.size(), old.size() - 8 * 3);
    EXPECT_EQ(pos, before) << "a shrunk record stays in place";
    for (const Field& f : typed)
        EXPECT_EQ(ValueAt(rec, f), f.value) << f.name;
    for (const Field& f : chosen)
        EXPECT_EQ(ValueAt(rec, f), f.value) << f.name << " at " << f.offset;
    for (size_t kept : {394, 396, 398, 404})
        EXPECT_EQ(GetI16(rec, kept), GetI16(old, kept)) << kept;
    EXPECT_EQ(GetI16(rec, 412), 3);
    EXPECT_EQ(GetI16(rec, 414), 3);
    EXPECT_EQ(GetI16(rec, 416), 0);
    EXPECT_EQ(GetI16(rec, 418), 3);
    // The start list now follows the secondary one.
    EXPECT_TRUE(std::equal(old.begin() + 424, old.begin() + 424 + 8 * 6, rec.begin() + 424));
    EXPECT_TRUE(std::equal(old.begin() + 424 + 8 * 9, old.end(), rec.begin() + 424 + 8 * 6));
    EXPECT_EQ(GetI16(rec, 0), int16_t(rec.size()));
    // Extent: the double line reaches 0.50 + 0.15 mm.
    EXPECT_EQ(GetI16(rec, 8), 65);
    EXPECT_EQ(rec[7], old[7]);
}

TEST_F(SymbolEditorDlg, CancelLeavesTheWorkingFileAsItWasAfterPageChanges)
{
    ASSERT_TRUE(Open(MapWith({MarkedLine(201), MarkedPoint(101)})));
    const std::vector<uint8_t> before = WorkFile();
    MakeCurrent(0);
    script.Then<TLineSymDlg>([](TLineSymDlg& d) {
        auto* pages = Find<QTabWidget>(d, "PageControl");
        for (int p : {1, 2, 3, 4, 5, 0})
            pages->setCurrentIndex(p);
        SetText(d, "LineWidthE", QStringLiteral("2"));
        SetText(d, "SymNumB", QStringLiteral("33"));
        SetChecked(d, "SecSymB", false);
        Press(d, "CancelBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    MakeCurrent(1);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) {
        SetText(d, "DescriptionB", QStringLiteral("Other"));
        Press(d, "CancelBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    EXPECT_EQ(WorkFile(), before);
}

TEST_F(SymbolEditorDlg, APageWithAFieldOutOfRangeCannotBeLeft)
{
    ASSERT_TRUE(Open(MapWith({MarkedLine(201)})));
    MakeCurrent(0);
    struct Case {
        QString text;
        TextKey message;
    };
    script.Then<TLineSymDlg>([this](TLineSymDlg& d) {
        auto* pages = Find<QTabWidget>(d, "PageControl");
        QTabBar* bar = pages->tabBar();
        for (const Case& c : {Case{QStringLiteral("25"), TextKey::MustBetween},
                              Case{QStringLiteral("wide"), TextKey::NoNumber}}) {
            messages.Clear();
            SetText(d, "LineWidthE", c.text);
            ProgramFixture::Click(bar, bar->tabRect(2).center());
            EXPECT_EQ(pages->currentIndex(), 0) << c.text.toStdString();
            EXPECT_EQ(messages.CountOf(c.message), 1) << c.text.toStdString();
            // OK is held as well.
            Press(d, "OKBtn");
            EXPECT_TRUE(d.isVisible());
        }
        SetText(d, "LineWidthE", QStringLiteral("20"));
        ProgramFixture::Click(bar, bar->tabRect(2).center());
        EXPECT_EQ(pages->currentIndex(), 2);
        // A bad field on another page: OK shows that page with the field.
        SetText(d, "NPrimSymE", QStringLiteral("9"));
        pages->setCurrentIndex(0);
        Press(d, "OKBtn");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(pages->currentIndex(), 2);
        Press(d, "CancelBtn");
    });
    RunCommand(Cmd::SymbolEdit);
}

TEST_F(SymbolEditorDlg, TheNumberMustBeFreeExceptForTheSymbolsOwn)
{
    ASSERT_TRUE(Open(MapWith({MarkedPoint(101), MarkedPoint(102)})));
    MakeCurrent(1);
    script.Then<TPointSymDlg>([this](TPointSymDlg& d) {
        SetText(d, "SymNumB", QStringLiteral("10.1"));
        Press(d, "OKBtn");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(messages.CountOf(TextKey::SymNumExists), 1);
        SetText(d, "SymNumB", QStringLiteral("1000"));
        Press(d, "OKBtn");
        EXPECT_EQ(messages.CountOf(TextKey::SymNumRange), 1);
        SetText(d, "SymNumB", QStringLiteral("10.2"));
        Press(d, "OKBtn");
        EXPECT_FALSE(d.isVisible());
    });
    RunCommand(Cmd::SymbolEdit);
    EXPECT_EQ(GetI16(StoredRecord(1), 2), 102);
}

TEST_F(SymbolEditorDlg, TheDCellClickedTwiceLeavesItsBitClearAndTheDescriptionRole)
{
    ASSERT_TRUE(Open(MapWith({MarkedPoint(101)}, true)));
    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) {
        EXPECT_TRUE(Find<QRadioButton>(d, "NotUsedCourseB")->isChecked());
        auto* grid = Find<TCsGrid>(d, "CsGrid");
        ProgramFixture::Click(grid, grid->CellRect(1).center());
        EXPECT_EQ(grid->Bits(), 16);
        ProgramFixture::Click(grid, grid->CellRect(1).center());
        EXPECT_EQ(grid->Bits(), 0);
        EXPECT_TRUE(Find<QRadioButton>(d, "CdSymbolB")->isChecked());
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    const std::vector<uint8_t> rec = StoredRecord(0);
    EXPECT_EQ(rec[15], 0);
    EXPECT_EQ(rec[13], 2);
}

TEST_F(SymbolEditorDlg, CourseObjectTypesShowTheirEntriesAndStoreBack)
{
    struct Case {
        uint8_t stored;
        int entry;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {4, 3}, {3, 0}};
    std::vector<TestSymbol> symbols;
    for (size_t i = 0; i < std::size(cases); ++i) {
        symbols.push_back(MarkedPoint(int16_t(110 + i)));
        symbols.back().csRole = 1;
        symbols.back().csType = cases[i].stored;
    }
    ASSERT_TRUE(Open(MapWith(symbols, true)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        MakeCurrent(int(i));
        const int chosen = int(3 - cases[i].entry % 4);  // another entry each time
        script.Then<TPointSymDlg>([&](TPointSymDlg& d) {
            EXPECT_EQ(Find<QComboBox>(d, "CsObjTypeB")->currentIndex(), cases[i].entry) << i;
            auto* combo = Find<QComboBox>(d, "CsObjTypeB");
            combo->setCurrentIndex(chosen);
            Q_EMIT combo->activated(chosen);
            EXPECT_TRUE(Find<QRadioButton>(d, "CsSymbolB")->isChecked());
            Press(d, "OKBtn");
        });
        RunCommand(Cmd::SymbolEdit);
        const int types[] = {0, 1, 2, 4};
        EXPECT_EQ(StoredRecord(int(i))[14], types[chosen]) << i;
    }
}

TEST_F(SymbolEditorDlg, MinimumGapsShowTheirEntryAndAnOutOfRangeValueShowsOne)
{
    const std::pair<int16_t, int> cases[] = {{-1, 0}, {0, 1}, {1, 2}, {7, 1}, {-5, 1}};
    std::vector<TestSymbol> symbols;
    for (size_t i = 0; i < std::size(cases); ++i) {
        symbols.push_back(MarkedLine(int16_t(210 + i)));
        symbols.back().SetI16(368, cases[i].first);
    }
    ASSERT_TRUE(Open(MapWith(symbols)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        MakeCurrent(int(i));
        script.Then<TLineSymDlg>([&](TLineSymDlg& d) {
            EXPECT_EQ(Find<QComboBox>(d, "MinSymB")->currentIndex(), cases[i].second) << i;
            Press(d, "OKBtn");
        });
        RunCommand(Cmd::SymbolEdit);
        // OK without an edit keeps the value as the map holds it, out of range or not.
        EXPECT_EQ(GetI16(StoredRecord(int(i)), 368), cases[i].first) << i;
        EXPECT_FALSE(Index.ActiveZmd->Modified) << i;
    }
}

TEST_F(SymbolEditorDlg, SymbolNewOffersTheBuiltEditorsAndTakesTheNextFreeNumber)
{
    std::vector<TestSymbol> symbols;
    for (int16_t n = 10; n <= 14; ++n)
        symbols.push_back(MarkedPoint(n));
    ASSERT_TRUE(Open(MapWith(symbols)));
    MakeCurrent(2);
    script.Then<TNewSymDlg>([](TNewSymDlg& d) {
        EXPECT_TRUE(Find<QRadioButton>(d, "SymTp0")->isChecked());
        for (const char* built : {"SymTp1", "SymTp2", "SymTp3", "SymTp4", "SymTp5"})
            EXPECT_TRUE(Find(d, built)->isEnabled()) << built;
        SetChecked(d, "SymTp1", true);
        Press(d, "OKBtn");
    });
    script.Then<TLineSymDlg>([](TLineSymDlg& d) {
        EXPECT_EQ(Find<QLineEdit>(d, "SymNumB")->text(), QStringLiteral("1.5"));
        SetText(d, "DescriptionB", QStringLiteral("Path"));
        Press(d, "OKBtn");
    });
    for (Cmd twin : {Cmd::SymbolNewPop, Cmd::SymbolEditPop, Cmd::SymbolIconPop})
        EXPECT_TRUE(Frame().Action(twin)->isEnabled()) << CmdName(twin);
    RunCommand(Cmd::SymbolNew);
    TZmd& z = *Index.ActiveZmd;
    ASSERT_EQ(z.SymbolCount(), 6);
    // After the current symbol, and current itself.
    EXPECT_EQ(SymI16(z.Symbols[3], SymNumber), 15);
    EXPECT_EQ(z.Setup.CurrentSymbolIndex, 3);
    const std::vector<uint8_t> rec = StoredRecord(3);
    ASSERT_EQ(rec.size(), 424u);
    EXPECT_EQ(GetI16(rec, 4), 2);
    EXPECT_EQ(ShortFieldText(std::span(rec).subspan(52, 32)), "Path");
    for (size_t i = 84; i < 348; ++i)
        ASSERT_EQ(rec[i], 255) << i;
}

TEST_F(SymbolEditorDlg, TheIconEditorChangesOnlyTheIconAndItsFormBit)
{
    ASSERT_TRUE(Open(MapWith({MarkedPoint(101)})));
    const std::vector<uint8_t> old = StoredRecord(0);
    MakeCurrent(0);
    script.Then<TEditIconDlg>([](TEditIconDlg& d) {
        Press(d, "FullRectB");
        auto* view = Find(d, "EnlargedB");
        // From icon pixel (5, 5) to (2, 9), released outside the view's lower edge too.
        const QPoint a(5 * 5 + 2, 5 * 5 + 2), b(2 * 5 + 2, 9 * 5 + 2);
        ProgramFixture::Mouse(view, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
        ProgramFixture::Mouse(view, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
        ProgramFixture::Mouse(view, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolIcon);
    const std::vector<uint8_t> rec = StoredRecord(0);
    ASSERT_EQ(rec.size(), old.size());
    bool iconChanged = false;
    for (size_t i = 0; i < rec.size(); ++i) {
        if (i >= 84 && i < 348)
            iconChanged |= rec[i] != old[i];
        else if (i == 7)
            EXPECT_EQ(rec[i], old[i] | 2);
        else
            ASSERT_EQ(rec[i], old[i]) << i;
    }
    EXPECT_TRUE(iconChanged);
}

TEST_F(SymbolEditorDlg, GraphicsTooLargeToEditAreKeptWhenOnlyTheDescriptionChanges)
{
    // 513 slots: two polylines of 300 and 213 slots.
    const auto polyline = [](int slots) {
        return TestElement::Polyline(2, 10, std::vector<TestCord>(size_t(slots - 2), TestCord{256 * 50, 0}));
    };
    TestSymbol big = TestSymbol::Point(101, {polyline(300), polyline(213)});
    ASSERT_TRUE(Open(MapWith({big})));
    const std::vector<uint8_t> old = StoredRecord(0);
    ASSERT_EQ(GetI16(old, 348), 513);
    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) {
        EXPECT_FALSE(Find(d, "EditBtn")->isEnabled());
        SetText(d, "DescriptionB", QStringLiteral("Renamed"));
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    const std::vector<uint8_t> rec = StoredRecord(0);
    ASSERT_EQ(rec.size(), old.size());
    EXPECT_EQ(ShortFieldText(std::span(rec).subspan(52, 32)), "Renamed");
    EXPECT_TRUE(std::equal(old.begin() + 348, old.end(), rec.begin() + 348));
}

TEST_F(SymbolEditorDlg, TheIconButtonEditsTheWorkingCopyWhichOnlyOkStores)
{
    ASSERT_TRUE(Open(MapWith({MarkedPoint(101)})));
    const std::vector<uint8_t> before = WorkFile();
    const std::vector<uint8_t> old = StoredRecord(0);
    Index.ActiveZmd->Modified = 0;
    for (bool store : {false, true}) {
        MakeCurrent(0);
        script.Then<TPointSymDlg>([store](TPointSymDlg& d) {
            bool drawn = false;
            // The icon editor runs inside this step: a timer of its own works it.
            QTimer::singleShot(20, [&drawn] {
                auto* icon = dynamic_cast<TEditIconDlg*>(QApplication::activeModalWidget());
                ASSERT_NE(icon, nullptr);
                auto* view = Find(*icon, "EnlargedB");
                ProgramFixture::Click(view, {3 * 5 + 2, 4 * 5 + 2});
                Press(*icon, "OKBtn");
                drawn = true;
            });
            Press(d, "IconBtn");
            EXPECT_TRUE(drawn);
            Press(d, store ? "OKBtn" : "CancelBtn");
        });
        RunCommand(Cmd::SymbolEdit);
        if (!store) {
            EXPECT_EQ(WorkFile(), before);
            EXPECT_EQ(Index.ActiveZmd->Modified, 0) << "nothing to save after Cancel";
        }
    }
    const std::vector<uint8_t> rec = StoredRecord(0);
    EXPECT_FALSE(std::equal(rec.begin() + 84, rec.begin() + 348, old.begin() + 84));
    EXPECT_TRUE(std::equal(rec.begin() + 348, rec.end(), old.begin() + 348));
}
