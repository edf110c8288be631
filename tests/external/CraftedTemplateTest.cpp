// Crafted template files in the running program: pictures claiming far more pixels than their
// few bytes can hold, or a side no template can have, ask before anything is taken, and Enter
// leaves them unread and switched off; a progressive JPEG of thousands of empty scans reads its
// first scans only; Esc stops a long read of every kind; a map naming missing files asks once a
// name, and Cancel ends the search for that opening.
#include "../support/ProgramFixture.h"
#include "../support/RasterRefs.h"
#include "JpegKit.h"
#include "ModalScript.h"
#include "TiffKit.h"
#include "core/Config.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/ServiceHooks.h"
#include "external/RasterLoad.h"
#include "external/Template.h"
#include "shell/widgets/MainFm.h"

#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int64_t MiB = int64_t(1) << 20;

class CraftedTemplates : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        RasterLimits = {};
        zemo::TemplateMemory = {};
    }
    void TearDown() override
    {
        RasterLimits = {};
        ProgramFixture::TearDown();
    }
    bool Write(const QString& name, const QByteArray& bytes)
    {
        QFile f(TempPath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    // A map of one line whose templates are these strings, top first, opened by File > Open;
    // the open dialogs after File > Open's get these files (empty: Cancel).
    bool OpenShowing(const QString& mapName, const std::vector<std::string>& texts, const std::vector<QString>& chosen = {})
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 40)};
        w.objects.push_back(TestObject::Line(10, {{0, 0}, {1000, 1000}}));
        for (const std::string& t : texts)
            w.strings.push_back(TestPString::Make(8, 0, t));
        const QString path = TempPath(mapName);
        if (!w.WriteTo(QFile::encodeName(path).toStdString()))
            return false;
        dialogs.QueueAnswer(true, path);
        for (const QString& f : chosen)
            dialogs.QueueAnswer(!f.isEmpty(), f);
        Trigger(Cmd::FileOpen);
        return Index.MapOpen && Index.ActiveZmd && DocumentPath(Index.ActiveZmd) == path;
    }
    static QStringList Texts()
    {
        QStringList l;
        for (const auto& item : Index.ActiveZmd->Templates.Items())
            l << item.Text;
        return l;
    }
    // The questions of this key, by their parameters.
    QStringList Asked(TextKey key) const
    {
        QStringList l;
        for (const auto& e : messages.Entries())
            if (e.msg.key == key)
                l << e.msg.params;
        return l;
    }
    // Template > Open of the file; the dialogs that came up without a step for them. With
    // `place` the resolution dialog places the template at 300 dpi.
    QStringList AddThroughMenu(const QString& path, bool place = false)
    {
        ModalScript script;
        if (place)
            script.Then<QDialog>([](QDialog& d) {
                d.findChild<QComboBox*>(QStringLiteral("ResolB"))->setEditText(QStringLiteral("300"));
                d.accept();
            });
        dialogs.QueueAnswer(true, path);
        Frame().UpdateCommandStates();
        Trigger(Cmd::TemplateOpen);
        Settle();
        return script.Unexpected();
    }
};

// A grey picture of w x h, its pixel (x, y) (x + 3 y) mod 256, as PGM for the tools.
QByteArray Pgm(int w, int h)
{
    QByteArray b = QStringLiteral("P5\n%1 %2\n255\n").arg(w).arg(h).toLatin1();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.append(char((x + 3 * y) % 256));
    return b;
}

struct Crafted {
    const char* file;
    QByteArray bytes;
    const char* size; // width;height;MB as asked
};

