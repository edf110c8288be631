// The symbol editors in the running program on records another program wrote: OK with nothing
// edited and Cancel leave the map file, its changed flag and the close alone; an edit of one
// field changes that field and nothing else; a line symbol keeps its main, secondary and
// corner symbols through every OK.
#include "EditorFlow.h"
#include "../support/FileState.h"
#include "core/Messages.h"
#include "symbols/widgets/EditIconDlg.h"
#include "symbols/widgets/SymDlg.h"

#include <QCheckBox>

using namespace zemo;
using namespace zemo::test;

namespace {

enum Form { PointForm, LineForm, LineSymbolsForm, AreaForm, TextForm, LineTextForm, RectForm, LowRectForm };

struct Kind {
    const char* name;
    const char* dialog;
};
const Kind Kinds[] = {{"point", "PointSymDlg"}, {"line", "LineSymDlg"},     {"line with symbols", "LineSymDlg"},
                      {"area", "AreaSymDlg"},   {"text", "TextSymDlg"},     {"line text", "LTextSymDlg"},
                      {"rectangle", "RectSymDlg"}, {"rectangle, low extent", "RectSymDlg"}};

// A byte range of the record and what it holds after the edit (bytes 1 or 2; 0: not read).
struct Field {
    size_t offset;
    size_t bytes;
    int value = 0;
};

int ValueOf(const std::vector<uint8_t>& rec, const Field& f)
{
    return f.bytes == 1 ? int(rec.at(f.offset)) : int(GetI16(rec, f.offset));
}

class OtherWriterEditors : public EditorFlow {
protected:
    static TestMapWriter OtherMap()
    {
        // The last one: a writer's extent below this program's and a colour set without the
        // colour the symbol draws in.
        TestSymbol low = TestSymbol::OtherWriterRect(108);
        low.extent = 12;
        low.colorSet.fill(0);
        TestMapWriter w = MapWith({TestSymbol::OtherWriterPoint(101), TestSymbol::OtherWriterLine(102),
                                   TestSymbol::OtherWriterLineWithSymbols(103), TestSymbol::OtherWriterArea(104),
                                   TestSymbol::OtherWriterText(105), TestSymbol::OtherWriterLineText(106),
                                   TestSymbol::OtherWriterRect(107), low});
        // Objects whose index boxes come from their symbols' extents.
        const int32_t mm = kUnitsPerMm;
        w.objects.push_back(TestObject::Point(101, 5 * mm, 5 * mm));
        for (int k = 0; k < 3; ++k)
            w.objects.push_back(TestObject::Line(102, {{0, k * mm}, {20 * mm, k * mm}}));
        w.objects.push_back(TestObject::Line(103, {{0, 0}, {0, 30 * mm}}));
        w.objects.push_back(TestObject::Area(104, {{0, 0}, {10 * mm, 0}, {10 * mm, 10 * mm}, {0, 0}}));
        w.objects.push_back(TestObject::Text(105, 3 * mm, 3 * mm, "Hill"));
        w.objects.push_back(TestObject::LineText(106, {{0, 0}, {30 * mm, 0}}, "River"));
        w.objects.push_back(TestObject::Rect(107, mm, mm, 40 * mm, 30 * mm));
        PutI16(w.setup, setup::CurrentSymbolIndex, LineForm);
        return w;
    }
    // The current symbol's editor, worked by steps; the dialog must be the kind's.
    void Edit(int form, std::function<void(TSymbolDlg&)> steps)
    {
        MakeCurrent(form);
        script.Then<TSymbolDlg>([form, steps = std::move(steps)](TSymbolDlg& d) {
            EXPECT_EQ(d.objectName(), QLatin1String(Kinds[form].dialog)) << Kinds[form].name;
            steps(d);
        });
        RunCommand(Cmd::SymbolEdit);
    }
};

} // namespace

TEST_F(OtherWriterEditors, OkWithNothingEditedAndCancelLeaveTheMapAndTheCloseAlone)
{
    const TestMapWriter w = OtherMap();
    const std::vector<uint8_t> written = w.Build();
    ASSERT_TRUE(Open(w, QStringLiteral("other.zmd")));
    EXPECT_EQ(Index.ActiveZmd->Setup.CurrentSymbolIndex, LineForm);
    const std::vector<uint8_t> before = WorkFile();
    for (int form = PointForm; form <= LowRectForm; ++form) {
        // Edited, then cancelled.
        Edit(form, [](TSymbolDlg& d) {
            SetText(d, "SymNumB", QStringLiteral("55"));
            SetText(d, "DescriptionB", QStringLiteral("Changed"));
            Press(d, "CancelBtn");
        });
        // Icon... with nothing drawn, then OK.
        Edit(form, [form](TSymbolDlg& d) {
            bool iconShown = false;
            QTimer::singleShot(20, [&iconShown] {
                if (auto* icon = dynamic_cast<TEditIconDlg*>(QApplication::activeModalWidget())) {
                    iconShown = true;
                    Press(*icon, "OKBtn");
                }
            });
            Press(d, "IconBtn");
            EXPECT_TRUE(iconShown) << Kinds[form].name;
            Press(d, "OKBtn");
        });
        EXPECT_TRUE(WorkFile() == before) << Kinds[form].name;
        EXPECT_EQ(Index.ActiveZmd->Modified, 0) << Kinds[form].name;
    }
    EXPECT_EQ(messages.Count(), 0);
    // Alt+F4: the program ends without a question, the map file as it was written.
    Key(&Frame(), Qt::Key_F4, Qt::AltModifier);
    Settle();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_TRUE(ReadAll(TempPath(QStringLiteral("other.zmd"))) == written);
}

