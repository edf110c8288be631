// Conditions, condition files and the three Assign commands over linked objects, each one
// undo step; and dataset definitions built, checked and edited in a session.
#include "DbLinkFixture.h"

#include "core/Messages.h"
#include "document/Undo.h"
#include "external/database/AssignSym.h"
#include "external/database/Dataset.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

TEST(Conditions, ParseIntoFieldAndValueOrNameTheFirstError)
{
    const struct {
        const char* text;
        bool ok;
        const char* field;
        const char* value;
        TextKey error;
        const char* token;
    } cases[] = {
        {"A=b", true, "A", "b", TextKey::Count, ""},
        {"TYPE = forest", true, "TYPE", "forest", TextKey::Count, ""},
        {"  TYPE   =forest  ", true, "TYPE", "forest", TextKey::Count, ""},
        {"TYPE = dense forest", true, "TYPE", "dense", TextKey::Count, ""},
        {"", false, "", "", TextKey::NoCondition, ""},
        {"   ", false, "", "", TextKey::NoCondition, ""},
        {"= x", false, "", "", TextKey::StringExpected, "="},
        {"TYPE", false, "", "", TextKey::ConditionNotComplete, ""},
        {"TYPE is x", false, "", "", TextKey::CondOpExpected, "is"},
        {"TYPE =", false, "", "", TextKey::ConditionNotComplete, ""},
        {"TYPE = =", false, "", "", TextKey::StringExpected, "="},
        {"TYPE==x", false, "", "", TextKey::StringExpected, "="},
    };
    for (const auto& c : cases) {
        const Condition r = ParseConditionText(QString::fromUtf8(c.text));
        EXPECT_EQ(r.Ok, c.ok) << c.text;
        EXPECT_EQ(r.Field, QString::fromUtf8(c.field)) << c.text;
        EXPECT_EQ(r.Value, QString::fromUtf8(c.value)) << c.text;
        EXPECT_EQ(r.Error, c.error) << c.text;
        EXPECT_EQ(r.Token, QString::fromUtf8(c.token)) << c.text;
    }
    RecordingMessages messages;
    EXPECT_FALSE(ParseCondition(QStringLiteral("TYPE is x")));
    EXPECT_EQ(messages.Last().params, QStringLiteral("\"is\""));
}

TEST(Conditions, RuleNumbersAnglesAndCntLines)
{
    const struct {
        const char* text;
        bool ok;
        int number10;
    } numbers[] = {{"101.5  Forest", true, 1015}, {"0.09", true, 1}, {"0.08", false, 0},
                   {"999.91", true, 9999}, {"999.92", false, 0}, {"abc", false, 0}, {"", false, 0}};
    for (const auto& c : numbers) {
        int n = 0;
        EXPECT_EQ(RuleSymbolNumber({QString::fromUtf8(c.text), {}}, n), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(n, c.number10) << c.text;
        }
    }
    const struct {
        const char* text;
        bool ok;
        int tenths;
    } angles[] = {{"45.26", true, 453}, {"45.25", true, 452}, {"45.35", true, 454}, {"3200", false, 0},
                  {"-3200", false, 0},  {"3199.9", true, 31999}, {"-12.5", true, -125}, {"nan", false, 0},
                  {"", false, 0}};
    for (const auto& c : angles) {
        int t = 0;
        EXPECT_EQ(AngleTenths(QString::fromUtf8(c.text), t), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(t, c.tenths) << c.text;
        }
    }
    const std::vector<AssignRule> rules = ParseCntText(QStringLiteral(
        "101.5 TYPE = forest\r\n  20   TYPE=road  \r\nnoblank\r\n0 TYPE = x\r\n1000 A = b\r\nx1 A = b\r\n3 A\n"));
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0], (AssignRule{QStringLiteral("101.5"), QStringLiteral("TYPE = forest")}));
    EXPECT_EQ(rules[1], (AssignRule{QStringLiteral("20"), QStringLiteral("TYPE=road")}));
    EXPECT_EQ(rules[2].Condition, QStringLiteral("A"));
    EXPECT_EQ(CntText(rules), QStringLiteral("101.5 TYPE = forest\r\n20 TYPE=road\r\n3 A\r\n"));
}

class Assign : public DbLinkFixture {
protected:
    static int SymbolOf(int n)
    {
        ReadElement(n, CurElement);
        return CurElement.Symbol;
    }
};

