// A map written by another program, in the running program: commands cancelled and dialogs
// opened and closed without a change leave it as it was (no question at Close, the file's
// bytes and time untouched); a change made in them is stored, and only that change. A backup
// holds what the map holds in memory, without marking it changed.
#include "ShellFixture.h"

#include "../external/ModalScript.h"
#include "../support/FileState.h"

#include "document/widgets/BackupDlg.h"
#include "document/widgets/OptimizeDlg.h"
#include "symbols/Colors.h"
#include "symbols/widgets/SpotColorsDlg.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <fcntl.h>
#include <sys/stat.h>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr time_t OldTime = 1000000000;

class UntouchedDialogs : public ShellTest {
protected:
    // As another program writes a map: four colours, two separations named in capitals (one
    // colour printed in each, one value beyond what the dialog lets a user type), view options
    // of its own, symbols of four kinds and a line through the middle; an old file time.
    QString WriteRealMap(const QString& name = QStringLiteral("real.zmd"), int version = 8)
    {
        return WriteRealMap(RealMap(version), name);
    }
    static TestMapWriter RealMap(int version = 8)
    {
        TestMapWriter w(version);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Purple", 70, 180, 0, 0),
                    TestColor::Cmyk(2, "Brown", 0, 112, 200, 60), TestColor::Cmyk(3, "Blue", 200, 0, 0, 0)};
        TestSeparation purple;
        purple.name = "PURPLE";
        purple.cmyk = {70, 180, 0, 0};
        purple.screen = 1333;
        purple.screen2 = 450;
        TestSeparation brown;
        brown.name = "BROWN";
        brown.cmyk = {0, 112, 201, 60};  // 100.5 % yellow
        brown.screen = 1500;
        brown.screen2 = -150;
        w.separations = {purple, brown};
        w.colors[1].separationPercent[0] = 200;
        w.colors[2].separationPercent[1] = 150;
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201, 0, 35), TestSymbol::Area(301, 3),
                     TestSymbol::Text(401)};
        w.objects = {TestObject::Line(201, {{-100 * Mm, -50 * Mm}, {100 * Mm, 50 * Mm}}),
                     TestObject::Area(301, {{20 * Mm, 20 * Mm}, {60 * Mm, 20 * Mm}, {40 * Mm, 45 * Mm}}),
                     TestObject::Point(101, -60 * Mm, 30 * Mm), TestObject::Text(401, -40 * Mm, -30 * Mm, "Hill")};
        // A text as programs write it: its place, then the corners of its box.
        w.objects[3].cords = {{-40 * Mm, -30 * Mm}, {-40 * Mm, -31 * Mm}, {-30 * Mm, -31 * Mm}, {-30 * Mm, -27 * Mm},
                              {-40 * Mm, -27 * Mm}};
        w.strings.push_back(TestPString::Make(1030, 0, "\ta10"));
        PutF64(w.setup, setup::MapScale, 15000);
        PutI16(w.setup, setup::CurrentSymbolIndex, 1);
        // Real-world values finer than the dialogs show them.
        PutF64(w.setup, setup::RealWorldOffsetX, 612345.67);
        PutF64(w.setup, setup::RealWorldAngle, 1.234567891);
        return w;
    }
    QString WriteRealMap(const TestMapWriter& w, const QString& name)
    {
        const QString path = TempPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        const timespec times[2] = {{OldTime, 0}, {OldTime, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        return path;
    }
    static bool Changed() { return Index.ActiveZmd && Index.ActiveZmd->Modified; }
    // A real change: the line through the middle deleted with the edit tool.
    void DeleteLine()
    {
        ShowAtTenthMillimetres();
        Trigger(Cmd::EditObjBtn);
        Click(Surface(), At(0, 0));
        ASSERT_EQ(Index.SelectedIndex, 1);
        Key(Surface(), Qt::Key_Delete);
        ASSERT_EQ(CountObjects(), 3);
    }
    // File > Close: true when it asked nothing and the map's file is as it was.
    void ExpectClosedUntouched(const QString& path, const std::vector<uint8_t>& before, const char* what)
    {
        messages.Clear();
        Choose(Cmd::FileClose);
        Settle();
        EXPECT_EQ(Windows(), 0) << what;
        EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0) << what;
        EXPECT_EQ(ReadAll(path), before) << what;
        EXPECT_EQ(ModifiedAt(path), OldTime) << what;
    }
    // Runs the menu command with its dialogs answered by the script, in turn.
    static void RunScripted(ModalScript& script, const std::function<void()>& command)
    {
        command();
        Settle();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
    }
    static std::string SeparationName(const std::vector<uint8_t>& file, size_t i)
    {
        const size_t at = TestMapLayout::SeparationPos(i);
        return std::string(reinterpret_cast<const char*>(file.data() + at + 1), file.at(at));
    }
};

} // namespace

