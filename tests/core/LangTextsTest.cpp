#include "core/LangTexts.h"
#include "core/StringX.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <initializer_list>
#include <vector>

namespace zemo {
namespace {

TextKey KeyAt(int i)
{
    return static_cast<TextKey>(i);
}

// The strings.ini we ship: the build copies the data folder beside the binaries, and the
// source tree has it under resources/; walk up from the test binary until one turns up.
QString ShippedStringsIni()
{
    QDir dir(QCoreApplication::applicationDirPath());
    for (int up = 0; up < 8; ++up) {
        for (const char* rel : {"resources/strings.ini", "strings.ini"}) {
            const QString path = dir.filePath(QString::fromLatin1(rel));
            if (QFileInfo::exists(path))
                return path;
        }
        if (!dir.cdUp())
            break;
    }
    return {};
}

// A complete file in key order with the value "v<index>" for every key, one entry per line;
// tests edit the lines and join them with the line end they need.
std::vector<QByteArray> ValidLines()
{
    std::vector<QByteArray> lines;
    lines.reserve(TextKeyCount);
    for (int i = 0; i < TextKeyCount; ++i)
        lines.push_back(QByteArray(KeyName(KeyAt(i))) + "=v" + QByteArray::number(i));
    return lines;
}

QByteArray Join(const std::vector<QByteArray>& lines, const QByteArray& eol = "\r\n")
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + eol;
    return out;
}

int IndexOf(const char* key)
{
    for (int i = 0; i < TextKeyCount; ++i)
        if (qstrcmp(KeyName(KeyAt(i)), key) == 0)
            return i;
    return -1;
}

class LangTextsFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    void TearDown() override { ClearTexts(); }

