#include "io/ImpAi.h"

#include "core/Element.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "io/Import.h"
#include "io/ImportReport.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <vector>

namespace zemo {

namespace {

bool ParseNumber(const QByteArray& t, double& v)
{
    if (t.isEmpty())
        return false;
    const char* b = t.constData();
    const char* e = b + t.size();
    if (*b == '+')
        ++b;
    const auto r = std::from_chars(b, e, v);
    return r.ec == std::errc() && r.ptr == e && std::isfinite(v);
}

enum AiKind { AiLine = 2, AiArea = 3, AiText = 4, AiPathText = 6 };

// One style combination met in the file and the name its objects get.
struct TAiSym {
    int Kind = 0;
    int Int1 = 0, Int2 = 0;
    QByteArray Layer, Str1, Str2, Str3;
    QByteArray Name;
    bool Same(const TAiSym& o) const
    {
        return Kind == o.Kind && Int1 == o.Int1 && Int2 == o.Int2 && Layer == o.Layer && Str1 == o.Str1
            && Str2 == o.Str2 && Str3 == o.Str3;
    }
};

class AiReader {
public:
    explicit AiReader(const QByteArray& d) : Data(d) {}
    int Count = 0;
    ImportReport Rep;

    void Run()
    {
        qsizetype pos = 0;
        bool started = false;
        bool pattern = false;
        while (pos < Data.size()) {
            qsizetype end = pos;
            while (end < Data.size() && Data[end] != '\n' && Data[end] != '\r')
                ++end;
            const QByteArray line = Data.mid(pos, end - pos);
            pos = end;
            while (pos < Data.size() && (Data[pos] == '\n' || Data[pos] == '\r'))
                ++pos;
            if (!started) {
                started = line.startsWith("%%EndSetup");
                continue;
            }
            if (line.startsWith("%%Trailer"))
                return;
            if (pattern) {
                pattern = !line.startsWith("%%EndPattern");
                continue;
            }
            if (line.startsWith("%%BeginPattern")) {
                pattern = true;
                continue;
            }
            if (line.startsWith('%'))
                continue;
            Line(line);
            if (AbortRequested)
                return;
            Position = pos;
        }
        // The page ends with the trailer: the rest of the drawing is missing.
        Rep.Cut = true;
    }

private:
    const QByteArray& Data;
    qsizetype Position = 0;
    std::array<QByteArray, 8> Mem; // Mem[0] is the latest operand
    QByteArray Layer;
    QByteArray Width = "1", StrokeLine, FillLine, FontLine;
    int Cap = 0, Join = 0;
    std::vector<Cord> Path;
    bool PathOutside = false;  // a point of the path lay outside the map area
    bool PathFull = false;     // a point found no room
    // A compound path gathers its subpaths (each starting at a moveto) and paints them all
    // at its end as its subpaths' operators say: filled as one area with holes, stroked as
    // one line each.
    bool Compound = false;
    std::vector<size_t> Subpaths;      // where each subpath starts in Path
    std::vector<bool> SubpathClosed;   // stroked with a closing operator
    enum Paint : int { Fill = 1, Stroke = 2 };
    int CompoundPaint = 0;
    bool InText = false;
    int TextKind = 1;
    bool TxSeen = false;
    double Ta = 1, Tb = 0, Tc = 0, Td = 1, Ttx = 0, Tty = 0;
    QByteArray Text;
    std::vector<TAiSym> Styles;

    const QByteArray& Op(int k) const { return Mem[size_t(k - 1)]; }

    void Push(const QByteArray& t)
    {
        for (size_t i = Mem.size() - 1; i > 0; --i)
            Mem[i] = std::move(Mem[i - 1]);
        Mem[0] = t;
    }

    void Line(const QByteArray& line)
    {
        qsizetype i = 0;
        const qsizetype n = line.size();
        while (i < n) {
            while (i < n && (line[i] == ' ' || line[i] == '\t'))
                ++i;
            if (i >= n)
                break;
            qsizetype j = i;
            if (line[i] == '(') {
                ++j;
                while (j < n && line[j] != ')') {
                    if (line[j] == '\\')
                        ++j;
                    ++j;
                }
                j = std::min(j + 1, n);
            } else {
                while (j < n && line[j] != ' ' && line[j] != '\t')
                    ++j;
            }
            const QByteArray token = line.mid(i, j - i);
            Operator(token, line);
            Push(token);
            i = j;
            // A long line is many tokens: Esc is seen after each.
            DispatchKeyMessages();
            if (AbortRequested)
                return;
        }
    }