TEST_F(UntouchedDialogs, SaveAsAndBackupCancelledChangeNothing)
{
    struct Case {
        const char* what;
        std::function<void()> cancel;
    };
    const std::vector<Case> cases = {
        {"Save as cancelled in its file dialog",
         [this] {
             dialogs.QueueAnswer(false);
             Choose(Cmd::FileSaveAs);
         }},
        {"Backup cancelled in its dialog",
         [this] {
             ModalScript script;
             script.Then<TBackupDlg>([](TBackupDlg& d) { d.reject(); });
             RunScripted(script, [this] { Choose(Cmd::FileBackup); });
         }},
        {"Backup to another location cancelled in its file dialog",
         [this] {
             ModalScript script;
             script.Then<TBackupDlg>([](TBackupDlg& d) {
                 d.findChild<QRadioButton*>(QStringLiteral("OtherB"))->setChecked(true);
                 d.findChild<QPushButton*>(QStringLiteral("StartBtn"))->click();
             });
             dialogs.QueueAnswer(false);
             const size_t asked = dialogs.Requests().size();
             RunScripted(script, [this] { Choose(Cmd::FileBackup); });
             EXPECT_EQ(dialogs.Requests().size(), asked + 1) << "the file dialog was shown";
         }},
    };
    // The current version, and a version 7 map, which is converted into a working copy.
    for (int version : {8, 7}) {
        SCOPED_TRACE(version);
        const QString path = WriteRealMap(QStringLiteral("real%1.zmd").arg(version), version);
        const std::vector<uint8_t> before = ReadAll(path);
        for (const Case& c : cases) {
            if (version < 8)
                messages.QueueAnswer(IdOk);  // opened as an older map
            ASSERT_TRUE(OpenMap(path)) << c.what;
            ChooseSymbol(3);  // held in memory only, as a view is
            ASSERT_FALSE(Changed()) << c.what;
            c.cancel();
            EXPECT_FALSE(Changed()) << c.what;
            ExpectClosedUntouched(path, before, c.what);
        }
    }
}

TEST_F(UntouchedDialogs, SpotColoursOnlyLookedAtKeepTheirNamesAndTheFile)
{
    const QString path = WriteRealMap();
    const std::vector<uint8_t> before = ReadAll(path);
    ASSERT_TRUE(OpenMap(path));
    // Closed at once, then again after a look at each separation (which stores the one left).
    for (int round = 0; round < 2; ++round) {
        ModalScript script;
        script.Then<TSpotColorsDlg>([round](TSpotColorsDlg& d) {
            auto* list = d.findChild<QListWidget*>(QStringLiteral("ListB"));
            ASSERT_EQ(list->count(), 2);
            EXPECT_EQ(list->item(0)->text(), QStringLiteral("PURPLE"));
            EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("FreqB"))->text(), QStringLiteral("133.3"));
            if (round == 1) {
                list->setCurrentRow(1);
                EXPECT_EQ(d.Current(), 1);
                EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("YellowB"))->text(), QStringLiteral("100.5"));
                list->setCurrentRow(0);
                EXPECT_EQ(d.Current(), 0) << "a value the map holds is no reason to stay";
            }
            d.findChild<QPushButton*>(QStringLiteral("CloseBtn"))->click();
            EXPECT_FALSE(d.isVisible());
        });
        RunScripted(script, [this] { Choose(Cmd::SymbolSpotColors); });
        EXPECT_FALSE(Changed()) << round;
        EXPECT_EQ(NameFieldText(Index.ActiveZmd->ColorBlock.Separations[0].Name), QStringLiteral("PURPLE"));
        EXPECT_EQ(NameFieldText(Index.ActiveZmd->ColorBlock.Separations[1].Name), QStringLiteral("BROWN"));
    }
    EXPECT_EQ(messages.CountOf(TextKey::SepNameEmpty), 0);
    ExpectClosedUntouched(path, before, "spot colours looked at");
}