// The files of each kind: few bytes, huge claims.
std::vector<Crafted> CraftedFiles(const QString& folder)
{
    std::vector<Crafted> files;
    // 10000 x 10000, 5000 scans of no data, arithmetic coded: 50 KB.
    files.push_back({"scans.jpg", JpegBuilder(10000, 10000, true, true).EmptyScans(5000).Bytes(), "10000;10000;287"});
    // White fax rows 59,652,320 pixels wide, a T.6 vertical code (one bit) a row: 576 rows.
    files.push_back({"fax.tif",
                     TiffBuilder()
                         .Longs(256, {59652320})
                         .Longs(257, {576})
                         .Shorts(258, {1})
                         .Shorts(259, {4})
                         .Shorts(262, {0})
                         .Longs(278, {576})
                         .Strip(QByteArray(72, '\xFF'))
                         .Longs(279, {72})
                         .Bytes(),
                     "59652320;576;4096"});
    // cjpeg's arithmetic-coded grey file (some 200 bytes) made to claim 20000 x 20000 pixels.
    const QString pgm = folder + QStringLiteral("/small.pgm"), jpg = folder + QStringLiteral("/small.jpg");
    QFile p(pgm);
    EXPECT_TRUE(p.open(QIODevice::WriteOnly) && p.write(Pgm(53, 37)) > 0);
    p.close();
    EXPECT_TRUE(RunTool(QStringLiteral("cjpeg"), {QStringLiteral("-arithmetic"), QStringLiteral("-grayscale"),
                                                  QStringLiteral("-outfile"), jpg, pgm}));
    QFile j(jpg);
    EXPECT_TRUE(j.open(QIODevice::ReadOnly));
    QByteArray arith = j.readAll();
    const qsizetype sof = arith.indexOf(QByteArray::fromHex("ffc9"));
    EXPECT_GT(sof, 0);
    arith.replace(sof + 5, 4, QByteArray::fromHex("4e204e20"));
    files.push_back({"arith.jpg", arith, "20000;20000;1145"});
    // 7800 PackBits strips of 16 rows of 9728 grey pixels, all at the same 2432 bytes: 64 KB
    // naming 1.2 GB, exactly what 64 times the strips' byte counts added up could give.
    QByteArray run;
    for (int i = 0; i < 9728 * 16 / 128; ++i)
        run.append('\x81').append('\x40');
    const std::vector<uint32_t> at(7800, 8), counts(7800, uint32_t(run.size()));
    files.push_back({"strips.tif",
                     TiffBuilder()
                         .Longs(256, {9728})
                         .Longs(257, {7800 * 16})
                         .Shorts(258, {8})
                         .Shorts(259, {32773})
                         .Shorts(262, {1})
                         .Longs(278, {16})
                         .Strip(run)
                         .Longs(273, at)
                         .Longs(279, counts)
                         .Bytes(),
                     "9728;124800;1158"});
    return files;
}

// The bar: a map whose template is such a file opens with one question, whose default answer
// (Enter) reads nothing: the template is off, nothing of its size was taken. Template > Open
// of the file asks the same before any dialog, and Cancel adds nothing.
TEST_F(CraftedTemplates, PicturesClaimingFarMoreThanTheirBytesAskAndEnterLeavesThemUnread)
{
    const std::vector<Crafted> files = CraftedFiles(TempPath(QString()));
    int n = 0;
    for (const Crafted& c : files) {
        SCOPED_TRACE(c.file);
        const QString name = QLatin1String(c.file), path = TempPath(name);
        ASSERT_TRUE(Write(name, c.bytes));
        messages.Clear();
        zemo::TemplateMemory = {};
        ASSERT_TRUE(OpenShowing(QStringLiteral("map%1.zmd").arg(++n), {std::string(c.file) + "\ts1\tx0\ty0"}));
        ASSERT_EQ(messages.Count(), 1) << MessageText(messages.Last()).toStdString();
        const auto& asked = messages.Entries()[0];
        EXPECT_EQ(asked.msg.key, TextKey::LargeTemplate);
        EXPECT_EQ(asked.msg.params, path + u';' + QLatin1String(c.size));
        EXPECT_EQ(DefaultAnswer(asked.msg), IdCancel);
        EXPECT_EQ(asked.answer, IdCancel);
        EXPECT_TRUE(Index.MapOpen);
        EXPECT_EQ(Texts(), QStringList{name + QStringLiteral("\ts0\tx0\ty0")});
        EXPECT_EQ(FindLoadedTemplate(path), nullptr);
        EXPECT_LT(zemo::TemplateMemory.Peak, MiB);

        messages.Clear();
        EXPECT_EQ(AddThroughMenu(path), QStringList());
        EXPECT_EQ(Asked(TextKey::LargeTemplate), QStringList{path + u';' + QLatin1String(c.size)});
        EXPECT_EQ(messages.Count(), 1);
        EXPECT_EQ(Texts(), QStringList{name + QStringLiteral("\ts0\tx0\ty0")});
        EXPECT_EQ(FindLoadedTemplate(path), nullptr);
    }
}