    // Room for k more points in the path.
    bool Room(int k) const { return int(Path.size()) + k <= MaxAiPathPoints - 1; }

    bool Point(int kx, int ky, Cord& c)
    {
        if (AiPointToMap(Op(kx), c.x) && AiPointToMap(Op(ky), c.y))
            return true;
        PathOutside = true;
        return false;
    }

    void Add(Cord c)
    {
        if (Room(1))
            Path.push_back(c);
        else
            PathFull = true;
    }

    // A path begun afresh.
    void NewPath()
    {
        Path.clear();
        Subpaths.clear();
        SubpathClosed.clear();
        PathOutside = PathFull = false;
    }

    // What the path lost on its way in; false when it is too short to be an object. A path
    // of one point draws nothing: it is no loss (writers end compound paths with one).
    bool PathTaken(size_t have, size_t need)
    {
        if (have < need) {
            if (PathOutside)
                Rep.Skip(TextKey::ObjectsReachingOutside);
            return false;
        }
        if (PathOutside)
            Rep.Skip(TextKey::ObjectsReachingOutside);
        if (PathFull)
            Rep.Skip(TextKey::ObjectsWithTooManyPoints);
        return true;
    }

    // The subpaths as [begin, end) in Path.
    std::vector<std::pair<size_t, size_t>> Pieces() const
    {
        std::vector<std::pair<size_t, size_t>> out;
        for (size_t k = 0; k < Subpaths.size(); ++k)
            out.emplace_back(Subpaths[k], k + 1 < Subpaths.size() ? Subpaths[k + 1] : Path.size());
        if (Subpaths.empty() && !Path.empty())
            out.emplace_back(0, Path.size());
        return out;
    }

    void Curve(int first, bool corner)
    {
        // first: 1 = both controls given (c), 2 = first is the current point (v), 3 = second
        // is the end point (y).
        if (Path.empty())
            return;
        if (!Room(3)) {
            PathFull = true;
            return;
        }
        Cord c1{}, c2{}, end{};
        if (first == 1) {
            if (!Point(6, 5, c1) || !Point(4, 3, c2) || !Point(2, 1, end))
                return;
        } else if (first == 2) {
            if (!Point(4, 3, c2) || !Point(2, 1, end))
                return;
            c1 = {Masked(Path.back().x), Masked(Path.back().y)};
        } else {
            if (!Point(4, 3, c1) || !Point(2, 1, end))
                return;
            c2 = end;
        }
        Path.push_back({c1.x | FirstBezierFlag, c1.y});
        Path.push_back({c2.x | SecondBezierFlag, c2.y});
        Path.push_back({end.x, end.y | (corner ? CornerFlag : 0)});
    }

    QByteArray StyleName(TAiSym s)
    {
        s.Layer = Layer;
        for (const TAiSym& t : Styles)
            if (t.Same(s))
                return t.Name;
        for (int k = 1;; ++k) {
            const QByteArray num = ' ' + QByteArray::number(k);
            const QByteArray name = Layer.left(AiStyleNameChars - num.size()) + num;
            bool taken = false;
            for (const TAiSym& t : Styles)
                taken = taken || t.Name == name;
            if (!taken) {
                s.Name = name;
                Styles.push_back(s);
                return name;
            }
        }
    }

    void Append(uint8_t type, const QByteArray& name, const Cord* pts, int count, const QByteArray& text,
                int16_t angle)
    {
        const int slots = text.isEmpty() ? 0 : int(text.size() + 8) / 8;
        ElementRecord& e = CurElement;
        if (!InitElement(e, -1, type, uint16_t(count), uint16_t(slots), angle)) {
            Rep.Skip(TextKey::ObjectsWithTooManyPoints);
            return;
        }
        std::copy(pts, pts + count, e.Cords());
        if (slots > 0) {
            uint8_t* t = e.TextBytes();
            std::fill(t, t + size_t(slots) * 8, uint8_t(0));
            std::copy(text.begin(), text.end(), t);
        }
        const QByteArray l = name.left(AiStyleNameChars);
        e.LayerName[0] = uint8_t(l.size());
        std::copy(l.begin(), l.end(), e.LayerName.begin() + 1);
        if (!AppendElement())
            throw EAbort();
        Rep.Read(type);
        ToggleSelection(Index.ActiveZmd->HighestObject);
        if (++Count % 10 == 0)
            UpdateProgress(Count, int(std::min<qsizetype>(Position, INT32_MAX)));
    }

