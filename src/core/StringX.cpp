#include "core/StringX.h"

#include "core/CodePage.h"
#include "core/Errors.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>

namespace zemo {

namespace {

constexpr int kSignificantDigits = 10;
constexpr int kMaxDecimals = 20;

QString decimalSeparator()
{
    return QLocale().decimalPoint();
}

QString zeroText(int digits)
{
    QString r = QStringLiteral("0");
    if (digits > 0)
        r += QLatin1Char('.') + QString(digits, QLatin1Char('0'));
    return r;
}

// Adds one unit in the last place of a string of decimal digits; true on carry out.
bool incrementDigits(std::string& d)
{
    for (auto i = d.size(); i-- > 0;) {
        if (d[i] != '9') {
            ++d[i];
            return false;
        }
        d[i] = '0';
    }
    return true;
}

// The 8-bit form of a number text, or false when it holds anything outside ASCII.
bool toAscii(const QString& s, std::string& out)
{
    out.clear();
    out.reserve(size_t(s.size()));
    for (QChar c : s) {
        if (c.unicode() > 0x7F)
            return false;
        out += char(c.unicode());
    }
    return true;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "." or "e"/"E" form only: no "nan", "inf", hex or trailing garbage, finite result.
bool parsePointNumber(const std::string& a, double& v)
{
    size_t i = 0;
    if (i < a.size() && (a[i] == '+' || a[i] == '-'))
        ++i;
    if (i >= a.size() || !(isDigit(a[i]) || a[i] == '.'))
        return false;
    double x = 0;
    const char* end = a.data() + a.size();
    const auto r = std::from_chars(a.data() + i, end, x, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(x))
        return false;
    v = (a[0] == '-') ? -x : x;
    return true;
}

[[noreturn]] void conversionError(const QString& s)
{
    throw EConvertError("'" + s.toStdString() + "' is not a valid number");
}

bool isFieldBreak(QChar c)
{
    return c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

QChar cleanCode(QChar c)
{
    return isFieldBreak(c) ? QLatin1Char(' ') : c;
}

// Index of the TAB that starts the first field with Code, or -1.
qsizetype findParam(const PString& p, QChar code)
{
    const qsizetype n = p.size();
    for (qsizetype i = p.indexOf(QLatin1Char('\t')); i >= 0 && i < n;
         i = p.indexOf(QLatin1Char('\t'), i + 1)) {
        if (i + 1 < n && p.at(i + 1) == code)
            return i;
    }
    return -1;
}

// End (exclusive) of the field whose TAB is at start.
qsizetype fieldEnd(const PString& p, qsizetype start)
{
    const qsizetype e = p.indexOf(QLatin1Char('\t'), start + 1);
    return e < 0 ? p.size() : e;
}

} // namespace

// ---- Numbers to text ----

QString FloatToPointStr(int Digits, double Value)
{
    Digits = std::clamp(Digits, 0, kMaxDecimals);
    if (!std::isfinite(Value) || Value == 0)
        return zeroText(Digits);
    const bool negative = Value < 0;

    // Round to 10 significant digits: "d.ddddddddde+XX".
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(Value),
                                   std::chars_format::scientific, kSignificantDigits - 1);
    const std::string sci(buf, res.ptr);
    const auto ePos = sci.find('e');
    std::string mant = sci.substr(0, 1) + sci.substr(2, ePos - 2);
    const char* expBegin = sci.data() + ePos + 1;
    if (*expBegin == '+')
        ++expBegin;
    int exp = 0;
    std::from_chars(expBegin, sci.data() + sci.size(), exp);

    std::string out;
    if (exp >= kSignificantDigits) {
        // More than 10 integer digits: exponent form.
        while (mant.size() > 1 && mant.back() == '0')
            mant.pop_back();
        out = mant.substr(0, 1);
        if (mant.size() > 1)
            out += '.' + mant.substr(1);
        out += 'E';
        out += exp < 0 ? '-' : '+';
        out += std::to_string(std::abs(exp));
    } else {
        std::string intPart;
        std::string frac;
        if (exp >= 0) {
            intPart = mant.substr(0, size_t(exp) + 1);
            frac = mant.substr(size_t(exp) + 1);
        } else {
            intPart = "0";
            frac = std::string(size_t(-exp - 1), '0') + mant;
        }
        bool roundUp = false;
        if (frac.size() > size_t(Digits)) {
            roundUp = frac[size_t(Digits)] >= '5';
            frac.resize(size_t(Digits));
        } else {
            frac.append(size_t(Digits) - frac.size(), '0');
        }
        std::string all = intPart + frac;
        if (roundUp && incrementDigits(all))
            all.insert(all.begin(), '1');
        const size_t intLen = all.size() - frac.size();
        out = all.substr(0, intLen);
        if (Digits > 0)
            out += '.' + all.substr(intLen);
    }
    // A value that rounds to zero gets no sign.
    if (negative && out.find_first_of("123456789") != std::string::npos)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

QString FloatToFixedStr(int Digits, double Value)
{
    QString s = FloatToPointStr(Digits, Value);
    return s.replace(QLatin1Char('.'), decimalSeparator());
}

QString FloatToTrimStr(int MinDigits, int MaxDigits, double Value)
{
    QString s = FloatToPointStr(MaxDigits, Value);
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    if (dot >= 0 && !s.contains(QLatin1Char('E'))) {
        qsizetype decimals = s.size() - dot - 1;
        while (decimals > MinDigits && s.endsWith(QLatin1Char('0'))) {
            s.chop(1);
            --decimals;
        }
        if (MaxDigits > 0 && s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s.replace(QLatin1Char('.'), decimalSeparator());
}

QString TenthsToStr(int N)
{
    return FloatToPointStr(1, N / 10.0);
}

QString IntToZeroStr(int64_t Value, int Width)
{
    QString s = QString::number(Value);
    if (s.size() < Width)
        s.prepend(QString(Width - s.size(), QLatin1Char('0')));
    return s;
}

QString IntToGroupedStr(int64_t Value)
{
    QLocale loc;
    loc.setNumberOptions(loc.numberOptions() & ~QLocale::OmitGroupSeparator);
    return loc.toString(qlonglong(Value));
}

// ---- Text to numbers ----

bool TryTrimStrToInt(const QString& S, int& N)
{
    std::string a;
    if (!toAscii(TrimBlanks(S), a) || a.empty())
        return false;
    size_t i = 0;
    const bool negative = a[0] == '-';
    if (a[0] == '+' || a[0] == '-')
        ++i;
    if (i == a.size() || !std::all_of(a.begin() + long(i), a.end(), isDigit))
        return false;
    uint64_t v = 0;
    const auto r = std::from_chars(a.data() + i, a.data() + a.size(), v);
    if (r.ec != std::errc())
        return false;
    if (negative) {
        if (v > uint64_t(INT_MAX) + 1)
            return false;
        N = int(-int64_t(v));
    } else {
        if (v > uint64_t(INT_MAX))
            return false;
        N = int(v);
    }
    return true;
}

double PointStrToFloat(const QString& S)
{
    QString t = TrimBlanks(S);
    if (t.isEmpty())
        throw EAbort();
    const QString sep = decimalSeparator();
    if (sep != QLatin1String("."))
        t.replace(sep, QLatin1String("."));
    std::string a;
    double v = 0;
    if (!toAscii(t, a) || !parsePointNumber(a, v))
        conversionError(S);
    return v;
}

bool TryPointStrToFloat(const QString& S, double& X)
{
    try {
        X = PointStrToFloat(S);
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const EConvertError&) {
        return false;
    }
}

int PointStrToTenths(const QString& S)
{
    const double t = std::nearbyint(PointStrToFloat(S) * 10);
    if (!(t >= double(INT_MIN) && t <= double(INT_MAX)))
        conversionError(S);
    return int(t);
}

// ---- Text helpers ----

QString DecSepToPoint(const QString& S)
{
    const QString sep = decimalSeparator();
    QString r = S;
    if (sep != QLatin1String("."))
        r.replace(sep, QLatin1String("."));
    return r;
}

QString PointToDecSep(const QString& S)
{
    QString r = S;
    return r.replace(QLatin1Char('.'), decimalSeparator());
}

QString TrimBlanks(const QString& S)
{
    qsizetype b = 0;
    qsizetype e = S.size();
    while (b < e && S.at(b) == QLatin1Char(' '))
        ++b;
    while (e > b && S.at(e - 1) == QLatin1Char(' '))
        --e;
    return S.mid(b, e - b);
}

QByteArrayView CharFieldBytes(const char* P, int Size)
{
    if (!P || Size <= 0)
        return {};
    int e = 0;
    while (e < Size && P[e] != '\0')
        ++e;
    int b = 0;
    while (b < e && P[b] == ' ')
        ++b;
    while (e > b && P[e - 1] == ' ')
        --e;
    return QByteArrayView(P + b, e - b);
}

QString CharFieldToStr(const char* P, int Size, int CodePage)
{
    const QByteArrayView bytes = CharFieldBytes(P, Size);
    return DecodeCodePage(CodePage, bytes.data(), bytes.size());
}

QString RemoveAmpersands(const QString& S)
{
    QString r = S;
    return r.remove(QLatin1Char('&'));
}

QString RemoveColon(const QString& S)
{
    return S.endsWith(QLatin1Char(':')) ? S.left(S.size() - 1) : S;
}

QString FirstWord(const QString& S)
{
    const qsizetype i = S.indexOf(QLatin1Char(' '));
    return i < 0 ? S : S.left(i);
}

QString FirstWordPoint(const QString& S)
{
    return DecSepToPoint(FirstWord(S));
}

int WideStrLen(const char16_t* P, int MaxLen)
{
    if (!P)
        return 0;
    int n = 0;
    while ((MaxLen < 0 || n < MaxLen) && P[n] != 0)
        ++n;
    return n;
}

void NextField(const QString& S, QChar Sep, int& Pos, QString& Field)
{
    const int len = int(S.size());
    if (Pos < 1)
        Pos = 1;
    if (Pos > len) {
        Field.clear();
        Pos = len + 1;
        return;
    }
    const qsizetype i = S.indexOf(Sep, Pos - 1);
    if (i < 0) {
        Field = S.mid(Pos - 1);
        Pos = len + 1;
    } else {
        Field = S.mid(Pos - 1, i - (Pos - 1));
        Pos = int(i) + 2;
    }
}

QString MergeMsgParams(const QString& Text, const MsgParamList& Params)
{
    QString r;
    qsizetype ti = 0;
    qsizetype pi = 0;
    // Appends the piece of s at cursor c up to the next ";" (consumed) or the end.
    const auto take = [&r](const QString& s, qsizetype& c) {
        if (c >= s.size())
            return;
        if (!r.isEmpty())
            r += QLatin1Char(' ');
        const qsizetype e = s.indexOf(QLatin1Char(';'), c);
        if (e < 0) {
            r += QStringView(s).mid(c);
            c = s.size();
        } else {
            r += QStringView(s).mid(c, e - c);
            c = e + 1;
        }
    };
    while (ti < Text.size() || pi < Params.size()) {
        take(Text, ti);
        take(Params, pi);
    }
    return r;
}

// ---- Parameter strings ----

QString CleanParamText(const QString& S)
{
    QString r = S;
    for (QChar& c : r)
        if (isFieldBreak(c))
            c = QLatin1Char(' ');
    return r;
}

QString ParamNameStr(const QString& Name)
{
    return CleanParamText(Name);
}

QString GetParamName(const PString& P)
{
    const qsizetype i = P.indexOf(QLatin1Char('\t'));
    return i < 0 ? P : P.left(i);
}

QString GetParamText(const PString& P, QChar Code)
{
    const qsizetype i = findParam(P, Code);
    if (i < 0)
        return {};
    return P.mid(i + 2, fieldEnd(P, i) - (i + 2));
}

int GetParamInt(const PString& P, QChar Code, int Default)
{
    int n = 0;
    return TryTrimStrToInt(GetParamText(P, Code), n) ? n : Default;
}

double GetParamFloat(const PString& P, QChar Code, double Default)
{
    double x = 0;
    return TryPointStrToFloat(GetParamText(P, Code), x) ? x : Default;
}

bool GetParamBool(const PString& P, QChar Code, bool Default)
{
    const QString v = GetParamText(P, Code);
    return Default ? v != QLatin1String("0") : v == QLatin1String("1");
}

void SetParam(PString& P, QChar Code, const QString& Value)
{
    if (isFieldBreak(Code))
        return;
    const QString v = CleanParamText(Value);
    const qsizetype i = findParam(P, Code);
    if (i < 0) {
        if (!v.isEmpty())
            P += QLatin1Char('\t') + Code + v;
        return;
    }
    const qsizetype start = i + 2;
    const qsizetype end = fieldEnd(P, i);
    if (QStringView(P).mid(start, end - start) != v)
        P.replace(start, end - start, v);
}

void DeleteParam(PString& P, QChar Code)
{
    const qsizetype i = findParam(P, Code);
    if (i >= 0)
        P.remove(i, fieldEnd(P, i) - i);
}

QString BoolParamStr(QChar Code, bool B)
{
    return QLatin1Char('\t') + cleanCode(Code) + QLatin1Char(B ? '1' : '0');
}

QString IntParamStr(QChar Code, int64_t N)
{
    return QLatin1Char('\t') + cleanCode(Code) + QString::number(N);
}

QString FloatParamStr(QChar Code, int Digits, double X)
{
    return QLatin1Char('\t') + cleanCode(Code) + FloatToPointStr(Digits, X);
}

QString TextParamStr(QChar Code, const QString& Text)
{
    return QLatin1Char('\t') + cleanCode(Code) + CleanParamText(Text);
}

QChar NextParam(const PString& P, int& Pos, QChar& Code, QString& Value)
{
    QString field;
    NextField(P, QLatin1Char('\t'), Pos, field);
    if (field.isEmpty()) {
        Code = QLatin1Char(' ');
        Value.clear();
    } else {
        Code = field.at(0);
        Value = field.mid(1);
    }
    return Code;
}

// ---- TNumStringList ----

int TNumStringList::compare(const QString& a, const QString& b) const
{
    return QString::compare(a, b, caseSensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

void TNumStringList::sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return compare(a.Text, b.Text) < 0; });
}

void TNumStringList::SetSorted(bool on)
{
    if (on && !sorted_)
        sort();
    sorted_ = on;
}

void TNumStringList::SetCaseSensitive(bool on)
{
    caseSensitive_ = on;
    if (sorted_)
        sort();
}

namespace {
void checkIndex(int index, int count)
{
    if (index < 0 || index >= count)
        throw std::out_of_range("list index out of bounds: " + std::to_string(index));
}
} // namespace

const QString& TNumStringList::Strings(int Index) const
{
    checkIndex(Index, Count());
    return items_[Index].Text;
}

int TNumStringList::GetNumber(int Index) const
{
    checkIndex(Index, Count());
    return items_[Index].Number;
}

void TNumStringList::SetNumber(int Index, int N)
{
    checkIndex(Index, Count());
    items_[Index].Number = N;
}

void TNumStringList::SetString(int Index, const QString& S)
{
    checkIndex(Index, Count());
    if (!sorted_) {
        items_[Index].Text = S;
        return;
    }
    const int n = items_[Index].Number;
    items_.remove(Index);
    AddNumber(S, n);
}

int TNumStringList::AddNumber(const QString& S, int N)
{
    if (!sorted_) {
        items_.append({S, N});
        return Count() - 1;
    }
    const auto it = std::upper_bound(
        items_.begin(), items_.end(), S,
        [this](const QString& s, const Item& item) { return compare(s, item.Text) < 0; });
    const int index = int(it - items_.begin());
    items_.insert(index, {S, N});
    return index;
}

int TNumStringList::IndexOf(const QString& S) const
{
    if (sorted_) {
        const auto it = std::lower_bound(
            items_.begin(), items_.end(), S,
            [this](const Item& item, const QString& s) { return compare(item.Text, s) < 0; });
        if (it != items_.end() && compare(it->Text, S) == 0)
            return int(it - items_.begin());
        return -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (compare(items_[i].Text, S) == 0)
            return i;
    return -1;
}

int TNumStringList::IndexOfNumber(int N) const
{
    for (int i = 0; i < Count(); ++i)
        if (items_[i].Number == N)
            return i;
    return -1;
}

void TNumStringList::Delete(int Index)
{
    checkIndex(Index, Count());
    items_.remove(Index);
}

} // namespace zemo