    bool Load(const QByteArray& content)
    {
        const QString path = dir_.filePath(QStringLiteral("strings.ini"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        EXPECT_EQ(f.write(content), content.size());
        f.close();
        return LoadTextsFrom(path);
    }

    // Loading stopped at `failed`: every text before it holds its value, none after it.
    void ExpectStoppedAt(int failed)
    {
        EXPECT_EQ(LastFailedKey(), KeyAt(failed)) << "stopped at " << KeyName(LastFailedKey());
        for (int i = 0; i < failed; ++i)
            ASSERT_EQ(TextBytes(KeyAt(i)), "v" + QByteArray::number(i)) << KeyName(KeyAt(i));
        for (int i = failed; i < TextKeyCount; ++i)
            ASSERT_TRUE(TextBytes(KeyAt(i)).isEmpty()) << KeyName(KeyAt(i));
    }

    QTemporaryDir dir_;
};

// ---- The key list ----

TEST(LangTextKeys, NamesFollowTheFixedOrderAndAreUnique)
{
    EXPECT_STREQ(KeyName(TextKey::Language), "Language");
    EXPECT_STREQ(KeyName(KeyAt(0)), "Language");
    EXPECT_STREQ(KeyName(KeyAt(7)), "Version");
    EXPECT_STREQ(KeyName(KeyAt(32)), "FileMnu");
    EXPECT_STREQ(KeyName(KeyAt(TextKeyCount - 1)), "MustPositive");
    EXPECT_STREQ(KeyName(TextKey::CannotWrite), "CannotWrite");
    EXPECT_EQ(static_cast<int>(TextKey::CannotWrite), TextKeyCount - 6);
    // Group boundaries of the list: the last key of each menu group sits where it must.
    EXPECT_EQ(IndexOf("FileModified"), 338);
    EXPECT_EQ(IndexOf("MeasureArea"), 360);
    EXPECT_EQ(IndexOf("ViewEdit"), 386);
    EXPECT_EQ(IndexOf("SymbolHide"), 560);
    EXPECT_EQ(IndexOf("LineSymRequired"), 647);
    EXPECT_EQ(IndexOf("FindObject"), 750);
    EXPECT_EQ(IndexOf("RenderSpot"), 799);
    EXPECT_EQ(IndexOf("DelAdjustPt"), 874);
    EXPECT_EQ(IndexOf("Translation"), 900);
    EXPECT_EQ(IndexOf("ObjUpdated"), 960);
    EXPECT_EQ(IndexOf("OneClassRelayCourse"), 1038);
    EXPECT_STREQ(KeyName(TextKey::Count), "");

    QSet<QByteArray> seen;
    for (int i = 0; i < TextKeyCount; ++i) {
        const QByteArray name = KeyName(KeyAt(i));
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(seen.contains(name)) << name.constData();
        seen.insert(name);
    }
}

TEST(LangTextKeys, SetTextAndClearTexts)
{
    SetText(TextKey::Ok, "OK");
    SetText(TextKey::Count, "ignored");
    EXPECT_EQ(TextBytes(TextKey::Ok), "OK");
    EXPECT_TRUE(TextBytes(TextKey::Count).isEmpty());
    ClearTexts();
    EXPECT_TRUE(TextBytes(TextKey::Ok).isEmpty());
}

TEST(LangTextKeys, TextDecodesTheWesternCodePage)
{
    SetText(TextKey::Language, QByteArray("Fran\xE7" "ais \x80"));
    EXPECT_EQ(TextBytes(TextKey::Language).size(), 10);
    EXPECT_EQ(Text(TextKey::Language), QString::fromUtf8("Fran\u00E7ais \u20AC"));
    SetText(TextKey::Font, "Arial");
    EXPECT_EQ(LanguageFontFamily(), QStringLiteral("Arial"));
    EXPECT_FALSE(LanguageIsJapanese());
    SetText(TextKey::Language, "Japanese");
    EXPECT_TRUE(LanguageIsJapanese());
    SetText(TextKey::Language, "Japanese ");
    EXPECT_FALSE(LanguageIsJapanese());
    ClearTexts();
}

// ---- The loader ----

TEST_F(LangTextsFile, CompleteFileLoadsEveryKey)
{
    ASSERT_TRUE(Load(Join(ValidLines())));
    EXPECT_EQ(LastFailedKey(), TextKey::Count);
    EXPECT_FALSE(LastLoadFileMissing());
    for (int i = 0; i < TextKeyCount; ++i)
        ASSERT_EQ(TextBytes(KeyAt(i)), "v" + QByteArray::number(i)) << KeyName(KeyAt(i));
}

TEST_F(LangTextsFile, SwappedKeysFailAtTheFirstOfThem)
{
    auto lines = ValidLines();
    std::swap(lines[40], lines[41]);
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(40);
    EXPECT_EQ(LastFoundKey(), QByteArray(KeyName(KeyAt(41))));
}

TEST_F(LangTextsFile, BlanksAroundTheEqualsSignBelongToKeyAndValue)
{
    auto lines = ValidLines();
    lines[3] = "Cancel = Cancel";
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(3);
    EXPECT_EQ(LastFoundKey(), "Cancel ");

    // A blank after the "=" only reaches the value.
    lines = ValidLines();
    lines[3] = "Cancel= Cancel ";
    ASSERT_TRUE(Load(Join(lines)));
    EXPECT_EQ(TextBytes(TextKey::Cancel), " Cancel ");
}

TEST_F(LangTextsFile, KeysCompareExactly)
{
    auto lines = ValidLines();
    lines[2] = "OK=v2";
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(2);
    EXPECT_EQ(LastFoundKey(), "OK");
}

TEST_F(LangTextsFile, CommentLinesAreSkippedUnlessTheyHoldAnEqualsSign)
{
    auto lines = ValidLines();
    lines.insert(lines.begin() + 5, "; a comment without that sign");
    lines.insert(lines.begin() + 5, "[Section]");
    lines.insert(lines.begin() + 5, "");
    lines.insert(lines.begin() + 5, "=a line that starts with the sign");
    ASSERT_TRUE(Load(Join(lines)));

    lines = ValidLines();
    lines.insert(lines.begin() + 5, "; a comment, with a=b inside");
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(5);
    EXPECT_EQ(LastFoundKey(), "; a comment, with a");
}

TEST_F(LangTextsFile, MissingKeyFailsAtThatKey)
{
    auto lines = ValidLines();
    lines.erase(lines.begin() + 500);
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(500);
    EXPECT_EQ(LastFoundKey(), QByteArray(KeyName(KeyAt(501))));

    // The last key missing: the file ends first.
    lines = ValidLines();
    lines.pop_back();
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(TextKeyCount - 1);
    EXPECT_TRUE(LastFoundKey().isEmpty());

    EXPECT_FALSE(Load(QByteArray()));
    ExpectStoppedAt(0);
}

TEST_F(LangTextsFile, PrefixMarkAndEqualsSignsInValuesLoad)
{
    auto lines = ValidLines();
    lines[2] = ">Ok=a=b;c=";
    lines[4] = ">Yes=";
    lines[6] = "Help=&Help";
    ASSERT_TRUE(Load(Join(lines)));
    EXPECT_EQ(TextBytes(TextKey::Ok), "a=b;c=");
    EXPECT_TRUE(TextBytes(TextKey::Yes).isEmpty());
    EXPECT_EQ(TextBytes(TextKey::Help), "&Help");

    // ">" alone before the "=" leaves an empty key, which matches nothing.
    lines = ValidLines();
    lines[2] = ">=v2";
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(2);
    EXPECT_TRUE(LastFoundKey().isEmpty());
}

TEST_F(LangTextsFile, LinesAfterTheLastKeyAreIgnored)
{
    auto lines = ValidLines();
    lines.push_back("Language=again");
    lines.push_back("garbage without sign");
    ASSERT_TRUE(Load(Join(lines) + "no line end at the end"));
    EXPECT_EQ(TextBytes(TextKey::Language), "v0");
}

TEST_F(LangTextsFile, ByteOrderMarkAndAnyLineEndLoad)
{
    const auto lines = ValidLines();
    for (const QByteArray& eol : {QByteArray("\r\n"), QByteArray("\n"), QByteArray("\r")}) {
        ASSERT_TRUE(Load("\xEF\xBB\xBF" + Join(lines, eol))) << eol.toHex().constData();
        EXPECT_EQ(TextBytes(TextKey::Language), "v0");
        EXPECT_EQ(TextBytes(TextKey::MustPositive), "v" + QByteArray::number(TextKeyCount - 1));
    }

    // Mixed line ends, blank lines between them, and no line end after the last key.
    QByteArray mixed;
    for (int i = 0; i < TextKeyCount; ++i)
        mixed += lines[i] + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n\n" : "\r\r");
    mixed.chop(2);
    ASSERT_TRUE(Load(mixed));
    for (int i = 0; i < TextKeyCount; ++i)
        ASSERT_EQ(TextBytes(KeyAt(i)), "v" + QByteArray::number(i));

    // A byte-order mark anywhere but at the start is part of the line.
    auto marked = ValidLines();
    marked[1] = "\xEF\xBB\xBF" + marked[1];
    EXPECT_FALSE(Load(Join(marked)));
    ExpectStoppedAt(1);
}

TEST_F(LangTextsFile, ValuesAreKeptByteForByte)
{
    auto lines = ValidLines();
    lines[0] = QByteArray("Language=Fran\xE7" "ais\t\x80 ");
    const QByteArray longValue(10000, 'x');
    lines[1] = "Font=" + longValue;
    ASSERT_TRUE(Load(Join(lines)));
    EXPECT_EQ(TextBytes(TextKey::Language), QByteArray("Fran\xE7" "ais\t\x80 "));
    EXPECT_EQ(TextBytes(TextKey::Font), longValue);
}

TEST_F(LangTextsFile, EndOfFileMarkEndsTheText)
{
    ASSERT_TRUE(Load(Join(ValidLines()) + "\x1A" + "Language=x\r\n"));

    auto lines = ValidLines();
    lines.insert(lines.begin() + 20, "\x1A");
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(20);
    EXPECT_TRUE(LastFoundKey().isEmpty());
}

TEST_F(LangTextsFile, ALoadStartsFromEmptyTexts)
{
    ASSERT_TRUE(Load(Join(ValidLines())));
    auto lines = ValidLines();
    lines.erase(lines.begin() + 10);
    EXPECT_FALSE(Load(Join(lines)));
    ExpectStoppedAt(10);
}

TEST_F(LangTextsFile, MissingFileFails)
{
    SetText(TextKey::Ok, "OK");
    EXPECT_FALSE(LoadTextsFrom(dir_.filePath(QStringLiteral("none.ini"))));
    EXPECT_TRUE(LastLoadFileMissing());
    EXPECT_EQ(LastFailedKey(), TextKey::Count);
    EXPECT_TRUE(TextBytes(TextKey::Ok).isEmpty());

    EXPECT_FALSE(LoadTextsFrom(dir_.path())); // a folder is no file
    EXPECT_TRUE(LastLoadFileMissing());
}

// ---- The English strings.ini we ship ----

class ShippedTexts : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString path = ShippedStringsIni();
        ASSERT_FALSE(path.isEmpty()) << "strings.ini not found above the test binary";
        ASSERT_TRUE(LoadTextsFrom(path)) << "stopped at " << KeyName(LastFailedKey())
                                          << ", found " << LastFoundKey().constData();
    }
    void TearDown() override { ClearTexts(); }

