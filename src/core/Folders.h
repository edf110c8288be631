// Where things live (program, data, state, maps, templates, exports), the version text, and
// the core globals set up once at start-up before any window exists.
//
// Every folder returned here ends with "/". Stored folders and map paths may come from older
// settings or files and end with "\"; both separators are accepted when reading them.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zemo {

// ---- Folders ----
// The folder of the running executable.
QString GetProgramFolder();
// Read-only data (strings.ini, symbol sets, help): beside the executable, or one level up
// from it, in the build tree; <prefix>/share/zemo beside <prefix>/bin when installed.
QString DataFolder();
// The same for an executable in the given folder.
QString DataFolderFor(const QString& programFolder);
// Writable state (working copies, undo and temporary files): $XDG_STATE_HOME/zemo, default
// ~/.local/state/zemo; created when missing.
QString StateFolder();
// The user's home folder.
QString HomeFolder();

// ProgramConfig.MapFolder; the home folder when it is empty (the program folder is not
// writable once installed). Drops one trailing separator from the stored field itself.
QString GetMapFolder();
// ProgramConfig.TemplateFolder; when empty, the current map's folder, or GetMapFolder() for
// an untitled map. Drops one trailing separator from the stored field.
QString GetTemplateFolder();
QString GetTemplateFolder(const QString& mapPath);
// Remembers the folder of a chosen export file in ProgramConfig.ExportFolder, or empties it
// when that is the current map's own folder.
void SetExportFolder(const QString& fileName);
void SetExportFolder(const QString& fileName, const QString& mapPath);
// The proposed name of an export file with the given extension (".ai").
QString GetExportFileName(const QString& extension);
QString GetExportFileName(const QString& extension, const QString& mapPath);

// The current map's path ("" for an untitled map or none open).
QString CurrentMapPath();

// Path helpers that take "/" and "\" alike.
bool IsPathSeparator(QChar c);
// The folder part without its trailing separator ("/a/b.zmd" -> "/a"; "/b.zmd" -> "/").
QString ExtractFileDir(const QString& path);
// The name after the last separator.
QString ExtractFileName(const QString& path);
// Everything from the last "." after the last separator or ":" is replaced by the extension;
// a name without such a "." gets it appended.
QString ReplaceExtension(const QString& path, const QString& extension);

// ---- Version ----
extern QString VersionString;
extern int MajorVersion;
extern int MinorVersion;

// Builds VersionString and the version numbers from the program's version (a.b.c.d, missing
// parts 0): the major and minor numbers are a and b; the text shows a and c, and d as the
// build number of a pre-release or special build. An unreadable version leaves the text empty
// and both numbers 0; returns false then.
bool MakeVersionString(std::string_view version, bool preRelease, bool specialBuild);
// The same for this build.
void MakeVersionString();

// ---- Core globals ----
// (The object buffers belong to the map store: document/Index.h.)
inline constexpr int PathPointCapacity = 32768;
inline constexpr int WorkPoints3Capacity = 1024;
// The path walker's prepared path and the work point arrays of the output layer and the
// clipping code (sized at start-up: 32768, 32768, 32768 and 1024 points).
extern std::vector<Cord> PathPoints;
extern std::vector<Cord> WorkPoints1;
extern std::vector<Cord> WorkPoints2;
extern std::vector<Cord> WorkPoints3;

inline constexpr size_t DefaultSymbolBytes = 348;
inline constexpr size_t DefaultTextSymbolBytes = 588;
inline constexpr size_t DefaultLineTextSymbolBytes = 440;
// What a lookup of a missing symbol number returns: size 348, extent 32 and the description
// "Undefined" in the current language.
extern std::array<uint8_t, DefaultSymbolBytes> DefaultSymbol;
extern std::array<uint8_t, DefaultTextSymbolBytes> DefaultTextSymbol;
extern std::array<uint8_t, DefaultLineTextSymbolBytes> DefaultLineTextSymbol;
// The symbol record being drawn with; it starts at DefaultSymbol.
extern const uint8_t* DrawSymbol;

// Fills the default symbol records (again after the language texts changed).
void MakeDefaultSymbols();
// Start-up of the core: the version, the default symbols, the point arrays. Call once after
// the language texts are loaded and before any window exists.
void InitConfigUnit();
// Releases what InitConfigUnit set up and the configuration's texts.
void DoneConfigUnit();

} // namespace zemo
