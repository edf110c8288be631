// Maps with templates opened the way File > Open opens them (working copies, no windows), in a
// temporary folder that holds maps, state and settings; template files in the test-only
// raster format; the template feature bound as the program binds it.
#pragma once

#include "../support/TestMapWriter.h"
#include "../support/TestTemplates.h"
#include "app/Install.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"
#include "external/Template.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zemo::test {

inline constexpr int32_t Mm = kUnitsPerMm;

class TemplateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_STATE_HOME", (dir.path() + "/state").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        QDir().mkpath(Folder());
        ResetOpenUnit();
        ResetIndexState();
        ResetUndoState();
        ResetTemplateUnit();
        ResetGraphSysState();
        ResetScaleState();
        SetBandScreenSize(QSize(120, 80));
        ResetTemplateDrawState();
        DefaultConfig(ProgramConfig);
        ProgramConfig.AutoSave = false;
        ProgramConfig.MapFolder = Folder();
        InstallExternal();
        TestTemplateReader::Install();
    }
    void TearDown() override
    {
        ResetOpenUnit();
        ResetTemplateUnit();
        ResetIndexState();
    }

    QString Folder(const QString& sub = QStringLiteral("maps")) const { return dir.path() + u'/' + sub; }
    QString InMaps(const QString& name) const { return Folder() + u'/' + name; }

    // A map with one line about the origin and these template strings, top first.
    static TestMapWriter MapWith(const std::vector<std::string>& templates, int separations = 0)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50)};
        w.objects.push_back(TestObject::Line(10, {{-10 * Mm, -5 * Mm}, {10 * Mm, 5 * Mm}}));
        for (const std::string& t : templates)
            w.strings.push_back(TestPString::Make(8, 0, t));
        for (int i = 0; i < separations; ++i)
            w.separations.push_back(TestSeparation{});
        return w;
    }
    QString WriteMap(const TestMapWriter& w, const QString& path)
    {
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        return path;
    }
    // File > Open's road without a window; the map becomes current.
    TZmd* Open(const QString& path)
    {
        EXPECT_TRUE(OpenMapByName(path)) << path.toStdString();
        return Index.ActiveZmd;
    }
    // Its window closes: the templates let go, the map closed.
    static void CloseWindowOf(TZmd* z)
    {
        SetCurrentMap(z);
        Index.MapOpen = true;
        UnloadTemplate();
        CloseDocument(z);
    }
    // A w x h grey template file whose pixel (x, y) is (x + 7 y) mod 256.
    static QString WriteRaster(const QString& path, int w = 8, int h = 4, int bits = 8, int salt = 0)
    {
        TestRaster r = TestRaster::Grey(w, h, bits);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < r.RowBytes(); ++x)
                r.Row(y)[x] = uint8_t(x + 7 * y + salt);
        EXPECT_TRUE(WriteTestRaster(path, r));
        return path;
    }
    static QStringList Texts(const TZmd* z)
    {
        QStringList l;
        for (const auto& item : z->Templates.Items())
            l << item.Text;
        return l;
    }
    static QStringList Names(const TZmd* z)
    {
        QStringList l;
        for (const QString& t : Texts(z))
            l << GetParamName(t);
        return l;
    }

    QTemporaryDir dir;
    RecordingMessages messages;
    RecordingFileDialogs dialogs;
};

} // namespace zemo::test
