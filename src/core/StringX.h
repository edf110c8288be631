// Text and number conversion, parameter strings and message parameter lists.
//
// Two number forms exist: the "point" form kept in files and parameter strings always uses
// "." whatever the locale; the "fixed"/"trim" forms shown in dialogs use the decimal
// separator of QLocale() (the default locale). Nothing here depends on the C locale.
#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QVector>

#include <cstdint>

namespace zemo {

// A tab-coded parameter string: a name field, then fields TAB + code character + value.
// Values never contain TAB; numbers in values use ".".
using PString = QString;
// The parameters of one message, joined by ";".
using MsgParamList = QString;

// ---- Numbers to text ----
// "Fixed" form: the value is rounded to 10 significant digits, then written with exactly
// Digits decimals (the last decimal rounded half away from zero), a leading "-" for
// negatives (never "-0.00") and at least one digit before the point. A value with more than
// 10 digits before the point is written in exponent form: up to 10 significant digits
// without trailing zeros, "E", sign and exponent, e.g. "1.2E+15", "-1E+10".
// NaN and infinities are written as 0 with Digits decimals. Digits is clamped to 0..20.

// Fixed form with "." as the decimal point.
QString FloatToPointStr(int Digits, double Value);
// Fixed form with the locale's decimal separator.
QString FloatToFixedStr(int Digits, double Value);
// Fixed form with MaxDigits decimals and the locale's separator; trailing zeros removed
// while more than MinDigits decimals remain, then a bare trailing separator (MaxDigits > 0).
// Exponent forms are left untouched.
QString FloatToTrimStr(int MinDigits, int MaxDigits, double Value);
// Values counted in tenths: 125 -> "12.5", 10 -> "1.0".
QString TenthsToStr(int N);
// Decimal text padded on the left with "0" up to Width characters; the padding goes in
// front of a minus sign: IntToZeroStr(-5, 4) == "00-5".
QString IntToZeroStr(int64_t Value, int Width);
// The integer with the locale's thousands separator.
QString IntToGroupedStr(int64_t Value);

// ---- Text to numbers ----
// Blanks trimmed; optional sign and decimal digits only; must fit 32 bits. On failure N is
// left unchanged and false is returned.
bool TryTrimStrToInt(const QString& S, int& N);
// Blanks trimmed; "." and the locale's decimal separator both accepted; an optional sign,
// digits, one decimal point and an exponent ("1.5E3"). Empty text raises EAbort; anything
// else that is not a finite number (letters, "nan", "inf", hex, trailing garbage, out of
// range) raises EConvertError.
double PointStrToFloat(const QString& S);
bool TryPointStrToFloat(const QString& S, double& X);
// Round(PointStrToFloat(S) * 10), halves to even; exceptions go to the caller. A result
// beyond 32 bits raises EConvertError.
int PointStrToTenths(const QString& S);

// ---- Text helpers ----
QString DecSepToPoint(const QString& S);
QString PointToDecSep(const QString& S);
// Only the blank character (U+0020) is trimmed, not tabs.
QString TrimBlanks(const QString& S);
// The bytes of a fixed-size 8-bit character field of a foreign record: at most Size bytes, up
// to a NUL, without the blanks around them.
QByteArrayView CharFieldBytes(const char* P, int Size);
// Those bytes decoded with the given Windows code page.
QString CharFieldToStr(const char* P, int Size, int CodePage = 1252);
QString RemoveAmpersands(const QString& S);
// Removes one trailing ":" only.
QString RemoveColon(const QString& S);
// Text before the first blank; all of S when there is none.
QString FirstWord(const QString& S);
QString FirstWordPoint(const QString& S);
// 16-bit characters before the terminating 0; never looks past MaxLen characters when
// MaxLen >= 0. A null pointer gives 0.
int WideStrLen(const char16_t* P, int MaxLen = -1);
// Positions are 1-based: start with Pos = 1. Field := text from Pos up to the next Sep and
// Pos moves past that Sep; when no Sep follows, Field := the rest and Pos := Length(S) + 1.
// Callers loop while Pos <= S.length(). Pos below 1 is taken as 1.
void NextField(const QString& S, QChar Sep, int& Pos, QString& Field);
// Text pieces (split at ";") and parameters (split at ";") alternate, joined by blanks.
QString MergeMsgParams(const QString& Text, const MsgParamList& Params);

// ---- Parameter strings ----
// TAB, CR and LF replaced by blanks, so typed text cannot add fields or lines.
QString CleanParamText(const QString& S);
// A name field safe to start a PString with (same cleaning as values).
QString ParamNameStr(const QString& Name);

QString GetParamName(const PString& P);
// Value of the first field TAB + Code; empty when absent. Codes are case-sensitive.
QString GetParamText(const PString& P, QChar Code);
int GetParamInt(const PString& P, QChar Code, int Default);
double GetParamFloat(const PString& P, QChar Code, double Default);
// Default true: the value is not "0"; default false: the value is "1".
bool GetParamBool(const PString& P, QChar Code, bool Default);
// Sets the first field Code to Value (cleaned of TAB/CR/LF): unchanged when equal (so an
// empty Value never adds a field), replaced in place when present, else appended.
// A Code of TAB, CR or LF cannot be represented and changes nothing.
void SetParam(PString& P, QChar Code, const QString& Value);
void DeleteParam(PString& P, QChar Code);
// Field builders: TAB + Code + value text.
QString BoolParamStr(QChar Code, bool B);
QString IntParamStr(QChar Code, int64_t N);
QString FloatParamStr(QChar Code, int Digits, double X);
QString TextParamStr(QChar Code, const QString& Text);
// Next field on TAB (1-based Pos as NextField). Code := first character of the field (a
// blank for an empty field), Value := the rest. From Pos = 1 the first call returns the
// name field's first character and the rest of the name. Returns Code.
QChar NextParam(const PString& P, int& Pos, QChar& Code, QString& Value);

// ---- A string list carrying an integer per item ----
class TNumStringList {
public:
    struct Item {
        QString Text;
        int Number = 0;
    };

    // With Sorted set, items are kept in order of their texts (case-insensitive unless
    // CaseSensitive); equal texts are allowed and a new one goes after its equals.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool on);
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool on);

    int Count() const { return int(items_.size()); }
    const QString& Strings(int Index) const;
    int GetNumber(int Index) const;
    void SetNumber(int Index, int N);
    void SetString(int Index, const QString& S); // re-sorts when Sorted
    // Adds S with N and returns the new index.
    int AddNumber(const QString& S, int N);
    int Add(const QString& S) { return AddNumber(S, 0); }
    int IndexOf(const QString& S) const;
    // Index of the first item carrying N, or -1.
    int IndexOfNumber(int N) const;
    void Delete(int Index);
    void Clear() { items_.clear(); }
    const QVector<Item>& Items() const { return items_; }

private:
    int compare(const QString& a, const QString& b) const;
    void sort();

    QVector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
};

} // namespace zemo
