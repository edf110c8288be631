#include "core/ByteIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

namespace zemo {
namespace {

// A buffer of exactly the given bytes on the heap, so that AddressSanitizer sees any read past it.
std::unique_ptr<uint8_t[]> Exact(std::initializer_list<uint8_t> bytes)
{
    auto p = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), p.get());
    return p;
}

TEST(ByteReader, ReadsLittleAndBigEndianFieldsAtTheirOffsets)
{
    const std::vector<uint8_t> b = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFE, 0xFF,
                                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xBF};
    ByteReader r(b);
    EXPECT_EQ(r.U8(9), 0xFF);
    EXPECT_EQ(r.I8(9), -1);
    EXPECT_EQ(r.U16(0), 0x0201);
    EXPECT_EQ(r.U16(1), 0x0302);
    EXPECT_EQ(r.I16(8), -2);
    EXPECT_EQ(r.U32(0), 0x04030201u);
    EXPECT_EQ(r.I32(6), int32_t(0xFFFE0807));
    EXPECT_EQ(r.U64(0), 0x0807060504030201ull);
    EXPECT_EQ(r.F64(10), -1.5);
    EXPECT_TRUE(r.ok());

    ByteReader be(b, std::endian::big);
    EXPECT_EQ(be.U16(0), 0x0102);
    EXPECT_EQ(be.U32(0), 0x01020304u);
    EXPECT_EQ(be.I16(8), int16_t(0xFEFF));
    EXPECT_EQ(be.U8(3), 0x04);
}

TEST(ByteReader, FieldsPastTheEndFailStickyAndReadNothing)
{
    const auto bytes = Exact({1, 2, 3, 4, 5, 6});
    ByteReader r(bytes.get(), 6);
    EXPECT_EQ(r.U32(2), 0x06050403u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.U32(3), 0u);
    EXPECT_FALSE(r.ok());
    // Later good reads still work, but the error stays until cleared.
    EXPECT_EQ(r.U16(4), 0x0605);
    EXPECT_FALSE(r.ok());
    r.ClearError();
    EXPECT_TRUE(r.ok());

    const size_t huge = std::numeric_limits<size_t>::max();
    for (size_t off : {size_t(6), size_t(7), huge - 1, huge}) {
        ByteReader t(bytes.get(), 6);
        EXPECT_EQ(t.U8(off), 0);
        EXPECT_EQ(t.I64(off), 0);
        EXPECT_TRUE(t.Bytes(off, 1).empty());
        EXPECT_FALSE(t.ok()) << off;
    }
    EXPECT_TRUE(r.Fits(6, 0));
    EXPECT_FALSE(r.Fits(1, huge));
    EXPECT_FALSE(r.Fits(huge, 2));

    ByteReader empty(std::span<const uint8_t>{});
    EXPECT_EQ(empty.F64(0), 0.0);
    EXPECT_FALSE(empty.ok());

    uint8_t out[4] = {9, 9, 9, 9};
    ByteReader c(bytes.get(), 6);
    EXPECT_FALSE(c.CopyBytes(4, out));
    EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0);
    EXPECT_TRUE(c.CopyBytes(2, out));
    EXPECT_EQ(out[3], 6);
}

TEST(ByteReader, ShortStringsClampTheirLengthToTheField)
{
    // string[5] at offset 1, then string[5] whose length byte claims 200.
    const auto bytes = Exact({0xAA, 3, 'a', 'b', 'c', 'x', 'y', 200, 'H', 'e', 'l', 'l', 'o'});
    ByteReader r(bytes.get(), 13);
    EXPECT_EQ(r.ShortString(1, 5), "abc");
    EXPECT_EQ(r.ShortString(7, 5), "Hello");
    EXPECT_TRUE(r.ok());
    // The field's n + 1 bytes must fit, even when its length byte is small.
    EXPECT_EQ(r.ShortString(7, 6), "");
    EXPECT_FALSE(r.ok());
    ByteReader z(bytes.get(), 13);
    EXPECT_EQ(z.ShortString(0, 300), "");
    EXPECT_FALSE(z.ok());
}

TEST(ByteWriter, AppendsAndPlacesFieldsAtLiteralOffsets)
{
    std::vector<uint8_t> buf;
    ByteWriter w(buf);
    w.AddU8(0x11);
    w.AddI16(-2);
    w.AddU32(0xA1B2C3D4);
    w.AddF64(-1.5);
    EXPECT_EQ(buf, (std::vector<uint8_t>{0x11, 0xFE, 0xFF, 0xD4, 0xC3, 0xB2, 0xA1, 0, 0, 0, 0,
                                         0, 0, 0xF8, 0xBF}));

    // A field past the end grows the buffer with zeros; one inside overwrites in place.
    w.PutI32(20, -1);
    ASSERT_EQ(buf.size(), 24u);
    EXPECT_EQ(buf[15] | buf[16] | buf[19], 0);
    EXPECT_EQ(buf[20] & buf[23], 0xFF);
    w.PutU16(1, 0x1234);
    EXPECT_EQ(buf[1], 0x34);
    EXPECT_EQ(buf[2], 0x12);
    EXPECT_EQ(buf.size(), 24u);

    ByteReader r(buf);
    EXPECT_EQ(r.U32(3), 0xA1B2C3D4u);
    EXPECT_EQ(r.F64(7), -1.5);
    EXPECT_EQ(r.I32(20), -1);

    std::vector<uint8_t> big;
    ByteWriter bw(big, std::endian::big);
    bw.AddU32(0x01020304);
    bw.PutU16(4, 0xABCD);
    EXPECT_EQ(big, (std::vector<uint8_t>{1, 2, 3, 4, 0xAB, 0xCD}));

    EXPECT_THROW(w.PutU32(std::numeric_limits<size_t>::max() - 1, 1), std::length_error);
    EXPECT_EQ(buf.size(), 24u);
}

TEST(ByteWriter, ShortStringsAreCutAndZeroPadded)
{
    std::vector<uint8_t> buf(8, 0xEE);
    ByteWriter w(buf);
    w.PutShortString(1, "abcdefgh", 5);
    EXPECT_EQ(buf, (std::vector<uint8_t>{0xEE, 5, 'a', 'b', 'c', 'd', 'e', 0xEE}));
    w.PutShortString(1, "xy", 5);
    EXPECT_EQ(buf, (std::vector<uint8_t>{0xEE, 2, 'x', 'y', 0, 0, 0, 0xEE}));
    w.AddShortString("", 3);
    ASSERT_EQ(buf.size(), 12u);
    EXPECT_EQ(buf[8] | buf[9] | buf[10] | buf[11], 0);

    std::vector<uint8_t> wide;
    ByteWriter ww(wide);
    ww.AddShortString(std::string(400, 'q'), 400);  // a length byte holds at most 255
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0], 255);
    ByteReader r(wide);
    EXPECT_EQ(r.ShortString(0, 255), std::string(255, 'q'));
}

} // namespace
} // namespace zemo