TEST_F(UntouchedDialogs, SpotColoursEditedStoreTheOneFieldChanged)
{
    const QString path = WriteRealMap();
    const std::vector<uint8_t> before = ReadAll(path);
    ASSERT_TRUE(OpenMap(path));
    ModalScript script;
    script.Then<TSpotColorsDlg>([](TSpotColorsDlg& d) {
        d.findChild<QLineEdit*>(QStringLiteral("FreqB"))->setText(QStringLiteral("120"));
        d.findChild<QPushButton*>(QStringLiteral("CloseBtn"))->click();
    });
    RunScripted(script, [this] { Choose(Cmd::SymbolSpotColors); });
    EXPECT_TRUE(Changed());
    Choose(Cmd::FileSave);
    Settle();
    EXPECT_FALSE(Changed());

    const std::vector<uint8_t> after = ReadAll(path);
    ASSERT_GE(after.size(), TestMapLayout::SeparationPos(2));
    const size_t purple = TestMapLayout::SeparationPos(0);
    EXPECT_EQ(GetI16(after, purple + 20), 1200) << "the frequency typed";
    EXPECT_EQ(SeparationName(after, 0), "PURPLE");
    EXPECT_EQ(SeparationName(after, 1), "BROWN");
    // Everything else of both separations as the other program wrote it.
    for (size_t at = purple; at < TestMapLayout::SeparationPos(2); ++at)
        if (at != purple + 20 && at != purple + 21) {
            EXPECT_EQ(after[at], before[at]) << "byte " << at - purple << " of the separations";
        }
    messages.Clear();
    Choose(Cmd::FileClose);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
}

TEST_F(UntouchedDialogs, ABackupHoldsTheCurrentSymbolAndLeavesTheChangedFlag)
{
    const QString path = WriteRealMap();
    const std::vector<uint8_t> before = ReadAll(path);
    const auto backUp = [this](const QString& target) {
        ModalScript script;
        script.Then<TBackupDlg>([](TBackupDlg& d) {
            d.findChild<QRadioButton*>(QStringLiteral("OtherB"))->setChecked(true);
            d.findChild<QPushButton*>(QStringLiteral("StartBtn"))->click();
        });
        dialogs.QueueAnswer(true, target);
        RunScripted(script, [this] { Choose(Cmd::FileBackup); });
    };

    // Unchanged map, the current symbol chosen: the backup has the symbol, the map stays unchanged.
    ASSERT_TRUE(OpenMap(path));
    ChooseSymbol(3);
    ASSERT_EQ(CurrentSymbolPos(), 3);
    const QString first = TempPath(QStringLiteral("first-backup.zmd"));
    backUp(first);
    EXPECT_FALSE(Changed());
    const std::vector<uint8_t> copy = ReadAll(first);
    ASSERT_GT(copy.size(), size_t(hdr::SetupPos + 4));
    const size_t setupAt = size_t(GetI32(copy, hdr::SetupPos));
    ASSERT_LE(setupAt + setup::CurrentSymbolIndex + 2, copy.size());
    EXPECT_EQ(GetI16(copy, setupAt + setup::CurrentSymbolIndex), 3);
    EXPECT_EQ(GetI16(before, size_t(GetI32(before, hdr::SetupPos)) + setup::CurrentSymbolIndex), 1);
    ExpectClosedUntouched(path, before, "backed up");

    // The backup opened in the program: the symbol chosen is current there.
    ASSERT_TRUE(OpenMap(first));
    EXPECT_EQ(CurrentSymbolPos(), 3);
    Choose(Cmd::FileClose);
    Settle();

    // A changed map stays changed through its backup; the backup holds the change.
    ASSERT_TRUE(OpenMap(path));
    DeleteLine();
    ASSERT_TRUE(Changed());
    ChooseSymbol(2);
    const QString second = TempPath(QStringLiteral("second-backup.zmd"));
    backUp(second);
    EXPECT_TRUE(Changed());
    messages.Clear();
    ASSERT_TRUE(OpenMap(second));
    EXPECT_EQ(CurrentSymbolPos(), 2);
    EXPECT_EQ(CountObjects(), 3) << "without the line";
}

