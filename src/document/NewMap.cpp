#include "document/NewMap.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"

#include <QDir>

#include <algorithm>
#include <cstring>

namespace zemo {

namespace {

constexpr int TextCodePage = 1252;
constexpr int MaxInfoChars = MaxInfoTextBytes - 1;

bool ReadHeader(MapFileReader& f, const QString& name, MapFileHeader& h)
{
    return f.Open(name) && f.ReadHeader(h) && h.Mark == MapFileMark;
}

// The symbol set's setup as a new map starts from it: place, grid and template reset.
std::vector<uint8_t> NewMapSetupBytes(const QString& file, bool courseMap)
{
    const auto defaults = WriteSetupBytes(DefaultSetupRecord());
    std::vector<uint8_t> b(defaults.begin(), defaults.end());
    MapFileReader f;
    MapFileHeader h;
    if (ReadHeader(f, file, h)) {
        const int64_t size = f.Size();
        const int64_t n = std::min<int64_t>({h.SetupSize, int64_t(SetupRecordBytes), size - h.SetupPos});
        if (h.SetupPos >= VariablePartPos && n > 0 && !f.ReadAt(h.SetupPos, b.data(), n))
            throw EAbort();
    }
    const auto putI32 = [&b](size_t at, int32_t v) { StoreLE(b.data() + at, v); };
    putI32(0, 0);
    putI32(4, 0);
    for (size_t at = 32; at <= 52; at += 4)
        putI32(at, 0);
    std::fill(b.begin() + 580, b.begin() + 836, uint8_t(0));
    StoreLE(b.data() + 836, int16_t(0));
    const double scale = LoadLE<double>(b.data() + 24);
    for (size_t at : {size_t(556), size_t(564), size_t(888)})
        StoreLE(b.data() + at, scale);
    std::fill(b.begin() + 908, b.begin() + 924, uint8_t(0));
    StoreLE(b.data() + 924, 4.0);
    putI32(1076, 0);
    if (courseMap)
        StoreLE(b.data() + 880, int16_t(0));
    return b;
}

} // namespace

QString SymbolSetFolder()
{
    return DataFolder() + QStringLiteral("SYMBOL/");
}

QStringList ListSymbolSetFiles(const QString& folder, bool courseSetting)
{
    QStringList result;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.zmd")}, QDir::Files | QDir::Readable,
                                            QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        MapFileReader f;
        MapFileHeader h;
        if (!ReadHeader(f, dir.filePath(name), h))
            continue;
        const bool course = h.Version == 8 && (h.FileType & CourseMapFileBit);
        const bool ordinary = h.Version == 6 || h.Version == 7
                              || (h.Version == 8 && !(h.FileType & CourseMapFileBit));
        if (courseSetting ? course : ordinary)
            result.append(name);
    }
    return result;
}

QString ReadFileInfoOf(const QString& file)
{
    MapFileReader f;
    MapFileHeader h;
    if (!ReadHeader(f, file, h) || h.Version < 6 || h.Version > 8 || h.InfoSize < 1
        || h.InfoSize > MaxInfoTextBytes)
        return {};
    const int64_t size = f.Size();
    if (h.InfoPos < VariablePartPos || h.InfoPos >= size)
        return {};
    QByteArray bytes(int(std::min<int64_t>(h.InfoSize, size - h.InfoPos)), '\0');
    if (!f.ReadAt(h.InfoPos, bytes.data(), bytes.size()))
        return {};
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return DecodeCodePage(TextCodePage, bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

bool CreateEmptyMap()
{
    TZmd* zp = Index.ActiveZmd;
    if (!zp)
        return false;
    TZmd& z = *zp;
    WriteConfig();
    MapFileHeader h;
    h.Mark = MapFileMark;
    h.FileType = 2;
    h.Version = uint16_t(CurrentMapVersion);
    h.SubVersion = uint16_t(std::max(MinorVersion, 0));
    h.SetupPos = VariablePartPos;
    h.SetupSize = int32_t(SetupRecordBytes);
    CreateWorkingCopy(z.WorkFile);
    z.DirectMode = 0;
    z.Header = h;
    z.WriteHeader();
    z.WriteBytesAt(SymbolHeaderBlockPos, std::vector<uint8_t>(SymbolHeaderBlockBytes, 0));
    z.WriteBytesAt(VariablePartPos, WriteSetupBytes(DefaultSetupRecord()));
    LoadMap();
    z.OpenedVersion = CurrentMapVersion;
    z.HighestObject = 0;
    z.Modified = 0;
    Index.MapOpen = true;
    return true;
}

bool CreateNewMap(const QString& symbolSetFile, bool courseSetting)
{
    DocumentPorts().LeaveCurrentWindow();
    TZmd* const prev = Index.ActiveZmd;
    const bool wasOpen = Index.MapOpen;
    auto owned = std::make_unique<TZmd>();
    TZmd& z = *owned;
    SetCurrentMap(&z);
    try {
        if (!CreateEmptyMap() || !LoadSymbolFile(symbolSetFile))
            throw EAbort();
        bool courseMap = false;
        {
            MapFileReader f;
            MapFileHeader h;
            courseMap = courseSetting && ReadHeader(f, symbolSetFile, h) && h.Version == 8
                        && (h.FileType & CourseMapFileBit);
        }
        z.Setup = ReadSetupBytes(NewMapSetupBytes(symbolSetFile, courseMap));
        CheckSetup(z.Setup);
        if (courseMap) {
            z.Header.FileType = 3;
            z.WriteHeader();
            z.CourseMap = 1;
        }
        z.Setup.MapPath.clear();
        z.WriteBytesAt(z.Header.SetupPos, WriteSetupBytes(z.Setup));
    } catch (...) {
        if (z.WorkFile.IsOpen())
            z.WorkFile.CloseAndDelete();
        owned.reset();
        SetCurrentMap(prev);
        Index.MapOpen = wasOpen;
        // Only the abort is an expected failure; anything else is a bug for the event guard.
        try {
            throw;
        } catch (const EAbort&) {
            return false;
        }
    }
    Opening.OpenDocuments.push_back(OpenDocument{QString(), std::move(owned), true});
    DocumentPortSet& windows = DocumentPorts();
    if (!windows.CreateWindow(z, Text(TextKey::Untitled))) {
        CloseDocument(&z);
        return false;
    }
    if (!AfterOpenSetup(QString())) {
        windows.CloseWindows(z);
        CloseDocument(&z);
        return false;
    }
    z.Modified = 0;
    return true;
}

QString GetFileInfoText()
{
    if (!Index.ActiveZmd)
        return {};
    return DecodeCodePage(TextCodePage, ReadInfoText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void SetFileInfoText(const QString& text)
{
    if (!Index.ActiveZmd)
        return;
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\n', QStringLiteral("\r\n"));
    QByteArray bytes = EncodeCodePage(TextCodePage, t.left(MaxInfoChars));
    // A NUL would end the text early when it is read back.
    bytes.replace('\0', ' ');
    WriteInfoText(bytes.left(MaxInfoChars));
}

} // namespace zemo