TEST_F(Assign, LaterRuleWinsAndASymbolOfAnotherTypeIsNotGiven)
{
    ASSERT_TRUE(OpenLinked());
    // 1 forest (point), 2 road (line), 3 forest (area), 4 water (text).
    const std::vector<AssignRule> rules = {{QStringLiteral("1.0  Point"), QStringLiteral("TYPE = forest")},
                                           {QStringLiteral("3.0  Area"), QStringLiteral("TYPE = forest")},
                                           {QStringLiteral("55.5"), QStringLiteral("TYPE = road")},
                                           {QStringLiteral("1.0"), QStringLiteral("type = water")}};
    int changed = -1;
    ASSERT_TRUE(ApplySymbolRules(QStringLiteral("Parcels"), rules, &changed));
    EXPECT_EQ(SymbolOf(1), 10) << "an area symbol does not fit a point";
    EXPECT_EQ(SymbolOf(3), 30) << "already so";
    EXPECT_EQ(SymbolOf(2), 555) << "a number the map lacks is given";
    EXPECT_EQ(SymbolOf(4), 40) << "field names compare exactly";
    EXPECT_EQ(changed, 1);
    // One Undo takes the command back.
    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_EQ(SymbolOf(2), 20);
    EXPECT_FALSE(CanUndo());
}

TEST_F(Assign, AnInvalidRuleStopsBeforeAnyChange)
{
    ASSERT_TRUE(OpenLinked());
    const struct {
        std::vector<AssignRule> rules;
        TextKey key;
    } cases[] = {{{{QStringLiteral("2.0"), QStringLiteral("TYPE = road")}, {QStringLiteral("0.0"), QStringLiteral("A = b")}},
                  TextKey::SymNumNotValid},
                 {{{QStringLiteral("2.0"), QStringLiteral("TYPE = road")}, {QStringLiteral("2.0"), QStringLiteral("TYPE")}},
                  TextKey::ConditionNotComplete}};
    for (const auto& c : cases) {
        EXPECT_FALSE(ApplySymbolRules(QStringLiteral("Parcels"), c.rules));
        EXPECT_EQ(messages.Last().key, c.key);
        EXPECT_EQ(SymbolOf(2), 20);
    }
    EXPECT_FALSE(CanUndo());
}

TEST_F(Assign, TextsTurnLinkedPointsIntoTextsOfNoSymbolAndLeaveLines)
{
    ASSERT_TRUE(OpenLinked());
    int changed = -1;
    ASSERT_TRUE(ApplyTexts(QStringLiteral("Parcels"), QStringLiteral("TXT"), &changed));
    EXPECT_EQ(changed, 2);
    ReadElement(1, CurElement);
    EXPECT_EQ(CurElement.ObjectType, TextObject);
    EXPECT_EQ(CurElement.nItem, 5);
    EXPECT_EQ(CurElement.Symbol, -1);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(CurElement.TextBytes())), QByteArray("Oak"));
    ReadElement(4, CurElement);
    EXPECT_EQ(CurElement.Symbol, 40);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(CurElement.TextBytes())), QByteArray("Lake"));
    ReadElement(2, CurElement);
    EXPECT_EQ(CurElement.ObjectType, LineObject);
    EXPECT_EQ(CurElement.nText, 0);
    UndoEdit();
    ReadElement(1, CurElement);
    EXPECT_EQ(CurElement.ObjectType, PointObject);
    EXPECT_EQ(CurElement.Symbol, 10);
    EXPECT_FALSE(CanUndo());
}

TEST_F(Assign, AnglesSkipLinesAndValuesOutOfRange)
{
    ASSERT_TRUE(OpenLinked());
    ASSERT_TRUE(ApplyAngles(QStringLiteral("Parcels"), QStringLiteral("ANG")));
    const struct {
        int object;
        int angle;
    } cases[] = {{1, 453}, {2, 0}, {3, 0}, {4, -125}};
    for (const auto& c : cases) {
        ReadElement(c.object, CurElement);
        EXPECT_EQ(CurElement.Angle, c.angle) << c.object;
    }
    UndoEdit();
    ReadElement(1, CurElement);
    EXPECT_EQ(CurElement.Angle, 0);
}

TEST_F(Assign, FieldListPreselectsTheLastTextField)
{
    ASSERT_TRUE(OpenLinked());
    int pre = -1;
    const QStringList fields = DatasetFieldNames(QStringLiteral("Parcels"), pre);
    EXPECT_EQ(fields.size(), 7);
    EXPECT_EQ(pre, 0) << "TXT does not contain TEXT";
}

// ---- Datasets ----

using Datasets = DbLinkFixture;

