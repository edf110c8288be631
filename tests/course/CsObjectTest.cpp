// Course objects in the running program: the records the drawing tools' objects get, the codes
// the dialog proposes and refuses, renaming, deleting with undo, the lists of a reopened map,
// and the Objects tab offscreen.
#include "CourseEvent.h"

#include "core/Messages.h"
#include "course/Ports.h"
#include "course/widgets/CsObjectTab.h"
#include "edit/widgets/MdiChild.h"
#include "render/Scale.h"
#include "render/Texts.h"

#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>

#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

// Every list entry's text equals its string in the store, and each course object's record
// belongs to a live object of a course symbol.
void ExpectListsEqualStore()
{
    TZmd& z = *Index.ActiveZmd;
    for (const TNumStringList* list : {&z.CsObjects, &z.Courses, &z.Classes, &z.CsObjectLinks})
        for (int i = 0; i < list->Count(); ++i)
            EXPECT_EQ(ReadPString(list->GetNumber(i)), list->Strings(i));
    ASSERT_EQ(z.CsObjectKeys.size(), z.CsObjects.Count());
    for (int i = 0; i < z.CsObjects.Count(); ++i)
        EXPECT_EQ(z.CsObjectKeys[i], CsObjectCode(z.CsObjects.Strings(i)));
}

// The texts of a list in its order.
QStringList ListTexts(const TNumStringList& list)
{
    QStringList out;
    for (int i = 0; i < list.Count(); ++i)
        out.append(list.Strings(i));
    return out;
}

std::u16string ObjectText(int n)
{
    ReadElement(n, AuxElement1);
    PrepareTextSymbol(AuxElement1);
    RestoreTextColor();
    return Texts.TextBuffer;
}

class CourseObjects : public CourseEventTest {};

// Keys typed into an edit, as a user types them.
void TypeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
}

TEST_F(CourseObjects, TheEventsObjectsGetTheirRecordsInCodeOrder)
{
    BuildEvent();
    EXPECT_EQ(messages.Count(), 0);
    TZmd& z = Z();
    QStringList codes = {QStringLiteral("S1")};
    for (int code = 31; code <= 55; ++code)
        codes.append(QString::number(code));
    codes += {QStringLiteral("M1"), QStringLiteral("F1"), QStringLiteral("D1"), QStringLiteral("N1"),
              QStringLiteral("T1")};
    EXPECT_EQ(z.CsObjectKeys, codes);
    const char* letters = "scccccccccccccccccccccccccmfdnt";
    for (int i = 0; i < z.CsObjects.Count(); ++i) {
        const QString& r = z.CsObjects.Strings(i);
        EXPECT_EQ(r, codes[i] + QStringLiteral("\tY") + QLatin1Char(letters[i]));
        EXPECT_GT(ObjectOf(codes[i]), 0) << codes[i].toStdString();
    }
    ExpectListsEqualStore();
    EXPECT_EQ(z.LastControlCode, 55);
    // The control's object lies where the event puts it.
    const int n = ObjectOf(QStringLiteral("52"));
    ASSERT_TRUE(ReadElement(n, AuxElement1));
    EXPECT_EQ(AuxElement1.Cords()[0], CordOf(ControlAt(52)));
    EXPECT_EQ(AuxElement1.Symbol, ControlSymbol);
    EXPECT_EQ(ObjectText(ObjectOf(QStringLiteral("N1"))), u"H12");
    EXPECT_EQ(ObjectText(ObjectOf(QStringLiteral("T1"))), u"51.1");
}

