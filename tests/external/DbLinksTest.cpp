// Object links in the running program over a dBase table: the record grid, writing back, the
// Link dialog's proposals, Create links, Open links, Find, and a linked object deleted and
// brought back.
#include "DbLinkFixture.h"

#include "core/Config.h"
#include "core/Messages.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "external/database/DbObject.h"
#include "external/database/Ports.h"

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

using DbLinks = DbLinkFixture;

const DbGridRow* Row(const QString& name)
{
    for (const DbGridRow& r : DbObject.Grid.Rows)
        if (r.Name == name)
            return &r;
    return nullptr;
}

TEST_F(DbLinks, GridShowsOneRowPerFieldWithSizesInKilometres)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID\trREF\tsparcels\tmID\tfSIZE\tl1\ta1\tc3"));
    const struct {
        int object;
        QString size;
    } cases[] = {{2, QStringLiteral("0.100")}, {3, QStringLiteral("0.010")}, {1, QString()}, {4, QString()}};
    for (const auto& c : cases) {
        Select(c.object);
        db::ShowObjectRecord();
        ASSERT_TRUE(DbObject.Grid.Visible) << c.object;
        ASSERT_EQ(DbObject.Grid.Rows.size(), 7u);
        EXPECT_EQ(DbObject.Grid.Rows[0].Name, QStringLiteral("ID"));
        EXPECT_EQ(DbObject.Grid.Rows[0].Value, QString::number(c.object));
        EXPECT_EQ(Row(QStringLiteral("SIZE"))->Value, c.size) << c.object;
        EXPECT_EQ(Row(QStringLiteral("REF"))->Marker, QStringLiteral("*"));
        EXPECT_TRUE(Row(QStringLiteral("TYPE"))->Marker.isEmpty());
    }
    // Metres and hundreds of square metres with one decimal.
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID\tfSIZE\tl0.001\ta0.0001\tc1", {}, QStringLiteral("m.zmd")));
    Select(2);
    db::ShowObjectRecord();
    EXPECT_EQ(Row(QStringLiteral("SIZE"))->Value, QStringLiteral("100.0"));
    Select(3);
    db::ShowObjectRecord();
    EXPECT_EQ(Row(QStringLiteral("SIZE"))->Value, QStringLiteral("100.0"));
    // Nothing selected, or an object without link: no grid.
    Select(5);
    db::ShowObjectRecord();
    EXPECT_FALSE(DbObject.Grid.Visible);
    EXPECT_EQ(DbObject.CachedLink, -1);
}

TEST_F(DbLinks, GetDataWritesTheChangedRowsOnly)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID"));
    Select(2);
    db::ShowObjectRecord();
    const QByteArray before = ReadAll(TempPath(QStringLiteral("parcels.dbf")));
    db::GetData();
    EXPECT_EQ(ReadAll(TempPath(QStringLiteral("parcels.dbf"))), before) << "nothing changed, nothing written";
    for (DbGridRow& r : DbObject.Grid.Rows)
        if (r.Name == QStringLiteral("TXT"))
            r.Value = QStringLiteral("Broad street");
    db::GetData();
    EXPECT_EQ(Stored(1, QStringLiteral("TXT")), QStringLiteral("Broad street"));
    EXPECT_EQ(Stored(1, QStringLiteral("TYPE")), QStringLiteral("road"));
    EXPECT_EQ(Stored(0, QStringLiteral("TXT")), QStringLiteral("Oak"));
    // A record gone from the table cannot be updated.
    TestDbf t = Parcels();
    t.records.erase(t.records.begin() + 1);
    ASSERT_TRUE(t.WriteTo(TempPath(QStringLiteral("parcels.dbf"))));
    db::ResetDbLinks();
    DbObject.CachedLink = -1;
    Select(2);
    db::ShowObjectRecord();
    EXPECT_FALSE(DbObject.Grid.Visible);
}

