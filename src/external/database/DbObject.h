// DbObject: links between map objects and database records. A link is a parameter string of
// type 5 held for one object: the record's key value as its name, then "d" and the dataset.
// One dataset is open at a time; the record linked to the single selected object is shown in
// the main frame's record grid, whose edits are written back before anything changes the
// object or the dataset. Also Database > Find, Open links and Create links.
#pragma once

#include "core/StringX.h"
#include "external/database/Ports.h"

#include <QString>
#include <QStringList>

namespace zemo {

inline constexpr int LinkDlgHelpContext = 305;
inline constexpr int FindDlgHelpContext = 324;
inline constexpr int CreateLinksHelpContext = 286;
// Keys made by Create links stay below this.
inline constexpr int MaxCreatedKey = 1073741824;
// The row height of the record grid, in pixels.
inline constexpr int DbGridRowHeight = 17;

struct DbObjectState {
    QString Name;        // the open dataset; empty = none
    const void* Map = nullptr;  // the map whose definition it is
    QString Definition;
    int Kind = -1;
    QString Source;
    QString Table;
    QString KeyField;
    QString SymbolField;
    QString TextField;
    QString SizeField;
    double LengthUnit = 1.0;
    double AreaUnit = 1.0;
    int Decimals = 4;
    int CachedLink = -1;   // position in the map's link list whose record was read last
    int GridRows = 0;
    DbGridModel Grid;
};

extern DbObjectState DbObject;

void ResetDbObjectState();

// The link text of a key and a dataset; false when the key cannot stand in it (a TAB or a
// line break would make it another link).
bool MakeLinkText(const QString& key, const QString& dataset, QString& text);

bool DbDataset(const QString& name);
bool DatasetHasField(const QString& field);
bool FindDatasetRecord(const QString& key);
bool AppendDatasetKey(const QString& key);
bool GetLinkRecord(int link);
bool GetObjectLink(int n);
void DbGridSelectRecord(int row);
void WriteTextField(int n);
// The table window's OK: each value that differs from before is written to the current
// record; a refused one (said by the write) keeps none of the others from being written.
// Returns how many were written.
int WriteChangedValues(const QStringList& before, const QStringList& values);
bool GetDatasetField(const QString& field, QString& value);
bool CollectLinkedValues(const QString& dataset, const QString& field, TNumStringList& list);

// The five the map store and the editing layers call through their ports (the calls of the
// same names outside this namespace, document/ServiceHooks.h).
namespace db {
void ShowObjectRecord();
void GetData();
void WriteSymbolField(int n);
void DeleteObjectLink(int n);
void ResetDbLinks();
} // namespace db

// The size field's value of an object (its type, points) for the open dataset: kilometres of
// a line, square kilometres of an area, each over its unit; empty for other types.
QString SizeFieldValue(const struct ElementRecord& e, double mapScale);

// The Link dialog's OK: true when it may close (the record is there or was appended).
bool AcceptLink(LinkDlgValues& v);
// Database > Link for the selected object; the dialog through its port.
void LinkObject();
// Database > Find: the objects linked by this key to this dataset become current in turn.
// Returns how many there were.
int FindObjectByKey(const QString& dataset, const QString& key);
void FindObjectCommand();
// Database > Open links: selects the objects whose records cannot be read; returns the count.
int SelectOpenLinks();
// Database > Create links for the objects of the selected symbols; returns the links made.
int CreateDbLinks(const QString& dataset);
void CreateLinksCommand();

} // namespace zemo
