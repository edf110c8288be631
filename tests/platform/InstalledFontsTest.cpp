// The installed families and faces with their Windows character sets, as text symbols are
// checked against them, on the fonts scripts/install-deps installs.
#include "platform/Fonts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zemo {
namespace {

template <class T>
const T* Named(const std::vector<T>& list, const QString& name)
{
    const auto it = std::find_if(list.begin(), list.end(), [&](const T& e) { return e.name == name; });
    return it == list.end() ? nullptr : &*it;
}

bool Offers(const std::vector<int>& sets, int charset)
{
    return std::find(sets.begin(), sets.end(), charset) != sets.end();
}

TEST(InstalledFonts, CodePagesMapToTheWindowsCharacterSets)
{
    const int pairs[][2] = {{1252, 0},   {1250, 238}, {1251, 204}, {1253, 161}, {1254, 162}, {1255, 177},
                            {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},  {437, 255},  {932, 128},
                            {949, 129},  {1361, 130}, {936, 134},  {950, 136},  {65001, 0}};
    for (const auto& p : pairs)
        EXPECT_EQ(CharsetOfCodePage(p[0]), p[1]) << p[0];
}

TEST(InstalledFonts, FacesBelongToListedFamiliesAndWindowsNamesStandForTheirSubstitutes)
{
    FontService service;
    const InstalledFonts& fonts = service.Installed();
    const InstalledFamily* sans = Named(fonts.families, QStringLiteral("Liberation Sans"));
    ASSERT_NE(sans, nullptr) << "needs fonts-liberation2, fonts-dejavu-core and fonts-dejavu-extra";
    EXPECT_EQ(sans->charsets.front(), AnsiCharset);
    EXPECT_TRUE(Offers(sans->charsets, 238) && Offers(sans->charsets, 204) && !Offers(sans->charsets, 128));

    const char* const faces[][2] = {
        {"Liberation Serif Bold Italic", "Liberation Serif"},
        // Under both families of the condensed faces: the narrower family keeps it.
        {"DejaVu Sans Condensed Bold", "DejaVu Sans Condensed"},
        {"Arial Bold", "Arial"},
        {"Times New Roman Italic", "Times New Roman"},
    };
    const bool arialItself = service.HasFamily(QStringLiteral("Arial"));
    for (const auto& f : faces) {
        const InstalledFace* face = Named(fonts.faces, QLatin1String(f[0]));
        ASSERT_NE(face, nullptr) << f[0];
        EXPECT_EQ(face->family, QLatin1String(f[1]));
    }
    if (!arialItself) {
        EXPECT_EQ(Named(fonts.families, QStringLiteral("Arial"))->charsets, sans->charsets);
    }
    // A Windows name is listed exactly when the family standing for it is installed: the narrow
    // Liberation faces come with the first Liberation release only, which a machine may or may
    // not have beside the second.
    if (!service.HasFamily(QStringLiteral("Arial Narrow"))) {
        const InstalledFamily* narrow = Named(fonts.families, QStringLiteral("Liberation Sans Narrow"));
        const InstalledFamily* windowsName = Named(fonts.families, QStringLiteral("Arial Narrow"));
        if (narrow) {
            ASSERT_NE(windowsName, nullptr) << "a substitute is installed";
            EXPECT_EQ(windowsName->charsets, narrow->charsets);
        } else {
            EXPECT_EQ(windowsName, nullptr) << "no substitute, no name";
        }
    }

    const auto before = [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; };
    for (size_t i = 1; i < fonts.families.size(); ++i)
        EXPECT_TRUE(before(fonts.families[i - 1].name, fonts.families[i].name)) << fonts.families[i].name.toStdString();
    for (size_t i = 1; i < fonts.faces.size(); ++i)
        EXPECT_TRUE(before(fonts.faces[i - 1].name, fonts.faces[i].name)) << fonts.faces[i].name.toStdString();
    for (const InstalledFamily& f : fonts.families) {
        const FontMatch m = service.FindFont(f.name, false, false).match;
        EXPECT_TRUE(m == FontMatch::Name || m == FontMatch::Alias) << f.name.toStdString();
    }
    for (const InstalledFace& f : fonts.faces) {
        const InstalledFamily* family = Named(fonts.families, f.family);
        ASSERT_NE(family, nullptr) << f.name.toStdString();
        EXPECT_TRUE(f.name.startsWith(f.family)) << f.name.toStdString();
        for (int c : f.charsets)
            EXPECT_TRUE(Offers(family->charsets, c)) << f.name.toStdString() << " set " << c;
    }
}

} // namespace
} // namespace zemo