TEST_F(DbLinks, LinkProposesTheLastKeyPlusOneAndWritesSymbolAndText)
{
    ASSERT_TRUE(OpenLinked());
    LinkDlgValues seen;
    DatabasePorts().RunLinkDlg.Bind([&](LinkDlgValues& v) {
        seen = v;
        v.Key = QStringLiteral("4");
        v.NewRecord = false;
        return AcceptLink(v) ? LinkDlgResult::Ok : LinkDlgResult::Cancel;
    });
    const struct {
        QString settings;
        QString key;
        bool newRecord;
    } cases[] = {{QString(), QStringLiteral("1"), true},
                 {QStringLiteral("\tdParcels\tl7\tn0"), QStringLiteral("8"), false},
                 {QStringLiteral("\tdParcels\tlabc"), QStringLiteral("1"), true}};
    for (const auto& c : cases) {
        Unlink(5);
        SaveTypedPString(c.settings, 1034);
        Select(5);
        LinkObject();
        EXPECT_EQ(seen.Key, c.key) << c.settings.toStdString();
        EXPECT_EQ(seen.NewRecord, c.newRecord);
        EXPECT_EQ(seen.Datasets, QStringList{QStringLiteral("Parcels")});
        EXPECT_EQ(Index.ActiveZmd->MapSettings[size_t(MapSettingsSlot(1034))],
                  QStringLiteral("\tdParcels\tl4\tn0"));
    }
    EXPECT_EQ(Links().count(QStringLiteral("4\tdParcels")), 2);
    // Linking the linked object again shows its link.
    Select(5);
    LinkObject();
    EXPECT_EQ(seen.Key, QStringLiteral("4"));
    EXPECT_FALSE(seen.NewRecord);
    // The record got the point's symbol number.
    EXPECT_EQ(Stored(3, QStringLiteral("SYM")), QStringLiteral("1.0"));
    EXPECT_TRUE(DbObject.Grid.Visible);
}

TEST_F(DbLinks, LinkDialogChecksKeysAndRecords)
{
    ASSERT_TRUE(OpenLinked());
    LinkDlgValues v;
    v.Datasets = {QStringLiteral("Parcels")};
    // A key with a TAB or a line break would break the link text.
    for (const QString& key : {QStringLiteral("a\tb"), QStringLiteral("a\nb"), QStringLiteral("a\rb")}) {
        v.Key = key;
        EXPECT_FALSE(AcceptLink(v));
        EXPECT_EQ(messages.Last().key, TextKey::CharNotAllowed);
    }
    // New record ticked, record there: use it (OK) or stay (Cancel).
    v.Key = QStringLiteral("2");
    v.NewRecord = true;
    messages.QueueAnswer(IdCancel);
    EXPECT_FALSE(AcceptLink(v));
    messages.QueueAnswer(IdOk);
    EXPECT_TRUE(AcceptLink(v));
    EXPECT_FALSE(v.NewRecord);
    EXPECT_EQ(messages.Last().key, TextKey::UseExistingData);
    // Cleared, record missing: appended on OK.
    v.Key = QStringLiteral("9");
    messages.QueueAnswer(IdOk);
    EXPECT_TRUE(AcceptLink(v));
    EXPECT_TRUE(v.NewRecord);
    EXPECT_EQ(messages.Last().key, TextKey::CreateNewRecord);
    EXPECT_EQ(Records(), 5);
    EXPECT_EQ(Stored(4, QStringLiteral("ID")), QStringLiteral("9"));
    // An unknown dataset keeps the dialog.
    v.Datasets = {QStringLiteral("Other")};
    EXPECT_FALSE(AcceptLink(v));
    EXPECT_EQ(messages.Last().key, TextKey::DatasetNotFound);
}

TEST_F(DbLinks, RemoveHidesTheGrid)
{
    ASSERT_TRUE(OpenLinked());
    Select(2);
    db::ShowObjectRecord();
    ASSERT_TRUE(DbObject.Grid.Visible);
    DatabasePorts().RunLinkDlg.Bind([](LinkDlgValues&) { return LinkDlgResult::Remove; });
    LinkObject();
    EXPECT_FALSE(DbObject.Grid.Visible);
    EXPECT_FALSE(Links().contains(QStringLiteral("2\tdParcels")));
    EXPECT_EQ(Links().size(), 3);
}

