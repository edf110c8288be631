// Template memory follows what a file holds, not what it claims: a damaged fax TIFF claiming
// 59,652,320 x 576 pixels and arithmetic-coded JPEGs claiming huge frames, opened as a map's
// templates, take memory for the rows they decode only; a picture without a decoded row is no
// template; the JPEG library's memory and the pixels share one budget; the templates together
// stay within what the program and the machine allow.
//
// The heap is watched through the address sanitizer's allocation hooks (the test build); without
// the sanitizer the open runs in a child process under an address-space limit.
#include "TemplateFixture.h"
#include "TiffKit.h"
#include "../support/RasterRefs.h"
#include "external/Jpeg.h"
#include "external/RasterLoad.h"

#include <QProcess>

#include <atomic>
#include <cstdlib>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define ZEMO_WATCH_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEMO_WATCH_HEAP 1
#endif
#endif

#ifdef ZEMO_WATCH_HEAP
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                              void (*free_hook)(const volatile void*));
size_t __sanitizer_get_current_allocated_bytes();
}
#endif

namespace zemo::test {
namespace {

constexpr int64_t MiB = int64_t(1) << 20;

#ifdef ZEMO_WATCH_HEAP
std::atomic<bool> watching{false};
std::atomic<int64_t> heapPeak{0};

void OnMalloc(const volatile void*, size_t)
{
    if (!watching.load(std::memory_order_relaxed))
        return;
    const int64_t now = int64_t(__sanitizer_get_current_allocated_bytes());
    int64_t peak = heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}
void OnFree(const volatile void*) {}
#endif

// True when `work` passes its own checks and, while it runs, the heap never grows by more than
// `bound` bytes.
template <class F>
void ExpectHeapGrowthBelow(int64_t bound, F&& work)
{
#ifdef ZEMO_WATCH_HEAP
    static const bool hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    ASSERT_TRUE(hooked);
    const int64_t before = int64_t(__sanitizer_get_current_allocated_bytes());
    heapPeak = before;
    watching = true;
    work();
    watching = false;
    EXPECT_LT(heapPeak - before, bound) << "the heap grew by " << (heapPeak - before) / MiB << " MiB";
#else
    // A child with the address space it has now and the bound on top: beyond it an allocation
    // fails and the child ends otherwise than with 0.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QFile status(QStringLiteral("/proc/self/status"));
        int64_t vm = 0;
        if (status.open(QIODevice::ReadOnly))
            for (QByteArray line; !(line = status.readLine()).isEmpty();)
                if (line.startsWith("VmSize:"))
                    vm = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
        const rlimit limit{rlim_t(vm + bound), rlim_t(vm + bound)};
        if (vm <= 0 || setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(2);
        work();
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child's checks failed, or it ran out of room: status " << status;
#endif
}

// 59,652,320 x 576 bilevel pixels coded by T.6 in one strip: four white rows (a vertical code
// each), then bytes that match no code.
QByteArray DamagedFax(const QByteArray& data = QByteArray::fromHex("f00000"))
{
    return TiffBuilder()
        .Longs(256, {59652320})
        .Longs(257, {576})
        .Shorts(258, {1})
        .Shorts(259, {4})
        .Shorts(262, {0})
        .Longs(278, {576})
        .Strip(data)
        .Longs(279, {uint32_t(data.size())})
        .Bytes();
}

class TemplateMemory : public TemplateTest {
protected:
    void SetUp() override
    {
        TemplateTest::SetUp();
        RasterLimits = {};
        zemo::TemplateMemory = {};
        QByteArray pgm = "P5\n53 37\n255\n";
        for (int y = 0; y < 37; ++y)
            for (int x = 0; x < 53; ++x)
                pgm.append(char((x * 5 + y * 3) % 256));
        ASSERT_TRUE(Write(QStringLiteral("in.pgm"), pgm));
    }
    void TearDown() override
    {
        RasterLimits = {};
        TemplateTest::TearDown();
    }
    bool Write(const QString& name, const QByteArray& bytes)
    {
        QFile f(InMaps(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QByteArray Contents(const QString& name)
    {
        QFile f(InMaps(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // cjpeg's grey file of in.pgm with these options, its frame header (marker `sof`) then
    // made to claim width x height pixels.
    QByteArray Claiming(const QStringList& options, uint8_t sof, int width, int height)
    {
        const QString out = InMaps(QStringLiteral("cjpeg.jpg"));
        EXPECT_TRUE(RunTool(QStringLiteral("cjpeg"), options + QStringList{QStringLiteral("-grayscale"),
                                                                           QStringLiteral("-outfile"), out, InMaps(QStringLiteral("in.pgm"))}));
        QByteArray b = Contents(QStringLiteral("cjpeg.jpg"));
        const qsizetype at = b.indexOf(QByteArray("\xFF") + char(sof));
        EXPECT_GT(at, 0);
        if (at <= 0)
            return {};
        // FF Cn, length, precision, height, width (big-endian).
        b[at + 5] = char(height >> 8);
        b[at + 6] = char(height & 0xFF);
        b[at + 7] = char(width >> 8);
        b[at + 8] = char(width & 0xFF);
        return b;
    }
    // A map showing these template files, opened.
    TZmd* OpenMapShowing(const std::vector<std::string>& files)
    {
        std::vector<std::string> texts;
        for (const std::string& f : files)
            texts.push_back(f + "\ts1");
        return Open(WriteMap(MapWith(texts), InMaps(QStringLiteral("m.zmd"))));
    }
};

constexpr uint8_t ArithmeticSequential = 0xC9, ArithmeticProgressive = 0xCA;

// The bar: a map whose templates are a tiny damaged TIFF and tiny JPEGs claiming huge frames
// opens in far less than 600 MB; each template takes memory for the rows it decoded only.
TEST_F(TemplateMemory, AMapWithTinyDamagedTemplatesClaimingHugeFramesOpensInLittleMemory)
{
    ASSERT_TRUE(Write(QStringLiteral("fax.tif"), DamagedFax()));
    // Some hundred bytes for 20000 x 20000 grey pixels, progressive: coefficients for the whole
    // frame would take 800 MB before the first row.
    ASSERT_TRUE(Write(QStringLiteral("progressive.jpg"),
                      Claiming({QStringLiteral("-arithmetic"), QStringLiteral("-progressive")}, ArithmeticProgressive, 20000, 20000)));
    // Sequential, 4224 x 3168, cut right after its scan header.
    QByteArray sequential = Claiming({QStringLiteral("-arithmetic")}, ArithmeticSequential, 4224, 3168);
    sequential.truncate(sequential.indexOf(QByteArray("\xFF\xDA", 2)) + 10);
    ASSERT_TRUE(Write(QStringLiteral("sequential.jpg"), sequential));

    const int64_t faxRow = (int64_t(59652320) + 7) / 8;
    // The fax's width and the progressive file's size ask first; here the user reads them.
    messages.SetDefaultAnswer(IdOk);
    ExpectHeapGrowthBelow(4 * faxRow + 24 * MiB, [&] {
        ASSERT_NE(OpenMapShowing({"fax.tif", "progressive.jpg", "sequential.jpg"}), nullptr);
        EXPECT_EQ(messages.CountOf(TextKey::LargeTemplate), 2);
        // The fax: its four rows, the damage said once.
        const TTmp* fax = FindLoadedTemplate(InMaps(QStringLiteral("fax.tif")));
        ASSERT_NE(fax, nullptr);
        EXPECT_EQ(fax->HeldRows(), 4);
        EXPECT_EQ(fax->HeldBytes(), 4 * faxRow);
        EXPECT_EQ(fax->Row(3)[faxRow - 1], 0);
        EXPECT_EQ(messages.CountOf(TextKey::ErrorCcitt), 1);
        // The JPEGs: no row, no template.
        EXPECT_EQ(FindLoadedTemplate(InMaps(QStringLiteral("progressive.jpg"))), nullptr);
        EXPECT_EQ(FindLoadedTemplate(InMaps(QStringLiteral("sequential.jpg"))), nullptr);
        EXPECT_EQ(messages.CountOf(TextKey::PictureUnread), 1);
        EXPECT_EQ(TemplateUnit.LoadedTemplates.size(), 1u);
        // What the store counted, pixels and library together, never passed the fax's rows and
        // the JPEG library's floor.
        EXPECT_LE(zemo::TemplateMemory.Peak, 4 * faxRow + 64 * MiB);
        EXPECT_GE(zemo::TemplateMemory.Peak, 4 * faxRow);
    });
    QStringList unread;
    for (const auto& e : messages.Entries())
        if (e.msg.key == TextKey::PictureUnread)
            unread << e.msg.params;
    EXPECT_EQ(unread, QStringList{InMaps(QStringLiteral("sequential.jpg"))});
}

// A fax whose first code is damaged decodes no row: it is no template, and holds nothing.
TEST_F(TemplateMemory, AFaxWithoutADecodedRowIsNotLoaded)
{
    ASSERT_TRUE(Write(QStringLiteral("fax.tif"), DamagedFax(QByteArray::fromHex("0000"))));
    messages.SetDefaultAnswer(IdOk);
    ExpectHeapGrowthBelow(32 * MiB, [&] {
        ASSERT_NE(OpenMapShowing({"fax.tif"}), nullptr);
        EXPECT_EQ(FindLoadedTemplate(InMaps(QStringLiteral("fax.tif"))), nullptr);
        EXPECT_EQ(messages.CountOf(TextKey::ErrorCcitt), 1);
        EXPECT_EQ(messages.CountOf(TextKey::PictureUnread), 1);
    });
}

// The library's working memory (here a progressive file's coefficients) and the pixels come
// out of one budget: the largest sum the store counted for a progressive file is more than its
// pixels, and a budget one byte below it refuses the file with "TempMemory".
TEST_F(TemplateMemory, TheJpegLibrarysMemoryAndThePixelsShareOneBudget)
{
    const QString path = InMaps(QStringLiteral("p.jpg"));
    ASSERT_TRUE(RunTool(QStringLiteral("cjpeg"), {QStringLiteral("-progressive"), QStringLiteral("-outfile"), path,
                                                  InMaps(QStringLiteral("in.pgm"))}));
    const auto read = [&] {
        auto t = std::make_unique<TTmp>();
        TemplateUnit.CurrentTemplate = t.get();
        const bool ok = ReadJpegFile(path, TemplateLoadSilent);
        TemplateUnit.CurrentTemplate = nullptr;
        return ok ? std::move(t) : nullptr;
    };
    auto whole = read();
    ASSERT_NE(whole, nullptr);
    const int64_t pixels = int64_t(53) * 3 * 37;
    // A grey 53 x 37 picture has 7 x 5 blocks of 64 two-byte coefficients.
    const int64_t coefficients = 7 * 5 * 128;
    const int64_t peak = zemo::TemplateMemory.Peak;
    EXPECT_EQ(whole->HeldBytes(), pixels);
    EXPECT_GE(peak, pixels + coefficients);
    RasterLimits.MaxPixelBytes = peak;
    EXPECT_NE(read(), nullptr);
    RasterLimits.MaxPixelBytes = peak - 1;
    messages.Clear();
    EXPECT_EQ(read(), nullptr);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::TempMemory);
}

// All loaded templates together stay within the program's bound and what the machine can
// still give: a template beyond either is refused with "TempMemory", the others stay.
TEST_F(TemplateMemory, TheTemplatesTogetherStayWithinTheBoundAndWhatTheMachineHas)
{
    constexpr int64_t Bytes = 128 * 64;
    const QByteArray grey = TiffBuilder().Grey(128, 64).Bytes();
    ASSERT_TRUE(Write(QStringLiteral("a.tif"), grey));
    ASSERT_TRUE(Write(QStringLiteral("b.tif"), grey));
    const QString a = InMaps(QStringLiteral("a.tif")), b = InMaps(QStringLiteral("b.tif"));
    ASSERT_TRUE(LoadTemplateFile(a, TemplateLoadSilent));
    EXPECT_EQ(HeldTemplateBytes(), Bytes);

    RasterLimits.MaxTotalBytes = 2 * Bytes - 1;
    EXPECT_FALSE(LoadTemplateFile(b, TemplateLoadSilent));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::TempMemory);
    EXPECT_NE(FindLoadedTemplate(a), nullptr);
    EXPECT_EQ(FindLoadedTemplate(b), nullptr);
    RasterLimits.MaxTotalBytes = 2 * Bytes;
    EXPECT_TRUE(LoadTemplateFile(b, TemplateLoadSilent));
    ReleaseTemplate(b);

    // The machine: what it can still give, less what is kept for the rest of the program.
    RasterLimits = {};
    RasterLimits.AvailableBytes = [] { return RasterLimits.KeptFree + Bytes - 1; };
    messages.Clear();
    EXPECT_FALSE(LoadTemplateFile(b, TemplateLoadSilent));
    EXPECT_EQ(messages.CountOf(TextKey::TempMemory), 1);
    RasterLimits.AvailableBytes = [] { return RasterLimits.KeptFree + Bytes; };
    EXPECT_TRUE(LoadTemplateFile(b, TemplateLoadSilent));
    ReleaseTemplate(b);
    // A machine that cannot tell leaves the other bounds.
    RasterLimits.AvailableBytes = [] { return int64_t(-1); };
    EXPECT_TRUE(LoadTemplateFile(b, TemplateLoadSilent));
    EXPECT_EQ(HeldTemplateBytes(), 2 * Bytes);
}

} // namespace
} // namespace zemo::test
