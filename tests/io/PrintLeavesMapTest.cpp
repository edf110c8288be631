// File > Print on a real map, through the running program: a dialog only opened and closed,
// or used to print without changing a field, leaves the map as it was: no save question when
// it closes, and its file's bytes and time untouched. A field the user changes is written,
// and only that field.
#include "../external/ModalScript.h"
#include "../support/FileState.h"
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/Numeric.h"
#include "core/Setup.h"
#include "document/Index.h"
#include "io/Ports.h"
#include "io/Print.h"
#include "io/widgets/PrintDlg.h"
#include "io/widgets/QtPrinters.h"
#include "shell/widgets/MainFm.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <fcntl.h>
#include <sys/stat.h>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;
constexpr time_t OldTime = 1000000000;

class PrintLeavesMap : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        pdf = TempPath(QStringLiteral("printed.pdf"));
        printers = std::make_unique<QtPrinters>(QStringLiteral("PDF"), pdf);
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
    }
    void TearDown() override
    {
        ProgramFixture::TearDown();
        IoPorts().Printers.Bind([] { return static_cast<PrinterSystem*>(nullptr); });
    }

    // A map as the program saves it: File > New from the shipped set, a line drawn, Save As.
    QString SavedNewMap()
    {
        EXPECT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
        TZmd& z = *Index.ActiveZmd;
        int line = 0;
        for (int i = 0; i < z.SymbolCount() && !line; ++i)
            if (SymI16(z.Symbols[size_t(i)], SymObjectType) == LineObject)
                line = SymI16(z.Symbols[size_t(i)], SymNumber);
        EXPECT_GT(line, 0);
        InitElement(CurElement, int16_t(line), LineObject, 2, 0, 0);
        CurElement.Cords()[0] = {0, 0};
        CurElement.Cords()[1] = {40 * Mm, 30 * Mm};
        EXPECT_TRUE(AppendElement());
        const QString path = TempPath(QStringLiteral("new.zmd"));
        dialogs.QueueAnswer(true, path);
        Trigger(Cmd::FileSaveAs);
        Settle();
        Trigger(Cmd::FileClose);
        Settle();
        return path;
    }
    // A map of another program's making: no print scale, intensity and line width out of
    // their bounds, a grid colour the map has not, no print settings string.
    QString OddMap()
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 0, 0, 0)};
        w.symbols = {TestSymbol::Line(10, 0, 100)};
        w.objects.push_back(TestObject::Line(10, {{0, 0}, {50 * Mm, 20 * Mm}}));
        PutF64(w.setup, setup::MapScale, 15000);
        PutF64(w.setup, setup::PrintScale, 0);
        PutI16(w.setup, setup::PrintIntensity, 0);
        PutI16(w.setup, setup::PrintLineWidth, 400);
        PutI16(w.setup, setup::PrintGridColor, 17);
        const QString path = TempPath(QStringLiteral("odd.zmd"));
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        return path;
    }

    // Opens the map with an old file time, runs File > Print with `work` in the dialog,
    // closes the map: true when nothing asked to save and the file is as it was.
    void ExpectUnchanged(const QString& path, const std::function<void(TPrintDlg&)>& work)
    {
        const timespec times[2] = {{OldTime, 0}, {OldTime, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        const QByteArray before = FileBytes(path);
        ASSERT_TRUE(OpenMap(path));
        Settle();
        messages.Clear();
        {
            ModalScript script;
            script.Then<TPrintDlg>(work);
            Trigger(Cmd::FilePrint);
            Settle();
            EXPECT_TRUE(script.Done());
            EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
        }
        ASSERT_TRUE(Index.ActiveZmd);
        EXPECT_FALSE(Index.ActiveZmd->Modified);
        Trigger(Cmd::FileClose);
        Settle();
        EXPECT_EQ(Index.ActiveZmd, nullptr);
        EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
        EXPECT_EQ(FileBytes(path), before);
        EXPECT_EQ(ModifiedAt(path), OldTime);
    }

    static void Press(TPrintDlg& d, const char* button)
    {
        d.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }

    QString pdf;
    std::unique_ptr<QtPrinters> printers;
};

TEST_F(PrintLeavesMap, ClosedOrPrintedWithoutAChangeTheMapStaysAsItWas)
{
    for (const QString& path : {SavedNewMap(), OddMap()}) {
        SCOPED_TRACE(path.toStdString());
        // Opened and closed; the Options page looked at on the way.
        ExpectUnchanged(path, [](TPrintDlg& d) {
            d.findChild<QTabWidget*>(QStringLiteral("PageControl"))->setCurrentIndex(1);
            Press(d, "CloseBtn");
        });
        // Printed as it stood.
        QFile::remove(pdf);
        ExpectUnchanged(path, [](TPrintDlg& d) { Press(d, "PrintBtn"); });
        EXPECT_TRUE(QFile::exists(pdf));
    }
}

// A changed field is written, and the others keep what the map held: the odd map's
// intensity and line width stay out of their bounds, its grid colour one it has not.
TEST_F(PrintLeavesMap, AChangedFieldIsWrittenAlone)
{
    const QString path = OddMap();
    ASSERT_TRUE(OpenMap(path));
    Settle();
    SetupRecord expected = Index.ActiveZmd->Setup;
    expected.PrintGrid = true;
    ModalScript script;
    script.Then<TPrintDlg>([](TPrintDlg& d) {
        d.findChild<QCheckBox*>(QStringLiteral("GridB"))->setChecked(true);
        Press(d, "CloseBtn");
    });
    Trigger(Cmd::FilePrint);
    Settle();
    ASSERT_TRUE(script.Done());
    EXPECT_TRUE(Index.ActiveZmd->Modified);
    const SetupRecord& s = Index.ActiveZmd->Setup;
    EXPECT_EQ(s.PrintIntensity, 0);
    EXPECT_EQ(s.PrintLineWidth, 400);
    EXPECT_EQ(s.PrintGridColor, 17);
    EXPECT_EQ(WriteSetupBytes(s), WriteSetupBytes(expected));
    // The range kept no string either: the map had none.
    EXPECT_TRUE(Index.ActiveZmd->MapSettings[size_t(MapSettingsSlot(PrintSettingsType))].isEmpty());
    // Printing at 100 % all the same.
    const PrintOptions o = PrintDialogOptions();
    EXPECT_EQ(o.Intensity, 100);
    EXPECT_EQ(o.LineWidth, 100);
}

} // namespace
} // namespace zemo::test
