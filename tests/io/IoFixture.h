// Maps opened the way File > Open opens them (working copies, no windows) in a temporary folder
// that also holds the export targets; raster templates in the test-only format; small render
// bands so that every export crosses strip and cell seams; Esc pressed at a chosen poll.
#pragma once

#include "../support/TestMapWriter.h"
#include "../support/TestTemplates.h"
#include "app/Install.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/Ports.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Undo.h"
#include "external/Template.h"
#include "io/ExpAi.h"
#include "io/ExpEps.h"
#include "io/PrintSys.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zemo::test {

inline constexpr int32_t Mm = kUnitsPerMm;

class IoTest : public ::testing::Test {
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
        SetBandScreenSize(QSize(48, 32));
        ResetTemplateDrawState();
        ResetExpEpsUnit();
        ResetExpAiUnit();
        ResetPrintSysUnit();
        ResetStatusUnit();
        DefaultConfig(ProgramConfig);
        ProgramConfig.AutoSave = false;
        ProgramConfig.MapFolder = Folder();
        InstallDocument();
        InstallExternal();
        TestTemplateReader::Install();
        CorePorts().PumpKeyMessages.Bind([this] {
            if (escAt > 0 && ++polls == escAt)
                AbortRequested = true;
        });
    }
    void TearDown() override
    {
        ResetOpenUnit();
        ResetTemplateUnit();
        ResetIndexState();
    }

    QString Folder(const QString& sub = QStringLiteral("maps")) const { return dir.path() + u'/' + sub; }
    QString InMaps(const QString& name) const { return Folder() + u'/' + name; }
    QStringList FilesInMaps() const { return QDir(Folder()).entryList(QDir::Files, QDir::Name); }

    // File > Open's road without a window; the map becomes current.
    TZmd* Open(const TestMapWriter& w, const QString& name = QStringLiteral("map.zmd"))
    {
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(InMaps(name)).toStdString()));
        EXPECT_TRUE(OpenMapByName(InMaps(name)));
        return Index.ActiveZmd;
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // A template string placing a w x h raster with its top-left corner on the map's origin,
    // each pixel `size` hundredths of a millimetre square.
    static std::string Placed(const QString& path, int w, int h, int size = 10)
    {
        const double cx = w * size / 2.0, cy = -h * size / 2.0;
        return (path + QStringLiteral("\ts1\tx%1\ty%2\tu%3\tv%3").arg(cx).arg(cy).arg(size)).toStdString();
    }

    QTemporaryDir dir;
    RecordingMessages messages;
    RecordingFileDialogs dialogs;
    // Esc is pressed at this poll (0: never); the polls so far.
    int escAt = 0;
    int polls = 0;
};

} // namespace zemo::test