    static QString T(const char* key)
    {
        const int i = IndexOf(key);
        EXPECT_GE(i, 0) << key;
        return i < 0 ? QString() : Text(KeyAt(i));
    }
};

TEST_F(ShippedTexts, EveryKeyHasAMeaningfulEnglishText)
{
    static const QRegularExpression compound(QStringLiteral("^[A-Za-z0-9]*[a-z0-9][A-Z]"));
    for (int i = 0; i < TextKeyCount; ++i) {
        const QByteArray name = KeyName(KeyAt(i));
        const QByteArray text = TextBytes(KeyAt(i));
        EXPECT_FALSE(text.trimmed().isEmpty()) << name.constData();
        for (char c : text)
            ASSERT_TRUE(c >= 0x20 && c < 0x7F) << name.constData() << ": not plain ASCII";
        QByteArray plain = text;
        plain.replace("&", "");
        if (compound.match(QString::fromLatin1(name)).hasMatch()) {
            EXPECT_NE(plain, name) << name.constData() << " is left as its own text";
        }
        EXPECT_EQ(text, text.trimmed()) << name.constData() << ": blanks at an end";
    }
    EXPECT_EQ(Text(TextKey::Language), QStringLiteral("English"));
    EXPECT_EQ(LanguageFontFamily(), QStringLiteral("Arial"));
}

