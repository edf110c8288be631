// A map imported, its objects pasted or its symbols pasted bring their colours in by name: a
// colour without a namesake here is added at its place in the colour order, never taken for a
// colour of equal values elsewhere in it, so that what it draws stays above and below the same
// colours. Every element list of a line symbol (main, corner, start, end) takes the numbers
// here, as the symbol's record in the working file shows.
#include "../support/MapSnapshot.h"
#include "../support/ProgramFixture.h"
#include "../support/TestMapReader.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "io/widgets/ImportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <functional>

namespace zemo::test {
namespace {

constexpr int32_t Mm = kUnitsPerMm;
constexpr int16_t Contour = 201;

// Offsets of a line symbol record: the line colour, the list lengths in slots (main, secondary,
// corner, start, end) and the lists after them; an element's colour is 4 bytes into its head.
constexpr size_t LineColour = 348, ListSlots = 412, Lists = 424, ElementColour = 4, ColourSet = 20;

// A line symbol whose line is in one colour and whose main, corner, start and end symbols are
// each in another.
TestSymbol LineWithLists(int16_t number10, int16_t line, const std::vector<std::vector<TestElement>>& lists)
{
    TestSymbol s = TestSymbol::Line(number10, line, 35);
    s.SetI16(358, 400);  // main length
    s.SetI16(362, 50);   // main gap
    s.SetI16(370, 1);    // one main symbol per group
    for (size_t k = 0; k < lists.size(); ++k) {
        s.SetI16(ListSlots + 2 * k, int16_t(ElementListSlots(lists[k])));
        const std::vector<uint8_t> bytes = ElementListBytes(lists[k]);
        s.body.insert(s.body.end(), bytes.begin(), bytes.end());
        for (const TestElement& e : lists[k])
            s.AddColor(e.color);
    }
    s.extent = 100;
    return s;
}

// The colour of the first element of each of the five lists, -1 for an empty list.
std::vector<int> ListColours(const std::vector<uint8_t>& rec)
{
    std::vector<int> out;
    size_t at = Lists;
    for (size_t k = 0; k < 5; ++k) {
        const int slots = GetI16(rec, ListSlots + 2 * k);
        out.push_back(slots > 0 && at + 16 <= rec.size() ? GetI16(rec, at + ElementColour) : -1);
        at += size_t(std::max(slots, 0)) * 8;
    }
    return out;
}

std::vector<int> ColourSetOf(const std::vector<uint8_t>& rec)
{
    std::vector<int> out;
    for (int c = 0; c < 256; ++c)
        if (rec.at(ColourSet + size_t(c) / 8) & (1u << (c % 8)))
            out.push_back(c);
    return out;
}

class ColourOrder : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        // "Black below light browns" has the values of "Black 100%" and lies under the browns.
        TestMapWriter source(8);
        source.colors = {TestColor::Cmyk(0, "Black 100%", 0, 0, 0, 200),
                         TestColor::Cmyk(2, "Blue 100%", 200, 0, 0, 0),
                         TestColor::Cmyk(1, "Brown 50%", 0, 100, 200, 40),
                         TestColor::Cmyk(4, "Brown 20%", 0, 40, 80, 16),
                         TestColor::Cmyk(3, "Black below light browns", 0, 0, 0, 200),
                         TestColor::Cmyk(5, "Green 60%", 120, 0, 160, 0)};
        // Line in the black under the browns; main dots brown, corner dots blue, start circle
        // green, end dot light brown.
        source.symbols = {LineWithLists(Contour, 3,
                                        {{TestElement::Dot(1, 60)},
                                         {},
                                         {TestElement::Dot(2, 50)},
                                         {TestElement::Circle(5, 120, 20)},
                                         {TestElement::Dot(4, 70)}})};
        source.objects = {TestObject::Line(Contour, {{-10 * Mm, 0}, {0, 3 * Mm}, {10 * Mm, 0}})};
        sourcePath = TempPath(QStringLiteral("source.zmd"));
        ASSERT_TRUE(source.WriteTo(QFile::encodeName(sourcePath).toStdString()));
    }
    // A map with the black and the browns under other numbers and a yellow between them.
    QMdiSubWindow* OpenTarget(const QString& name)
    {
        TestMapWriter target(8);
        target.colors = {TestColor::Cmyk(0, "Black 100%", 0, 0, 0, 200), TestColor::Cmyk(1, "Yellow", 0, 0, 200, 0),
                         TestColor::Cmyk(2, "Brown 50%", 0, 100, 200, 40),
                         TestColor::Cmyk(3, "Brown 20%", 0, 40, 80, 16)};
        target.symbols = {TestSymbol::Point(101, {TestElement::Dot(0, 60)})};
        EXPECT_TRUE(OpenWritten(target, name));
        return Frame().MdiArea()->activeSubWindow();
    }
    QMdiSubWindow* OpenSource()
    {
        EXPECT_TRUE(OpenMap(sourcePath));
        return Frame().MdiArea()->activeSubWindow();
    }
    QString sourcePath;
};

