// The description symbols scaled to the box size of the course options.
#include "CourseEvent.h"

#include "course/DescriptionScale.h"
#include "symbols/store/SymbolLayout.h"

#include <cmath>

namespace zemo::test {
namespace {

class DescriptionScale : public CourseEventTest {};

TEST_F(DescriptionScale, OnlySizesFromThreeToTenOtherThanSixScaleTheDescriptionSymbols)
{
    const std::vector<SymbolBytes> before = Z().Symbols;
    auto isDescription = [](const SymbolBytes& rec) {
        return SymU8(rec, SymCsRole) == CsRoleDescription || IsSheetSymbol(SymI16(rec, SymNumber));
    };
    int descriptions = 0;
    for (const SymbolBytes& rec : before)
        descriptions += isDescription(rec) && SymI16(rec, SymExtent) > 0;
    ASSERT_GT(descriptions, 0);
    for (double size : {6.0, 2.9, 10.1, 2.99, 0.0, -9.0}) {
        EXPECT_EQ(ScaleDescriptionSymbols(size), 0) << size;
        EXPECT_EQ(CsBox.BoxSize, StandardBoxUnits) << size;
        EXPECT_TRUE(Z().Symbols == before) << size;
    }
    EXPECT_GT(ScaleDescriptionSymbols(9), 0);
    EXPECT_EQ(CsBox.BoxSize, 900 * 256);
    for (size_t i = 0; i < before.size(); ++i) {
        const int was = SymI16(before[i], SymExtent);
        const int now = SymI16(Z().Symbols[i], SymExtent);
        if (isDescription(before[i]))
            EXPECT_NEAR(now, was * 1.5, 2) << SymI16(before[i], SymNumber);
        else
            EXPECT_TRUE(Z().Symbols[i] == before[i]) << SymI16(before[i], SymNumber);
    }
    // The edges of the range scale too.
    Z().Symbols = before;
    EXPECT_GT(ScaleDescriptionSymbols(3), 0);
    EXPECT_EQ(CsBox.BoxSize, 300 * 256);
    Z().Symbols = before;
    EXPECT_GT(ScaleDescriptionSymbols(10), 0);
    // 8.2 mm is 819.99... hundredths in binary: the box takes the nearest, 820.
    Z().Symbols = before;
    EXPECT_GT(ScaleDescriptionSymbols(8.2), 0);
    EXPECT_EQ(CsBox.BoxSize, 820 * 256);
}

} // namespace
} // namespace zemo::test
