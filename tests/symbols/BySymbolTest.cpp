// Extras > Select objects by symbol and Delete objects by symbol in the running program, on a
// test-writer map of objects of selected and other symbols, imported objects of layers and
// numbers without a symbol: the exact objects, the tool afterwards, Esc half-way and the one
// undo step of a delete.
#include "EditorFlow.h"
#include "core/Config.h"
#include "core/Ports.h"
#include "core/Status.h"
#include "document/Undo.h"
#include "symbols/BySymbol.h"
#include "symbols/widgets/BySymbolDlg.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

class BySymbolFlow : public EditorFlow {
protected:
    // Symbols 10.1, 10.2, 20.1. Objects 1 .. 13; 13 belongs to one course only unless
    // courseOnly is off.
    static TestMapWriter Sample(bool courseOnly = true)
    {
        TestMapWriter w = MapWith({TestSymbol::Point(101), TestSymbol::Point(102), TestSymbol::Line(201)});
        const auto at = [](int i) { return TestObject::Point(101, i * 5 * Mm, 10 * Mm); };
        const auto imported = [](int16_t symbol, const char* layer, int i) {
            TestObject o = TestObject::Line(symbol, {{i * 5 * Mm, 0}, {i * 5 * Mm + Mm, Mm}});
            o.layerName = layer;
            return o;
        };
        TestObject deleted = at(7);
        deleted.deleted = true;
        TestObject roadWithSymbol = TestObject::Point(101, 45 * Mm, 0);
        roadWithSymbol.layerName = "Roads";
        TestObject object13 = TestObject::Point(201, 60 * Mm, 0);
        object13.courseOnly = courseOnly;
        w.objects = {
            at(1),                                                   // 1
            TestObject::Point(102, 10 * Mm, 0),                      // 2
            TestObject::Line(201, {{0, 0}, {Mm, 2 * Mm}}),           // 3
            imported(-1, "Roads", 4),                                // 4
            imported(-1, "Rivers", 5),                               // 5
            TestObject::Point(555, 30 * Mm, 0),                      // 6: no symbol 55.5
            deleted,                                                 // 7
            roadWithSymbol,                                          // 8
            TestObject::EmptySlot(),                                 // 9
            TestObject::Line(201, {{0, 5 * Mm}, {3 * Mm, 5 * Mm}}),  // 10
            imported(-3, "Roads", 11),                               // 11
            imported(-1, "Roads ", 12),                              // 12
            object13,                                                // 13
        };
        return w;
    }
    // 10.1 and 20.1 selected in the symbol box (a map is read with none), none current.
    void SelectTwoSymbols()
    {
        MakeCurrent(-1);
        for (int k : {0, 2})
            SetSymU8(Index.ActiveZmd->Symbols[size_t(k)], SymSelected, 1);
    }
    static std::vector<int> Selected()
    {
        std::vector<int> v;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (IsSelected(n))
                v.push_back(n);
        return v;
    }
    static std::vector<int> Live()
    {
        std::vector<int> v;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (EntryLive(Index.ActiveZmd->Entry(n)))
                v.push_back(n);
        return v;
    }
    void Choose(bool deleting, BySymbolChoice choice, const QString& layer = {})
    {
        script.Then<TBySymbolDlg>([=](TBySymbolDlg& d) {
            EXPECT_EQ(Find<QGroupBox>(d, "SelectGrp")->title(),
                      Text(deleting ? TextKey::DeleteObj : TextKey::SelectObj).remove(u'&'));
            static constexpr const char* Names[] = {"AllObjectsWithSymB", "AllObjectsInLayerB", "UndefinedObjectsB"};
            SetChecked(d, Names[int(choice)], true);
            SetText(d, "LayerB", layer);
            Press(d, "OKBtn");
        });
        RunCommand(deleting ? Cmd::ExtrasDeleteSym : Cmd::ExtrasSelectSym);
    }
    // The 24 bytes of each object's entry and its record's first 32, from the working file.
    static std::vector<std::vector<uint8_t>> EntriesAndRecords()
    {
        const std::vector<uint8_t> b = WorkFile();
        std::vector<std::vector<uint8_t>> out;
        int32_t block = GetI32(b, hdr::ObjectIndex);
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
            if (n > 1 && (n - 1) % 256 == 0)
                block = GetI32(b, size_t(block));
            const size_t entry = size_t(block) + 4 + kObjectEntrySize * size_t((n - 1) % 256);
            std::vector<uint8_t> e(b.begin() + ptrdiff_t(entry), b.begin() + ptrdiff_t(entry + kObjectEntrySize));
            const int32_t pos = GetI32(b, entry + 16);
            if (pos > 0)
                e.insert(e.end(), b.begin() + pos, b.begin() + pos + 32);
            out.push_back(e);
        }
        return out;
    }
};

} // namespace

