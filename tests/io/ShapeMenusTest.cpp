// Shape files in the running program: File > Import through the shape dialog (its proposals,
// units and key field driven offscreen), and File > Export > Shape through its dialog.
#include "../external/DbfTestFile.h"
#include "../support/ProgramFixture.h"
#include "ShapeTestSet.h"

#include "document/Index.h"
#include "io/shape/widgets/ShapeDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>

#include <functional>
#include <tuple>

namespace zemo::test {
namespace {

class ShapeMenus : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(10), TestSymbol::Area(30)};
        w.objects = {TestObject::Point(10, 0, 0), TestObject::Area(30, {{0, 0}, {25600, 0}, {25600, 25600}})};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
    }
    template <class D>
    void RunDialog(Cmd command, const std::function<void(D&)>& steps)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(command)->isEnabled());
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        Trigger(command);
        EXPECT_TRUE(ran);
    }
    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(ShapeMenus, ImportThroughTheDialog)
{
    TestShapeSet set;
    set.fileType = 1;
    const double box[4] = {10.25, 20, 60.75, 50};
    std::copy(box, box + 4, set.box);
    set.shapes = {{1, {}, {{10.25, 20}}}, {1, {}, {{60.75, 50}}}};
    TestDbf table;
    table.fields = {{"NAME", 6}, {"ROAD_ID", 4}};
    table.records = {{{"a", "r1"}}, {{"b", "r2"}}};
    auto [shp, shx] = set.Files();
    Write(TempPath(QStringLiteral("roads.shp")), shp);
    Write(TempPath(QStringLiteral("roads.shx")), shx);
    ASSERT_TRUE(table.WriteTo(TempPath(QStringLiteral("roads.dbf"))));
    dialogs.QueueAnswer(true, TempPath(QStringLiteral("roads.shp")));
    const int before = Index.ActiveZmd->HighestObject;
    RunDialog<TImpShapeDlg>(Cmd::FileImport, [](TImpShapeDlg& d) {
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("HorSizeB"))->text(), QStringLiteral("10..61"));
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("VerSizeB"))->text(), QStringLiteral("20..50"));
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("HorOfsB"))->text(), QStringLiteral("35.5"));
        auto* units = d.findChild<QComboBox*>(QStringLiteral("UnitsB"));
        EXPECT_EQ(units->currentText(), QStringLiteral("km"));  // under 100 units wide
        auto* scale = d.findChild<QComboBox*>(QStringLiteral("MapScaleB"));
        EXPECT_EQ(scale->currentText(), QStringLiteral("50000"));
        // Metres: 51 m fit 1.5 m of paper at 1:50, so the scale typed is kept.
        units->setCurrentIndex(0);
        Q_EMIT units->activated(0);
        EXPECT_EQ(scale->currentText(), QStringLiteral("50000"));
        scale->setEditText(QStringLiteral("10"));
        Q_EMIT units->activated(0);
        EXPECT_EQ(scale->currentText(), QStringLiteral("50"));
        auto* fields = d.findChild<QComboBox*>(QStringLiteral("FieldsB"));
        EXPECT_EQ(fields->currentText(), QStringLiteral("ROAD_ID"));
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("NewKeyB"))->isChecked());
        Q_EMIT fields->activated(1);
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("ExistingKeyB"))->isChecked());
        d.findChild<QLineEdit*>(QStringLiteral("HorOfsB"))->setText(QStringLiteral("10.25"));
        d.findChild<QLineEdit*>(QStringLiteral("VerOfsB"))->setText(QStringLiteral("20"));
        d.accept();
    });
    ASSERT_EQ(Index.ActiveZmd->HighestObject, before + 2);
    ASSERT_TRUE(ReadElement(before + 2, AuxElement1));
    // 1:50 in metres: 2000 hundredths of a millimetre per metre.
    EXPECT_EQ(AuxElement1.Cords()[0], (Cord{101000 * 256, 60000 * 256}));
    EXPECT_EQ(Stp()->MapScale, 50);
    ASSERT_EQ(Index.ActiveZmd->Datasets.Count(), 1);
    EXPECT_EQ(Index.ActiveZmd->Datasets.Strings(0), QStringLiteral("roads1\te\ttroads1\tkROAD_ID"));
    EXPECT_EQ(Index.ActiveZmd->ObjectLinks.Strings(1), QStringLiteral("r2\tdroads1"));
    EXPECT_TRUE(QFile::exists(TempPath(QStringLiteral("roads1.dbf"))));
}

