// File > Export course maps through the running program: the maps of all controls and of two
// courses read by the test-only map reader and opened by the program, each with the objects
// its course's preview shows and only their symbols, its course-object records on the right
// objects; names that collide get numbers; a map in use stops the rest.
#include "../shell/ModalDialog.h"
#include "../support/TestMapReader.h"
#include "CourseEvent.h"

#include "core/FileClass.h"
#include "core/Messages.h"
#include "course/CsMapsExport.h"
#include "course/CsOptions.h"
#include "course/CsPreview.h"
#include "course/DescriptionScale.h"

#include <QDir>
#include <QFile>
#include <QListWidget>

#include <gtest/gtest.h>

#include <map>

using namespace zemo;
using namespace zemo::test;

namespace {

class CsMapsExport : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        dialogs.QueueAnswer(true, TempPath(QStringLiteral("event.zmd")));
        Trigger(Cmd::FileSaveAs);
    }

    // The dialog: the items by their course names (the text before ":").
    void ExportThroughDialog(const QStringList& names, bool all = false)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(Cmd::FileExportCsMaps)->isEnabled());
        const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::FileExportCsMaps); }, [&](QDialog& d) {
            EXPECT_EQ(d.objectName(), QStringLiteral("ExpCsMapsDlg"));
            auto* list = d.findChild<QListWidget*>(QStringLiteral("CoursesB"));
            if (all) {
                list->item(0)->setSelected(true);
                Press(d, "AllBtn");
                EXPECT_FALSE(list->item(0)->isSelected());
            } else {
                for (int i = 0; i < list->count(); ++i)
                    list->item(i)->setSelected(names.contains(list->item(i)->text().section(u':', 0, 0)));
            }
            Press(d, "OKBtn");
        });
        EXPECT_TRUE(seen);
    }

    // The symbols of the objects the preview of a course (-1 all controls) shows, counted.
    static std::map<int, int> PreviewSymbols(int course)
    {
        TZmd& z = Z();
        DropGeneratedObjects();
        z.CoursePreviewOn = 1;
        ScaleDescriptionSymbols(CurrentCourseOptions().BoxSize);
        EXPECT_TRUE(course >= 0 ? GeneratePreview(course, 0, 0) : PreviewAllControls());
        std::map<int, int> symbols;
        for (int n = 1; n <= z.HighestObject; ++n) {
            const ObjectIndexEntry& e = z.Entry(n);
            if (int16_t(e.Symbol) > 0 && e.Symbol < CourseOnlyMark && e.Length > 0)
                ++symbols[e.Symbol];
        }
        DropGeneratedObjects();
        z.CoursePreviewOn = 0;
        return symbols;
    }

    static std::map<int, int> FileSymbols(const ReadMap& m)
    {
        std::map<int, int> symbols;
        for (const ReadObject& o : m.objects)
            ++symbols[o.symbol];
        return symbols;
    }
};

TEST_F(CsMapsExport, AllControlsAndTwoCoursesAsOrdinaryMapsOfWhatTheirPreviewShows)
{
    ExportThroughDialog({QStringLiteral("<All controls>"), QStringLiteral("Long"), QStringLiteral("Short")});
    EXPECT_FALSE(Z().Modified) << "exporting is no change of the map";
    const struct {
        const char* file;
        const char* course;
    } maps[] = {{"Cs_All.zmd", nullptr}, {"Cs_Long.zmd", "Long"}, {"Cs_Short.zmd", "Short"}};
    for (const auto& c : maps) {
        SCOPED_TRACE(c.file);
        const QString path = TempPath(QLatin1String(c.file));
        ASSERT_TRUE(QFile::exists(path));
        const ReadMap m = ReadMapFile(QFile::encodeName(path).toStdString());
        EXPECT_TRUE(m.Sound()) << m.Problems();
        EXPECT_EQ(m.header.fileType, 2) << "an ordinary map";
        const int course = c.course ? CourseIndex(QLatin1String(c.course)) : -1;
        const std::map<int, int> shown = PreviewSymbols(course);
        EXPECT_EQ(FileSymbols(m), shown);
        // Only the symbols its objects use.
        std::set<int> used, kept;
        for (const auto& [symbol, count] : shown)
            used.insert(symbol);
        for (const ReadSymbol& s : m.symbols)
            kept.insert(s.number10);
        EXPECT_EQ(kept, used);
        // Every course-object record that came along names the object of its code: the
        // right symbol at the right place; those of objects left out stay out.
        int records = 0;
        for (const ReadString& s : m.strings) {
            if (s.type != CsObjectType)
                continue;
            ++records;
            const QString code = QString::fromStdString(s.text).section(u'\t', 0, 0);
            const ReadObject* o = m.Object(s.object);
            ASSERT_NE(o, nullptr) << code.toStdString();
            ASSERT_TRUE(ReadElement(ObjectOf(code), AuxElement1));
            EXPECT_EQ(o->symbol, AuxElement1.Symbol) << code.toStdString();
            EXPECT_EQ(o->cords.front().x, AuxElement1.Cords()[0].x) << code.toStdString();
            EXPECT_EQ(o->cords.front().y, AuxElement1.Cords()[0].y) << code.toStdString();
        }
        if (QLatin1String(c.file) == QLatin1String("Cs_Short.zmd")) {
            // The eight controls and F1; the start shows as its turned triangle, a new object.
            EXPECT_EQ(records, 9);
            EXPECT_EQ(FileSymbols(m).at(ControlSymbol), 8);
            EXPECT_EQ(FileSymbols(m).at(StartSymbol), 1);
        }
    }
    // The program opens a course map as an ordinary map.
    ASSERT_TRUE(OpenMap(TempPath(QStringLiteral("Cs_Short.zmd"))));
    EXPECT_EQ(Index.ActiveZmd->CourseMap, 0);
    EXPECT_GT(CountObjects(), 20);
}