TEST_F(ShippedTexts, LoadTextsFindsTheDataFolder)
{
    ClearTexts();
    ASSERT_TRUE(LoadTexts());
    EXPECT_EQ(Text(TextKey::Language), QStringLiteral("English"));
}

// Messages merge their parameters into the ";" places, text first: a message with n
// parameters has n pieces (ending with the last parameter) or n + 1 (text after it).
TEST_F(ShippedTexts, MessagesHaveAPlaceForEachParameter)
{
    struct Case { const char* key; int params; };
    const Case cases[] = {
        {"InternalError", 0}, // the routine's label is appended, not merged
        {"CannotCreate", 1}, {"CannotOpen", 1}, {"CannotWrite", 1}, {"CannotRead", 1},
        {"NoNumber", 1}, {"MustPositive", 1},
        {"FileNotFound", 1}, {"FormatNotCorr", 1}, {"NotZEMO6Format", 1}, {"NotZ6Map", 1},
        {"UnknownFormat", 1}, {"ReadOnlyWrite", 1}, {"FileInUse", 1}, {"FileModified", 1},
        {"SessionAborted", 1}, {"FontNotFound", 1}, {"ChangeSymNotFound", 1},
        {"ObjectNotFound", 1}, {"CodeExists", 1}, {"CourseExists", 1}, {"DeleteCourse", 1},
        {"DeleteClass", 1}, {"ShortcutExists", 1}, {"FolderNotFound", 1},
        {"DatasourceNotFound", 1}, {"TableNotFound", 1}, {"FieldNotFound", 1},
        {"DatasetNotFound", 1}, {"DataSetCannotAccess", 1}, {"DatasetExists", 1},
        {"RemoveLinks", 1}, {"DeleteField", 1}, {"CharNotAllowed", 1},
        {"ObjectNotFoundInDataSource", 1}, {"CannotUpdateTable", 1}, {"CannotInsertRecord", 1},
        {"UseExistingData", 1}, {"CreateNewRecord", 1}, {"CannotReadDisk", 1},
        {"InsertNextDisk", 1}, {"InsertNextDisk1", 1}, {"RestoreDiskNumber", 1},
        {"SmoothHint", 1}, {"ObjectsSelected", 1}, {"ObjFound", 1}, {"OpenLinksFound", 1},
        {"ZEMO3Format", 1}, {"ZEMO4Format", 1}, {"ZEMO5Format", 1}, {"ZEMO6Format", 1},
        {"ZEMO7Format", 1},
        {"ScriptNotSupported", 2},
        // Progress count texts: the count is their one parameter.
        {"ObjConverted", 1}, {"ObjImported", 1}, {"ObjDrawn", 1}, {"ObjExported", 1},
        {"ObjDone", 1}, {"ObjMoved", 1}, {"ObjStretched", 1}, {"ObjRotated", 1},
        {"ObjChanged", 1}, {"ObjDeleted", 1}, {"ObjUpdated", 1}, {"BytesWritten", 1},
        {"BytesRestored", 1}, {"LinesRead", 1}, {"LinesWritten", 1}, {"LinksCreated", 1},
        {"LinesCreated", 1},
    };
    for (const Case& c : cases) {
        const QString text = T(c.key);
        const int pieces = static_cast<int>(text.count(QLatin1Char(';'))) + 1;
        if (c.params == 0) {
            EXPECT_EQ(pieces, 1) << c.key << ": " << text.toStdString();
        } else {
            EXPECT_TRUE(pieces == c.params || pieces == c.params + 1)
                << c.key << ": " << text.toStdString();
        }
    }
    // The range message ends with its maximum: a fourth parameter (the unit) follows it.
    EXPECT_EQ(T("MustBetween").count(QLatin1Char(';')), 2);
}