TEST_F(DbLinks, CreateLinksNeverReusesAKey)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID\tySYM", {Link(1, "2")}));
    SetCurrentSymbolPos(-1);
    for (SymbolBytes& s : Index.ActiveZmd->Symbols)
        s[10] = 1;
    EXPECT_EQ(CreateDbLinks(QStringLiteral("Parcels")), 5);
    // Keys above the last link's, past the records that exist.
    EXPECT_EQ(Links(), (QStringList{QStringLiteral("2\tdParcels"), QStringLiteral("5\tdParcels"),
                                    QStringLiteral("6\tdParcels"), QStringLiteral("7\tdParcels"),
                                    QStringLiteral("8\tdParcels"), QStringLiteral("9\tdParcels")}));
    EXPECT_EQ(Records(), 9);
    EXPECT_EQ(Stored(4, QStringLiteral("SYM")), QStringLiteral("2.0"));
    // The links go, the records stay: a second run goes on past them.
    for (int i = Index.ActiveZmd->ObjectLinks.Count() - 1; i >= 1; --i) {
        ClearPString(Index.ActiveZmd->ObjectLinks.GetNumber(i));
        Index.ActiveZmd->ObjectLinks.Delete(i);
    }
    ASSERT_EQ(Links().size(), 1);
    EXPECT_EQ(CreateDbLinks(QStringLiteral("Parcels")), 5);
    EXPECT_TRUE(Links().contains(QStringLiteral("10\tdParcels")));
    EXPECT_TRUE(Links().contains(QStringLiteral("14\tdParcels")));
    EXPECT_FALSE(Links().contains(QStringLiteral("5\tdParcels")));
    EXPECT_EQ(Records(), 14);
}

TEST_F(DbLinks, CreateLinksTakesOnlyTheCurrentSymbol)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID", {Link(2, "1", "Gone")}));
    SetCurrentSymbolPos(1);  // the line symbol
    EXPECT_EQ(CreateDbLinks(QStringLiteral("Parcels")), 1);
    // The link to another dataset made way.
    EXPECT_EQ(Links(), QStringList{QStringLiteral("5\tdParcels")});
}

TEST_F(DbLinks, OpenLinksSelectsObjectsWhoseRecordCannotBeRead)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID",
                           {Link(1, "1", "Renamed"), Link(2, "2"), Link(3, "77"), Link(4, "4", "Renamed")}));
    EXPECT_EQ(SelectOpenLinks(), 3);
    EXPECT_TRUE(IsSelected(1));
    EXPECT_FALSE(IsSelected(2));
    EXPECT_TRUE(IsSelected(3));
    EXPECT_TRUE(IsSelected(4));
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_EQ(messages.Last().key, TextKey::OpenLinksFound);
    EXPECT_EQ(messages.Last().params, QStringLiteral("3"));
    EXPECT_EQ(messages.CountOf(TextKey::DatasetNotFound), 0) << "a dataset no definition names is not asked for";
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID", {Link(2, "2")}, QStringLiteral("m.zmd")));
    EXPECT_EQ(SelectOpenLinks(), 0);
    EXPECT_EQ(messages.Last().key, TextKey::NoOpenLinks);
}

TEST_F(DbLinks, FindMakesTheLastMatchCurrentInTheEditPointTool)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID", {Link(1, "3"), Link(5, "3"), Link(2, "3", "Other")}));
    ProgramConfig.WorkMode = WorkModes::Curve;
    EXPECT_EQ(FindObjectByKey(QStringLiteral("Parcels"), QStringLiteral("3")), 2);
    EXPECT_EQ(Index.SelectedIndex, 5);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditPoint);
    EXPECT_EQ(FindObjectByKey(QStringLiteral("Parcels"), QStringLiteral("03")), 0) << "keys compare exactly";
}

TEST_F(DbLinks, DeletingALinkedObjectDeletesItsLinkAndUndoBringsBothBack)
{
    ASSERT_TRUE(OpenLinked());
    Select(2);
    Frame().UpdateCommandStates();
    Trigger(Cmd::EditDelete);
    EXPECT_FALSE(Links().contains(QStringLiteral("2\tdParcels")));
    EXPECT_FALSE(GetIndex(2));
    Frame().UpdateCommandStates();
    Trigger(Cmd::EditUndo);
    EXPECT_TRUE(GetIndex(2));
    EXPECT_TRUE(Links().contains(QStringLiteral("2\tdParcels")));
    Select(2);
    db::ShowObjectRecord();
    EXPECT_TRUE(DbObject.Grid.Visible);
}

TEST_F(DbLinks, CollectLinkedValuesNamesEachLinksString)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID", {Link(1, "1"), Link(2, "2"), Link(3, "99")}));
    TNumStringList list;
    ASSERT_TRUE(CollectLinkedValues(QStringLiteral("Parcels"), QStringLiteral("TXT"), list));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(0), QStringLiteral("Oak"));
    EXPECT_EQ(list.Strings(1), QStringLiteral("Main"));
    EXPECT_TRUE(IndexFromStIndex(list.GetNumber(1)));
    EXPECT_EQ(Index.CurIndexNo, 2);
    TNumStringList none;
    EXPECT_FALSE(CollectLinkedValues(QStringLiteral("Parcels"), QStringLiteral("NOPE"), none));
}

} // namespace