TEST_F(UntouchedDialogs, DialogsClosedWithOkOnWhatTheyShowedChangeNothing)
{
    // Each dialog as its menu command opens it, closed with OK (Close where that is its
    // button) without a field touched; the exports then cancelled in their file dialog.
    struct Case {
        Cmd command;
        const char* dialog;
    };
    const Case cases[] = {
        {Cmd::FileInfo, "FileInfoDlg"},          {Cmd::OptionsScales, "ScalesDlg"},
        {Cmd::OptionsAdjGps, "AdjustGpsDlg"},    {Cmd::SymbolColors, "ColorsDlg"},
        {Cmd::SymbolSpotColors, "SpotColorsDlg"}, {Cmd::ViewSpotOpt, "SpotViewOptDlg"},
        {Cmd::ViewTranspOpt, "TranspOptDlg"},    {Cmd::FileExportEps, "ExpEpsDlg"},
        {Cmd::FileExportTiff, "ExpTiffDlg"},     {Cmd::FileExportKiv, "ExpKivDlg"},
        {Cmd::ExtrasPartial, "PartialDlg"},      {Cmd::ExtrasMove, "MoveMapDlg"},
        {Cmd::ExtrasStretch, "StretchMapDlg"},   {Cmd::ExtrasRotate, "RotateMapDlg"},
        {Cmd::ExtrasChangeScale, "ChangeScaleDlg"}, {Cmd::SymbolIcon, "EditIconDlg"},
        {Cmd::SymbolEnlarge, "EnlargeSymDlg"},
    };
    const QString path = WriteRealMap();
    const std::vector<uint8_t> before = ReadAll(path);
    for (const Case& c : cases) {
        ASSERT_TRUE(OpenMap(path)) << c.dialog;
        ModalScript script;
        QString seen;
        script.Then<QDialog>([&seen](QDialog& d) {
            seen = d.objectName();
            d.accept();
        });
        RunScripted(script, [this, &c] { Choose(c.command); });
        EXPECT_EQ(seen, QLatin1String(c.dialog));
        EXPECT_FALSE(Changed()) << c.dialog;
        ExpectClosedUntouched(path, before, c.dialog);
    }
}

TEST_F(UntouchedDialogs, ScalesStoreTheOneFieldChangedAndKeepTheFinerValues)
{
    const QString path = WriteRealMap();
    const std::vector<uint8_t> before = ReadAll(path);
    ASSERT_TRUE(OpenMap(path));
    ModalScript script;
    script.Then<QDialog>([](QDialog& d) {
        ASSERT_EQ(d.objectName(), QStringLiteral("ScalesDlg"));
        auto* offset = d.findChild<QLineEdit*>(QStringLiteral("HorOfsE"));
        ASSERT_NE(offset, nullptr);
        EXPECT_EQ(offset->text(), QStringLiteral("612346")) << "shown rounded";
        d.findChild<QLineEdit*>(QStringLiteral("AngleB"))->setText(QStringLiteral("2.5"));
        d.accept();
    });
    RunScripted(script, [this] { Choose(Cmd::OptionsScales); });
    EXPECT_TRUE(Changed());
    Choose(Cmd::FileSave);
    Settle();

    const std::vector<uint8_t> after = ReadAll(path);
    const size_t was = size_t(GetI32(before, hdr::SetupPos)), at = size_t(GetI32(after, hdr::SetupPos));
    ASSERT_LE(at + setup::RealWorldGridDistance + 8, after.size());
    EXPECT_EQ(GetF64(after, at + setup::RealWorldAngle), 2.5);
    EXPECT_EQ(GetF64(after, at + setup::RealWorldOffsetX), 612345.67) << "not the rounded text";
    for (size_t field : {setup::PaperGridDistance, setup::MapScale, setup::RealWorldOffsetY, setup::RealWorldGridDistance})
        EXPECT_EQ(GetF64(after, at + field), GetF64(before, was + field)) << field;
}

