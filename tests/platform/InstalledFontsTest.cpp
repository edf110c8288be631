// The installed families and faces with their Windows character sets, as text symbols are
// checked against them, on the fonts scripts/install-deps installs.
#include "platform/Fonts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zemo {
namespace {

const char* const NeededFonts =
    "needs the Debian packages fonts-liberation2, fonts-dejavu-core and fonts-dejavu-extra";

template <class T>
const T* Named(const std::vector<T>& list, const char* name)
{
    const auto it = std::find_if(list.begin(), list.end(), [&](const T& e) {
        return e.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    });
    return it == list.end() ? nullptr : &*it;
}

bool Offers(const std::vector<int>& sets, int charset)
{
    return std::find(sets.begin(), sets.end(), charset) != sets.end();
}

TEST(InstalledFonts, CodePagesMapToTheWindowsCharacterSets)
{
    const int pairs[][2] = {{1252, 0},   {1250, 238}, {1251, 204}, {1253, 161}, {1254, 162},
                            {1255, 177}, {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},
                            {437, 255},  {932, 128},  {949, 129},  {1361, 130}, {936, 134},
                            {950, 136},  {65001, 0},  {0, 0}};
    for (const auto& p : pairs)
        EXPECT_EQ(CharsetOfCodePage(p[0]), p[1]) << p[0];
}

TEST(InstalledFonts, FamiliesAndFacesCarryTheSetsOfTheirFacesAndWindowsNamesStandForTheirSubstitutes)
{
    FontService service;
    const InstalledFonts& fonts = service.Installed();
    const InstalledFamily* sans = Named(fonts.families, "Liberation Sans");
    ASSERT_NE(sans, nullptr) << NeededFonts;
    ASSERT_FALSE(sans->charsets.empty());
    EXPECT_EQ(sans->charsets.front(), AnsiCharset);
    EXPECT_TRUE(Offers(sans->charsets, 238) && Offers(sans->charsets, 204) && Offers(sans->charsets, 161));
    EXPECT_FALSE(Offers(sans->charsets, 128)) << "no Japanese in Liberation Sans";

    struct Row {
        const char* face;
        const char* family;
    };
    const Row faces[] = {
        {"Liberation Sans Bold", "Liberation Sans"},
        {"Liberation Serif Bold Italic", "Liberation Serif"},
        {"DejaVu Sans Bold", "DejaVu Sans"},
        // Listed under both families of the condensed faces: the narrower family keeps it.
        {"DejaVu Sans Condensed Bold", "DejaVu Sans Condensed"},
    };
    for (const Row& r : faces) {
        const InstalledFace* f = Named(fonts.faces, r.face);
        ASSERT_NE(f, nullptr) << r.face;
        EXPECT_EQ(f->family, QLatin1String(r.family)) << r.face;
        EXPECT_TRUE(Named(fonts.families, r.family)) << r.family;
        EXPECT_EQ(f->charsets.front(), AnsiCharset) << r.face;
    }

    if (service.HasFamily(QStringLiteral("Arial")))
        GTEST_SKIP() << "Arial itself is installed";
    const Row windows[] = {{"Arial", "Liberation Sans"},
                           {"Times New Roman", "Liberation Serif"},
                           {"Courier New", "Liberation Mono"}};
    for (const Row& r : windows) {
        const InstalledFamily* w = Named(fonts.families, r.face);
        const InstalledFamily* free = Named(fonts.families, r.family);
        ASSERT_TRUE(w && free) << r.face;
        EXPECT_EQ(w->name, QLatin1String(r.face));
        EXPECT_EQ(w->charsets, free->charsets) << r.face;
        const QString bold = QLatin1String(r.face) + QStringLiteral(" Bold Italic");
        const InstalledFace* f = Named(fonts.faces, bold.toLatin1().constData());
        ASSERT_NE(f, nullptr) << bold.toStdString();
        EXPECT_EQ(f->family, QLatin1String(r.face));
    }
    EXPECT_EQ(Named(fonts.families, "Arial Narrow"), nullptr)
        << "its substitute is not installed, so neither is it";
}

TEST(InstalledFonts, ListsAreSortedWithEachNameOnceAndEveryFaceBelongsToAListedFamily)
{
    FontService service;
    const InstalledFonts& fonts = service.Installed();
    ASSERT_GT(fonts.families.size(), 3u) << NeededFonts;
    const auto before = [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    };
    for (size_t i = 1; i < fonts.families.size(); ++i)
        EXPECT_TRUE(before(fonts.families[i - 1].name, fonts.families[i].name))
            << fonts.families[i].name.toStdString();
    for (size_t i = 1; i < fonts.faces.size(); ++i)
        EXPECT_TRUE(before(fonts.faces[i - 1].name, fonts.faces[i].name))
            << fonts.faces[i].name.toStdString();
    for (const InstalledFamily& f : fonts.families) {
        EXPECT_FALSE(f.charsets.empty()) << f.name.toStdString();
        const ResolvedFont r = service.FindFont(f.name, false, false);
        EXPECT_TRUE(r.match == FontMatch::Name || r.match == FontMatch::Alias) << f.name.toStdString();
    }
    for (const InstalledFace& f : fonts.faces) {
        const InstalledFamily* family = Named(fonts.families, f.family.toUtf8().constData());
        ASSERT_NE(family, nullptr) << f.name.toStdString();
        EXPECT_TRUE(f.name.startsWith(f.family + u' ') || f.name == f.family) << f.name.toStdString();
        for (int c : f.charsets)
            EXPECT_TRUE(Offers(family->charsets, c)) << f.name.toStdString() << " set " << c;
    }
}

} // namespace
} // namespace zemo