TEST_F(Datasets, DefinitionsAreWrittenFieldByFieldAndCheckedInOrder)
{
    ASSERT_TRUE(OpenLinked());
    DatasetFields f;
    f.Name = QStringLiteral("Roads");
    f.Table = QStringLiteral("parcels");
    f.Key = QStringLiteral("ID");
    f.Secondary = {{QStringLiteral("REF"), QStringLiteral("parcels"), QStringLiteral("ID")}, {}};
    f.SymbolOn = true;
    f.SymbolField = QStringLiteral("SYM");
    f.SizeOn = true;
    f.SizeField = QStringLiteral("SIZE");
    f.LengthUnit = 1;
    f.AreaUnit = 3;
    f.Decimals = 2;
    QString def;
    ASSERT_TRUE(BuildDatasetDefinition(f, def).Ok);
    EXPECT_EQ(def, QStringLiteral("Roads\te\ttparcels\tkID\trREF\tsparcels\tmID\tySYM\tfSIZE\tl0.001\ta0.000001\tc2"));
    const DatasetFields back = ParseDatasetDefinition(def);
    EXPECT_EQ(back.Secondary, std::vector<SecondaryTable>{f.Secondary[0]});
    EXPECT_EQ(back.LengthUnit, 1);
    EXPECT_EQ(back.AreaUnit, 3);
    EXPECT_EQ(back.Decimals, 2);
    EXPECT_EQ(ParseDatasetDefinition(QStringLiteral("X\tc21")).Decimals, -1);
    // A folder typed with a trailing separator is stored without it.
    const QString folder = QFileInfo(TempPath(QStringLiteral("parcels.dbf"))).absolutePath();
    f.Folder = folder + QStringLiteral("\\");
    ASSERT_TRUE(BuildDatasetDefinition(f, def).Ok);
    EXPECT_TRUE(def.startsWith(QStringLiteral("Roads\te") + folder + u'\t')) << def.toStdString();
    const struct {
        std::function<void(DatasetFields&)> spoil;
        TextKey key;
        const char* param;
        DatasetPage page;
        DatasetControl focus;
    } cases[] = {
        {[](DatasetFields& g) { g.Folder = QStringLiteral("/no/such/folder"); }, TextKey::FolderNotFound,
         "/no/such/folder", DatasetPage::General, DatasetControl::Folder},
        {[](DatasetFields& g) { g.Table = QStringLiteral("nope"); }, TextKey::TableNotFound, "nope",
         DatasetPage::General, DatasetControl::Table},
        {[](DatasetFields& g) { g.Key = QStringLiteral("KEY"); }, TextKey::FieldNotFound, "KEY",
         DatasetPage::General, DatasetControl::Key},
        {[](DatasetFields& g) { g.SymbolField = QStringLiteral("S"); }, TextKey::FieldNotFound, "S",
         DatasetPage::Special, DatasetControl::SymbolField},
        {[](DatasetFields& g) { g.SizeField = QStringLiteral("Z"); }, TextKey::FieldNotFound, "Z",
         DatasetPage::Special, DatasetControl::SizeField},
    };
    for (const auto& c : cases) {
        DatasetFields g = f;
        g.Folder.clear();
        c.spoil(g);
        QString out = QStringLiteral("kept");
        const DatasetCheck r = BuildDatasetDefinition(g, out);
        EXPECT_FALSE(r.Ok) << c.param;
        EXPECT_EQ(r.Key, c.key) << c.param;
        EXPECT_EQ(r.Param, QString::fromUtf8(c.param));
        EXPECT_EQ(r.Page, c.page) << c.param;
        EXPECT_EQ(r.Focus, c.focus) << c.param;
        EXPECT_EQ(out, QStringLiteral("kept"));
    }
    EXPECT_EQ(ProposeDatasetName({Text(TextKey::Dataset) + QStringLiteral(" 1")}),
              Text(TextKey::Dataset) + QStringLiteral(" 2"));
}

TEST_F(Datasets, CancelLeavesTheStoreAndOkRemovesOnlyThatDatasetsLinks)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID",
                           {Link(1, "1"), Link(2, "2", "Roads"), Link(3, "3")}));
    const int roads = AddPString(QStringLiteral("Roads\te\ttparcels\tkID"), DatasetType, 0);
    Index.ActiveZmd->Datasets.AddNumber(QStringLiteral("Roads\te\ttparcels\tkID"), roads);
    const QStringList before = StoredStrings();
    {
        DatasetSession s;
        s.Add(QStringLiteral("New\te\ttparcels\tkID"));
        s.Replace(1, QStringLiteral("Roads\te\ttparcels\tkTYPE"));
        s.Remove(0);
        EXPECT_EQ(s.Names(), (QStringList{QStringLiteral("Roads"), QStringLiteral("New")}));
        // Cancel: the session is dropped.
    }
    EXPECT_EQ(StoredStrings(), before);
    EXPECT_EQ(Index.ActiveZmd->Datasets.Count(), 2);
    EXPECT_EQ(ReadPString(roads), QStringLiteral("Roads\te\ttparcels\tkID"));
    DatasetSession s;
    s.Remove(0);
    s.Replace(0, QStringLiteral("Roads\te\ttparcels\tkTYPE"));
    ASSERT_TRUE(s.Apply());
    EXPECT_EQ(Links(), QStringList{QStringLiteral("2\tdRoads")});
    EXPECT_EQ(ReadPString(roads), QStringLiteral("Roads\te\ttparcels\tkTYPE"));
    EXPECT_EQ(Index.ActiveZmd->Datasets.Count(), 1);
    EXPECT_TRUE(Index.ActiveZmd->DatasetsPresent);
    DatasetSession empty;
    empty.Remove(0);
    ASSERT_TRUE(empty.Apply());
    EXPECT_FALSE(Index.ActiveZmd->DatasetsPresent);
    EXPECT_TRUE(Links().isEmpty());
}

} // namespace