TEST_F(UntouchedDialogs, SymbolEditorsClosedWithOkOnWhatTheyShowedChangeNothing)
{
    const QString path = WriteRealMap();
    const std::vector<uint8_t> before = ReadAll(path);
    // Point, line, area and text symbol, each in its editor.
    for (int pos = 0; pos < 4; ++pos) {
        SCOPED_TRACE(pos);
        ASSERT_TRUE(OpenMap(path));
        ChooseSymbol(pos);
        ModalScript script;
        QString seen;
        script.Then<QDialog>([&seen](QDialog& d) {
            seen = d.objectName();
            d.accept();
        });
        RunScripted(script, [this] { Choose(Cmd::SymbolEdit); });
        EXPECT_TRUE(seen.endsWith(QLatin1String("SymDlg"))) << seen.toStdString();
        EXPECT_FALSE(Changed());
        ExpectClosedUntouched(path, before, "symbol editor");
    }
}

TEST_F(UntouchedDialogs, TheTileSizeDialogClosedWithOkOnWhatItShowedChangesNothing)
{
    const QString path = WriteRealMap();
    const std::vector<uint8_t> before = ReadAll(path);
    ASSERT_TRUE(OpenMap(path));
    bool tilesSeen = false;
    ModalScript script;
    script.Then<QDialog>([&tilesSeen](QDialog& d) {
        ASSERT_EQ(d.objectName(), QStringLiteral("ExpTiffDlg"));
        ModalScript tiles;
        tiles.Then<QDialog>([&tilesSeen](QDialog& t) {
            tilesSeen = t.objectName() == QStringLiteral("TilesDlg");
            t.accept();
        });
        d.findChild<QPushButton*>(QStringLiteral("TilesSetupBtn"))->click();
        EXPECT_TRUE(tiles.Done());
        d.reject();
    });
    RunScripted(script, [this] { Choose(Cmd::FileExportTiff); });
    EXPECT_TRUE(tilesSeen);
    EXPECT_FALSE(Changed());
    ExpectClosedUntouched(path, before, "tile size");
}

// Optimize and repair closed with OK on its report: a map it found sound is the same map in a
// new layout (deleted entries closed up, turns in range) and stays unchanged; one it mended, or
// one changed before, is changed.
TEST_F(UntouchedDialogs, OptimizeMarksChangedOnlyWhatItMended)
{
    struct Case {
        const char* what;
        std::function<void(TestMapWriter&)> write;
        bool editFirst;
        const char* repaired;  // as the report shows them
        const char* damaged;
        bool changed;
    };
    const Case cases[] = {
        {"sound", [](TestMapWriter&) {}, false, "0", "0", false},
        {"a control flag without its partner",
         [](TestMapWriter& w) { w.objects[0].cords[0].x |= FirstBezierFlag; }, false, "1", "0", true},
        {"a point turned beyond half a turn",
         [](TestMapWriter& w) { w.objects[2] = TestObject::Point(101, -60 * Mm, 30 * Mm, 3700); }, false, "0",
         "0", false},
        {"a line of one point before the others",
         [](TestMapWriter& w) { w.objects.insert(w.objects.begin(), TestObject::Line(201, {{0, 0}})); }, false,
         "0", "0", true},
        {"a deleted object's entry before the others",
         [](TestMapWriter& w) {
             TestObject gone = TestObject::Line(201, {{0, 0}, {Mm, Mm}});
             gone.entrySymbolWord = 0x8000;
             w.objects.insert(w.objects.begin(), gone);
         },
         false, "0", "0", false},
        {"an index entry naming another symbol under a course-only mark",
         [](TestMapWriter& w) { w.objects[0].entrySymbolWord = uint16_t(CourseOnlyMark | 301); }, false, "0", "1",
         true},
        {"sound, a line deleted before", [](TestMapWriter&) {}, true, "0", "0", true},
    };
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestMapWriter w = RealMap();
        c.write(w);
        const QString path = WriteRealMap(w, QStringLiteral("optimize%1.zmd").arg(++k));
        const std::vector<uint8_t> before = ReadAll(path);
        ASSERT_TRUE(OpenMap(path));
        ChooseSymbol(3);  // held in memory only
        if (c.editFirst)
            DeleteLine();
        std::map<std::string, std::string> shown;
        ModalScript script;
        script.Then<TOptimizeDlg>([&shown](TOptimizeDlg& d) {
            for (const char* name : {"RepairedB", "DeletedB", "SpuriousB"})
                shown[name] = d.findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
            d.findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
        });
        RunScripted(script, [this] { Choose(Cmd::ExtrasOptimize); });
        EXPECT_EQ(shown["RepairedB"], c.repaired);
        EXPECT_EQ(shown["DeletedB"], c.damaged);
        EXPECT_EQ(Changed(), c.changed);
        if (!c.changed) {
            ExpectClosedUntouched(path, before, c.what);
            continue;
        }
        // Asked at Close; No keeps the file as it was.
        messages.Clear();
        messages.QueueAnswer(IdNo);
        Choose(Cmd::FileClose);
        Settle();
        EXPECT_EQ(messages.CountOf(TextKey::FileModified), 1);
        EXPECT_EQ(Windows(), 0);
        EXPECT_EQ(ReadAll(path), before);
    }
}