// Each scan passes over all blocks and decodes the coefficients of its band in each, whatever it
// holds. A picture codes each coefficient first once and refines it at most 13 times: the scans
// beyond that, or beyond 64 passes over the blocks, are left out, and what the first ones gave is
// the template (every coefficient 0: mid-grey). Said in the status line at an opening, in a
// warning when the template is added.
TEST_F(CraftedTemplates, AProgressiveJpegReadsTheScansAPictureCanNeed)
{
    enum Kind { Wide, Narrow, Refined, NarrowRefined };
    struct Case {
        Kind kind;
        int scans; // after the DC scan (and the first AC scan of the refined kinds)
        int read;  // 0: all, no note
    };
    const Case cases[] = {
        // First scans of coefficients 1..63: the second codes them again.
        {Wide, 1, 0}, {Wide, 2, 2}, {Wide, 5000, 2},
        // First scans of one coefficient each: the 64th codes one again.
        {Narrow, 63, 0}, {Narrow, 64, 64}, {Narrow, 5000, 64},
        // Refinements of bits 12 down to 0 of coefficients 1..63, then bit 0 again.
        {Refined, 13, 0}, {Refined, 14, 15}, {Refined, 5000, 15},
        // Refinements of one coefficient each: 64 passes over the blocks.
        {NarrowRefined, 62, 0}, {NarrowRefined, 63, 64}, {NarrowRefined, 5000, 64},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << ": " << c.scans);
        const QString name = QStringLiteral("scans%1.jpg").arg(++n), path = TempPath(name);
        JpegBuilder jpeg(200, 100, true, false);
        jpeg.Scan(0, 0);
        if (c.kind == Refined || c.kind == NarrowRefined)
            jpeg.Scan(1, 63, 0, 13);
        for (int i = 0; i < c.scans; ++i) {
            const int k = 1 + i % 63;
            switch (c.kind) {
            case Wide: jpeg.Scan(1, 63); break;
            case Narrow: jpeg.Scan(k, k); break;
            case Refined: jpeg.Scan(1, 63, std::max(13 - i, 1), std::max(12 - i, 0)); break;
            case NarrowRefined: jpeg.Scan(k, k, 13, 12); break;
            }
        }
        ASSERT_TRUE(Write(name, jpeg.Bytes()));
        messages.Clear();
        RecordingStatus status;
        ASSERT_TRUE(OpenShowing(QStringLiteral("map%1.zmd").arg(n), {name.toStdString() + "\ts1"}));
        EXPECT_EQ(messages.Count(), 0) << (messages.Count() ? MessageText(messages.Last()).toStdString() : "");
        const TTmp* t = FindLoadedTemplate(path);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->HeldRows(), 100);
        EXPECT_EQ(t->Row(99)[3 * 199], 128);
        EXPECT_EQ(t->Row(0)[0], 128);
        const QString note = MergeMsgParams(Text(TextKey::ScansLeftOut), path + QStringLiteral(";%1").arg(c.read));
        EXPECT_EQ(status.CountText(StatusPanel::Left, note), c.read > 0 ? 1 : 0);

        EXPECT_EQ(AddThroughMenu(path, true), QStringList());
        EXPECT_EQ(Asked(TextKey::ScansLeftOut), c.read > 0 ? QStringList{path + QStringLiteral(";%1").arg(c.read)} : QStringList());
    }
}

// Strips that share bytes are read again for each: the strips are read no more than twice the
// bytes they cover and StripRereadBytes besides, the rows before that are the template, and the
// status line says how many of them there are.
TEST_F(CraftedTemplates, StripsOverTheSameBytesAreReadAtMostTwiceOverAndAnAllowance)
{
    RasterLimits.StripRereadBytes = 1000;
    struct Case {
        int strips;
        bool shared; // all at the same 100 bytes, else each at its own
        int rows;    // read
    };
    // 100 bytes covered: 1200 may be read, 12 strips.
    const Case cases[] = {{12, true, 12}, {13, true, 12}, {400, true, 12}, {400, false, 400}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.strips << (c.shared ? " shared" : " apart"));
        TiffBuilder tiff;
        tiff.Longs(256, {100}).Longs(257, {uint32_t(c.strips)}).Shorts(258, {8}).Shorts(259, {1}).Shorts(262, {1});
        tiff.Longs(278, {1}).Longs(279, std::vector<uint32_t>(size_t(c.strips), 100));
        for (int y = 0; y < (c.shared ? 1 : c.strips); ++y) {
            QByteArray row;
            for (int x = 0; x < 100; ++x)
                row.append(char(x + 3 * y));
            tiff.Strip(row);
        }
        if (c.shared)
            tiff.Longs(273, std::vector<uint32_t>(size_t(c.strips), 8));
        const QString name = QStringLiteral("strips%1.tif").arg(++n), path = TempPath(name);
        ASSERT_TRUE(Write(name, tiff.Bytes()));
        messages.Clear();
        RecordingStatus status;
        ASSERT_TRUE(OpenShowing(QStringLiteral("strips%1.zmd").arg(n), {name.toStdString() + "\ts1"}));
        EXPECT_EQ(messages.Count(), 0);
        const TTmp* t = FindLoadedTemplate(path);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->HeldRows(), c.rows);
        for (int y : {0, c.rows - 1})
            EXPECT_EQ(t->Row(y)[99], uint8_t(99 + (c.shared ? 0 : 3 * y))) << y;
        const QString note = MergeMsgParams(Text(TextKey::PartialPicture), path + QStringLiteral(";%1;%2").arg(c.rows).arg(c.strips));
        EXPECT_EQ(status.CountText(StatusPanel::Left, note), c.rows < c.strips ? 1 : 0);
        UnloadTemplatesOfMap();
    }
}