TEST_F(CsMapsExport, CollidingNamesGetNumbersAndAMapInUseStopsTheRest)
{
    AddCourse({QStringLiteral("A B"), 0, 0, 5}, Sequence({"sS1", "c31", "fF1"}));
    AddCourse({QStringLiteral("A/B"), 0, 0, 5}, Sequence({"sS1", "c32", "fF1"}));
    AddCourse({QStringLiteral("all"), 0, 0, 5}, Sequence({"sS1", "c33", "fF1"}));
    AddCourse({QString::fromUtf8("Zw\xc3\xb6lf-1_x"), 0, 0, 5}, Sequence({"sS1", "c34", "fF1"}));
    const auto entry = [](const char* name) { return CourseIndex(QString::fromUtf8(name)) + 1; };
    EXPECT_EQ(CourseMapNames({0, entry("A B"), entry("A/B"), entry("all"), entry("Zw\xc3\xb6lf-1_x"), entry("A B")}),
              (QStringList{"Cs_All.zmd", "Cs_A_B.zmd", "Cs_A_B_2.zmd", "Cs_all_2.zmd", "Cs_Zw_lf-1_x.zmd",
                           "Cs_A_B_3.zmd"}));

    // The whole export by Select all: every course, not all controls.
    ExportThroughDialog({}, true);
    for (const char* f : {"Cs_A_B.zmd", "Cs_A_B_2.zmd", "Cs_all.zmd", "Cs_Long.zmd", "Cs_Relay.zmd", "Cs_Short.zmd",
                          "Cs_Solo.zmd", "Cs_Zw_lf-1_x.zmd"})
        EXPECT_TRUE(QFile::exists(TempPath(QLatin1String(f)))) << f;
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("Cs_All.zmd"))));
    // A and B of the two colliding courses hold their own controls.
    const ReadMap first = ReadMapFile(QFile::encodeName(TempPath(QStringLiteral("Cs_A_B.zmd"))).toStdString());
    const ReadMap second = ReadMapFile(QFile::encodeName(TempPath(QStringLiteral("Cs_A_B_2.zmd"))).toStdString());
    const auto hasCode = [](const ReadMap& m, const char* code) {
        for (const ReadString& s : m.strings)
            if (s.type == CsObjectType && QString::fromStdString(s.text).section(u'\t', 0, 0) == QLatin1String(code))
                return true;
        return false;
    };
    EXPECT_TRUE(hasCode(first, "31") && !hasCode(first, "32"));
    EXPECT_TRUE(hasCode(second, "32") && !hasCode(second, "31"));

    // Cs_Long.zmd held open elsewhere: all controls are written, Long and Short are not.
    const QString longMap = TempPath(QStringLiteral("Cs_Long.zmd"));
    QFile::remove(TempPath(QStringLiteral("Cs_Short.zmd")));
    QFile f(longMap);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    TFileClass holder;
    ASSERT_TRUE(holder.OpenChecked(longMap));
    messages.Clear();
    ExportThroughDialog({QStringLiteral("<All controls>"), QStringLiteral("Long"), QStringLiteral("Short")});
    holder.Close();
    EXPECT_EQ(messages.CountOf(TextKey::ReadOnlyWrite), 1);
    EXPECT_TRUE(QFile::exists(TempPath(QStringLiteral("Cs_All.zmd"))));
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("Cs_Short.zmd"))));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    // Nothing of the export stays in the map.
    EXPECT_EQ(Z().CoursePreviewOn, 0);
}

} // namespace
