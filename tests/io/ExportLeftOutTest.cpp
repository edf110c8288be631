// The DXF and shape exports of a map whose open refused a symbol record: the objects of that
// symbol stay out of the files, and the export says so, naming the symbol and counting its
// objects in each file; the files hold the rest, as ogrinfo reads them.
#include "../external/DbfTestFile.h"
#include "../support/ProgramFixture.h"
#include "document/Index.h"
#include "io/shape/widgets/ShapeDlgs.h"
#include "io/widgets/ExpDxfDlg.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class ExportLeftOut : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        // Symbol 12.3 is larger than a symbol record may be: the open leaves it out.
        w.symbols = {TestSymbol::Point(1120), TestSymbol::Raw(123, 1, 29408), TestSymbol::Line(1010)};
        w.objects = {TestObject::Point(1120, 0, 0), TestObject::Point(123, Mm, Mm),
                     TestObject::Line(1010, {{0, 0}, {10 * Mm, 0}}), TestObject::Point(123, 2 * Mm, Mm),
                     TestObject::Line(123, {{0, Mm}, {10 * Mm, Mm}})};
        messages.SetDefaultAnswer(IdOk);
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("refused.zmd")));
        ASSERT_EQ(messages.CountOf(TextKey::SkippedSymbols), 1);
        messages.Clear();
    }
    void Export(Cmd c)
    {
        QTimer::singleShot(0, [] {
            if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dlg->accept();
        });
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(c)->isEnabled());
        Trigger(c);
    }
    // What the export said about each file it wrote without some objects.
    QStringList Said() const
    {
        QStringList out;
        for (const auto& e : messages.Entries())
            if (e.msg.key == TextKey::ExportLeftOutSymbols) {
                EXPECT_EQ(e.msg.kind, MsgKind::Warning);
                out << MessageText(e.msg);
            }
        return out;
    }
    static QString Says(const QString& file, int objects)
    {
        return QStringLiteral("The file %1 was written without the objects of these symbols, which this map does not "
                              "hold (their records were left out when it was opened): \r\nSymbol 12.3: %2")
            .arg(file)
            .arg(objects);
    }
    static QString Ogrinfo(const QString& path)
    {
        QString error;
        const QString out = RunTool(QStringLiteral("ogrinfo"), {QStringLiteral("-al"), QStringLiteral("-ro"), path}, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return out;
    }
};

TEST_F(ExportLeftOut, DxfSaysWhichSymbolsObjectsItLeftOut)
{
    const QString dxf = TempPath(QStringLiteral("out.dxf"));
    dialogs.QueueAnswer(true, dxf);
    Export(Cmd::FileExportDxf);
    EXPECT_EQ(Said(), QStringList{Says(QStringLiteral("out.dxf"), 3)});
    const QString read = Ogrinfo(dxf);
    EXPECT_TRUE(read.contains(QStringLiteral("Feature Count: 2"))) << read.toStdString();
    EXPECT_TRUE(read.contains(QStringLiteral("Layer (String) = 1120"))) << read.toStdString();
    EXPECT_TRUE(read.contains(QStringLiteral("Layer (String) = 1010"))) << read.toStdString();
    EXPECT_FALSE(read.contains(QStringLiteral("Layer (String) = 123"))) << read.toStdString();
}

// Each set says what it lacks: the points two, the lines one; the sets of areas and texts
// lack nothing of theirs and say nothing.
TEST_F(ExportLeftOut, ShapeSetsSayWhichSymbolsObjectsTheyLeftOut)
{
    for (const char* name : {"out_pt.shp", "out_ln.shp", "out_ar.shp", "out_tx.shp"})
        dialogs.QueueAnswer(true, TempPath(QString::fromLatin1(name)));
    Export(Cmd::FileExportShape);
    EXPECT_EQ(Said(), (QStringList{Says(QStringLiteral("out_pt.shp"), 2), Says(QStringLiteral("out_ln.shp"), 1)}));
    const QString points = Ogrinfo(TempPath(QStringLiteral("out_pt.shp")));
    EXPECT_TRUE(points.contains(QStringLiteral("Feature Count: 1"))) << points.toStdString();
    EXPECT_TRUE(points.contains(QStringLiteral("SYMBOL (Real) = 112.0"))) << points.toStdString();
    const QString lines = Ogrinfo(TempPath(QStringLiteral("out_ln.shp")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Feature Count: 1"))) << lines.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("SYMBOL (Real) = 101.0"))) << lines.toStdString();
}

} // namespace
} // namespace zemo::test
