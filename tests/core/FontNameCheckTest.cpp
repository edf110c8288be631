// Font names of text symbols against the installed families: a Windows family whose free
// metric-compatible family is installed counts as installed and keeps its own name.
#include "core/FieldChecks.h"

#include "CoreFixture.h"
#include "core/widgets/QtFieldChecks.h"

#include <QComboBox>

namespace zemo {
namespace {

using FontNameChecks = test::CoreTest;

TEST_F(FontNameChecks, AWindowsFamilyCountsAsInstalledWhenItsSubstituteIs)
{
    const QStringList installed{"DejaVu Sans", "Liberation Mono", "Liberation Serif", "Noto Mono"};
    struct Row {
        QString name;
        bool accepted;
        int index;  // where the combo lists it
    };
    const Row rows[] = {
        {"Times New Roman", true, 4},  // Liberation Serif
        {"Courier New", true, 0},      // Liberation Mono
        {"courier new", true, 0},
        {"Liberation Serif", true, 2},
        {"Arial", false, 4},           // Liberation Sans is missing: listed last
        {"Liberation Sans", false, 4},
        {"Wingdings", false, 4},
        {"", false, 4},
    };
    for (const Row& r : rows) {
        const std::string what = r.name.toStdString();
        messages.Clear();
        EXPECT_EQ(bool(CheckFontName(r.name, installed)), r.accepted) << what;
        EXPECT_EQ(messages.CountOf(TextKey::FontNotFound), r.accepted ? 0 : 1) << what;
        messages.Clear();
        int selected = -1;
        const QStringList items = FontComboItems(installed, r.name, &selected);
        EXPECT_EQ(selected, r.index) << what;
        EXPECT_EQ(items.value(selected), r.name) << what;
        EXPECT_EQ(items.size(), installed.size() + (installed.contains(r.name) ? 0 : 1)) << what;
        EXPECT_EQ(messages.Count(), r.accepted ? 0 : 1) << what;
    }

    // The combo keeps the name as written, and its check passes.
    messages.Clear();
    QComboBox combo;
    FillFontCombo(&combo, installed, QStringLiteral("Times New Roman"));
    EXPECT_EQ(combo.currentText(), QStringLiteral("Times New Roman"));
    EXPECT_TRUE(CheckFontCombo(&combo, installed));
    EXPECT_EQ(messages.Count(), 0);
}

} // namespace
} // namespace zemo