TEST_F(ShippedTexts, MergedMessagesReadAsSentences)
{
    EXPECT_EQ(MergeMsgParams(T("MustBetween"), QStringLiteral("Width;1;10")),
              QStringLiteral("The value of Width must lie between 1 and 10"));
    EXPECT_EQ(MergeMsgParams(T("MustBetween"), QStringLiteral("Resolution;50;2540;dpi")),
              QStringLiteral("The value of Resolution must lie between 50 and 2540 dpi"));
    EXPECT_EQ(MergeMsgParams(T("CannotWrite"), QStringLiteral("/maps/a.zmd")),
              QStringLiteral("Cannot write to the file /maps/a.zmd"));
    EXPECT_EQ(MergeMsgParams(T("ObjectsSelected"), QStringLiteral("7")),
              QStringLiteral("7 objects selected"));
    EXPECT_EQ(MergeMsgParams(T("FileModified"), QStringLiteral("/maps/a.zmd")),
              QStringLiteral("/maps/a.zmd has been changed. Do you want to save the changes?"));
    EXPECT_EQ(MergeMsgParams(T("NoNumber"), QStringLiteral("Scale")),
              QStringLiteral("The value of Scale is not a valid number"));
}

// Captions that the program completes itself must not be completed twice.
TEST_F(ShippedTexts, CaptionsLeaveDotsAndColonsToTheProgram)
{
    const char* dotted[] = {
        "Browse", "FileNew", "FileOpen", "Redrawing", "FileSaveAs", "FileInfo", "FilePrint",
        "Properties", "Printing", "FilePrintCds", "FileImport", "Exporting", "SetupBtn", "Change",
        "FileExportCourses", "FileExportCsMaps", "FileBackup", "CheckDisk", "WriteBackup",
        "FileRestore", "EditMeasure", "ViewSpotOpt", "ViewTranspOpt", "ViewMoveTo", "SymbolNew",
        "SymbolEdit", "SymbolIcon", "SymbolEnlarge", "SymbolColors", "SymbolSpotColors",
        "SymbolLoadCol", "SymbolLoad", "ExtrasMove", "ExtrasChScale", "ExtrasStretch",
        "ExtrasRotate", "ExtrasSelectSym", "ExtrasChangeSym", "ExtrasConvertLayers",
        "ExtrasExportSym", "ExtrasDeleteSym", "ExtrasToCurveSym", "ExtrasTextScript",
        "ExtrasPartial", "ExtrasGridLine", "CourseStat", "CourseOpt", "DbCreateLinks",
        "DbAssignSym", "DbAssignText", "DbAssignAngle", "DbNameIndex", "TemplateReopen",
        "TemplateOptions", "OptionsPref", "OptionsShortcuts", "OptionsColorCor", "OptionsScales",
        "HelpContents", "HelpMenu", "HelpToolbar", "HelpHome", "HelpMapInfo", "HelpAbout",
        "Drawing", "Smoothing", "MeasureLen", "MeasureArea",
    };
    for (const char* key : dotted)
        EXPECT_FALSE(T(key).endsWith(QLatin1Char('.'))) << key;
    const char* labels[] = {
        "SymbolsFrom", "FollowingFonts", "FileInfo", "Printer", "MapScale", "Copies",
        "PrintSize", "Course", "Leg", "Numbers", "Title", "BoxSize", "HorOffset", "VerOffset",
        "ObjectsReachingOutside", "SpotColors", "Resolution", "ObjectsInDataset", "PixelSize",
        "Diskette", "FileSize", "Files", "LineLength", "HorPosition", "VerPosition", "Width",
        "Height", "Angle", "Color", "Name", "OldFileSize", "NewFileSize", "Repaired",
        "DamagedDeleted", "Spurious", "UnknownSym", "AllObjectsInLayer", "MapSize", "Select",
        "Joining", "GridDist", "Objects", "Radius", "Length", "LineWidth", "Diameter", "Courses",
        "CourseObject", "Code", "Commands", "Shortcut",
    };
    for (const char* key : labels)
        EXPECT_FALSE(T(key).endsWith(QLatin1Char(':'))) << key;
    // Shown "without its ampersand" somewhere, so they must carry one.
    EXPECT_TRUE(T("ViewEntire").contains(QLatin1Char('&')));
    EXPECT_TRUE(T("OptionsColorCor").contains(QLatin1Char('&')));
}

