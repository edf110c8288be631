// The road from a file name to an open map document and back: the working file (a copy in
// the state folder, or the map file itself with AutoSave), the upgrade of version 6 and 7
// maps in the copy, the set-up after an open, recovery of working copies left by a run that
// ended abnormally, saving, closing, and colours and symbols taken from another map.
//
// Every open document is owned by OpenDocuments together with its real path (any length,
// any characters); the setup's MapPath keeps only a path that fits its field.
#pragma once

#include "core/Setup.h"
#include "document/Index.h"

#include <QString>

#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace zemo {

struct OpenDocument {
    QString Name;               // the map's real path; empty while untitled
    std::unique_ptr<TZmd> Zmd;
    bool WorkingCopy = true;    // the working file is a copy, deleted when the map closes
};

// The document windows and the converter of versions 3 to 5 are ports (document/Ports.h).
struct OpenState {
    std::vector<OpenDocument> OpenDocuments;
    // The load warning of the map being opened, said by AfterOpenSetup once the map is
    // painted (the name it names; nullptr: none due).
    const TZmd* WarnSkipsOf = nullptr;
    QString WarnSkipsName;
};

extern OpenState Opening;

// Closes every document (working copies deleted) (tests).
void ResetOpenUnit();

// ---- Documents ----
// By name as given, then by its long form; nullptr when not open. Untitled documents are
// never found by name.
OpenDocument* FindDocument(const QString& name);
OpenDocument* DocumentOf(const TZmd* zmd);
// The real path of a document ("" untitled or unknown).
QString DocumentPath(const TZmd* zmd);
// The path the setup's MapPath field can hold: the path itself when it fits its 255
// characters of code page 1252 without loss, else empty.
std::string FittedMapPath(const QString& path);

// Reads another map file without taking its lock: a map that another program or
// document works in can still be copied or read from. Reads never throw.
class MapFileReader {
public:
    MapFileReader() = default;
    ~MapFileReader();
    MapFileReader(const MapFileReader&) = delete;
    MapFileReader& operator=(const MapFileReader&) = delete;

    bool Open(const QString& name);
    int64_t Size() const;
    // Exactly count bytes at pos.
    bool ReadAt(int64_t pos, void* buffer, int64_t count) const;
    // The 48-byte header; false when the file is shorter or cannot be read.
    bool ReadHeader(MapFileHeader& h) const;
    int Handle() const { return fd_; }

private:
    int fd_ = -1;
};

// ---- Working copies ----
// The first state-folder name "temp####.~md" that does not exist.
QString TempWorkFileName();
// Creates the next free working copy exclusively and opens it on `file` (locked); returns
// its name. Raises the silent abort when none can be made.
QString CreateWorkingCopy(TFileClass& file);

// ---- Opening ----
bool ConfirmOldVersion(int version, const QString& name);
QString ExpandMapPath(const QString& name);
// Unless quiet, what the load left out is said by the AfterOpenSetup that follows.
// `shownName`: the file the user knows the map by, named when it turns out damaged (default:
// the document's name, else `name`).
bool OpenMapFile(const QString& name, const QString& docName, bool keepCurrent, bool quiet,
                 const QString& shownName = {});
// The window set up and painted before anything is asked: the load warning, the templates
// not found, the missing fonts.
bool AfterOpenSetup(const QString& name);
bool OpenMapByName(const QString& name);
// The caption of the untitled map that holds what could be read of a damaged map file.
QString DamagedCopyCaption(const QString& damagedFile);
// File > Open through the open dialog.
bool OpenMapDialog();
bool OpenRecentMap(int n);

// The framing conversion of a version-6 or 7 text or line-text symbol record (as many
// bytes as the record has; shorter records are left alone). True when it applied.
bool ConvertOldSymbolFraming(std::span<uint8_t> rec);
// The template string made of a version-6/7 setup's single-template fields; empty when
// the map had no template.
QString TemplateFieldsToString(const SetupRecord& s);

// ---- Recovery ----
// Offers each working copy of the state folder that an earlier run left behind; copies
// another running instance holds are skipped, invalid ones and refused ones deleted.
void RecoverWorkingCopies();

// ---- Saving and closing ----
bool SaveMap(bool saveAs);
bool EnsureMapSaved();
// Writes the whole content of `source` to `target` through a temporary file in the
// target's folder renamed over it; on any failure the target is left as it was and the
// failure is reported (CannotWrite with the target's name).
bool ReplaceFileWithCopy(TFileClass& source, const QString& target);
// Drops one use of the document; at 0 its working copy is closed and deleted.
void CloseMapFile(const QString& name);
void CloseDocument(TZmd* zmd);
// At shut-down: every document closed, working copies deleted.
void CloseAllDocuments();
// When the desktop session ends: every working file written out and kept when its map
// closes, without a question; the next start offers to recover the working copies.
void KeepWorkingCopies();
// Every open map's working file written out; false when one could not be.
bool FlushWorkFiles();

// ---- Colours and symbols from another map ----
bool LoadColorsFromFile(const QString& name);
void LoadColorsFromMap();
bool LoadSymbolFile(const QString& name);
void LoadSymbolsFromMap();

} // namespace zemo
