// File > Export courses: the lines of the test event by course and by class, their lengths and
// leg details against distances worked out from the event's positions, read by python3's csv
// module, and an existing file left as it was when the export fails.
#include "../shell/ModalDialog.h"
#include "CourseEvent.h"

#include "core/CodePage.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "course/CourseExport.h"
#include "course/CsLength.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <utility>
#include <sys/resource.h>

using namespace zemo;
using namespace zemo::test;

namespace {

class CourseExportFlow : public CourseEventTest {
protected:
    // Kilometres on the ground of millimetres on paper, as the file writes them.
    static QString Km(double mm, int decimals = 3)
    {
        return FloatToPointStr(decimals, mm * Z().Setup.MapScale / 1e6);
    }
    static double Mm(MmPoint a, MmPoint b) { return std::hypot(double(b.x - a.x), double(b.y - a.y)); }

    QByteArray Export(int by, const QString& name)
    {
        RecordingFileDialogs dialogs;
        dialogs.QueueAnswer(true, TempPath(name));
        Frame().UpdateCommandStates();
        const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::FileExportCourses); }, [&](QDialog& d) {
            EXPECT_EQ(d.objectName(), QStringLiteral("ExpCourseDlg"));
            d.findChild<QRadioButton*>(by == ExportByClass ? QStringLiteral("ClassesB") : QStringLiteral("CoursesB"))
                ->setChecked(true);
            Press(d, "OKBtn");
        });
        EXPECT_TRUE(seen);
        QFile f(TempPath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QStringList Lines(const QByteArray& bytes)
    {
        QStringList lines = DecodeCodePage(1252, bytes).split(QStringLiteral("\r\n"));
        EXPECT_TRUE(lines.last().isEmpty()) << "the last line is ended by CR LF";
        lines.removeLast();
        return lines;
    }
};

TEST_F(CourseExportFlow, ByCourseAndByClassWithLengthsAndLegDetails)
{
    BuildEvent();
    // A class with "ä", and a second class on Long whose ";" would split its line.
    AddRecord(Z().Classes, ClassType, QStringLiteral("Damen \u00e4lter\tcShort"));
    AddRecord(Z().Classes, ClassType, QStringLiteral("H;35\tcLong"));
    ASSERT_GT(Z().Setup.MapScale, 0);

    const QStringList byCourse = Lines(Export(ExportByCourse, QStringLiteral("courses.txt")));
    // Long, Short, 20 teams of 3 legs, 10 one-man teams.
    ASSERT_EQ(byCourse.size(), 1 + 1 + 60 + 10);

    // Short, field by field.
    const MmPoint s1 = StartAt, f1 = FinishAt;
    const int shortCodes[] = {31, 33, 35, 37, 39, 41, 42, 43};
    QString details = QStringLiteral(";S1");
    double total = 0;
    MmPoint at = s1;
    for (int code : shortCodes) {
        details += QLatin1Char(';') + Km(Mm(at, ControlAt(code))) + QLatin1Char(';') + QString::number(code);
        total += Mm(at, ControlAt(code));
        at = ControlAt(code);
    }
    details += QLatin1Char(';') + Km(Mm(at, f1)) + QStringLiteral(";F1");
    total += Mm(at, f1);
    EXPECT_DOUBLE_EQ(total, 820); // 90 + 5 x 80 + 50 + 200 + 80
    EXPECT_EQ(byCourse[1], QStringLiteral(";Short;0;") + Km(820, 2) + QStringLiteral("0;120") + details);

    // Long: extra 0.5 km; 45 leads over the marked route to the finish.
    total = 0;
    at = s1;
    for (int code = 31; code <= 45; ++code) {
        total += Mm(at, ControlAt(code));
        at = ControlAt(code);
    }
    const double routeMm = Mm(RouteFrom, RouteTo) + Mm(ControlAt(45), RouteFrom);
    const QStringList longFields = byCourse[0].split(QLatin1Char(';'));
    ASSERT_EQ(longFields.size(), 4 + 2 * 17); // S1, 31 to 45, F1
    EXPECT_EQ(longFields.mid(0, 3), (QStringList{"", "Long", "0"}));
    EXPECT_EQ(longFields[3], FloatToPointStr(2, 0.5 + (total + routeMm + Mm(RouteTo, f1)) * Z().Setup.MapScale / 1e6)
                                 + QLatin1Char('0'));
    EXPECT_EQ(longFields[4], QStringLiteral("250"));
    EXPECT_EQ(longFields[longFields.size() - 2], Km(routeMm));
    EXPECT_EQ(longFields.last(), QStringLiteral("F1"));
    // The run in from the last control, in metres rounded to tens: Short's 80 mm.
    QString length;
    ASSERT_TRUE(CourseLength(CourseIndex(QStringLiteral("Short")), 0, 0, length, false));
    EXPECT_EQ(length, Km(820, 2) + QLatin1Char('0'));
    EXPECT_EQ(CsLength.FinishMetres, QString::number(std::lround(80.0 * Z().Setup.MapScale / 1000 / 10) * 10));

    // The relay team by team, leg by leg; the one-man relay without a leg.
    QStringList numbers;
    for (int i = 2; i < 62; ++i) {
        EXPECT_TRUE(byCourse[i].startsWith(QStringLiteral(";Relay;"))) << i;
        numbers.append(byCourse[i].section(QLatin1Char(';'), 2, 2));
    }
    EXPECT_EQ(numbers.first(), QStringLiteral("101.1"));
    EXPECT_EQ(numbers[1], QStringLiteral("101.2"));
    EXPECT_EQ(numbers[3], QStringLiteral("102.1"));
    EXPECT_EQ(numbers.last(), QStringLiteral("120.3"));
    for (int i = 62; i < 72; ++i)
        EXPECT_EQ(byCourse[i].section(QLatin1Char(';'), 0, 2), QStringLiteral(";Solo;%1").arg(i - 61));
    // A leg of the relay runs its own branch: 101.1 and 101.2 differ in their controls.
    EXPECT_NE(byCourse[2].section(QLatin1Char(';'), 5), byCourse[3].section(QLatin1Char(';'), 5));

    // By class: a course run by two classes twice, ";" in a name written ",", "ä" in 1252.
    const QByteArray bytes = Export(ExportByClass, QStringLiteral("classes.txt"));
    EXPECT_TRUE(bytes.contains("\r\nDamen \xe4lter;Short;0;"));
    const QStringList byClass = Lines(bytes);
    ASSERT_EQ(byClass.size(), 1 + 1 + 60 + 10 + 1 + 1);
    EXPECT_EQ(byClass[0], QStringLiteral("M21") + byCourse[0]);
    EXPECT_EQ(byClass[1], QStringLiteral("W21") + byCourse[1]);
    EXPECT_EQ(byClass[2], QStringLiteral("M Relay") + byCourse[2]);
    EXPECT_EQ(byClass[72], QStringLiteral("Damen \u00e4lter") + byCourse[1]);
    EXPECT_EQ(byClass[73], QStringLiteral("H,35") + byCourse[0]);

    // python3's csv module reads every line with as many fields as it has.
    QProcess py;
    py.start(QStringLiteral("python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import csv,sys\n"
                             "for r in csv.reader(open(sys.argv[1], encoding='cp1252', newline=''), delimiter=';'):\n"
                             "    print(len(r))\n"),
              TempPath(QStringLiteral("classes.txt"))});
    ASSERT_TRUE(py.waitForFinished(30000));
    const QStringList counts = QString::fromLatin1(py.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(counts.size(), byClass.size());
    for (qsizetype i = 0; i < counts.size(); ++i)
        EXPECT_EQ(counts[i].toInt(), byClass[i].split(QLatin1Char(';')).size()) << i;
    EXPECT_EQ(counts[1].toInt(), 4 + 2 * 10); // Short: 10 codes

    // Left for people and other programs to look at.
    const QString samples = DataFolder() + QStringLiteral("samples/");
    QDir().mkpath(samples);
    for (const auto& [from, to] : {std::pair{"courses.txt", "courses-by-course.txt"},
                                   std::pair{"classes.txt", "courses-by-class.txt"}}) {
        QFile::remove(samples + QString::fromLatin1(to));
        EXPECT_TRUE(QFile::copy(TempPath(QString::fromLatin1(from)), samples + QString::fromLatin1(to)));
    }
}