// Every menu caption has one access key, and no two items of one menu share it.
TEST_F(ShippedTexts, MenusHaveDistinctAccessKeys)
{
    using Menu = std::initializer_list<const char*>;
    const Menu menus[] = {
        {"FileMnu", "EditMnu", "ViewMnu", "SymbolMnu", "ExtrasMnu", "CourseMnu", "Database",
         "TemplateMnu", "OptionsMnu", "WindowMnu", "Help"},
        {"FileNew", "FileOpen", "FileClose", "FileSave", "FileSaveAs", "FileInfo", "FilePrint",
         "FilePrintCds", "FileImport", "FileExport", "FileExportCourses", "FileExportCsMaps",
         "FileBackup", "FileRestore", "FileExit"},
        {"EditUndo", "EditRedo", "EditCut", "EditCopy", "EditPaste", "EditDelete", "EditJoin",
         "EditMerge", "EditToCurve", "EditToGraphics", "EditMeasure"},
        // The zoom items of the View menu take 0, 5, 1, 2, 4, 8, 6 and 3.
        {"ViewSpot", "ViewSpotOpt", "ViewHatch", "ViewTransp", "ViewTranspOpt", "ViewRedraw",
         "ViewMove", "ViewMoveTo", "ViewZoomIn", "ViewZoomOut", "ViewEntire", "ViewStandard",
         "ViewEdit"},
        {"SymbolNew", "SymbolEdit", "SymbolIcon", "SymbolEnlarge", "SymbolCopy", "SymbolPaste",
         "SymbolDelete", "SymbolDuplicate", "SymbolSort", "SymbolSelect", "SymbolColors",
         "SymbolSpotColors", "SymbolLoadCol", "SymbolLoad", "SymbolNormal", "SymbolProtect",
         "SymbolHide"},
        {"SymbolSortNum", "SymbolSortCol"},
        {"SymbolSelUsed", "SymbolSelUnused", "SymbolSelInvert", "SymbolSelAll"},
        {"ExtrasOptimize", "ExtrasMove", "ExtrasChScale", "ExtrasStretch", "ExtrasRotate",
         "ExtrasSelectSym", "ExtrasChangeSym", "ExtrasConvertLayers", "ExtrasExportSym",
         "ExtrasDeleteSym", "ExtrasToCurveSym", "ExtrasTextScript", "ExtrasPartial",
         "ExtrasGridLine"},
        {"CourseStat", "CourseOpt"},
        {"DbDataset", "DbCreateLinks", "DbAssign", "DbOpenLinks", "DbNameIndex"},
        {"DbAssignSym", "DbAssignText", "DbAssignAngle"},
        {"TemplateScan", "FileOpen", "TemplateReopen", "FileClose", "TemplateAdjust",
         "TemplateHide", "TemplateOptions"},
        {"Acquire", "SelectSource"},
        {"OptionsPref", "OptionsShortcuts", "OptionsColorCor", "OptionsScales", "OptionsOpenGps",
         "OptionsCloseGps", "OptionsAdjGps"},
        {"WindowTile", "WindowCascade"},
        {"HelpContents", "HelpMenu", "HelpToolbar", "HelpHome", "HelpMapInfo", "HelpAbout"},
    };
    for (const Menu& menu : menus) {
        QSet<QChar> used;
        for (const char* key : menu) {
            const QString text = T(key);
            ASSERT_EQ(text.count(QLatin1Char('&')), 1) << key << ": " << text.toStdString();
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            ASSERT_LT(amp + 1, text.size()) << key;
            const QChar access = text[amp + 1].toLower();
            EXPECT_TRUE(access.isLetterOrNumber()) << key;
            EXPECT_FALSE(used.contains(access)) << key << " repeats '"
                                                 << QString(access).toStdString() << "'";
            used.insert(access);
        }
    }
}

// Texts that list the entries of a drop-down: one entry per ";" piece.
TEST_F(ShippedTexts, ChoiceListsHaveOneEntryPerValue)
{
    EXPECT_EQ(T("DblModeChoices").split(QLatin1Char(';')).size(), 4);
    EXPECT_EQ(T("TextAlign").split(QLatin1Char(';')).size(), 4);
    EXPECT_EQ(T("LTextAlign").split(QLatin1Char(';')).size(), 4);
}

} // namespace
} // namespace zemo