TEST_F(OtherWriterEditors, AnEditOfOneFieldChangesThatFieldAlone)
{
    ASSERT_TRUE(Open(OtherMap()));
    struct Case {
        int form;
        const char* control;
        QString text;               // typed; empty: the box is clicked
        std::vector<Field> changed; // every range that may change, with its value after
    };
    const Case cases[] = {
        {PointForm, "NorthB", {}, {{7, 1, 0}}},
        {PointForm, "DescriptionB", QStringLiteral("Rock"), {{52, 32}}},
        {LineForm, "DistFromStartE", QStringLiteral("1.5"), {{354, 2, 150}}},
        {LineForm, "DescriptionB", QStringLiteral("Track"), {{52, 32}}},
        {LineForm, "Style2B", {}, {{352, 2, 4 | 8}}},  // the style's bits, the writer's bit 8 kept
        {LineSymbolsForm, "MainLengthE", QStringLiteral("5"), {{358, 2, 500}}},
        {AreaForm, "HatchDistE", QStringLiteral("0.75"), {{360, 2, 75}}},
        {AreaForm, "NorthB", {}, {{7, 1, 0}}},
        {TextForm, "CharSpaceE", QStringLiteral("15"), {{388, 2, 15}}},
        {TextForm, "DescriptionB", QStringLiteral("Spot height"), {{52, 32}}},
        {LineTextForm, "WordSpaceE", QStringLiteral("120"), {{390, 2, 120}}},
        {RectForm, "RadiusE", QStringLiteral("1.5"), {{352, 2, 150}}},
        {RectForm, "NumBottomB", {}, {{354, 2, 1 | 4}}},  // the grid's one bit kept
        // Below what this program computes, the extent and the colour set are made anew.
        {LowRectForm, "RadiusE", QStringLiteral("2"), {{352, 2, 200}, {8, 2, 20}, {20, 32, 0}}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> old = StoredRecord(c.form);
        Edit(c.form, [&c](TSymbolDlg& d) {
            if (c.text.isEmpty())
                Press(d, c.control);
            else
                SetText(d, c.control, c.text);
            Press(d, "OKBtn");
        });
        const std::string what = std::string(Kinds[c.form].name) + " " + c.control;
        const std::vector<uint8_t> rec = StoredRecord(c.form);
        ASSERT_EQ(rec.size(), old.size()) << what;
        const auto inChanged = [&](size_t i) {
            return std::any_of(c.changed.begin(), c.changed.end(),
                               [i](const Field& f) { return i >= f.offset && i < f.offset + f.bytes; });
        };
        for (size_t i = 0; i < rec.size(); ++i)
            if (!inChanged(i))
                ASSERT_EQ(rec[i], old[i]) << what << ": byte " << i;
        for (const Field& f : c.changed)
            if (f.bytes <= 2)
                EXPECT_EQ(ValueOf(rec, f), f.value) << what << " at +" << f.offset;
        if (std::string_view(c.control) == "DescriptionB")
            EXPECT_EQ(QString::fromStdString(ShortFieldText(std::span(rec).subspan(52, 32))), c.text);
    }
    const std::vector<uint8_t> low = StoredRecord(LowRectForm);
    EXPECT_EQ(low[20], 1 << 1) << "the line colour 1 alone";
    EXPECT_EQ(Index.ActiveZmd->Modified, 1);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(OtherWriterEditors, ALineSymbolKeepsItsMainSecondaryAndCornerSymbols)
{
    ASSERT_TRUE(Open(OtherMap()));
    const std::vector<uint8_t> old = StoredRecord(LineSymbolsForm);
    const std::vector<uint8_t> lists(old.begin() + 412, old.end());
    ASSERT_GT(GetI16(old, 412), 0);
    ASSERT_GT(GetI16(old, 414), 0);
    ASSERT_GT(GetI16(old, 416), 0);
    // Shown with a count of 0; left so, and after an edit elsewhere, the lists stay.
    for (const char* edited : {"", "EndLengthE"}) {
        Edit(LineSymbolsForm, [edited](TSymbolDlg& d) {
            EXPECT_EQ(Find<QLineEdit>(d, "NPrimSymE")->text(), QStringLiteral("0"));
            for (const char* box : {"SecSymB", "CornerSymB"})
                EXPECT_TRUE(Find<QCheckBox>(d, box)->isChecked()) << box;
            EXPECT_FALSE(Find<QCheckBox>(d, "StartSymB")->isChecked());
            if (*edited)
                SetText(d, edited, QStringLiteral("2.5"));
            Press(d, "OKBtn");
        });
        const std::vector<uint8_t> rec = StoredRecord(LineSymbolsForm);
        EXPECT_TRUE(std::equal(lists.begin(), lists.end(), rec.begin() + 412, rec.end())) << edited;
        EXPECT_EQ(GetI16(rec, 370), 0) << edited;
    }
    // The count typed as 0 does switch the main symbol off.
    Edit(LineSymbolsForm, [](TSymbolDlg& d) {
        SetText(d, "NPrimSymE", QStringLiteral("1"));
        Press(d, "OKBtn");
    });
    Edit(LineSymbolsForm, [](TSymbolDlg& d) {
        SetText(d, "NPrimSymE", QStringLiteral("0"));
        Press(d, "OKBtn");
    });
    const std::vector<uint8_t> rec = StoredRecord(LineSymbolsForm);
    EXPECT_EQ(GetI16(rec, 412), 0);
    EXPECT_EQ(GetI16(rec, 414), GetI16(old, 414));
    EXPECT_EQ(rec.size(), old.size() - 8 * size_t(GetI16(old, 412)));
}
