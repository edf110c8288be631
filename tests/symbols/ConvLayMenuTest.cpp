// Extras > Convert layers in the running program: a table loaded into the grid, a row added
// through the reference editor, and the conversion on OK.
#include "../support/ProgramFixture.h"
#include "document/Index.h"
#include "shell/widgets/MainFm.h"
#include "symbols/widgets/ConvLayDlg.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace zemo::test {
namespace {

class ConvLayMenu : public ProgramFixture {};

TEST_F(ConvLayMenu, ATableLoadedARowAddedAndTheObjectsConverted)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(1010), TestSymbol::Area(4050), TestSymbol::Point(1120)};
    for (const char* layer : {"water", "trees"}) {
        TestObject o = TestObject::Line(-1, {{0, 0}, {kUnitsPerMm, 0}, {0, kUnitsPerMm}});
        o.layerName = layer;
        w.objects.push_back(o);
    }
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("layers.zmd")));
    const QString crt = TempPath(QStringLiteral("table.crt"));
    QFile f(crt);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("405 water\r\n");
    f.close();
    dialogs.QueueAnswer(true, crt);
    Frame().UpdateCommandStates();
    ASSERT_TRUE(Frame().Action(Cmd::ExtrasConvertLayers)->isEnabled());
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = dynamic_cast<TConvLayDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        ran = true;
        auto* tab = dlg->findChild<QTableWidget*>(QStringLiteral("TabB"));
        dlg->findChild<QPushButton*>(QStringLiteral("LoadBtn"))->click();
        ASSERT_EQ(tab->rowCount(), 1);
        EXPECT_EQ(tab->item(0, 0)->text(), QStringLiteral("water"));
        // The reference editor: "trees" to the line symbol.
        QTimer::singleShot(0, [&] {
            auto* ref = dynamic_cast<TEditRefDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(ref, nullptr);
            auto* layers = ref->findChild<QListWidget*>(QStringLiteral("LayerB"));
            ASSERT_EQ(layers->count(), 2);
            EXPECT_EQ(layers->item(1)->text(), QStringLiteral("* water")) << "a layer the grid uses";
            layers->setCurrentRow(0);
            auto* symbols = ref->findChild<QListWidget*>(QStringLiteral("SymbolB"));
            symbols->setCurrentRow(0);
            ref->accept();
        });
        dlg->findChild<QPushButton*>(QStringLiteral("AddBtn"))->click();
        ASSERT_EQ(tab->rowCount(), 2);
        EXPECT_EQ(tab->item(1, 0)->text(), QStringLiteral("trees"));
        dlg->accept();
    });
    Trigger(Cmd::ExtrasConvertLayers);
    EXPECT_TRUE(ran);
    std::vector<std::pair<int, int>> got;
    for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
        if (GetIndex(n) && ReadElement(n, AuxElement1))
            got.push_back({AuxElement1.Symbol, AuxElement1.ObjectType});
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{4050, AreaObject}, {1010, LineObject}}));
}

} // namespace
} // namespace zemo::test