    // One line of the points [from, to) of the path, its first point again at its end when
    // the operator closes it.
    void LineObject(size_t from, size_t to, bool closed)
    {
        std::vector<Cord> line(Path.begin() + long(from), Path.begin() + long(to));
        if (!line.empty())
            line.front().y &= ~HoleFlag;
        if (closed && line.size() >= 2 && (Masked(line.back().x) != Masked(line.front().x)
                                           || Masked(line.back().y) != Masked(line.front().y)))
            line.push_back({Masked(line.front().x), Masked(line.front().y)});
        if (!PathTaken(line.size(), 2))
            return;
        TAiSym s;
        s.Kind = AiLine;
        s.Int1 = Cap;
        s.Int2 = Join;
        s.Str1 = Width;
        s.Str2 = StrokeLine;
        s.Str3 = FillLine;
        Append(zemo::LineObject, StyleName(s), line.data(), int(line.size()), {}, 0);
    }

    // Every subpath of three points or more as a ring of one area, the later ones holes.
    void AreaObject()
    {
        std::vector<Cord> area;
        for (auto [from, to] : Pieces()) {
            if (to - from < 3)
                continue;
            const size_t at = area.size();
            area.insert(area.end(), Path.begin() + long(from), Path.begin() + long(to));
            area[at].y = at == 0 ? area[at].y & ~HoleFlag : area[at].y | HoleFlag;
        }
        if (!PathTaken(area.size(), 3))
            return;
        TAiSym s;
        s.Kind = AiArea;
        s.Str1 = FillLine;
        Append(zemo::AreaObject, StyleName(s), area.data(), int(area.size()), {}, 0);
    }

    // A paint operator: outside a compound path it paints the path at once; inside one it
    // says how the whole compound is painted at its end, and whether this subpath is closed.
    void PaintPath(int paint, bool close)
    {
        if (Compound) {
            CompoundPaint |= paint;
            if (!SubpathClosed.empty())
                SubpathClosed.back() = SubpathClosed.back() || close;
            return;
        }
        if (paint & Fill)
            AreaObject();
        if (paint & Stroke)
            LineObject(0, Path.size(), close);
    }

    void EndCompound()
    {
        Compound = false;
        if (CompoundPaint & Fill)
            AreaObject();
        if (CompoundPaint & Stroke) {
            const auto pieces = Pieces();
            for (size_t k = 0; k < pieces.size(); ++k)
                if (pieces[k].second - pieces[k].first >= 2)
                    LineObject(pieces[k].first, pieces[k].second, k < SubpathClosed.size() && SubpathClosed[k]);
        }
        CompoundPaint = 0;
    }

    // The area text's box in the text's own direction: it starts at the text's position and
    // reaches the corner farthest along the direction; across it, as far as the corners and
    // the position go. False when no corner lies ahead of the position.
    bool TextBox(Cord at, double angle, std::array<Cord, 4>& box) const
    {
        const double cs = std::cos(angle), sn = std::sin(angle);
        double ahead = 0, top = 0, bottom = 0;
        for (size_t k = 0; k < 4; ++k) {
            const double dx = double(Masked(Path[k].x)) - at.x, dy = double(Masked(Path[k].y)) - at.y;
            ahead = std::max(ahead, dx * cs + dy * sn);
            top = std::max(top, -dx * sn + dy * cs);
            bottom = std::min(bottom, -dx * sn + dy * cs);
        }
        if (ahead < 1)
            return false;
        const auto corner = [&](double along, double across, Cord& c) {
            const double x = std::nearbyint(at.x + along * cs - across * sn);
            const double y = std::nearbyint(at.y + along * sn + across * cs);
            if (!(std::abs(x) <= MapAreaLimit && std::abs(y) <= MapAreaLimit))
                return false;
            c = {Masked(int32_t(x)), Masked(int32_t(y))};
            return true;
        };
        return corner(0, bottom, box[0]) && corner(ahead, bottom, box[1]) && corner(ahead, top, box[2])
               && corner(0, top, box[3]);
    }