TEST_F(BySymbolFlow, EachChoiceMatchesExactlyItsObjects)
{
    ASSERT_TRUE(Open(Sample()));
    SelectTwoSymbols();
    struct Case {
        const char* what;
        BySymbolRequest request;
        std::vector<int> objects;
    };
    const Case cases[] = {
        {"selected symbols", {BySymbolChoice::WithSymbol, {}}, {1, 3, 8, 10, 13}},
        {"layer Roads", {BySymbolChoice::InLayer, QStringLiteral("Roads")}, {4, 11}},
        {"layer names compare exactly", {BySymbolChoice::InLayer, QStringLiteral("roads")}, {}},
        {"an empty layer name", {BySymbolChoice::InLayer, {}}, {}},
        {"no symbol of the number", {BySymbolChoice::Undefined, {}}, {4, 5, 6, 11, 12}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ObjectsBySymbol(c.request), c.objects) << c.what;
}

TEST_F(BySymbolFlow, SelectTakesTheObjectsOfTheSelectedSymbolsAndTheEditTool)
{
    ASSERT_TRUE(Open(Sample()));
    struct Case {
        const char* what;
        int current;           // list position, -1 none
        BySymbolChoice choice;
        QString layer;
        int workMode;          // before
        std::vector<int> selected;
        int single;
        int workModeAfter;
    };
    const Case cases[] = {
        {"selected symbols", -1, BySymbolChoice::WithSymbol, {}, WorkModes::Curve, {1, 3, 8, 10, 13}, 0,
         WorkModes::EditObject},
        {"the current symbol alone", 1, BySymbolChoice::WithSymbol, {}, WorkModes::Curve, {2}, 2,
         WorkModes::EditObject},
        {"a layer, the point tool kept", -1, BySymbolChoice::InLayer, QStringLiteral("Roads"),
         WorkModes::EditPoint, {4, 11}, 0, WorkModes::EditPoint},
        {"undefined", -1, BySymbolChoice::Undefined, {}, WorkModes::Circle, {4, 5, 6, 11, 12}, 0,
         WorkModes::EditObject},
    };
    for (const Case& c : cases) {
        // A drawing tool starts only with a symbol current.
        MakeCurrent(std::max(c.current, 0));
        SelectWorkMode(c.workMode);
        ASSERT_EQ(ProgramConfig.WorkMode, c.workMode) << c.what;
        if (c.current < 0)
            SelectTwoSymbols();
        Choose(false, c.choice, c.layer);
        EXPECT_EQ(Selected(), c.selected) << c.what;
        EXPECT_EQ(Index.SelectionCount, int(c.selected.size())) << c.what;
        EXPECT_EQ(Index.SelectedIndex, c.single) << c.what;
        EXPECT_EQ(ProgramConfig.WorkMode, c.workModeAfter) << c.what;
        EXPECT_TRUE(KeptStatusText().contains(QString::number(c.selected.size()))) << c.what;
    }
    // The dialog shows the last choice again.
    script.Then<TBySymbolDlg>([](TBySymbolDlg& d) {
        EXPECT_TRUE(Find<QRadioButton>(d, "UndefinedObjectsB")->isChecked());
        // Typing a layer name chooses the layer.
        auto* layer = Find<QLineEdit>(d, "LayerB");
        layer->setText(QStringLiteral("Roads"));
        Q_EMIT layer->textEdited(layer->text());
        EXPECT_TRUE(Find<QRadioButton>(d, "AllObjectsInLayerB")->isChecked());
        Press(d, "CancelBtn");
    });
    RunCommand(Cmd::ExtrasSelectSym);
    EXPECT_EQ(LastBySymbolRequest().choice, BySymbolChoice::Undefined) << "Cancel keeps the last choice";
}

TEST_F(BySymbolFlow, EscHalfWaySelectsNothing)
{
    ASSERT_TRUE(Open(Sample()));
    MakeCurrent(-1);
    int polls = 0;
    CorePorts().PumpKeyMessages.Bind([&] {
        if (++polls == 3)  // after the second object
            AbortRequested = true;
    });
    Choose(false, BySymbolChoice::Undefined);
    EXPECT_GE(polls, 3);
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_EQ(Index.SelectedIndex, 0);
}

TEST_F(BySymbolFlow, DeleteIsOneUndoStepThatRestoresEveryObject)
{
    ASSERT_TRUE(Open(Sample()));
    Settle();
    const std::vector<int> before = Live();
    const auto stored = EntriesAndRecords();
    MakeCurrent(0);
    SelectWorkMode(WorkModes::Curve);
    SelectTwoSymbols();
    Choose(true, BySymbolChoice::WithSymbol);
    std::vector<int> left = before;
    std::erase_if(left, [](int n) { return n == 1 || n == 3 || n == 8 || n == 10 || n == 13; });
    EXPECT_EQ(Live(), left);
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditObject);

    ASSERT_TRUE(CanUndo());
    Trigger(Cmd::EditUndo);
    Settle();
    EXPECT_EQ(Live(), before);
    EXPECT_EQ(EntriesAndRecords(), stored) << "entries and records as before";
    EXPECT_FALSE(CanUndo()) << "one step";
    Trigger(Cmd::EditRedo);
    Settle();
    EXPECT_EQ(Live(), left);
}

TEST_F(BySymbolFlow, EscHalfWayKeepsWhatWasDeletedAndOneUndoBringsItBack)
{
    ASSERT_TRUE(Open(Sample()));
    Settle();
    const std::vector<int> before = Live();
    MakeCurrent(-1);
    int polls = 0;
    CorePorts().PumpKeyMessages.Bind([&] {
        if (++polls == 3)
            AbortRequested = true;
    });
    Choose(true, BySymbolChoice::Undefined);
    std::vector<int> left = before;
    std::erase_if(left, [](int n) { return n == 4 || n == 5; });
    EXPECT_EQ(Live(), left) << "the two objects before Esc";
    ASSERT_TRUE(CanUndo());
    Trigger(Cmd::EditUndo);
    Settle();
    EXPECT_EQ(Live(), before);
    EXPECT_FALSE(CanUndo());
}
