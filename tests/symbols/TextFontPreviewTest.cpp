// The text symbol editor's font: a symbol font has no capitals to measure, so a typed
// character height leaves the size alone and shows no height; the font preview's ink grows
// with the size typed.
#include "EditorFlow.h"
#include "core/StringX.h"
#include "symbols/TextSym.h"
#include "symbols/widgets/TextSymDlg.h"

#include <QImage>

using namespace zemo;
using namespace zemo::test;

namespace {

// A symbol font without letters (fonts-opensymbol).
const QString SymbolFont = QStringLiteral("OpenSymbol");

class TextFontFlow : public EditorFlow {
protected:
    static void TypeAsUser(QWidget& d, const char* name, const QString& text)
    {
        auto* e = Find<QLineEdit>(d, name);
        e->setText(text);
        Q_EMIT e->textEdited(text);
    }
    // The ink's height in pixels inside the preview's frame: each row counts with the coverage
    // of its most covered pixel (its ink over the strongest ink), so that the smoothed first
    // and last rows count by their part.
    static double InkHeight(const QImage& img)
    {
        const QRgb paper = img.pixel(2, 2);
        const auto ink = [&](int x, int y) {
            const QRgb c = img.pixel(x, y);
            return std::abs(qRed(c) - qRed(paper)) + std::abs(qGreen(c) - qGreen(paper))
                 + std::abs(qBlue(c) - qBlue(paper));
        };
        std::vector<int> rows;
        for (int y = 2; y < img.height() - 2; ++y) {
            int most = 0;
            for (int x = 2; x < img.width() - 2; ++x)
                most = std::max(most, ink(x, y));
            rows.push_back(most);
        }
        const int strongest = rows.empty() ? 0 : *std::max_element(rows.begin(), rows.end());
        double height = 0;
        for (int r : rows)
            height += strongest > 0 ? double(r) / strongest : 0;
        return height;
    }
};

} // namespace

TEST(TextSymbolFont, ASymbolFontHasNoCapitalHeightAndNoSizeForOne)
{
    EXPECT_EQ(CapitalHeightPerTenth(SymbolFont, NormalWeight, false), 0.0);
    EXPECT_EQ(CapitalHeight(SymbolFont, 120, NormalWeight, false), 0);
    EXPECT_FALSE(SizeForCapitalHeight(0.0, 300).has_value());
    EXPECT_FALSE(SizeForCapitalHeight(-1.0, 300).has_value());
    // A text font has them.
    const double perTenth = CapitalHeightPerTenth(QStringLiteral("Liberation Sans"), NormalWeight, false);
    ASSERT_GT(perTenth, 0.0);
    EXPECT_EQ(SizeForCapitalHeight(perTenth, CapitalHeightOfSize(perTenth, 120)), 120);
}

TEST_F(TextFontFlow, AHeightTypedForASymbolFontLeavesTheSizeAndShowsNoHeight)
{
    ASSERT_TRUE(Open(MapWith({TestSymbol::Text(401, SymbolFont.toStdString(), 145, 1)})));
    MakeCurrent(0);
    script.Then<TTextSymDlg>([](TTextSymDlg& d) {
        EXPECT_TRUE(Find<QLineEdit>(d, "CharHeightE")->text().isEmpty()) << "no capitals to measure";
        TypeAsUser(d, "CharHeightE", QStringLiteral("3.00"));
        EXPECT_EQ(Find<QLineEdit>(d, "FontSizeE")->text(), QStringLiteral("14.5"));
        EXPECT_TRUE(Find<QLineEdit>(d, "CharHeightE")->text().isEmpty());
        // A size typed keeps the height empty too, and OK takes the size.
        TypeAsUser(d, "FontSizeE", QStringLiteral("16"));
        EXPECT_TRUE(Find<QLineEdit>(d, "CharHeightE")->text().isEmpty());
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(GetI16(StoredRecord(0), 382), 160);
}

TEST_F(TextFontFlow, ADoubledSizeDoublesTheInkOfTheFontPreview)
{
    ASSERT_TRUE(Open(MapWith({TestSymbol::Text(401, "Liberation Sans", 180, 1)})));
    MakeCurrent(0);
    double before = 0, after = 0;
    script.Then<TTextSymDlg>([&](TTextSymDlg& d) {
        QWidget* preview = Find<QWidget>(d, "FontPreview");
        before = InkHeight(preview->grab().toImage());
        TypeAsUser(d, "FontSizeE", QStringLiteral("36.0"));
        after = InkHeight(preview->grab().toImage());
        Press(d, "CancelBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    ASSERT_GT(before, 8);
    EXPECT_NEAR(after, 2 * before, 1) << before << " px at 18 pt";
}
