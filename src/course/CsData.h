// The course-setting records of a course-setting map and the rules every course feature reads
// and writes them by: course objects (string type 1), courses (2), classes (3) and the links of
// generated objects to their course (7). Nothing else composes or takes apart these texts.
//
// A record is a tab-coded parameter string: a name field, then fields TAB + code + value.
//
//   CsObjectString   code  Y<type letter>  t<description>  o"t"  m"f"  c..h<symbol x 10>  s<sizes>
//   CourseString     name  E C R Y [L F T]  then the control sequence in lower-case fields
//   ClassString      name  c<course>
//   CourseObjectLink ["~"]course  [f<code> t<code> | d<code>]
//
// The in-memory lists of the map document (TZmd) always hold the text of the store.
#pragma once

#include "core/LangTexts.h"
#include "core/StringX.h"
#include "symbols/store/SymbolRecords.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <span>

namespace zemo {

// ---- Course roles of symbols (symbol head bytes 13 to 15) ----
enum CsRole : uint8_t { CsRoleOrdinary = 0, CsRoleCourse = 1, CsRoleDescription = 2 };
// Column mask of a description symbol: bit (0x80 >> c) for description column c (2..7 =
// C..H). This bit, which no column uses, on the symbol of column E makes column F show sizes.
inline constexpr uint8_t CsSizeHintBit = 0x40;
inline constexpr int FirstDescColumn = 2; // C
inline constexpr int LastDescColumn = 7;  // H
inline constexpr int DescColumns = 8;     // A..H
uint8_t CsColumnBit(int column);

// ---- Course-object types ----
enum CsType : int {
    CsStart = 0,
    CsControl = 1,
    CsFinish = 2,
    CsMarkedRoute = 3,
    CsDescriptionBox = 4,
    CsCourseTitle = 5,
    CsStartNumber = 6,
    CsOther = 7,
};
// Stored letter of a type; any other number is "o".
QChar CsTypeLetter(int type);
// Type of a stored letter; any other letter is CsOther.
int CsTypeOfLetter(QChar letter);
// The digit a type sorts by: start, control, marked route, finish, box, title, number, other.
int CsSortDigit(int type);
// The letter shown for a type and used in free codes: the first character of its language
// text; "O" for other.
QChar CsDisplayLetter(int type);
// The caption text of the type's dialog; false for other, which has none.
bool CsTypeCaption(int type, TextKey& key);
// True when a symbol of this object type (1 point .. 5 rectangle) may create this
// course-object type: points for start, control, finish and box, lines for marked routes,
// texts for titles and start numbers. Areas and rectangles never do.
bool CsSymbolAdmits(int objectType, int type);
// The course-object type a symbol record creates, CsOther when it creates none.
int CsTypeOfSymbol(std::span<const uint8_t> rec);
// True for the letters of course-object fields in a course: s c d f m n o t.
bool IsCsObjectField(QChar code);

// ---- CsObjectString ----
// A code as it may be stored: control characters become blanks (a pasted TAB, CR or LF would
// split the record and every course naming it), then blanks are trimmed.
QString CleanCsCode(const QString& typed);
// A new record: the code, TAB, "Y" and the type letter.
QString NewCsObjectRecord(const QString& code, int type);
QString CsObjectCode(const QString& record);
// The type letter of field Y; empty when the record has none.
QString CsObjectLetter(const QString& record);
// The type by field Y (CsOther without one).
int CsObjectTypeOf(const QString& record);
// The code of an object replaced, everything from the first TAB on kept.
QString RenameCsObjectRecord(const QString& record, const QString& code);
// A description column's field (c..h): removed and, for a symbol, appended anew at the end.
void SetCsColumnField(QString& record, int column, int symbolNumber10);
// The symbol number x 10 of a description column, 0 when it has none.
int CsColumnSymbol(const QString& record, int column);
QChar CsColumnCode(int column);

// ---- CourseString ----
enum class CourseKind { Normal, Relay, OneManRelay };
CourseKind CourseKindOf(const QString& record);
QChar CourseKindLetter(CourseKind kind);
inline bool IsRelay(CourseKind k) { return k != CourseKind::Normal; }

struct CourseProps {
    QString Name;
    double ExtraKm = 0;   // E, 2 decimals
    double ClimbM = 0;    // C, 0 decimals
    int Runners = 0;      // R
    CourseKind Kind = CourseKind::Normal;
    int Legs = 1;         // L, relays only
    int FirstStart = 1;   // F
    int LastStart = 1;    // T
};
// Missing numbers read as their defaults (0; legs and start numbers 1).
CourseProps ReadCourseProps(const QString& record);
// The record rebuilt: name, E, C, R, Y, for relays L, F, T, then every field of the old record
// whose code is "a" or later, in its order; other fields are dropped.
QString RebuildCourse(const QString& old, const CourseProps& p);
// Every course-object field equal to letter + `from` becomes letter + `to`; the name and all
// other fields stay.
QString RenameInCourse(const QString& course, QChar letter, const QString& from, const QString& to);

// ---- CourseObjectLink ----
// True when a field after the name carries `code` behind its first character (f31, t31, d31).
bool LinkNamesCode(const QString& link, const QString& code);
// Every such field gets `to` behind its first character.
QString RenameInLink(const QString& link, const QString& from, const QString& to);

// ---- ClassString ----
QString ClassCourse(const QString& record);

// ---- Sorting ----
// The key of a record: its sort digit (7 without field Y), then the last three characters of
// its code, filled with "0" on the left.
QString CsSortKey(const QString& record);
// Re-sorts the current map's course-object list by key and fills its code list in that order.
// `selected` (a list index, -1 none) follows its record, is kept within the list and is -1
// for an empty list.
void SortCsObjectList(int& selected);
// The list index of the record with this code (letter case ignored), -1 when none.
int CsCodeIndex(const QString& code);

// ---- The course check ----
// What made a course fail, as its message says it: label + ": " + name + CR LF + text.
struct CourseCheckFailure {
    TextKey Label = TextKey::Count; // Count: the text stands alone
    QString Name;
    TextKey Text = TextKey::Count;
    QString Param;                  // merged into the text
};
// What the check keeps for the generator that follows it.
struct CheckedCourse {
    int Course = -1;
    QString Text;
    CourseKind Kind = CourseKind::Normal;
    int Legs = 1;
    int FirstStart = 1;
    int LastStart = 1;
};
struct CsDataState {
    CheckedCourse Checked;
    CourseCheckFailure LastFailure;
};
extern CsDataState CsData;
void ResetCsData();

// Checks a course (an index into the course list, -1 all controls) before any output of it;
// the first failure is shown and ends the check with false.
bool CheckCourse(int course);
// The message of a failure.
QString CourseCheckText(const CourseCheckFailure& f);
// What a course record lacks that no course can be run without: a start, a finish, course
// objects for every code it names; one text per fault, none for a sound course.
QStringList CourseDefects(const QString& record);
// The same without the codes: a start and a finish.
QStringList CourseEndsMissing(const QString& record);
// True when the course names any course object.
bool CourseHasObjects(const QString& record);

// Start numbers of relays lie within this range.
inline constexpr int MaxStartNumber = 32767;

} // namespace zemo