TEST_F(CourseObjects, TheDialogProposesFreeCodesAndRefusesTakenOnes)
{
    struct Row {
        const char* what;
        int symbol;
        CodeAnswer answer;
        const char* proposed;   // "" when no dialog may show
        const char* record;     // "" when no record may be made
        TextKey refusal = TextKey::Count;
    };
    const MmPoint at{10, 10};
    const Row rows[] = {
        {"first control", ControlSymbol, {}, "31", "31\tYc"},
        {"control typed", ControlSymbol, {QStringLiteral("45")}, "32", "45\tYc"},
        {"46 by hand", ControlSymbol, {QStringLiteral("46")}, "46", "46\tYc"},
        {"47 by hand", ControlSymbol, {QStringLiteral("47")}, "47", "47\tYc"},
        {"after 45 past 46 and 47", -45, {}, "48", "48\tYc"},
        {"first start", StartSymbol, {}, "S1", "S1\tYs"},
        {"second start", StartSymbol, {}, "S2", "S2\tYs"},
        {"a taken code in other letters", StartSymbol, {QStringLiteral("s1")}, "S3", "",
         TextKey::CodeExists},
        {"a taken control", FinishSymbol, {QStringLiteral("31")}, "F1", "", TextKey::CodeExists},
        {"no code", FinishSymbol, {QStringLiteral("  ")}, "F1", "", TextKey::NoCode},
        {"cancelled", ControlSymbol, {{}, false}, "49", ""},
        {"a pasted tab", FinishSymbol, {QStringLiteral("F\t9")}, "F1", "F 9\tYf"},
        {"title", TitleSymbol, {}, "N1", "N1\tYn"},
        {"start number", StartNumberSymbol, {}, "T1", "T1\tYt"},
        {"description box", BoxSymbol, {}, "D1", "D1\tYd"},
        {"ordinary point", CrossingSymbol, {}, "", ""},
        {"ordinary area", OutOfBoundsSymbol, {}, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        messages.Clear();
        int symbol = r.symbol;
        if (symbol < 0) {
            Z().LastControlCode = -symbol;
            symbol = ControlSymbol;
        }
        const int before = Z().CsObjects.Count();
        const int objects = CountObjects();
        CodeDialogSeen seen;
        const std::vector<MmPoint> points = symbol == OutOfBoundsSymbol
            ? std::vector<MmPoint>{at, {20, 10}, {20, 20}} : std::vector<MmPoint>{at};
        const int n = Store(symbol, points, r.answer, &seen);
        EXPECT_EQ(seen.shown, *r.proposed != 0);
        EXPECT_EQ(seen.proposed, QLatin1String(r.proposed));
        EXPECT_EQ(seen.stayedOpen, r.refusal != TextKey::Count);
        if (r.refusal != TextKey::Count) {
            ASSERT_EQ(messages.Count(), 1);
            EXPECT_EQ(messages.Last().key, r.refusal);
        } else {
            EXPECT_EQ(messages.Count(), 0);
        }
        if (*r.record) {
            ASSERT_GT(n, 0);
            ASSERT_EQ(Z().CsObjects.Count(), before + 1);
            const int i = CsObj.Selected;
            EXPECT_EQ(Z().CsObjects.Strings(i), QLatin1String(r.record));
            int pos = -1;
            EXPECT_TRUE(FindPString(n, CsObjectType, Z().CsObjects, pos));
            EXPECT_EQ(pos, i);
        } else {
            EXPECT_EQ(Z().CsObjects.Count(), before);
            // A new course object refused is no object either; an ordinary one stays.
            EXPECT_EQ(CountObjects(), objects + (*r.proposed ? 0 : 1));
            EXPECT_EQ(n > 0, *r.proposed == 0);
        }
    }
    EXPECT_EQ(Z().LastControlCode, 48);
    ExpectListsEqualStore();
}

TEST_F(CourseObjects, TheCaptionNamesTheTypeAndTheButtonsGiveFirstAndNextFreeCodes)
{
    BuildEvent();
    struct Row {
        int type;
        const char* field;
        const char* first;
        const char* next;
    };
    const Row rows[] = {{CsControl, "40", "56", "56"}, {CsControl, "x", "56", "56"},
                        {CsControl, "2147483647", "56", "2147483648"}, {CsStart, "S1", "S2", "S2"},
                        {CsStart, "S7", "S2", "S8"}, {CsFinish, "", "F2", "F2"},
                        {CsStart, "S123456789", "S2", "S12345679"}};
    for (const Row& r : rows) {
        EXPECT_EQ(FirstFreeCode(r.type), QLatin1String(r.first)) << r.field;
        EXPECT_EQ(NextFreeCode(r.type, QLatin1String(r.field)), QLatin1String(r.next)) << r.field;
    }
    CodeDialogSeen seen;
    Store(FinishSymbol, {5, 5}, {{}, false}, &seen);
    EXPECT_EQ(seen.caption, Text(TextKey::CourseObject) + QStringLiteral(": ") + Text(TextKey::Finish));
}

TEST_F(CourseObjects, ThePointAndTextToolsAskForTheCode)
{
    SetCurrentSymbolPos(SymbolPos(ControlSymbol));
    Trigger(Cmd::CurveBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlacePoint);
    if (ActiveChild()->View().SwallowClick)
        Click(Surface(), {5, 5});
    CodeDialogSeen seen;
    {
        const CodeDialogAnswer answer({QStringLiteral("101")}, seen);
        Click(Surface(), {200, 200});
    }
    EXPECT_EQ(seen.proposed, QStringLiteral("31"));
    ASSERT_EQ(Z().CsObjects.Count(), 1);
    EXPECT_EQ(Z().CsObjects.Strings(0), QStringLiteral("101\tYc"));
    EXPECT_EQ(Z().LastControlCode, 101);
    const int control = ObjectOf(QStringLiteral("101"));
    EXPECT_EQ(Index.SelectedIndex, control);

    SetCurrentSymbolPos(SymbolPos(TitleSymbol));
    Trigger(Cmd::CurveBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlaceText);
    {
        const CodeDialogAnswer answer({}, seen);
        Click(Surface(), {300, 200});
    }
    EXPECT_EQ(seen.proposed, QStringLiteral("N1"));
    const int title = ObjectOf(QStringLiteral("N1"));
    ASSERT_GT(title, 0);
    EXPECT_EQ(ObjectText(title), u"H12");
    // Undo takes the title back with its record.
    Trigger(Cmd::CurveBtn);
    Trigger(Cmd::EditUndo);
    EXPECT_EQ(ObjectOf(QStringLiteral("N1")), 0);
    EXPECT_EQ(Z().CsObjects.Count(), 1);
}

TEST_F(CourseObjects, RenamingCarriesTheCodeIntoCoursesAndLinkTags)
{
    BuildEvent();
    AddCourse({QStringLiteral("Hill"), 0, 31, 0}, Sequence({"s31", "sS1", "c31", "c32", "fF1"}));
    const int line = Store(8310, std::vector<MmPoint>{ControlAt(31), ControlAt(32)}, {});
    const int number = Store(8300, MmPoint{-100, 10}, {});
    ASSERT_GT(line, 0);
    ASSERT_GT(number, 0);
    for (const auto& [object, text] : {std::pair{line, "Long\tf31\tt32"}, std::pair{number, "Long\td31"},
                                       std::pair{number, "~Short\tf33\tt35"}}) {
        const QString link = QLatin1String(text);
        Z().CsObjectLinks.AddNumber(link, AddPString(link, CourseObjectLinkType, object));
    }
    const QString hillBefore = Z().Courses.Strings(CourseIndex(QStringLiteral("Hill")));
    ASSERT_TRUE(hillBefore.contains(QStringLiteral("\tC31\t")));

    // The Properties button of the Objects tab, the dialog answered.
    CsObj.Selected = CsIndex(QStringLiteral("31"));
    CodeDialogSeen seen;
    {
        const CodeDialogAnswer answer({QStringLiteral("131")}, seen);
        EditCsObjectProps();
    }
    EXPECT_EQ(seen.proposed, QStringLiteral("31"));
    EXPECT_EQ(CsIndex(QStringLiteral("31")), -1);
    EXPECT_EQ(Z().CsObjects.Strings(CsIndex(QStringLiteral("131"))), QStringLiteral("131\tYc"));
    EXPECT_EQ(CsObjectCode(Z().CsObjects.Strings(CsObj.Selected)), QStringLiteral("131"));
    EXPECT_EQ(Z().LastControlCode, 131);
    const QString hill = Z().Courses.Strings(CourseIndex(QStringLiteral("Hill")));
    EXPECT_EQ(hill, QString(hillBefore).replace(QStringLiteral("\tc31\t"), QStringLiteral("\tc131\t")));
    EXPECT_TRUE(hill.contains(QStringLiteral("\ts31\t")));
    EXPECT_TRUE(hill.contains(QStringLiteral("\tC31\t")));
    EXPECT_TRUE(Z().Courses.Strings(CourseIndex(QStringLiteral("Long"))).contains(QStringLiteral("\tsS1\tc131\tc32\t")));
    EXPECT_TRUE(Z().Courses.Strings(CourseIndex(QStringLiteral("Short"))).contains(QStringLiteral("\tsS1\tc131\tc33\t")));
    EXPECT_EQ(ListTexts(Z().CsObjectLinks), (QStringList{QStringLiteral("Long\tf131\tt32"), QStringLiteral("Long\td131"),
                                                     QStringLiteral("~Short\tf33\tt35")}));
    ExpectListsEqualStore();
    EXPECT_TRUE(CheckCourse(CourseIndex(QStringLiteral("Long"))));
    // The same code again changes nothing; a code of another object is refused.
    EXPECT_FALSE(RenameCsObject(CsIndex(QStringLiteral("131")), QStringLiteral("131")));
    {
        const CodeDialogAnswer answer({QStringLiteral("s1")}, seen);
        EditCsObjectProps();
    }
    EXPECT_TRUE(seen.stayedOpen);
    EXPECT_EQ(messages.Last().key, TextKey::CodeExists);
    EXPECT_GE(CsIndex(QStringLiteral("131")), 0);
}

TEST_F(CourseObjects, DeletingAControlTakesItsLinksAndUndoBringsAllBack)
{
    BuildEvent();
    const int line = Store(8310, std::vector<MmPoint>{ControlAt(31), ControlAt(32)}, {});
    const int number = Store(8300, MmPoint{-100, 10}, {});
    const int other = Store(8310, std::vector<MmPoint>{ControlAt(33), ControlAt(35)}, {});
    for (const auto& [object, text] : {std::pair{line, "Long\tf31\tt32"}, std::pair{number, "Long\td31"},
                                       std::pair{other, "Short\tf33\tt35"}}) {
        const QString link = QLatin1String(text);
        Z().CsObjectLinks.AddNumber(link, AddPString(link, CourseObjectLinkType, object));
    }
    const QStringList objectsBefore = ListTexts(Z().CsObjects);
    const QStringList linksBefore = ListTexts(Z().CsObjectLinks);
    const int control = ObjectOf(QStringLiteral("31"));

    Trigger(Cmd::EditObjBtn);
    SelectOnly(control);
    Trigger(Cmd::EditDelete);
    EXPECT_EQ(CsIndex(QStringLiteral("31")), -1);
    EXPECT_EQ(Z().CsObjects.Count(), objectsBefore.size() - 1);
    EXPECT_EQ(ListTexts(Z().CsObjectLinks), QStringList{QStringLiteral("Short\tf33\tt35")});
    for (int n : {control, line, number})
        EXPECT_FALSE(EntryLive(Z().Entry(n))) << n;
    EXPECT_TRUE(EntryLive(Z().Entry(other)));
    // Courses keep naming it: their check reports it.
    EXPECT_FALSE(CheckCourse(CourseIndex(QStringLiteral("Long"))));
    ExpectListsEqualStore();

    Trigger(Cmd::EditUndo);
    for (int n : {control, line, number})
        EXPECT_TRUE(EntryLive(Z().Entry(n))) << n;
    EXPECT_EQ(ListTexts(Z().CsObjects), objectsBefore);
    QStringList links = ListTexts(Z().CsObjectLinks);
    links.sort();
    QStringList expectedLinks = linksBefore;
    expectedLinks.sort();
    EXPECT_EQ(links, expectedLinks);
    ExpectListsEqualStore();

    // Deleted again, saved and opened: the lists come back as they were left.
    Trigger(Cmd::EditRedo);
    const QStringList objectsLeft = ListTexts(Z().CsObjects);
    const QString saved = TempPath(QStringLiteral("deleted.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSaveAs);
    Trigger(Cmd::FileClose);
    ASSERT_TRUE(OpenMap(saved));
    EXPECT_EQ(ListTexts(Z().CsObjects), objectsLeft);
    EXPECT_EQ(ListTexts(Z().CsObjectLinks), QStringList{QStringLiteral("Short\tf33\tt35")});
    EXPECT_EQ(Z().Courses.Count(), 4);
    EXPECT_EQ(Z().Classes.Count(), 4);
    ExpectListsEqualStore();
}

// ---- The Objects tab ----

class ObjectsTab : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        tab = std::make_unique<TCsObjectTab>();
        tab->resize(240, 400);
        tab->show();
        Settle();
    }
    void TearDown() override
    {
        tab.reset();
        CourseEventTest::TearDown();
    }
    void Select(const char* code)
    {
        const int i = CsIndex(QLatin1String(code));
        ASSERT_GE(i, 0);
        auto* item = tab->CsObjectB->item(i);
        Click(tab->CsObjectB->viewport(), tab->CsObjectB->visualItemRect(item).center());
    }
    void ClickColumn(int column)
    {
        Click(tab->CsObjGrid, {column * CsCellSize + 11, 11});
    }
    void ClickPicker(int cell) { Click(tab->CsSelGrid, TCsSelGrid::CellRect(cell).center()); }
    QString Record() const { return SelectedCsRecord(); }

    std::unique_ptr<TCsObjectTab> tab;
};

TEST_F(ObjectsTab, TheListShowsTheCodesAndAClickSelectsAndCentresTheObject)
{
    ASSERT_EQ(tab->CsObjectB->count(), Z().CsObjects.Count());
    EXPECT_EQ(tab->CsObjectB->item(0)->text(), QStringLiteral("S1"));
    Select("44");
    EXPECT_EQ(CsObj.Selected, CsIndex(QStringLiteral("44")));
    EXPECT_EQ(Index.SelectedIndex, ObjectOf(QStringLiteral("44")));
    EXPECT_EQ(tab->CsObjectB->currentRow(), CsObj.Selected);
    // A selection on the map selects its item.
    SelectCsObjectItem(ObjectOf(QStringLiteral("D1")));
    Settle();
    EXPECT_EQ(tab->CsObjectB->currentItem()->text(), QStringLiteral("D1"));
}

TEST_F(ObjectsTab, AnotherMapsWindowShowsItsOwnList)
{
    Select("44");
    const QStringList event = Z().CsObjectKeys;
    const auto shown = [this] {
        QStringList codes;
        for (int i = 0; i < tab->CsObjectB->count(); ++i)
            codes.append(tab->CsObjectB->item(i)->text());
        return codes;
    };
    struct Row {
        const char* what;
        std::function<void()> step;
        QStringList codes;
    };
    const Row rows[] = {
        {"a new course-setting map", [this] { ASSERT_TRUE(NewMapFrom(QStringLiteral("course-setting.zmd"))); }, {}},
        {"the event's window again",
         [this] { Activate(Frame().MdiArea()->subWindowList().value(0)); }, event},
        {"an ordinary map", [this] { ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd"))); }, {}},
        {"and back", [this] { Activate(Frame().MdiArea()->subWindowList().value(0)); }, event},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.step();
        Settle();
        EXPECT_EQ(shown(), r.codes);
        // The selection was the other map's.
        EXPECT_EQ(CsObj.Selected, -1);
        EXPECT_FALSE(tab->CsObjGrid->isVisible());
    }
    Select("44");
    EXPECT_EQ(CsObjectCode(Record()), QStringLiteral("44"));
}

TEST_F(ObjectsTab, EachTypeShowsItsControlsAndTheirValuesGoToTheRecord)
{
    struct Row {
        const char* code;
        bool desc, grid, funnel, textCd;
    };
    const Row rows[] = {{"S1", true, true, false, false}, {"40", true, true, false, false},
                        {"M1", true, false, true, false}, {"F1", false, false, false, false},
                        {"D1", false, false, false, true}, {"N1", false, false, false, false},
                        {"T1", false, false, false, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        Select(r.code);
        EXPECT_EQ(tab->CsDescB->isVisible(), r.desc);
        EXPECT_EQ(tab->CsObjGrid->isVisible(), r.grid);
        EXPECT_EQ(tab->CsFunnelB->isVisible(), r.funnel);
        EXPECT_EQ(tab->CsTextCDB->isVisible(), r.textCd);
    }
    Select("M1");
    TypeInto(tab->CsDescB, QStringLiteral("tape"));
    tab->CsFunnelB->click();
    Select("D1");  // the panel is committed first
    EXPECT_EQ(Z().CsObjects.Strings(CsIndex(QStringLiteral("M1"))), QStringLiteral("M1\tYm\tttape\tmf"));
    tab->CsTextCDB->click();
    Select("M1");
    EXPECT_EQ(Z().CsObjects.Strings(CsIndex(QStringLiteral("D1"))), QStringLiteral("D1\tYd\tot"));
    EXPECT_EQ(tab->CsDescB->text(), QStringLiteral("tape"));
    EXPECT_TRUE(tab->CsFunnelB->isChecked());
    tab->CsFunnelB->click();
    course::StoreCsObjectProps();
    EXPECT_EQ(Z().CsObjects.Strings(CsIndex(QStringLiteral("M1"))), QStringLiteral("M1\tYm\tttape"));
    ExpectListsEqualStore();
}

TEST_F(ObjectsTab, ThePickerOffersTheColumnsSymbolsAndFieldsFAndSExcludeEachOther)
{
    Select("40");
    struct Row {
        int column;
        int candidates;  // of the shipped set
        int firstNumber;
    };
    const Row rows[] = {{2, 3, 8600}, {3, 8, 8610}, {4, 5, 8610}, {5, 2, 8630}, {6, 4, 8600}, {7, 3, 8650}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.column);
        ClickColumn(r.column);
        ASSERT_TRUE(tab->CsSelGrid->isVisible());
        const std::vector<int> c = CsPickerCandidates(r.column);
        ASSERT_EQ(int(c.size()), r.candidates);
        for (int pos : c)
            EXPECT_TRUE(SymU8(Z().Symbols[size_t(pos)], SymCdColumns) & CsColumnBit(r.column));
        EXPECT_EQ(SymI16(Z().Symbols[size_t(c[0])], SymNumber), r.firstNumber);
        EXPECT_EQ(tab->CsSelGrid->height(), (r.candidates / 8 + 1) * 23 + 4);
        EXPECT_EQ(tab->CsSizeB->isVisible(), r.column == 5);
        EXPECT_EQ(CsSelGridHint(0), SymbolDescription(Z().Symbols[size_t(c[0])]));
        ClickColumn(r.column);  // the open column closes it
        EXPECT_FALSE(tab->CsSelGrid->isVisible());
    }
    // A symbol for column D, then one cleared by an empty cell.
    ClickColumn(3);
    ClickPicker(1);
    EXPECT_FALSE(tab->CsSelGrid->isVisible());
    EXPECT_EQ(Record(), QStringLiteral("40\tYc\td8611"));
    EXPECT_EQ(CsObjGridHint(3), QStringLiteral("Depression"));
    ClickColumn(3);
    ClickPicker(15);
    EXPECT_EQ(Record(), QStringLiteral("40\tYc"));
    // Sizes remove the column-F symbol, a column-F symbol removes the sizes.
    ClickColumn(5);
    ClickPicker(0);
    EXPECT_EQ(Record(), QStringLiteral("40\tYc\tf8630"));
    ClickColumn(5);
    TypeInto(tab->CsSize1B, QStringLiteral("4"));
    TypeInto(tab->CsSize2B, QStringLiteral("3"));
    EXPECT_EQ(Record(), QStringLiteral("40\tYc\ts4;3"));
    tab->CsSize3B->click();
    EXPECT_EQ(Record(), QStringLiteral("40\tYc\ts4/3"));
    ClickColumn(0);
    ClickColumn(5);
    EXPECT_EQ(tab->CsSize1B->text(), QStringLiteral("4"));
    EXPECT_EQ(tab->CsSize2B->text(), QStringLiteral("3"));
    EXPECT_TRUE(tab->CsSize3B->isChecked());
    ClickPicker(1);
    EXPECT_EQ(Record(), QStringLiteral("40\tYc\tf8631"));
    // Column F hints its sizes when column E's symbol says so.
    Select("41");
    ClickColumn(4);
    ClickPicker(4);  // 862.3, height shown in column F
    ClickColumn(5);
    TypeInto(tab->CsSize1B, QStringLiteral("2.5"));
    EXPECT_EQ(Record(), QStringLiteral("41\tYc\te8623\ts2.5"));
    EXPECT_EQ(CsObjGridHint(5), QStringLiteral("2.5"));
    EXPECT_EQ(CsObjGridHint(4), QStringLiteral("Height shown in column F"));
    ExpectListsEqualStore();
}

// Dark pixels on column F's diagonal near its two ends, away from the size texts and from the
// column's extra line one pixel inside its right edge.
int DiagonalInk(const QString& record)
{
    QImage image(DescColumns * CsCellSize, CsCellSize, QImage::Format_RGB32);
    image.fill(Qt::gray);
    {
        QPainter p(&image);
        PaintCsObjRow(p, record);
    }
    int ink = 0;
    const int x0 = 5 * CsCellSize;
    for (int k : {1, 2, 3, 17, 18, 19})
        if (qGray(image.pixel(x0 + k, CsCellSize - 1 - k)) < 128)
            ++ink;
    return ink;
}

TEST_F(ObjectsTab, TheRowDrawsADiagonalBetweenSizesJoinedBySlashOnly)
{
    EXPECT_EQ(DiagonalInk(QStringLiteral("31\tYc\ts4/3")), 6);
    EXPECT_EQ(DiagonalInk(QStringLiteral("31\tYc\ts4;3")), 0);
    EXPECT_EQ(DiagonalInk(QStringLiteral("31\tYc\ts4")), 0);
    // The row's own lines: every cell's right edge for a control, none for a finish.
    QImage image(DescColumns * CsCellSize, CsCellSize, QImage::Format_RGB32);
    for (const auto& [record, lined] : {std::pair{"31\tYc", true}, std::pair{"F1\tYf", false}}) {
        image.fill(Qt::gray);
        QPainter p(&image);
        PaintCsObjRow(p, QLatin1String(record));
        p.end();
        EXPECT_EQ(qGray(image.pixel(CsCellSize - 1, 11)) < 128, lined) << record;
        EXPECT_EQ(qGray(image.pixel(7 * CsCellSize + 11, 20)), 255);
    }
}

} // namespace