TEST_F(ColourOrder, ImportAndPasteAddAColourWithoutANamesakeAtItsPlace)
{
    const auto pasteObject = [this](QMdiSubWindow* target) {
        QMdiSubWindow* source = OpenSource();
        Activate(source);
        ShowAtTenthMillimetres();
        Trigger(Cmd::EditObjBtn);
        Click(Surface(), At(0, 3));
        ASSERT_EQ(Index.SelectedIndex, 1);
        Trigger(Cmd::EditCopy);
        Activate(target);
        messages.Clear();
        Trigger(Cmd::EditPaste);
    };
    const auto pasteSymbol = [this](QMdiSubWindow* target) {
        QMdiSubWindow* source = OpenSource();
        Activate(source);
        Index.ActiveZmd->Setup.CurrentSymbolIndex = 0;
        Trigger(Cmd::SymbolCopy);
        Activate(target);
        messages.Clear();
        Trigger(Cmd::SymbolPaste);
    };
    const auto import = [this](QMdiSubWindow*) {
        messages.Clear();
        dialogs.QueueAnswer(true, sourcePath);
        QTimer::singleShot(0, [] {
            if (auto* dlg = dynamic_cast<TImportDlg*>(QApplication::activeModalWidget()))
                dlg->accept();
        });
        Trigger(Cmd::FileImport);
    };
    const struct Case {
        const char* name;
        std::function<void(QMdiSubWindow*)> run;
        const char* from;
        bool object;
    } cases[] = {
        {"Edit > Paste of an object", pasteObject, "the clipboard", true},
        {"Symbol > Paste", pasteSymbol, "the clipboard", false},
        {"File > Import", import, "source.zmd", true},
    };
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMdiSubWindow* target = OpenTarget(QStringLiteral("target%1.zmd").arg(++k));
        c.run(target);
        ASSERT_EQ(Frame().MdiArea()->activeSubWindow(), target);
        TZmd& z = *Index.ActiveZmd;

        // The table top first: blue under the black it lay under, the black under the light
        // browns under them, green under that black; the yellow stays where it was.
        const SymbolHeaderBlock& b = z.ColorBlock;
        std::vector<std::pair<int, std::string>> table;
        for (int i = 0; i < b.ColorCount; ++i)
            table.emplace_back(b.Colors[size_t(i)].Number, ShortFieldText(b.Colors[size_t(i)].Name));
        const std::vector<std::pair<int, std::string>> expected{
            {0, "Black 100%"}, {4, "Blue 100%"}, {1, "Yellow"}, {2, "Brown 50%"},
            {3, "Brown 20%"}, {5, "Black below light browns"}, {6, "Green 60%"}};
        EXPECT_EQ(table, expected);

        // The same in the working file, and the symbol's record there.
        z.WorkFile.Flush();
        const ReadMap m = ReadMapBytes(WorkingFileBytes(z));
        EXPECT_TRUE(m.Sound()) << m.Problems();
        std::vector<std::pair<int, std::string>> inFile;
        for (const ReadColor& rc : m.colors)
            inFile.emplace_back(rc.number, rc.name);
        EXPECT_EQ(inFile, expected);
        const ReadSymbol* sym = m.Symbol(Contour);
        ASSERT_NE(sym, nullptr);
        EXPECT_EQ(GetI16(sym->bytes, LineColour), 5) << "the black under the browns, not the black on top";
        // Main, secondary (none), corner, start, end.
        EXPECT_EQ(ListColours(sym->bytes), (std::vector<int>{2, -1, 4, 6, 3}));
        EXPECT_EQ(ColourSetOf(sym->bytes), (std::vector<int>{2, 3, 4, 5, 6}));
        if (c.object) {
            const ReadObject* o = m.Object(1);
            ASSERT_NE(o, nullptr);
            EXPECT_EQ(o->symbol, Contour);
        }

        // Said once, the colours in the source's order.
        ASSERT_EQ(messages.CountOf(TextKey::ColoursMapped), 1);
        for (const auto& e : messages.Entries())
            if (e.msg.key == TextKey::ColoursMapped)
                EXPECT_EQ(MessageText(e.msg).toStdString(),
                          QStringLiteral("The symbols from %1 take this map's colours:\r\n"
                                         "Colour 2 Blue 100% of the source is added to this map as colour 4\r\n"
                                         "Colour 3 Black below light browns of the source is added to this map as "
                                         "colour 5\r\n"
                                         "Colour 5 Green 60% of the source is added to this map as colour 6")
                              .arg(QLatin1String(c.from))
                              .toStdString());
        // Nothing left open for the next case but what it opens.
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList()) {
            Activate(w);
            messages.QueueAnswer(IdNo);
            Trigger(Cmd::FileClose);
        }
        Settle();
        ASSERT_TRUE(Frame().MdiArea()->subWindowList().isEmpty());
    }
}

} // namespace
} // namespace zemo::test