    void TextObject()
    {
        int kind = TextKind;
        if (kind == 3 && Path.size() < 4)
            kind = 1;
        if (kind == 2 && Path.size() < 2)
            kind = 1;
        TAiSym s;
        s.Kind = kind == 2 ? AiPathText : AiText;
        s.Str1 = FillLine;
        s.Str2 = FontLine;
        const QByteArray name = StyleName(s);
        Cord at{};
        if (!AiPointToMap(QByteArray::number(Ttx, 'g', 17), at.x)
            || !AiPointToMap(QByteArray::number(Tty, 'g', 17), at.y))
            return;
        const double radians = std::atan2(Tb, Ta);
        const int16_t angle = int16_t(std::nearbyint(radians * 1800 / std::numbers::pi));
        std::array<Cord, 4> box{};
        if (kind == 3 && !TextBox(at, radians, box))
            kind = 1;
        if (kind == 2) {
            Append(zemo::LineObject, name, Path.data(), int(Path.size()), Text.left(MaxAiPathTextChars), 0);
        } else if (kind == 3) {
            Append(RectangleObject, name, box.data(), 4, Text.left(MaxAiTextChars), angle);
        } else {
            const std::array<Cord, 5> pts{at, Cord{}, Cord{}, Cord{}, Cord{}};
            Append(zemo::TextObject, name, pts.data(), 5, Text.left(MaxAiTextChars), angle);
        }
    }

    void Operator(const QByteArray& t, const QByteArray& line)
    {
        if (t.isEmpty() || t[0] == '(')
            return;
        if (t == "Ln") {
            Layer = DecodeAiString(Op(1));
        } else if (t == "*u") {
            Compound = true;
            CompoundPaint = 0;
            NewPath();
        } else if (t == "*U") {
            EndCompound();
        } else if (t == "m") {
            Cord c{};
            if (!Compound)
                NewPath();
            if (!Point(2, 1, c))
                return;
            if (!Room(1)) {
                PathFull = true;
                return;
            }
            Subpaths.push_back(Path.size());
            SubpathClosed.push_back(false);
            Path.push_back(c);
        } else if (t == "l" || t == "L") {
            Cord c{};
            if (Point(2, 1, c))
                Add(c);
        } else if (t == "c" || t == "C") {
            Curve(1, t == "C");
        } else if (t == "v" || t == "V") {
            Curve(2, t == "V");
        } else if (t == "y" || t == "Y") {
            Curve(3, t == "Y");
        } else if (t == "f" || t == "F") {
            PaintPath(Fill, true);
        } else if (t == "s" || t == "S") {
            PaintPath(Stroke, t == "s");
        } else if (t == "b" || t == "B") {
            PaintPath(Fill | Stroke, t == "b");
        } else if (t == "w") {
            Width = Op(1);
        } else if (t == "J" || t == "j") {
            double v = 0;
            const int k = ParseNumber(Op(1), v) && std::abs(v) < 1e6 ? int(v) : 0;
            (t == "J" ? Cap : Join) = k;
        } else if (t == "K" || t == "X") {
            StrokeLine = line;
        } else if (t == "k" || t == "p" || t == "x") {
            FillLine = line;
        } else if (t == "To") {
            InText = true;
            Text.clear();
            TextKind = 1;
            TxSeen = false;
        } else if (t == "Tp") {
            // The six operands before the last one (a count of the path points) are the matrix.
            std::array<double, 6> m{};
            bool ok = true;
            for (int k = 0; k < 6; ++k)
                ok = ok && ParseNumber(Op(7 - k), m[size_t(k)]);
            if (!ok)
                m = {1, 0, 0, 1, 0, 0};
            Ta = m[0], Tb = m[1], Tc = m[2], Td = m[3], Ttx = m[4], Tty = m[5];
        } else if (InText && (t == "N" || t == "n")) {
            TextKind = t == "N" ? 2 : 3;
        } else if (t == "Tf") {
            FontLine = line;
        } else if (t == "Tx" || t == "Tj" || (t == "TX" && !TxSeen)) {
            if (t == "Tx")
                TxSeen = true;
            if (Op(1).startsWith('('))
                Text += DecodeAiString(Op(1));
        } else if (t == "TO") {
            InText = false;
            if (!Text.isEmpty())
                TextObject();
        }
    }
};

} // namespace

bool IsAiFile(const QString& name, const QByteArray& head)
{
    return QFileInfo(name).suffix().toLower().startsWith(QStringLiteral("ai")) && head.startsWith("%!PS");
}

QByteArray DecodeAiString(const QByteArray& token)
{
    QByteArray s = token;
    if (s.startsWith('('))
        s.remove(0, 1);
    if (s.endsWith(')') && !(s.size() >= 2 && s[s.size() - 2] == '\\' && !(s.size() >= 3 && s[s.size() - 3] == '\\')))
        s.chop(1);
    QByteArray out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= s.size())
            break;
        const char e = s[i];
        if (e == 'n' || e == 'r') {
            out += "\r\n";
        } else if (e == 't') {
            out += '\t';
        } else if (e == '\\' || e == '(' || e == ')') {
            out += e;
        } else if (i + 2 < s.size() && e >= '0' && e <= '7' && s[i + 1] >= '0' && s[i + 1] <= '7'
                   && s[i + 2] >= '0' && s[i + 2] <= '7') {
            const int v = (e - '0') * 64 + (s[i + 1] - '0') * 8 + (s[i + 2] - '0');
            out += char(uint8_t(v & 0xFF));
            i += 2;
        }
    }
    return out;
}

