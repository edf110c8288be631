// Whole-file copies through the kernel: exactly the source's bytes wherever they land, a source that ends early or
// cannot be read reported with its own name.
#include "core/FileClass.h"

#include "CoreFixture.h"
#include "core/Errors.h"

#include <fcntl.h>
#include <unistd.h>

#include <random>

namespace zemo {
namespace {

using FileCopy = test::CoreTest;

QByteArray RandomBytes(int size, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray b(size, '\0');
    for (char& c : b)
        c = char(rng());
    return b;
}

TEST_F(FileCopy, CopiesAreTheSourcesBytesAtAnyPlace)
{
    // A few megabytes with a hole of zeros in the middle (a sparse file), and one byte.
    QByteArray sparse = RandomBytes(3 << 20, 1);
    sparse.replace(1 << 20, 1 << 20, QByteArray(1 << 20, '\0'));
    const QByteArray sources[] = {sparse, RandomBytes(1, 2), RandomBytes(70001, 3)};
    for (const QByteArray& data : sources) {
        WriteBytes(Path("src.bin"), data);
        // Onto a longer file: nothing of it is left behind.
        WriteBytes(Path("copy.bin"), QByteArray(data.size() + 100, 'x'));
        ASSERT_TRUE(CopyWholeFile(Path("src.bin"), Path("copy.bin")));
        EXPECT_EQ(ReadBytes(Path("copy.bin")), data) << data.size();

        // Behind other bytes, and through a handle the object does not own.
        TFileClass f;
        f.Rewrite(Path("joined.bin"));
        f.Write("head", 4);
        const int fd = ::open(Path("src.bin").toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        f.AppendHandle(fd, data.size(), Path("src.bin"));
        ::close(fd);
        EXPECT_EQ(f.Position(), 4 + data.size());
        EXPECT_EQ(f.Size(), 4 + data.size());
        f.Write("tail", 4);
        f.Close();
        EXPECT_EQ(ReadBytes(Path("joined.bin")), "head" + data + "tail") << data.size();
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileCopy, ASourceShorterThanSaidIsAReadFailureOfTheSource)
{
    WriteBytes(Path("short.bin"), RandomBytes(5000, 4));
    const int fd = ::open(Path("short.bin").toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    TFileClass f;
    f.Rewrite(Path("work.bin"));
    EXPECT_THROW(f.AppendHandle(fd, 6000, Path("short.bin")), EAbort);
    ::close(fd);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotRead);
    EXPECT_EQ(messages.Last().params, Path("short.bin"));

    // A handle that cannot be read from at all (opened for writing only).
    messages.Clear();
    const int writeOnly = ::open(Path("short.bin").toLocal8Bit().constData(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writeOnly, 0);
    TFileClass g;
    g.Rewrite(Path("work2.bin"));
    EXPECT_THROW(g.AppendHandle(writeOnly, 10, Path("short.bin")), EAbort);
    ::close(writeOnly);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotRead);
}

} // namespace
} // namespace zemo
