// File > Import in the running program: a map placed by an offset typed into the import
// dialog, and a DXF drawing through its dialog with a layer table loaded from it.
#include "../support/ProgramFixture.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "io/widgets/ImportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class ImportMenus : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010), TestSymbol::Point(1120)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
    }
    template <class D>
    void RunDialog(const std::function<void(D&)>& steps)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(Cmd::FileImport)->isEnabled());
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        Trigger(Cmd::FileImport);
        EXPECT_TRUE(ran);
    }
    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static std::vector<std::pair<int, std::vector<Cord>>> Objects()
    {
        std::vector<std::pair<int, std::vector<Cord>>> out;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, AuxElement1))
                out.push_back({AuxElement1.Symbol, {AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem}});
        return out;
    }
};

TEST_F(ImportMenus, AMapPlacedByATypedOffset)
{
    TestMapWriter src(8);
    src.symbols = {TestSymbol::Point(1120)};
    src.objects = {TestObject::Point(1120, 2 * Mm, 3 * Mm)};
    const QString path = TempPath(QStringLiteral("source.zmd"));
    ASSERT_TRUE(src.WriteTo(QFile::encodeName(path).toStdString()));
    dialogs.QueueAnswer(true, path);
    RunDialog<TImportDlg>([](TImportDlg& d) {
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("MouseB"))->isChecked());
        auto* hor = d.findChild<QLineEdit*>(QStringLiteral("HorOfsE"));
        ASSERT_NE(hor, nullptr);
        hor->setText(QStringLiteral("10"));
        Q_EMIT hor->textEdited(hor->text());
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("OffsetB"))->isChecked())
            << "typing an offset chooses placing by it";
        d.accept();
    });
    EXPECT_EQ(Objects(), (std::vector<std::pair<int, std::vector<Cord>>>{{1120, {{12 * Mm, 3 * Mm}}}}));
    EXPECT_EQ(Index.SelectionCount, 1);
}

TEST_F(ImportMenus, ADxfDrawingWithALayerTableFromTheDialog)
{
    const QString dxf = TempPath(QStringLiteral("drawing.dxf"));
    Write(dxf, "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMIN\n 10\n0\n 20\n0\n  9\n$EXTMAX\n 10\n20\n 20\n10\n  0\nENDSEC\n"
               "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\nroads\n 10\n0\n 20\n0\n 11\n10\n 21\n5\n"
               "  0\nLINE\n  8\nrivers\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n  0\nENDSEC\n  0\nEOF\n");
    const QString crt = TempPath(QStringLiteral("layers.crt"));
    Write(crt, "101.0  roads\r\n");
    dialogs.QueueAnswer(true, dxf);
    dialogs.QueueAnswer(true, crt);
    RunDialog<TImpDxfDlg>([](TImpDxfDlg& d) {
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("HorSizeB"))->text(), QStringLiteral("0..20"));
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("HorOfsB"))->text(), QStringLiteral("0"));
        d.findChild<QRadioButton*>(QStringLiteral("OtherB"))->setChecked(true);
        d.findChild<QPushButton*>(QStringLiteral("CrtBtn"))->click();
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("CrtFileB"))->text(), QStringLiteral("layers.crt"));
        d.accept();
    });
    // 1 mm on paper per drawing unit.
    EXPECT_EQ(Objects(), (std::vector<std::pair<int, std::vector<Cord>>>{
                             {1010, {{0, 0}, {10 * Mm, 5 * Mm}}}, {-1, {{0, 0}, {Mm, Mm}}}}));
}

// Extents a writer left unset (1E+20 up to -1E+20) are no size.
TEST_F(ImportMenus, UnsetDxfExtentsShowNoInformation)
{
    const QString dxf = TempPath(QStringLiteral("unset.dxf"));
    Write(dxf, "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMIN\n 10\n1.0E+20\n 20\n1.0E+20\n  9\n$EXTMAX\n 10\n-1.0E+20\n"
               " 20\n-1.0E+20\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\nroads\n 10\n7\n 20\n8\n"
               " 11\n10\n 21\n5\n  0\nENDSEC\n  0\nEOF\n");
    dialogs.QueueAnswer(true, dxf);
    RunDialog<TImpDxfDlg>([](TImpDxfDlg& d) {
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("HorSizeB"))->text(), Text(TextKey::NoInfo));
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("VerSizeB"))->text(), Text(TextKey::NoInfo));
    });
}

TEST_F(ImportMenus, AnIllustratorDrawingComesInWithoutADialog)
{
    const QString ai = TempPath(QStringLiteral("drawing.ai"));
    Write(ai, "%!PS-Adobe-3.0\n%%EndSetup\n(Roads) Ln\n0 0 m 72 0 l S\n%%Trailer\n");
    dialogs.QueueAnswer(true, ai);
    Frame().UpdateCommandStates();
    Trigger(Cmd::FileImport);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0].first, -1);
    ASSERT_EQ(o[0].second.size(), 2u);
    EXPECT_EQ(o[0].second[1].x - o[0].second[0].x, 254 * Mm / 10);
    EXPECT_EQ(Index.SelectionCount, 1);
}

} // namespace
} // namespace zemo::test