bool AiPointToMap(const QByteArray& token, int32_t& out)
{
    double v = 0;
    if (!ParseNumber(token, v))
        return false;
    const double units = std::nearbyint(v / 72 * 2540 * 256);
    if (!(std::abs(units) <= MapAreaLimit))
        return false;
    out = Masked(int32_t(units));
    return true;
}

int ImportAi(const QByteArray& data, const QString& name)
{
    if (!Index.ActiveZmd)
        return 0;
    TZmd& z = *Index.ActiveZmd;
    const int before = z.HighestObject;
    AbortRequested = false;
    StartProgress(TextKey::Importing, TextKey::ObjImported, int(std::min<qsizetype>(data.size(), INT32_MAX)), 10, true);
    ClearSelection();
    AiReader reader(data);
    {
        UndoSuspend quiet;
        try {
            reader.Run();
        } catch (const EAbort&) {
            // A failed append: what came in is placed all the same.
        }
        if (reader.Count > 0) {
            const SetupRecord& st = *Stp();
            const CordRect r = Index.SelectionRect;
            const int32_t dx = Masked(st.ViewCenterX) - Masked(int32_t((int64_t(r.x1) + r.x2) / 2));
            const int32_t dy = Masked(st.ViewCenterY) - Masked(int32_t((int64_t(r.y1) + r.y2) / 2));
            for (int n = before + 1; n <= z.HighestObject; ++n) {
                if (!GetIndex(n) || !ReadElement(n, CurElement))
                    continue;
                MoveElement(CurElement, dx, dy);
                SaveElement(n);
            }
            CordRect& sel = Index.SelectionRect;
            const auto shift = [](int32_t v, int32_t d) {
                return int32_t(std::clamp<int64_t>(int64_t(v) + d, INT32_MIN, INT32_MAX));
            };
            sel = {shift(sel.x1, dx), shift(sel.y1, dy), shift(sel.x2, dx), shift(sel.y2, dy)};
            SetSelectionBox();
        }
    }
    EndImportStep(reader.Count, MaxKeptAiSelection);
    FlushMapFile();
    EndProgress();
    if (!name.isEmpty() && !AbortRequested)
        ShowImportReport(reader.Rep, name);
    return reader.Count;
}

void InitImpAiUnit()
{
    RegisterImporter(ImportSlot::Ai, {[](const QString& name, TFileClass& f) {
                                          std::array<char, 4> head{};
                                          if (!f.Seek(0))
                                              return false;
                                          const int64_t got = f.ReadBlock(head.data(), int64_t(head.size()));
                                          return IsAiFile(name, QByteArray(head.data(), qsizetype(got)));
                                      },
                                      [](const QString& name, TFileClass& f) {
                                          QByteArray data(qsizetype(f.Size()), '\0');
                                          if (!f.Seek(0) || !f.Read(data.data(), data.size()))
                                              return;
                                          ImportAi(data, name);
                                      }});
}

} // namespace zemo