// A main file cut short: the shapes before the cut come in and the report says what was left
// out; cut before any whole shape, nothing comes in and no table is left beside the map. An
// index cut short is said too.
TEST_F(ShapeMenus, ACutMainFileSaysWhatWasLeftOutAndAnEmptyImportLeavesNoTable)
{
    TestShapeSet set;
    set.fileType = 1;
    const double box[4] = {0, 0, 190, 10};
    std::copy(box, box + 4, set.box);
    TestDbf table;
    table.fields = {{"NAME", 4}};
    for (int k = 0; k < 20; ++k) {
        set.shapes.push_back({1, {}, {{10.0 * k, 5}}});
        table.records.push_back({{"p"}});
    }
    auto [shp, shx] = set.Files();
    Write(TempPath(QStringLiteral("pts.shx")), shx);
    ASSERT_TRUE(table.WriteTo(TempPath(QStringLiteral("pts.dbf"))));
    const struct {
        int bytes, objects;
        const char* said;
    } cuts[] = {{300, 7, "Point objects: 7\r\nLeft out:\r\nDamaged records: 13\r\n"},
                {120, 0, "Nothing could be read.\r\nLeft out:\r\nDamaged records: 20\r\n"}};
    for (const auto& c : cuts) {
        SCOPED_TRACE(c.bytes);
        Write(TempPath(QStringLiteral("pts.shp")), shp.left(c.bytes));
        const int before = Index.ActiveZmd->HighestObject;
        const int datasets = Index.ActiveZmd->Datasets.Count();
        messages.Clear();
        dialogs.QueueAnswer(true, TempPath(QStringLiteral("pts.shp")));
        RunDialog<TImpShapeDlg>(Cmd::FileImport, [](TImpShapeDlg& d) { d.accept(); });
        EXPECT_EQ(Index.ActiveZmd->HighestObject - before, c.objects);
        // The first import places the map (asked, Yes); the report is the last word.
        ASSERT_EQ(messages.CountOf(TextKey::ImportReportRead), 1);
        EXPECT_EQ(messages.Last().kind, MsgKind::Warning);
        EXPECT_TRUE(MessageText(messages.Last()).contains(QString::fromLatin1(c.said) + Text(TextKey::ImportReportCut)))
            << MessageText(messages.Last()).toStdString();
        EXPECT_EQ(Index.ActiveZmd->Datasets.Count(), datasets + (c.objects > 0 ? 1 : 0));
    }
    EXPECT_TRUE(QFile::exists(TempPath(QStringLiteral("pts1.dbf"))));
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("pts2.dbf")))) << "the empty import left a table";

    // The index cut short: the shapes it still lists come in, and the rest is said missing. A
    // table cut short loses the records of the later shapes: said too.
    Write(TempPath(QStringLiteral("pts.shp")), shp);
    QFile dbf(TempPath(QStringLiteral("pts.dbf")));
    ASSERT_TRUE(dbf.open(QIODevice::ReadOnly));
    const QByteArray records = dbf.readAll();
    dbf.close();
    for (const auto& [index, table, objects] : {std::tuple{shx.left(100 + 8 * 7 + 4), records, 7},
                                                std::tuple{shx, records.left(65 + 5 * 7 + 2), 20}}) {
        Write(TempPath(QStringLiteral("pts.shx")), index);
        Write(TempPath(QStringLiteral("pts.dbf")), table);
        const int before = Index.ActiveZmd->HighestObject;
        messages.Clear();
        dialogs.QueueAnswer(true, TempPath(QStringLiteral("pts.shp")));
        RunDialog<TImpShapeDlg>(Cmd::FileImport, [](TImpShapeDlg& d) { d.accept(); });
        EXPECT_EQ(Index.ActiveZmd->HighestObject - before, objects);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_TRUE(MessageText(messages.Last())
                        .endsWith(QStringLiteral("Point objects: %1\r\n").arg(objects) + Text(TextKey::ImportReportCut)))
            << MessageText(messages.Last()).toStdString();
    }
}

TEST_F(ShapeMenus, ExportThroughTheDialog)
{
    const QString target = TempPath(QStringLiteral("out_ar.shp"));
    const size_t before = dialogs.Requests().size();
    ASSERT_EQ(before, 1u);
    dialogs.QueueAnswer(true, target);
    RunDialog<TExpShapeDlg>(Cmd::FileExportShape, [](TExpShapeDlg& d) {
        auto* objects = d.findChild<QListWidget*>(QStringLiteral("ObjectsB"));
        ASSERT_EQ(objects->count(), 4);
        EXPECT_EQ(objects->selectedItems().size(), 4);
        // No dataset: the choice is greyed.
        EXPECT_FALSE(d.findChild<QComboBox*>(QStringLiteral("DatasetB"))->isEnabled());
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("AllObjectsB"))->isChecked());
        for (int k : {0, 1, 3})
            objects->item(k)->setSelected(false);
        d.accept();
    });
    // One save dialog, for the areas, proposing the map's name with their ending.
    // After the map's own open dialog, one save dialog: the areas', with the map's name.
    ASSERT_EQ(dialogs.Requests().size(), 2u);
    const FileDialogRequest& save = dialogs.Requests()[1];
    EXPECT_EQ(save.kind, FileDialogRequest::Save);
    EXPECT_EQ(save.fileName, QStringLiteral("target_ar.shp"));
    EXPECT_EQ(save.defaultExt, QStringLiteral("shp"));
    const QByteArray shp = [&] {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_GT(shp.size(), 100);
    EXPECT_EQ(LE32At(shp, 32), 5);
    EXPECT_EQ(LE32At(shp, 108), 5);
    EXPECT_TRUE(QFile::exists(TempPath(QStringLiteral("out_ar.shx"))));
    EXPECT_TRUE(QFile::exists(TempPath(QStringLiteral("out_ar.dbf"))));
}

} // namespace
} // namespace zemo::test
