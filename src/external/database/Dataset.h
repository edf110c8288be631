// Dataset: the map's named connections to database tables (parameter strings of type 4). A
// definition names a dBase folder ("e") or an ODBC data source ("d"), the table ("t"), its key
// field ("k"), secondary tables reached through reference fields ("r", "s", "m" in threes) and
// the special fields the program fills from the objects: symbol ("y"), text ("x") and size
// ("f" with the units "l", "a" and the decimals "c").
//
// The Datasets dialog works on a DatasetSession: a copy of the map's definitions. Nothing
// reaches the string store before OK, so Cancel leaves the map as it was, links included.
#pragma once

#include "core/LangTexts.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

inline constexpr int DatasetsHelpContext = 283;
inline constexpr int DatasetGeneralHelpContext = 295;
inline constexpr int DatasetSecondaryHelpContext = 296;
inline constexpr int DatasetSpecialHelpContext = 297;
inline constexpr int NewDatasetHelpContext = 298;
inline constexpr int SecondaryTableHelpContext = 299;

// The length units offered ("1" km, "0.001" m) and the area units (km2, 0.01 km2, 100 m2, m2),
// by their place in the dialog's lists.
extern const QStringList DatasetLengthUnits;
extern const QStringList DatasetAreaUnits;

struct SecondaryTable {
    QString RefField;  // reference field of the main table
    QString Table;
    QString KeyField;  // key field of the secondary table
    friend bool operator==(const SecondaryTable&, const SecondaryTable&) = default;
};

// One definition as the dialog's pages show it.
struct DatasetFields {
    QString Name;
    bool Odbc = false;
    QString Folder;    // dBase; empty = the map's folder
    QString Source;    // ODBC data source
    QString Table;
    QString Key;
    std::vector<SecondaryTable> Secondary;
    bool SymbolOn = false;
    QString SymbolField;
    bool TextOn = false;
    QString TextField;
    bool SizeOn = false;
    QString SizeField;
    int LengthUnit = 0;  // index in DatasetLengthUnits
    int AreaUnit = 0;    // index in DatasetAreaUnits
    int Decimals = 4;    // -1: the definition holds none from 1 to 20 (the control keeps its own)
};

DatasetFields ParseDatasetDefinition(const QString& definition);
// A dBase folder as stored: no backslash or slash at its end.
QString WithoutTrailingSeparators(QString folder);

// The pages of the Datasets dialog and the controls a failed check focuses.
enum class DatasetPage { General = 0, Secondary = 1, Special = 2 };
enum class DatasetControl { Folder, Source, Table, Key, SymbolField, TextField, SizeField };

struct DatasetCheck {
    bool Ok = true;
    TextKey Key = TextKey::Count;
    QString Param;
    DatasetPage Page = DatasetPage::General;
    DatasetControl Focus = DatasetControl::Table;
};

// Checks the shown dataset against its source (the folder, data source, table and fields must
// exist) and builds its definition; the first failure is returned, not shown.
DatasetCheck BuildDatasetDefinition(const DatasetFields& f, QString& definition);

// "Dataset 1", "Dataset 2", ...: the first not in names.
QString ProposeDatasetName(const QStringList& names);

// The tables of a source for the dialogs' lists; an ODBC source whose driver does not load
// says why (CannotConnectOdbc with the driver manager's words) instead of showing no table.
QStringList DatasetTables(int kind, const QString& source);

// The Datasets dialog's working copy of the map's definitions.
class DatasetSession {
public:
    struct Item {
        QString Text;
        int Store = -1;  // string number in the store; -1 = added in this session
    };
    // Takes the copy of the current map's definitions.
    DatasetSession();

    const std::vector<Item>& Items() const { return items_; }
    QStringList Names() const;
    int Add(const QString& definition);
    void Replace(int i, const QString& definition);
    void Remove(int i);

    // OK: removed datasets lose their links, every definition is written and the map's list
    // and flag follow. False when a write failed (the rest is still tried).
    bool Apply();

private:
    std::vector<Item> items_;
    std::vector<Item> removed_;
};

// Deletes every object link naming the dataset (last first); returns how many.
int DeleteLinksOfDataset(const QString& name);

} // namespace zemo