// Esc while a template is read asks "CloseTemp": OK stops the read, and the template is off;
// Cancel reads on to the end. Each kind polls while it reads, not only between parts.
TEST_F(CraftedTemplates, EscStopsALongReadOfEveryKind)
{
    const QString folder = TempPath(QString());
    ASSERT_TRUE(Write(QStringLiteral("big.pgm"), Pgm(1500, 1500)));
    ASSERT_TRUE(RunTool(QStringLiteral("cjpeg"), {QStringLiteral("-outfile"), folder + QStringLiteral("/sequential.jpg"),
                                                  folder + QStringLiteral("/big.pgm")}));
    ASSERT_TRUE(RunTool(QStringLiteral("convert"), {folder + QStringLiteral("/big.pgm"), folder + QStringLiteral("/big.gif")}));
    ASSERT_TRUE(Write(QStringLiteral("progressive.jpg"), JpegBuilder(3000, 3000, true, true).EmptyScans(40).Bytes()));
    // One uncompressed strip of 16 MB.
    ASSERT_TRUE(Write(QStringLiteral("strip.tif"), TiffBuilder().Grey(4096, 4096).Bytes()));
    const char* files[] = {"sequential.jpg", "big.gif", "progressive.jpg", "strip.tif"};
    int n = 0;
    for (const char* file : files) {
        for (int answer : {int(IdOk), int(IdCancel)}) {
            SCOPED_TRACE(std::string(file) + (answer == IdOk ? " stopped" : " read on"));
            const QString path = TempPath(QLatin1String(file));
            bool sent = false;
            QTimer esc;
            esc.setInterval(0);
            QObject::connect(&esc, &QTimer::timeout, [&] {
                if (sent || !ProgressRunning())
                    return;
                sent = true;
                QCoreApplication::postEvent(&Frame(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            });
            esc.start();
            RecordingStatus status;
            messages.Clear();
            messages.QueueAnswer(answer);
            ASSERT_TRUE(OpenShowing(QStringLiteral("esc%1.zmd").arg(++n), {std::string(file) + "\ts1"}));
            esc.stop();
            EXPECT_TRUE(sent);
            EXPECT_EQ(Asked(TextKey::CloseTemp).size(), 1);
            EXPECT_EQ(messages.Count(), 1);
            const TTmp* t = FindLoadedTemplate(path);
            if (answer == IdOk) {
                EXPECT_EQ(t, nullptr);
                EXPECT_EQ(Texts(), QStringList{QLatin1String(file) + QStringLiteral("\ts0")});
            } else {
                ASSERT_NE(t, nullptr);
                EXPECT_EQ(t->HeldRows(), t->Height);
                // The bar grew as the rows came.
                const std::vector<int> bar = status.BarWidths();
                EXPECT_GT(bar.size(), 2u);
                EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
                EXPECT_GT(bar.back(), status.ProgressBoxWidth() * 9 / 10);
                EXPECT_EQ(Texts(), QStringList{QLatin1String(file) + QStringLiteral("\ts1")});
            }
            EXPECT_FALSE(ProgressRunning());
            UnloadTemplatesOfMap();
        }
    }
}

// A map naming one missing file 76,800 times asks once, and Cancel (Enter) switches them all
// off; every missing name is asked for once an opening, and a file found for a name serves all
// templates of that name.
TEST_F(CraftedTemplates, AMissingTemplateIsAskedForOnceANameAndCancelEndsTheSearch)
{
    {
        std::vector<std::string> texts(76800, "gone.bmp\ts1\tx0\ty0");
        ASSERT_TRUE(OpenShowing(QStringLiteral("many.zmd"), texts));
        EXPECT_EQ(Asked(TextKey::TemplateSearch), QStringList{QStringLiteral("gone.bmp")});
        EXPECT_EQ(messages.Count(), 1);
        EXPECT_TRUE(Index.MapOpen);
        const QStringList now = Texts();
        ASSERT_EQ(now.size(), 76800);
        EXPECT_EQ(now.count(QStringLiteral("gone.bmp\ts0\tx0\ty0")), 76800);
        EXPECT_EQ(dialogs.Requests().size(), 1u); // File > Open's
    }
    ASSERT_TRUE(Write(QStringLiteral("found.tif"), TiffBuilder().Grey(2, 2).Bytes()));
    struct Case {
        const char* name;
        std::vector<int> answers;              // to the questions, in turn
        std::vector<QString> dialog;           // chosen files, empty: Cancel
        QStringList asked;
        QStringList texts;
    };
    const QString found = TempPath(QStringLiteral("found.tif"));
    const Case cases[] = {
        {"cancel", {IdCancel}, {}, {"b.bmp"}, {"a.bmp\ts0", "b.bmp\ts0\tx1", "a.bmp\ts0\tx2", "b.bmp\ts0\tx3"}},
        {"not found", {IdOk, IdOk}, {{}, {}}, {"b.bmp", "a.bmp"}, {"a.bmp\ts0", "b.bmp\ts0\tx1", "a.bmp\ts0\tx2", "b.bmp\ts0\tx3"}},
        {"found, then cancel", {IdOk, IdCancel}, {found}, {"b.bmp", "a.bmp"},
         {"a.bmp\ts0", "found.tif\ts1\tx1", "a.bmp\ts0\tx2", "found.tif\ts1\tx3"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.Clear();
        for (int a : c.answers)
            messages.QueueAnswer(a);
        ASSERT_TRUE(OpenShowing(QStringLiteral("two%1.zmd").arg(++n), {"a.bmp\ts1", "b.bmp\ts1\tx1", "a.bmp\ts1\tx2", "b.bmp\ts1\tx3"},
                                c.dialog));
        EXPECT_EQ(Asked(TextKey::TemplateSearch), c.asked);
        EXPECT_EQ(messages.PendingAnswers(), 0);
        EXPECT_EQ(Texts(), c.texts);
        const TTmp* t = FindLoadedTemplate(found);
        EXPECT_EQ(t ? t->RefCount : 0, c.dialog.size() == 1 ? 2 : 0);
        UnloadTemplatesOfMap();
    }
}

// The question's bounds: up to UnaskedBytes, or up to what the coded bytes plausibly give,
// with both sides up to MaxSide, nothing is asked; one more asks, and only OK reads.
TEST(TemplateSize, IsAskedJustBeyondItsBounds)
{
    RecordingMessages messages;
    RasterLimits = {};
    RasterLimits.UnaskedBytes = 1000;
    RasterLimits.MaxSide = 500;
    struct Case {
        int width, height, bits;
        int64_t coded, perByte;
        bool asked;
    };
    const Case cases[] = {
        {100, 10, 8, 0, 1, false},      // 1000 bytes: unasked
        {101, 10, 8, 0, 1, true},
        {400, 5, 24, 100, 60, false},   // 6000 bytes, 100 x 60
        {400, 5, 24, 99, 60, true},
        {500, 2, 1, 0, 1, false},       // 126 bytes, the longest side
        {501, 2, 1, 0, 1, true},
        {2, 501, 1, 0, 1, true},
        {16, 100, 4, 800, 1, false},    // 800 bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.bits << ", " << c.coded);
        TTmp t;
        t.Width = c.width;
        t.Height = c.height;
        t.BitsPerPixel = c.bits;
        for (int answer : {int(IdOk), int(IdCancel)}) {
            messages.Clear();
            if (c.asked)
                messages.QueueAnswer(answer);
            EXPECT_EQ(ConfirmTemplateSize(t, c.coded, c.perByte, QStringLiteral("b.tif")), !c.asked || answer == IdOk);
            ASSERT_EQ(messages.Count(), c.asked ? 1 : 0);
            if (c.asked) {
                // Megabytes rounded up.
                const int64_t bytes = t.RowBytes() * c.height;
                EXPECT_EQ(messages.Last().key, TextKey::LargeTemplate);
                EXPECT_EQ(messages.Last().params,
                          QStringLiteral("b.tif;%1;%2;%3").arg(c.width).arg(c.height).arg((bytes + MiB - 1) / MiB));
            }
        }
    }
    RasterLimits = {};
}

} // namespace