TEST_F(CourseExportFlow, AFailingExportLeavesTheFileAsItWas)
{
    BuildEvent();
    const QString path = TempPath(QStringLiteral("Courses.txt"));
    const QByteArray old("old content\r\n");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    const auto content = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // A write that fails part-way: files may not grow past a few bytes.
    struct rlimit was {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
    auto prev = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = was;
    lim.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    messages.Clear();
    const bool written = WriteCoursesText(path, ExportByCourse);
    setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, prev);
    EXPECT_FALSE(written);
    EXPECT_EQ(messages.CountOf(TextKey::CannotWrite), 1);
    EXPECT_EQ(content(), old);

    // A course naming a control that does not exist: its message, and no file.
    AddCourse({QStringLiteral("Bad")}, Sequence({"sS1", "c99", "fF1"}));
    messages.Clear();
    RecordingFileDialogs dialogs;
    dialogs.QueueAnswer(true, path);
    Frame().UpdateCommandStates();
    Trigger(Cmd::FileExportCourses);
    EXPECT_EQ(CsData.LastFailure.Text, TextKey::ObjectNotFound);
    EXPECT_EQ(messages.Last().label, CourseCheckText(CsData.LastFailure));
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_FALSE(WriteCoursesText(path, ExportByCourse));
    EXPECT_EQ(content(), old);
}

TEST_F(CourseExportFlow, ByClassNeedsAClass)
{
    BuildEvent();
    while (Z().Classes.Count() > 0)
        Z().Classes.Delete(0);
    messages.Clear();
    RecordingFileDialogs dialogs;
    bool stayed = false;
    const bool seen = AnswerDialog<QDialog>([&] { Frame().UpdateCommandStates(); Trigger(Cmd::FileExportCourses); },
                                            [&](QDialog& d) {
        // Without classes the dialog offers courses.
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("CoursesB"))->isChecked());
        d.findChild<QRadioButton*>(QStringLiteral("ClassesB"))->setChecked(true);
        Press(d, "OKBtn");
        stayed = d.isVisible();
    });
    EXPECT_TRUE(seen);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(messages.CountOf(TextKey::NoClassesDefined), 1);
    EXPECT_TRUE(dialogs.Requests().empty());
}

} // namespace
