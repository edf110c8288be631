// The exports in the running program, through their menu items and dialogs: AI on a map
// without spot colours, the partial map, the EPS dialog's checks, and PDF, which does nothing.
#include "../support/ProgramFixture.h"
#include "../support/TestMapReader.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "io/widgets/ExportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class ExportMenus : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
        Append(1010, LineObject, {{-20 * Mm, 0}, {0, 10 * Mm}, {20 * Mm, -5 * Mm}});
        Append(4050, AreaObject, {{-10 * Mm, -10 * Mm}, {10 * Mm, -10 * Mm}, {10 * Mm, 10 * Mm}});
        Append(1120, PointObject, {{5 * Mm, 5 * Mm}});
    }
    static void Append(int16_t symbol, uint8_t type, std::vector<Cord> cords)
    {
        ASSERT_TRUE(InitElement(CurElement, symbol, type, uint16_t(cords.size()), 0, 0));
        std::copy(cords.begin(), cords.end(), CurElement.Cords());
        ASSERT_TRUE(AppendElement());
    }
    template <class D>
    void RunDialog(Cmd c, const std::function<void(D&)>& steps)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr) << CmdName(c);
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        Trigger(c);
        EXPECT_TRUE(ran) << CmdName(c);
    }
    static QString Samples()
    {
        const QString s = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
        QDir().mkpath(s);
        return QDir(s).absolutePath();
    }
};

TEST_F(ExportMenus, IllustratorWithoutSpotColoursOnAMapWithoutSeparations)
{
    const QString target = Samples() + QStringLiteral("/orienteering-15000.ai");
    QFile::remove(target);
    dialogs.QueueAnswer(true, target);
    RunDialog<TExpAiDlg>(Cmd::FileExportAi, [](TExpAiDlg& d) {
        EXPECT_FALSE(d.findChild<QRadioButton*>(QStringLiteral("SpotB"))->isEnabled());
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("CmykB"))->isChecked());
        d.accept();
    });
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("%!PS-Adobe-3.0 EPSF-2.0\r\n"));
    EXPECT_TRUE(text.contains("%AI5_BeginLayer"));
    EXPECT_TRUE(text.endsWith("%%Trailer\r\n"));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(ExportMenus, PartialMapOfTheWholeMapThroughItsDialog)
{
    const QString target = Samples() + QStringLiteral("/orienteering-15000-partial.zmd");
    QFile::remove(target);
    dialogs.QueueAnswer(true, target);
    RunDialog<TPartialDlg>(Cmd::ExtrasPartial, [](TPartialDlg& d) {
        // Nothing is selected: the rectangle only.
        EXPECT_FALSE(d.findChild<QRadioButton*>(QStringLiteral("ObjBoundB"))->isEnabled());
        d.findChild<QPushButton*>(QStringLiteral("EntireMapBtn"))->click();
        d.accept();
    });
    const ReadMap m = ReadMapFile(QFile::encodeName(target).toStdString());
    ASSERT_TRUE(m.Sound()) << m.Problems();
    ASSERT_EQ(m.objects.size(), 3u);
    std::vector<int16_t> symbols;
    for (const ReadSymbol& s : m.symbols)
        symbols.push_back(s.number10);
    EXPECT_EQ(symbols, (std::vector<int16_t>{1010, 1120, 4050}));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(ExportMenus, TheEpsDialogRefusesResolutionsAndScalesOutOfRange)
{
    const struct {
        const char* resolution;
        const char* scale;
        bool accepted;
    } rows[] = {
        {"49", "15000", false}, {"2541", "15000", false}, {"50", "1499", false},
        {"75", "150001", false}, {"2540", "1500", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.resolution) + " dpi 1:" + row.scale);
        messages.Clear();
        bool accepted = false;
        RunDialog<TExpEpsDlg>(Cmd::FileExportEps, [&](TExpEpsDlg& d) {
            d.findChild<QComboBox*>(QStringLiteral("ResolB"))->setEditText(QString::fromLatin1(row.resolution));
            d.findChild<QComboBox*>(QStringLiteral("ExpScaleB"))->setEditText(QString::fromLatin1(row.scale));
            d.accept();
            accepted = d.result() == QDialog::Accepted;
        });
        EXPECT_EQ(accepted, row.accepted);
        // Refused: one message and the dialog still up; accepted: the save dialog, cancelled.
        EXPECT_EQ(messages.Count(), row.accepted ? 0 : 1);
    }
    EXPECT_EQ(dialogs.Requests().size(), 1u);
    // The last accepted export scale is kept with the map.
    EXPECT_EQ(Index.ActiveZmd->Setup.PrintScale, 1500);
}

TEST_F(ExportMenus, PdfDoesNothing)
{
    Trigger(Cmd::FileExportPdf);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace zemo::test
