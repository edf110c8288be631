// The program's own settings (not a map's: those are its SetupRecord). One process-wide
// record, ProgramConfig, filled once at start-up by ReadConfig and written back whole by
// WriteConfig, kept in the settings store under "Zemo8/..." (read also from the older
// "Zemo7/..." and from the store's root).
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace zemo {

class Settings;

inline constexpr int ShortCutCount = 38;
// Texts read from the store longer than this (in UTF-8 bytes) keep their defaults; a longer
// start-up file name is dropped. Long enough for any Linux path.
inline constexpr int MaxConfigTextBytes = 4095;

// The menu commands that may get a shortcut, in their fixed order; each is also the value
// name of its text under "ShortCuts".
extern const std::array<const char*, ShortCutCount> ShortCutNames;

// The tool buttons a ConfigRecord's WorkMode selects; Freehand .. Curve are also the
// drawing methods of its LineMode.
namespace WorkModes {
inline constexpr int None = 0;
inline constexpr int Freehand = 5;
inline constexpr int Straight = 6;
inline constexpr int Rectangular = 7;
inline constexpr int Circle = 8;
inline constexpr int Ellipse = 9;
inline constexpr int Curve = 10;
inline constexpr int EditPoint = 11;
inline constexpr int EditObject = 12;
inline constexpr int Cut = 13;
inline constexpr int CutHole = 14;
inline constexpr int Rotate = 15;
inline constexpr int Direction = 16;
inline constexpr int NormalPoint = 17;
inline constexpr int CornerPoint = 18;
inline constexpr int DashPoint = 19;
inline constexpr int RemovePoint = 20;
inline constexpr int MoveParallel = 26;
inline constexpr int PrintRange = 27;
inline constexpr int CourseRange = 28;
inline constexpr int ExportRange = 29;
inline constexpr int ExportRangeAlt = 30;
inline constexpr int PartialMap = 31;
inline constexpr int TemplateAdjust = 32;
inline constexpr int GpsAdjust = 33;
} // namespace WorkModes

struct ConfigRecord {
    QString File;                     // map to open at start-up
    std::array<QString, 5> RecentFiles;  // "File1" .. "File5", newest first
    int32_t WorkMode = WorkModes::Curve;  // selected tool button, Freehand .. EditObject
    int32_t LineMode = WorkModes::Curve;  // drawing method for line and area symbols
    int32_t BackupDrive = 0;          // 0 or 1 removable volumes, 2 other location
    QString BackupFile;
    QString BackupFolder;             // the last volume folder
    bool AutoLoad = true;
    bool AutoSave = false;
    int32_t Smoothing = 1;            // 0 .. 2
    bool AutoJoin = true;
    bool RedrawBackground = true;
    bool AutoScroll = true;
    bool AutoSelectSym = true;
    bool ContextMenu = true;
    bool ObjectStretch = true;
    bool LineUpdate = false;
    bool AreaUpdate = false;
    bool ScreenGrid = true;
    bool FreehandToCurve = false;
    int32_t SelectMode = 0;           // 0 touching, 1 wholly inside
    int32_t CurveMode = 0;            // 0 ZemoMode, 1 IllustratorMode
    int32_t SelectTolerance = 3;      // pixels, 2 .. 5
    int32_t JoinTolerance = 25;       // 0.01 mm, 0 .. 100
    bool HiddenPrintWarning = true;
    bool HiddenExportWarning = true;
    bool HiddenImportWarning = true;
    QString MapFolder;
    QString TemplateFolder;
    QString ExportFolder;
    int32_t ScreenColor = -40;        // -100 .. 100
    int32_t ScreenGamma = -20;        // -100 .. 100
    QString PrintPrinter;
    QString CdPrintPrinter;
    std::array<QString, ShortCutCount> ShortCutTexts;  // key names; empty = no shortcut
    bool GpsEnabled = false;
    QString GpsPort = QStringLiteral("COM1");
    int32_t GpsSpeed = 4800;
    bool GpsFilter = false;
    bool GpsMin4Sat = false;
    bool GpsDgpsRequired = false;

    ConfigRecord();
    friend bool operator==(const ConfigRecord&, const ConfigRecord&) = default;
};

extern ConfigRecord ProgramConfig;

// Every field to its default, the shortcut texts included.
void DefaultConfig(ConfigRecord& c);
void DefaultShortCuts(ConfigRecord& c);
void DefaultShortCuts();
// A field outside its range gets its fallback value (not necessarily its default).
void CheckConfig(ConfigRecord& c);
void CheckConfig();

// Defaults, then the values of the newest of "Zemo8", "Zemo7" and the root that exists in
// the store (a missing value or one of another type keeps its default), then CheckConfig.
// The start-up file is emptied in the store once it has been read, so that it is offered
// once only; returns true when that changed the store, which the caller then saves.
bool ReadConfig(ConfigRecord& c, Settings& store);
// Writes every field under "Zemo8", whatever key the settings were read from.
void WriteConfig(const ConfigRecord& c, Settings& store);

// The same on ProgramConfig and the settings file: a failure is silent, the record then
// keeps its defaults or the values already read.
void ReadConfig();
bool WriteConfig();

} // namespace zemo
