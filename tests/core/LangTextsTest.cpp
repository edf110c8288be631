#include "core/LangTexts.h"

#include "CoreFixture.h"
#include "core/Folders.h"
#include "core/StringX.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <functional>
#include <vector>

namespace zemo {
namespace {

using LangTexts = test::CoreTest;
using Lines = std::vector<QByteArray>;

TextKey KeyAt(int i) { return static_cast<TextKey>(i); }

int IndexOf(const char* key)
{
    for (int i = 0; i < TextKeyCount; ++i)
        if (qstrcmp(KeyName(KeyAt(i)), key) == 0)
            return i;
    return -1;
}

// A complete file in key order with the value "v<index>" for every key, one entry per line.
Lines ValidLines()
{
    Lines lines;
    for (int i = 0; i < TextKeyCount; ++i)
        lines.push_back(QByteArray(KeyName(KeyAt(i))) + "=v" + QByteArray::number(i));
    return lines;
}

QByteArray Join(const Lines& lines, const QByteArray& eol = "\r\n")
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + eol;
    return out;
}

TEST(LangTextKeys, NamesFollowTheFixedOrderAndAreUnique)
{
    struct Row { const char* key; int index; };
    // The first key and the last of each menu group sit where they must.
    for (Row r : {Row{"Language", 0}, {"Version", 7}, {"FileMnu", 32}, {"FileModified", 338}, {"MeasureArea", 360},
                  {"ViewEdit", 386}, {"SymbolHide", 560}, {"LineSymRequired", 647}, {"FindObject", 750},
                  {"RenderSpot", 799}, {"DelAdjustPt", 874}, {"Translation", 900}, {"ObjUpdated", 960},
                  {"OneClassRelayCourse", 1038}, {"CannotWrite", FixedTextKeyCount - 6}, {"MustPositive", FixedTextKeyCount - 1}})
        EXPECT_EQ(IndexOf(r.key), r.index) << r.key;
    EXPECT_STREQ(KeyName(TextKey::CannotWrite), "CannotWrite");
    EXPECT_STREQ(KeyName(TextKey::Count), "");
    QSet<QByteArray> seen;
    for (int i = 0; i < TextKeyCount; ++i)
        seen.insert(KeyName(KeyAt(i)));
    EXPECT_EQ(seen.size(), TextKeyCount);
    EXPECT_FALSE(seen.contains(""));
}

TEST_F(LangTexts, TextsDecodeTheWesternCodePageAndNameTheLanguage)
{
    SetText(TextKey::Language, QByteArray("Fran\xE7" "ais \x80"));
    SetText(TextKey::Count, "ignored");
    EXPECT_EQ(Text(TextKey::Language), QString::fromUtf8("Fran\u00E7ais \u20AC"));
    EXPECT_TRUE(TextBytes(TextKey::Count).isEmpty());
    EXPECT_FALSE(LanguageIsJapanese());
    SetText(TextKey::Language, "Japanese ");
    EXPECT_FALSE(LanguageIsJapanese());
    SetText(TextKey::Language, "Japanese");
    EXPECT_TRUE(LanguageIsJapanese());
    SetText(TextKey::Font, "Arial");
    EXPECT_EQ(LanguageFontFamily(), QStringLiteral("Arial"));
    ClearTexts();
    EXPECT_TRUE(TextBytes(TextKey::Font).isEmpty());
}

// One edited file per row: whether it loads, where it stops and what it found instead.
TEST_F(LangTexts, LoaderReadsKeysStrictlyInOrder)
{
    const auto edit = [](std::function<void(Lines&)> f, const QByteArray& eol = "\r\n") {
        Lines l = ValidLines();
        f(l);
        return Join(l, eol);
    };
    const auto insertAt = [](int i, QByteArray line) { return [=](Lines& l) { l.insert(l.begin() + i, line); }; };
    const auto setAt = [](int i, QByteArray line) { return [=](Lines& l) { l[size_t(i)] = line; }; };
    QByteArray mixed;  // mixed line ends, blank lines between, none after the last key
    for (int i = 0; i < TextKeyCount; ++i)
        mixed += ValidLines()[size_t(i)] + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n\n" : "\r\r");
    mixed.chop(2);
    struct Row {
        const char* what;
        QByteArray file;
        int stoppedAt;  // -1: loads
        QByteArray found;
    };
    const Row rows[] = {
        {"complete", Join(ValidLines()), -1, {}},
        {"LF and a byte-order mark", "\xEF\xBB\xBF" + edit([](Lines&) {}, "\n"), -1, {}},
        {"CR", edit([](Lines&) {}, "\r"), -1, {}},
        {"mixed line ends", mixed, -1, {}},
        {"comments, sections, blank lines",
         edit([](Lines& l) {
             for (const char* c : {"; a comment without that sign", "[Section]", "", "=starts with the sign"})
                 l.insert(l.begin() + 5, c);
         }), -1, {}},
        {"after the last key, end-of-file mark", Join(ValidLines()) + "\x1A" "Language=x\r\nno sign", -1, {}},
        {"swapped keys", edit([](Lines& l) { std::swap(l[40], l[41]); }), 40, KeyName(KeyAt(41))},
        {"blank before the sign", edit(setAt(3, "Cancel = Cancel")), 3, "Cancel "},
        {"key case", edit(setAt(2, "OK=v2")), 2, "OK"},
        {"comment holding the sign", edit(insertAt(5, "; a comment, with a=b inside")), 5, "; a comment, with a"},
        {"missing key", edit([](Lines& l) { l.erase(l.begin() + 500); }), 500, KeyName(KeyAt(501))},
        {"last key missing", edit([](Lines& l) { l.pop_back(); }), TextKeyCount - 1, {}},
        {"empty file", {}, 0, {}},
        {"mark alone before the sign", edit(setAt(2, ">=v2")), 2, {}},
        {"byte-order mark inside", edit(setAt(1, "\xEF\xBB\xBF" "Font=v1")), 1, "\xEF\xBB\xBF" "Font"},
        {"end-of-file mark inside", edit(insertAt(20, "\x1A")), 20, {}},
    };
    for (const Row& r : rows) {
        SetText(TextKey::Ok, "from before");  // a load starts from empty texts
        EXPECT_EQ(LoadTextsFromData(r.file), r.stoppedAt < 0) << r.what;
        const int stop = r.stoppedAt < 0 ? TextKeyCount : r.stoppedAt;
        EXPECT_EQ(LastFailedKey(), KeyAt(stop)) << r.what << ": stopped at " << KeyName(LastFailedKey());
        EXPECT_EQ(LastFoundKey(), r.found) << r.what;
        for (int i = 0; i < TextKeyCount; ++i)
            ASSERT_EQ(TextBytes(KeyAt(i)), i < stop ? "v" + QByteArray::number(i) : QByteArray())
                << r.what << ": " << KeyName(KeyAt(i));
    }
}

TEST_F(LangTexts, ValuesAreKeptByteForByteAfterTheFirstSign)
{
    Lines l = ValidLines();
    l[0] = QByteArray("Language=Fran\xE7" "ais\t\x80 ");
    l[1] = "Font=" + QByteArray(10000, 'x');
    l[2] = ">Ok=a=b;c=";  // the prefix mark goes
    l[3] = "Cancel= Cancel ";
    l[4] = ">Yes=";
    ASSERT_TRUE(LoadTextsFromData(Join(l)));
    EXPECT_EQ(TextBytes(TextKey::Language), QByteArray("Fran\xE7" "ais\t\x80 "));
    EXPECT_EQ(TextBytes(TextKey::Font), QByteArray(10000, 'x'));
    EXPECT_EQ(TextBytes(TextKey::Ok), "a=b;c=");
    EXPECT_EQ(TextBytes(TextKey::Cancel), " Cancel ");
    EXPECT_TRUE(TextBytes(TextKey::Yes).isEmpty());

    // Through a file: a missing one, or a folder, fails as missing and leaves every text empty.
    WriteBytes(Path("strings.ini"), Join(ValidLines()));
    ASSERT_TRUE(LoadTextsFrom(Path("strings.ini")));
    EXPECT_FALSE(LastLoadFileMissing());
    for (const QString& missing : {Path("none.ini"), dir.path()}) {
        EXPECT_FALSE(LoadTextsFrom(missing));
        EXPECT_TRUE(LastLoadFileMissing());
        EXPECT_EQ(LastFailedKey(), TextKey::Count);
        EXPECT_TRUE(TextBytes(TextKey::Ok).isEmpty());
    }
}

// ---- The English strings.ini we ship, as the program finds it in its data folder ----

class ShippedTexts : public test::CoreTest {
public:
    void SetUp() override
    {
        test::CoreTest::SetUp();
        ASSERT_TRUE(LoadTexts()) << "stopped at " << KeyName(LastFailedKey()) << ", found "
                                 << LastFoundKey().constData();
    }
    static QString T(const QByteArray& key)
    {
        const int i = IndexOf(key.constData());
        EXPECT_GE(i, 0) << key.constData();
        return i < 0 ? QString() : Text(KeyAt(i));
    }
    // Keys given as one blank-separated list.
    static QList<QByteArray> Keys(const char* list) { return QByteArray(list).split(' '); }
};

TEST_F(ShippedTexts, EveryKeyHasAMeaningfulPlainEnglishText)
{
    static const QRegularExpression compound(QStringLiteral("^[A-Za-z0-9]*[a-z0-9][A-Z]"));
    for (int i = 0; i < TextKeyCount; ++i) {
        const QByteArray name = KeyName(KeyAt(i));
        const QByteArray text = TextBytes(KeyAt(i));
        EXPECT_FALSE(text.trimmed().isEmpty()) << name.constData();
        EXPECT_EQ(text, text.trimmed()) << name.constData() << ": blanks at an end";
        for (char c : text)
            ASSERT_TRUE(c >= 0x20 && c < 0x7F) << name.constData() << ": not plain ASCII";
        if (compound.match(QString::fromLatin1(name)).hasMatch()) {
            EXPECT_NE(QByteArray(text).replace("&", ""), name) << name.constData() << " is its own text";
        }
    }
    EXPECT_EQ(Text(TextKey::Language), QStringLiteral("English"));
    EXPECT_EQ(LanguageFontFamily(), QStringLiteral("Arial"));
}

// The first keys of the shipped file, and of the code's list, are the fixed list every language
// file shares, in its order; the program's own keys follow. The fixed list is kept as a file of
// its own, so that a key moved in both the code and strings.ini still shows.
TEST_F(ShippedTexts, FixedKeysComeFirstInTheirOrderAndTheProgramsOwnAfter)
{
    QList<QByteArray> fixed;
    for (const QByteArray& line : ReadBytes(QStringLiteral(ZEMO_CORE_TEST_DATA "/fixed-text-keys.txt")).split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            fixed.append(line);
    ASSERT_EQ(fixed.size(), FixedTextKeyCount);
    QList<QByteArray> shipped;
    for (const QByteArray& line : ReadBytes(QDir(DataFolder()).filePath(QStringLiteral("strings.ini"))).split('\n'))
        if (const qsizetype sign = line.indexOf('='); sign >= 1)
            shipped.append(line.left(sign).mid(line.startsWith('>') ? 1 : 0));
    ASSERT_EQ(shipped.size(), TextKeyCount);
    for (int i = 0; i < FixedTextKeyCount; ++i) {
        ASSERT_EQ(shipped[i], fixed[i]) << "place " << i;
        ASSERT_EQ(QByteArray(KeyName(KeyAt(i))), fixed[i]) << "place " << i;
    }
    for (int i = FixedTextKeyCount; i < TextKeyCount; ++i)
        EXPECT_FALSE(fixed.contains(shipped[i])) << shipped[i].constData();
}

// How many ";"-joined parameters a message call passes its text inline: the second argument
// of ErrorMsg(TextKey::X, ...) and its kin, read from the source. -1 where the call does not
// show it (a variable made elsewhere).
struct MessageCall {
    QString where;
    QByteArray key;
    int params = -1;
};

std::vector<MessageCall> MessageCallsIn(const QString& file)
{
    QFile f(file);
    const QString src = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    static const QRegularExpression call(
        QStringLiteral("\\b(ErrorMsg|WarningMsg|InfoMsg|OkCancelMsg|YesNoCancelMsg)\\(\\s*TextKey::(\\w+)\\s*([,)])"));
    std::vector<MessageCall> calls;
    for (auto it = call.globalMatch(src); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        MessageCall c;
        c.where = QFileInfo(file).fileName() + u':' + QString::number(src.left(m.capturedStart()).count(u'\n') + 1);
        c.key = m.captured(2).toLatin1();
        if (m.captured(3) == u")") {
            c.params = 0;
            calls.push_back(c);
            continue;
        }
        // The argument up to its top-level "," or ")", with the ";" inside its literals.
        int depth = 0, joins = 0;
        qsizetype i = m.capturedEnd();
        QString arg;
        for (; i < src.size(); ++i) {
            const QChar ch = src[i];
            if (ch == u'"' || ch == u'\'') {
                qsizetype j = i + 1;
                while (j < src.size() && src[j] != ch)
                    j += src[j] == u'\\' ? 2 : 1;
                const QString literal = src.mid(i, j - i + 1);
                joins += int(literal.count(u';'));
                arg += literal;
                i = j;
                continue;
            }
            if (ch == u'(' || ch == u'{' || ch == u'[')
                ++depth;
            else if (ch == u')' || ch == u'}' || ch == u']') {
                if (depth == 0)
                    break;
                --depth;
            } else if (ch == u',' && depth == 0)
                break;
            arg += ch;
        }
        arg = arg.trimmed();
        static const QRegularExpression variable(QStringLiteral("^[\\w.>-]+$"));
        c.params = arg == u"{}" ? 0 : variable.match(arg).hasMatch() && !arg.contains(u'(') ? -1 : joins + 1;
        calls.push_back(c);
    }
    return calls;
}

// Every text with parameters is declared below with the number its callers pass and how many
// of them it has a ";" place for (the rest, one at most, follows its end). The texts must
// match the declaration, every ";" of a message must be declared, and each call of a message
// that shows its parameters in the source must pass that number: a ";" in a sentence would
// take a parameter meant for the end.
TEST_F(ShippedTexts, MessagesHaveAPlaceForEachParameterAndReadAsSentences)
{
    struct Declared {
        const char* keys;
        int params;
        int places;
    };
    const Declared declared[] = {
        // No parameter: a routine's label may follow.
        {"InternalError HiddenWarning ImportHidden SwitchOffRelay ChangeLegs TempMemory MaxObjects MaxPoints", 0, 0},
        // A name or number after the text.
        {"CannotCreate CannotOpen CannotWrite CannotRead FileNotFound NotZEMO6Format NotZ6Map UnknownFormat "
         "ReadOnlyWrite FileInUse FontNotFound ChangeSymNotFound ObjectNotFound CodeExists CourseExists "
         "ShortcutExists FolderNotFound DatasourceNotFound TableNotFound FieldNotFound DatasetNotFound "
         "DataSetCannotAccess DatasetExists CharNotAllowed ObjectNotFoundInDataSource CannotUpdateTable "
         "CannotInsertRecord CannotReadDisk InsertNextDisk InsertNextDisk1 RestoreDiskNumber SmoothHint ObjFound "
         "OpenLinksFound ObjConverted ObjImported ObjDrawn ObjExported ObjDone ObjMoved ObjStretched ObjRotated "
         "ObjChanged ObjDeleted ObjUpdated BytesWritten BytesRestored LinesRead LinesWritten LinksCreated "
         "LinesCreated ImportReportRead InvalidBmp BmpNotSupported ErrorCcitt TfwError CourseNotTemplate "
         "TemplateSearch ErrorInDBase CannotConnectOdbc SymNumNotValid BackupCannotDelete BackupCannotWrite "
         "WriteProtected DamagedCourses", 1, 0},
        // A name or number in its place.
        {"NoNumber MustPositive NotZero FormatNotCorr FileModified SessionAborted DeleteCourse DeleteClass "
         "RemoveLinks DeleteField UseExistingData CreateNewRecord ObjectsSelected ObjectSelected ZEMO3Format "
         "ZEMO4Format ZEMO5Format ZEMO6Format ZEMO7Format ColoursMapped ColoursRefused PrintIncomplete ExportLeftOutSymbols "
         "ExportLeftOutNoExtent ImportReportDamagedAt PictureUnread", 1, 1},
        // The map's name in its place, then the list of what was read, repaired or left.
        {"DamagedMap SkippedSymbols RepairedMap CompressionNotSupp ColourAdded", 2, 1},
        {"ScriptNotSupported ColourValuesDiffer ColourTableFull ColourSeparationMissing "
         "PreviewObjectsRemoved PrintScaleDiffers PreviewObjectRemoved ColourTableFullOne DbCodePageUnknown ScansLeftOut", 2, 2},
        {"MustBetween DbValueRefused", 3, 2},
        {"DbCodePageRefused PartialPicture", 3, 3},
        {"LargeTemplate", 4, 4},
        {"DbTextTooLong DbTextTooLongByte", 5, 4},
        {"OdbcTextTooLong", 4, 3},
        // A file and a system, or a file's length and how far its records reach.
        {"ShapeSetGeographic ImportReportCutShort", 2, 2},
    };
    QHash<QByteArray, Declared> params;
    for (const Declared& d : declared)
        for (const QByteArray& key : Keys(d.keys)) {
            EXPECT_EQ(T(key).count(u';'), d.places) << key.constData();
            EXPECT_FALSE(params.contains(key)) << key.constData() << " declared twice";
            params.insert(key, d);
        }
    // Texts that are lists, one drop-down entry a piece, not messages.
    const QList<QByteArray> lists = Keys("DblModeChoices TextAlign LTextAlign");
    for (const QByteArray& list : lists)
        EXPECT_EQ(T(list).split(u';').size(), 4) << list.constData();
    for (int i = 0; i < TextKeyCount; ++i) {
        const QByteArray name = KeyName(KeyAt(i));
        if (Text(KeyAt(i)).contains(u';'))
            EXPECT_TRUE(params.contains(name) || lists.contains(name)) << name.constData() << ": a \";\" nobody fills";
    }
    // The calls in the program's source.
    const QString sources = QDir(QStringLiteral(ZEMO_CORE_TEST_DATA "/../../../src")).absolutePath();
    ASSERT_TRUE(QFileInfo(sources + QStringLiteral("/core/Messages.cpp")).isFile()) << sources.toStdString();
    int shown = 0;
    QSet<QByteArray> called;
    for (QDirIterator it(sources, {QStringLiteral("*.cpp")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        for (const MessageCall& c : MessageCallsIn(it.next())) {
            called.insert(c.key);
            if (c.params < 0)
                continue;
            ++shown;
            if (c.params > 0) {
                EXPECT_TRUE(params.contains(c.key)) << c.where.toStdString() << ": " << c.key.constData()
                                                    << " takes parameters and is not declared";
            }
            // What follows the text may be left out (a unit after MustBetween's range added).
            if (const auto d = params.constFind(c.key); d != params.cend()) {
                const bool fits = c.params == d->params || (d->params > d->places && c.params == d->params - 1)
                                  || (c.key == "MustBetween" && c.params == d->params + 1);
                EXPECT_TRUE(fits) << c.where.toStdString() << ": " << c.key.constData() << " with " << c.params;
            }
        }
    EXPECT_GT(shown, 100) << "the calls were not found";
    EXPECT_TRUE(called.contains("RepairedMap") && called.contains("PrintScaleDiffers"));
    struct Row { const char* key; const char* params; const char* out; };
    for (Row r : {Row{"MustBetween", "Width;1;10", "The value of Width must lie between 1 and 10"},
                  {"MustBetween", "Resolution;50;2540;dpi", "The value of Resolution must lie between 50 and 2540 dpi"},
                  {"CannotWrite", "/maps/a.zmd", "Cannot write to the file /maps/a.zmd"},
                  {"HiddenWarning", "", "Some symbols are hidden. Objects with these symbols are left out. Do you want to continue?"},
                  {"ObjectsSelected", "7", "7 objects selected"},
                  {"ObjectSelected", "1", "1 object selected"},
                  {"ColourTableFullOne", "1;0",
                   "They need 1 colour this map does not have, and its colour table has room for 0 more."},
                  {"DbTextTooLongByte", "ab;FLAG;1;2;1252",
                   "The value ab is longer than the field FLAG can hold: the field holds 1 byte, the value takes 2 "
                   "bytes in the table's code page 1252"},
                  {"OdbcTextTooLong", "abc;NAME;20;21",
                   "The value abc is longer than the field NAME can hold: the field holds 20 characters, the value has 21"},
                  {"FileModified", "/maps/a.zmd", "/maps/a.zmd has been changed. Do you want to save the changes?"},
                  {"RepairedMap", "/maps/a.zmd;Colours, Setup",
                   "The map /maps/a.zmd held values out of their ranges, which were set right while reading it. The map is "
                   "not changed by this, and the values are written with the next change that is saved: Colours, Setup"},
                  {"ImportHidden", "", "The map to be imported has hidden symbols: their objects are not imported. Do you "
                                       "want to continue?"}})
        EXPECT_EQ(MergeMsgParams(T(r.key), r.params), r.out) << r.key;
}

// Every menu caption has one access key, no two items of one menu share it, and none ends
// with dots: the program adds them where a dialog follows. Dialog labels get their colon so.
TEST_F(ShippedTexts, MenusHaveDistinctAccessKeysAndCaptionsLeaveDotsAndColonsToTheProgram)
{
    const char* menus[] = {
        "FileMnu EditMnu ViewMnu SymbolMnu ExtrasMnu CourseMnu Database TemplateMnu OptionsMnu WindowMnu Help",
        "FileNew FileOpen FileClose FileSave FileSaveAs FileInfo FilePrint FilePrintCds FileImport FileExport "
        "FileExportCourses FileExportCsMaps FileBackup FileRestore FileExit",
        "EditUndo EditRedo EditCut EditCopy EditPaste EditDelete EditJoin EditMerge EditToCurve EditToGraphics "
        "EditMeasure",
        // The zoom items of the View menu take 0, 5, 1, 2, 4, 8, 6 and 3.
        "ViewSpot ViewSpotOpt ViewHatch ViewTransp ViewTranspOpt ViewRedraw ViewMove ViewMoveTo ViewZoomIn "
        "ViewZoomOut ViewEntire ViewStandard ViewEdit",
        "SymbolNew SymbolEdit SymbolIcon SymbolEnlarge SymbolCopy SymbolPaste SymbolDelete SymbolDuplicate SymbolSort "
        "SymbolSelect SymbolColors SymbolSpotColors SymbolLoadCol SymbolLoad SymbolNormal SymbolProtect SymbolHide",
        "SymbolSortNum SymbolSortCol", "SymbolSelUsed SymbolSelUnused SymbolSelInvert SymbolSelAll",
        "ExtrasOptimize ExtrasMove ExtrasChScale ExtrasStretch ExtrasRotate ExtrasSelectSym ExtrasChangeSym "
        "ExtrasConvertLayers ExtrasExportSym ExtrasDeleteSym ExtrasToCurveSym ExtrasTextScript ExtrasPartial "
        "ExtrasGridLine",
        "CourseStat CourseOpt", "DbDataset DbCreateLinks DbAssign DbOpenLinks DbNameIndex",
        "DbAssignSym DbAssignText DbAssignAngle",
        "TemplateScan FileOpen TemplateReopen FileClose TemplateAdjust TemplateHide TemplateOptions",
        "Acquire SelectSource",
        "OptionsPref OptionsShortcuts OptionsColorCor OptionsScales OptionsOpenGps OptionsCloseGps OptionsAdjGps",
        "WindowTile WindowCascade", "HelpContents HelpMenu HelpToolbar HelpHome HelpMapInfo HelpAbout",
    };
    for (const char* menu : menus) {
        QSet<QChar> used;
        for (const QByteArray& key : Keys(menu)) {
            const QString text = T(key);
            EXPECT_FALSE(text.endsWith(u'.')) << key.constData();
            ASSERT_EQ(text.count(u'&'), 1) << key.constData() << ": " << text.toStdString();
            const qsizetype amp = text.indexOf(u'&');
            ASSERT_LT(amp + 1, text.size()) << key.constData();
            const QChar access = text[amp + 1].toLower();
            EXPECT_TRUE(access.isLetterOrNumber()) << key.constData();
            EXPECT_FALSE(used.contains(access)) << key.constData() << " repeats " << QString(access).toStdString();
            used.insert(access);
        }
    }
    for (const QByteArray& key : Keys("Browse Redrawing Properties Printing Exporting SetupBtn Change WriteBackup "
                                      "CheckDisk Drawing Smoothing MeasureLen MeasureArea"))
        EXPECT_FALSE(T(key).endsWith(u'.')) << key.constData();
    for (const QByteArray& key : Keys("SymbolsFrom FollowingFonts Printer MapScale Copies PrintSize Course Leg "
                                      "Numbers Title BoxSize HorOffset VerOffset ObjectsReachingOutside SpotColors "
                                      "Resolution ObjectsInDataset PixelSize Diskette FileSize Files LineLength "
                                      "HorPosition VerPosition Width Height Angle Color Name OldFileSize NewFileSize "
                                      "Repaired DamagedDeleted Spurious UnknownSym AllObjectsInLayer MapSize Select "
                                      "Joining GridDist Objects Radius Length LineWidth Diameter Courses CourseObject "
                                      "Code Commands Shortcut"))
        EXPECT_FALSE(T(key).endsWith(u':')) << key.constData();
}

} // namespace
} // namespace zemo