// Template > Hide is a way of looking at the map: the templates go and come back without a
// change of the map; the state goes into the file with the next real change, as the zoom does.
TEST_F(UntouchedDialogs, HidingTheTemplatesLeavesTheMapUnchanged)
{
    // A photo of 400 x 200 pixels of 0.1 mm (a BMP as Qt writes it) over the map's middle.
    QImage photo(400, 200, QImage::Format_RGB888);
    photo.fill(qRgb(200, 30, 30));
    ASSERT_TRUE(photo.save(TempPath(QStringLiteral("photo.bmp")), "BMP"));
    TestMapWriter w = RealMap();
    w.strings.push_back(TestPString::Make(8, 0, "photo.bmp\ts1\tx0\ty0\tu10\tv10"));
    const QString path = WriteRealMap(w, QStringLiteral("photo-map.zmd"));
    const std::vector<uint8_t> before = ReadAll(path);
    const size_t hiddenAt = size_t(GetI32(before, hdr::SetupPos)) + setup::TemplatesHidden;
    ASSERT_EQ(GetI16(before, hiddenAt), 0);

    ASSERT_TRUE(OpenMap(path));
    ShowAtTenthMillimetres();
    // Two places on the photo, off the line: red, or the paper when it is hidden.
    const auto photoShown = [this] {
        Settle();
        const QImage& s = ActiveChild()->Surface();
        const auto red = [](QRgb c) { return qRed(c) > 150 && qGreen(c) < 100 && qBlue(c) < 100; };
        return red(s.pixel(At(0, 5))) && red(s.pixel(At(-15, 8)));
    };
    ASSERT_TRUE(photoShown());
    for (bool hidden : {true, false}) {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(Cmd::TemplateHide)->isEnabled());
        Choose(Cmd::TemplateHide);
        EXPECT_EQ(Index.ActiveZmd->Setup.TemplatesHidden, hidden);
        EXPECT_EQ(photoShown(), !hidden);
        EXPECT_FALSE(Changed()) << hidden;
    }
    ExpectClosedUntouched(path, before, "templates hidden and shown");

    // Hidden, then a real change: the map is changed, and its file keeps the templates hidden.
    ASSERT_TRUE(OpenMap(path));
    Choose(Cmd::TemplateHide);
    EXPECT_FALSE(Changed());
    DeleteLine();
    EXPECT_TRUE(Changed());
    Choose(Cmd::FileSave);
    Settle();
    const std::vector<uint8_t> after = ReadAll(path);
    const size_t at = size_t(GetI32(after, hdr::SetupPos)) + setup::TemplatesHidden;
    ASSERT_LE(at + 2, after.size());
    EXPECT_EQ(GetI16(after, at), -1);
    messages.Clear();
    Choose(Cmd::FileClose);
    Settle();
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
}
