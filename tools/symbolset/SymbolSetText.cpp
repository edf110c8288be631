#include "symbolset/SymbolSetText.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Cord.h"
#include "core/Errors.h"
#include "core/Setup.h"
#include "document/Index.h"
#include "symbols/store/IconCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace zemo {

QString SymbolSetError::Text() const
{
    return File + QLatin1Char(':') + QString::number(Line) + QStringLiteral(": ") + Message;
}

namespace {

struct ParseFailure {
    int Line;
    std::string Message;
};

struct Token {
    std::string Text;
    bool Quoted = false;
};

std::string Num(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

enum class Kind { Point = 1, Line = 2, Area = 3, Text = 4, LineText = 6, Rect = 5 };

// One element list as it is being built.
struct ElementList {
    std::vector<uint8_t> Bytes;
    int Slots() const { return int(Bytes.size() / 8); }
};

class Parser {
public:
    Parser(std::string_view text, SymbolSetDescription& out) : text_(text), out_(out) {}

    void Run()
    {
        out_ = SymbolSetDescription{};
        for (auto& c : out_.Colors.Colors)
            c.Separations.fill(255);
        size_t pos = 0;
        while (pos < text_.size()) {
            size_t end = text_.find('\n', pos);
            if (end == std::string_view::npos)
                end = text_.size();
            ++line_;
            std::string_view raw = text_.substr(pos, end - pos);
            if (!raw.empty() && raw.back() == '\r')
                raw.remove_suffix(1);
            HandleLine(Tokenize(raw));
            pos = end + 1;
        }
        if (state_ == State::Map)
            Fail(blockLine_, "the map block is not closed by \"end\"");
        if (state_ == State::Symbol || state_ == State::Elements)
            Fail(blockLine_, "symbol " + symbolText_ + " is not closed by \"end\"");
        if (out_.Colors.ColorCount == 0)
            Fail(std::max(line_, 1), "the set has no colours");
    }

private:
    enum class State { Top, Map, Symbol, Elements };

    [[noreturn]] void Fail(int line, const std::string& message) { throw ParseFailure{line, message}; }
    [[noreturn]] void Fail(const std::string& message) { Fail(line_, message); }

    std::vector<Token> Tokenize(std::string_view s)
    {
        std::vector<Token> tokens;
        size_t i = 0;
        while (i < s.size()) {
            const char c = s[i];
            if (c == ' ' || c == '\t') {
                ++i;
                continue;
            }
            if (c == '#')
                break;
            Token t;
            if (c == '"') {
                t.Quoted = true;
                ++i;
                bool closed = false;
                while (i < s.size()) {
                    char d = s[i++];
                    if (d == '"') {
                        closed = true;
                        break;
                    }
                    if (d == '\\' && i < s.size())
                        d = s[i++];
                    t.Text += d;
                }
                if (!closed)
                    Fail("a quoted text is not closed");
            } else {
                while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '"' && s[i] != '#')
                    t.Text += s[i++];
            }
            tokens.push_back(std::move(t));
        }
        return tokens;
    }

    // ---- Values ----
    double Number(const Token& t)
    {
        const std::string& s = t.Text;
        double v = 0;
        const char* first = s.data();
        const char* last = s.data() + s.size();
        if (!t.Quoted && first != last && *first == '+')
            ++first;
        const auto r = std::from_chars(first, last, v, std::chars_format::fixed);
        if (t.Quoted || s.empty() || r.ec != std::errc() || r.ptr != last || !std::isfinite(v))
            Fail("\"" + s + "\" is not a number");
        return v;
    }

    int Int(const Token& t, int min, int max)
    {
        const double v = Number(t);
        if (v != std::trunc(v) || v < min || v > max)
            Fail("\"" + t.Text + "\" must be a whole number from " + std::to_string(min) + " to "
                 + std::to_string(max));
        return int(v);
    }

    // A value in `unit`s, scaled to whole stored units (v x factor, rounded), within range.
    int Scaled(const Token& t, double factor, double min, double max, const char* what)
    {
        const double v = Number(t);
        if (v < min || v > max)
            Fail(std::string(what) + " " + t.Text + " must lie from " + Num(min) + " to " + Num(max));
        return int(std::nearbyint(v * factor));
    }
    int Mm(const Token& t, double maxMm, const char* what = "the length")
    {
        return Scaled(t, 100.0, 0.0, maxMm, what);
    }
    int SignedMm(const Token& t, double limit, const char* what = "the offset")
    {
        return Scaled(t, 100.0, -limit, limit, what);
    }
    int Angle(const Token& t) { return Scaled(t, 10.0, -360.0, 360.0, "the angle"); }

    // 8-bit text of the map file from the UTF-8 of the description.
    std::string Text8(const Token& t, size_t maxLen, const char* what)
    {
        bool lossless = true;
        const QByteArray b = EncodeCodePage(1252, QString::fromUtf8(t.Text.data(), qsizetype(t.Text.size())), &lossless);
        if (!lossless)
            Fail(std::string(what) + " \"" + t.Text + "\" has characters outside code page 1252");
        if (size_t(b.size()) > maxLen)
            Fail(std::string(what) + " \"" + t.Text + "\" is longer than " + std::to_string(maxLen)
                 + " characters");
        return std::string(b.constData(), size_t(b.size()));
    }

    int ColorRef(const Token& t)
    {
        const auto& b = out_.Colors;
        if (!t.Quoted && !t.Text.empty()
            && std::all_of(t.Text.begin(), t.Text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            const int n = Int(t, 0, 255);
            for (int i = 0; i < b.ColorCount; ++i)
                if (b.Colors[size_t(i)].Number == n)
                    return n;
            Fail("colour " + t.Text + " is not in the colour table");
        }
        const std::string want = Lower(t.Text);
        for (int i = 0; i < b.ColorCount; ++i)
            if (Lower(ShortFieldText(b.Colors[size_t(i)].Name)) == want)
                return b.Colors[size_t(i)].Number;
        Fail("colour \"" + t.Text + "\" is not in the colour table");
    }

    void Args(const std::vector<Token>& t, size_t min, size_t max)
    {
        const size_t n = t.size() - 1;
        if (n < min || n > max) {
            if (min == max)
                Fail("\"" + t[0].Text + "\" takes " + std::to_string(min) + " value(s)");
            Fail("\"" + t[0].Text + "\" takes " + std::to_string(min) + " to " + std::to_string(max)
                 + " values");
        }
    }

    template <typename Map>
    int Choice(const Token& t, const Map& choices, const char* what)
    {
        const std::string k = Lower(t.Text);
        for (const auto& [name, value] : choices)
            if (k == name)
                return value;
        std::string list;
        for (const auto& [name, value] : choices)
            list += (list.empty() ? "" : ", ") + std::string(name);
        Fail(std::string(what) + " \"" + t.Text + "\" is not one of: " + list);
    }

    int LineStyle(const Token& t)
    {
        static const std::array<std::pair<const char*, int>, 3> styles{
            {{"bevel", 0}, {"round", 1}, {"mitre", 4}}};
        return Choice(t, styles, "the style");
    }

    // ---- Statements ----
    void HandleLine(const std::vector<Token>& t)
    {
        if (t.empty())
            return;
        const std::string key = t[0].Quoted ? std::string("\"") : Lower(t[0].Text);
        switch (state_) {
        case State::Top:
            if (key == "map") {
                Args(t, 0, 0);
                if (mapSeen_)
                    Fail("a second map block");
                mapSeen_ = true;
                state_ = State::Map;
                blockLine_ = line_;
            } else if (key == "color" || key == "colour") {
                Color(t);
            } else if (key == "symbol") {
                BeginSymbol(t);
            } else {
                Fail("expected \"map\", \"color\" or \"symbol\", not \"" + t[0].Text + "\"");
            }
            break;
        case State::Map:
            MapKey(key, t);
            break;
        case State::Symbol:
            if (key == "end") {
                Args(t, 0, 0);
                EndSymbol();
            } else if (key == "elements") {
                BeginElements(t);
            } else if (kind_ == Kind::Point && IsElementKind(key)) {
                Element(t, lists_[0]);
            } else {
                SymbolKey(key, t);
            }
            break;
        case State::Elements:
            if (key == "end") {
                Args(t, 0, 0);
                state_ = State::Symbol;
            } else if (IsElementKind(key)) {
                Element(t, lists_[size_t(currentList_)]);
            } else {
                Fail("expected an element (line, area, circle, dot) or \"end\", not \"" + t[0].Text + "\"");
            }
            break;
        }
    }

    void MapKey(const std::string& key, const std::vector<Token>& t)
    {
        if (key == "end") {
            Args(t, 0, 0);
            state_ = State::Top;
        } else if (key == "type") {
            Args(t, 1, 1);
            static const std::array<std::pair<const char*, int>, 2> types{{{"normal", 2}, {"course", 3}}};
            out_.FileType = uint16_t(Choice(t[1], types, "the map type"));
        } else if (key == "scale") {
            Args(t, 1, 1);
            out_.Scale = Int(t[1], 100, 10000000);
        } else if (key == "info") {
            Args(t, 1, 1);
            if (!out_.Info.empty())
                out_.Info += "\r\n";
            out_.Info += Text8(t[1], size_t(MaxInfoTextBytes - 1), "the information text");
            if (out_.Info.size() > size_t(MaxInfoTextBytes - 1))
                Fail("the information text is longer than 32767 characters");
        } else {
            Fail("unknown map field \"" + t[0].Text + "\"");
        }
    }

    void Color(const std::vector<Token>& t)
    {
        // color N "name" cmyk c m y k [overprint]
        if (t.size() < 8 || t.size() > 9 || Lower(t[3].Text) != "cmyk")
            Fail("a colour reads: color <number> \"<name>\" cmyk <c> <m> <y> <k> [overprint]");
        auto& b = out_.Colors;
        if (b.ColorCount >= MaxColors)
            Fail("more than 256 colours");
        const int number = Int(t[1], 0, 255);
        const std::string name = Text8(t[2], 31, "the colour name");
        if (name.empty())
            Fail("a colour needs a name");
        for (int i = 0; i < b.ColorCount; ++i) {
            if (b.Colors[size_t(i)].Number == number)
                Fail("colour number " + std::to_string(number) + " is defined twice");
            if (Lower(ShortFieldText(b.Colors[size_t(i)].Name)) == Lower(name))
                Fail("colour name \"" + t[2].Text + "\" is defined twice");
        }
        ColorRecord& c = b.Colors[size_t(b.ColorCount)];
        c.Number = uint16_t(number);
        SetShortFieldText(c.Name, name);
        for (size_t k = 0; k < 4; ++k)
            c.Cmyk[k] = uint8_t(Scaled(t[4 + k], 2.0, 0.0, 100.0, "the colour value"));
        c.Overprint = 0;
        if (t.size() == 9) {
            if (Lower(t[8].Text) != "overprint")
                Fail("expected \"overprint\", not \"" + t[8].Text + "\"");
            c.Overprint = -1;
        }
        c.Separations.fill(255);
        ++b.ColorCount;
    }

    // ---- Symbols ----
    void BeginSymbol(const std::vector<Token>& t)
    {
        if (t.size() != 4)
            Fail("a symbol begins: symbol <number> <type> \"<description>\"");
        const double v = Number(t[1]);
        const double tenths = std::nearbyint(v * 10);
        if (std::fabs(v * 10 - tenths) > 1e-6 || tenths < 1 || tenths > MaxSymbolNumber)
            Fail("symbol number " + t[1].Text + " must lie from 0.1 to 999.9 with one decimal");
        number_ = int(tenths);
        if (!numbers_.insert(number_).second)
            Fail("symbol number " + t[1].Text + " is defined twice");
        if (out_.Symbols.size() >= size_t(MaxSymbols))
            Fail("more than 9999 symbols");
        static const std::array<std::pair<const char*, int>, 6> kinds{
            {{"point", int(Kind::Point)}, {"line", int(Kind::Line)}, {"area", int(Kind::Area)},
             {"text", int(Kind::Text)}, {"linetext", int(Kind::LineText)}, {"rectangle", int(Kind::Rect)}}};
        kind_ = Kind(Choice(t[2], kinds, "the symbol type"));
        symbolText_ = t[1].Text;
        blockLine_ = line_;
        state_ = State::Symbol;
        for (auto& l : lists_)
            l.Bytes.clear();
        listSeen_.fill(false);

        size_t size = 0;
        int type = 0;
        switch (kind_) {
        case Kind::Point: size = PointSymbolFixedBytes; type = PointObject; break;
        case Kind::Line: size = LineSymbolFixedBytes; type = LineObject; break;
        case Kind::Area: size = AreaSymbolFixedBytes; type = AreaObject; break;
        case Kind::Text: size = TextSymbolBytes; type = TextObject; break;
        case Kind::LineText: size = LineTextSymbolBytes; type = LineObject; break;
        case Kind::Rect: size = RectSymbolBytes; type = RectangleObject; break;
        }
        rec_.assign(size, 0);
        SetSymI16(rec_, SymNumber, int16_t(number_));
        SetSymI16(rec_, SymObjectType, int16_t(type));
        SetSymU8(rec_, SymTextFlag, (kind_ == Kind::Text || kind_ == Kind::LineText) ? 1 : 0);
        SetShortFieldText(std::span(rec_).subspan(SymDescription, String31Bytes),
                          Text8(t[3], 31, "the description"));
        if (kind_ == Kind::Text || kind_ == Kind::LineText) {
            SetShortFieldText(std::span(rec_).subspan(TsFontName, String31Bytes), "Arial");
            SetSymI16(rec_, TsFontSize, 120);
            SetSymI16(rec_, TsFontWeight, 400);
            SetSymI16(rec_, TsWordSpacing, 100);
            if (kind_ == Kind::Text)
                SetSymI16(rec_, TsLineSpacing, 120);
        }
        haveColor_ = false;
    }

    static bool IsElementKind(const std::string& k)
    {
        return k == "line" || k == "area" || k == "circle" || k == "dot";
    }

    void BeginElements(const std::vector<Token>& t)
    {
        int list = 0;
        if (kind_ == Kind::Point) {
            Args(t, 0, 0);
        } else if (kind_ == Kind::Line) {
            Args(t, 1, 1);
            static const std::array<std::pair<const char*, int>, 5> names{
                {{"main", 0}, {"secondary", 1}, {"corner", 2}, {"start", 3}, {"end", 4}}};
            list = Choice(t[1], names, "the element list");
        } else if (kind_ == Kind::Area) {
            Args(t, 0, 1);
            if (t.size() == 2 && Lower(t[1].Text) != "structure")
                Fail("an area symbol has only the \"structure\" element list");
        } else {
            Fail("this symbol type has no elements");
        }
        if (listSeen_[size_t(list)])
            Fail("this element list is given twice");
        listSeen_[size_t(list)] = true;
        currentList_ = list;
        state_ = State::Elements;
    }

    // line|area|circle|dot color C [width W] [diameter D] [style S] [at X Y] [points X Y [flag] ...]
    void Element(const std::vector<Token>& t, ElementList& list)
    {
        const std::string k = Lower(t[0].Text);
        const int kind = k == "line"     ? ElementLine
                         : k == "area"   ? ElementArea
                         : k == "circle" ? ElementCircle
                                         : ElementDot;
        std::optional<int> colour;
        int width = 0, diameter = 0, style = 0;
        std::vector<std::pair<int32_t, int32_t>> cords;
        size_t i = 1;
        auto need = [&](size_t n) {
            if (i + n > t.size())
                Fail("\"" + t[i - 1].Text + "\" needs " + std::to_string(n) + " value(s)");
        };
        auto coord = [&](const Token& tok) {
            return int32_t(Scaled(tok, 100.0, -500.0, 500.0, "the coordinate")) * UnitsPerHundredthMm;
        };
        while (i < t.size()) {
            const std::string opt = Lower(t[i++].Text);
            if (opt == "color" || opt == "colour") {
                need(1);
                colour = ColorRef(t[i++]);
            } else if (opt == "width") {
                need(1);
                width = Mm(t[i++], 20.0, "the width");
            } else if (opt == "diameter") {
                need(1);
                diameter = Mm(t[i++], 50.0, "the diameter");
            } else if (opt == "style") {
                need(1);
                style = LineStyle(t[i++]);
            } else if (opt == "at") {
                need(2);
                if (!cords.empty())
                    Fail("an element has either \"at\" or \"points\", once");
                cords.emplace_back(coord(t[i]), coord(t[i + 1]));
                i += 2;
            } else if (opt == "points") {
                if (!cords.empty())
                    Fail("an element has either \"at\" or \"points\", once");
                while (i < t.size()) {
                    const std::string w = Lower(t[i].Text);
                    if (w == "corner" || w == "hole" || w == "dash" || w == "bezier1" || w == "bezier2") {
                        if (cords.empty())
                            Fail("\"" + t[i].Text + "\" must follow a point");
                        auto& p = cords.back();
                        if (w == "corner") p.second |= CornerFlag;
                        if (w == "hole") p.second |= HoleFlag;
                        if (w == "dash") p.second |= DashFlag;
                        if (w == "bezier1") p.first |= FirstBezierFlag;
                        if (w == "bezier2") p.first |= SecondBezierFlag;
                        ++i;
                        continue;
                    }
                    if (i + 1 >= t.size())
                        Fail("the points end with a single value");
                    cords.emplace_back(coord(t[i]), coord(t[i + 1]));
                    i += 2;
                }
                if (cords.size() > 512)
                    Fail("an element has at most 512 points");
            } else {
                Fail("unknown element field \"" + t[i - 1].Text + "\"");
            }
        }
        if (!colour)
            Fail("an element needs a colour");
        switch (kind) {
        case ElementLine:
            if (cords.size() < 2)
                Fail("a line element needs at least 2 points");
            if (width <= 0)
                Fail("a line element needs a width");
            break;
        case ElementArea:
            if (cords.size() < 3)
                Fail("an area element needs at least 3 points");
            break;
        case ElementCircle:
            if (cords.size() != 1)
                Fail("a circle element needs its centre (\"at\")");
            if (width <= 0 || diameter <= width)
                Fail("a circle element needs a width and a larger diameter");
            break;
        default:
            if (cords.size() != 1)
                Fail("a dot element needs its centre (\"at\")");
            if (diameter <= 0)
                Fail("a dot element needs a diameter");
            break;
        }
        const size_t at = list.Bytes.size();
        list.Bytes.resize(at + ElemCords + cords.size() * StoredCordBytes, 0);
        uint8_t* p = list.Bytes.data() + at;
        StoreLE(p + ElemKind, uint16_t(kind));
        StoreLE(p + ElemStyle, uint16_t(style));
        StoreLE(p + ElemColor, uint16_t(*colour));
        StoreLE(p + ElemWidth, uint16_t(width));
        StoreLE(p + ElemDiameter, uint16_t(diameter));
        StoreLE(p + ElemCount, uint16_t(cords.size()));
        for (size_t c = 0; c < cords.size(); ++c) {
            uint8_t* cord = p + ElemCords + c * StoredCordBytes;
            StoreLE(cord, cords[c].first);
            StoreLE(cord + StoredCordY, cords[c].second);
        }
        if (list.Slots() > MaxElementListSlots)
            Fail("an element list has more than 512 slots");
    }

    bool CommonKey(const std::string& key, const std::vector<Token>& t)
    {
        if (key == "rotatable") {
            Args(t, 0, 0);
            if (kind_ == Kind::LineText)
                Fail("a line-text symbol has no north orientation");
            rec_[SymFlags] |= SymRotatableFlag;
        } else if (key == "status") {
            Args(t, 1, 1);
            static const std::array<std::pair<const char*, int>, 3> s{
                {{"normal", 0}, {"protected", 1}, {"hidden", 2}}};
            rec_[SymStatus] = uint8_t(Choice(t[1], s, "the status"));
        } else if (key == "tool") {
            Args(t, 1, 1);
            if (kind_ != Kind::Line && kind_ != Kind::Area && kind_ != Kind::LineText)
                Fail("only line, line-text and area symbols have a preferred tool");
            static const std::array<std::pair<const char*, int>, 7> tools{
                {{"none", 0}, {"curve", 1}, {"ellipse", 2}, {"circle", 3}, {"rectangular", 4},
                 {"straight", 5}, {"freehand", 6}}};
            rec_[SymTool] = uint8_t(Choice(t[1], tools, "the tool"));
        } else if (key == "course") {
            Course(t);
        } else {
            return false;
        }
        return true;
    }

    void Course(const std::vector<Token>& t)
    {
        if (t.size() < 2)
            Fail("\"course\" takes \"symbol <type>\" or \"description <columns>\"");
        const std::string role = Lower(t[1].Text);
        if (role == "symbol") {
            Args(t, 2, 2);
            static const std::array<std::pair<const char*, int>, 7> types{
                {{"start", 0}, {"control", 1}, {"finish", 2}, {"marked-route", 3},
                 {"descriptions", 4}, {"title", 5}, {"start-number", 6}}};
            const int type = Choice(t[2], types, "the course-object type");
            const bool fits = (kind_ == Kind::Point && (type <= 2 || type == 4))
                || (kind_ == Kind::Line && type == 3) || (kind_ == Kind::Text && type >= 5);
            if (!fits)
                Fail("a symbol of this type cannot make a course object \"" + t[2].Text + "\"");
            rec_[SymCsRole] = 1;
            rec_[SymCsType] = uint8_t(type);
        } else if (role == "description") {
            if (kind_ != Kind::Point)
                Fail("control-description symbols are point symbols");
            if (t.size() < 3)
                Fail("\"course description\" names its columns (C to H)");
            uint8_t mask = 0;
            for (size_t i = 2; i < t.size(); ++i) {
                const std::string c = Lower(t[i].Text);
                if (c == "size-hint")
                    mask |= 0x40;
                else if (c.size() == 1 && c[0] >= 'c' && c[0] <= 'h')
                    mask |= uint8_t(0x80 >> (c[0] - 'a'));
                else
                    Fail("\"" + t[i].Text + "\" is not a description column (C to H, size-hint)");
            }
            rec_[SymCsRole] = 2;
            rec_[SymCdColumns] = mask;
        } else {
            Fail("the course role \"" + t[1].Text + "\" is not \"symbol\" or \"description\"");
        }
    }

    void SymbolKey(const std::string& key, const std::vector<Token>& t)
    {
        if (CommonKey(key, t))
            return;
        switch (kind_) {
        case Kind::Point: break;
        case Kind::Line: if (LineKey(key, t)) return; break;
        case Kind::Area: if (AreaKey(key, t)) return; break;
        case Kind::Text: if (TextKey(key, t)) return; break;
        case Kind::LineText: if (LineTextKey(key, t)) return; break;
        case Kind::Rect: if (RectKey(key, t)) return; break;
        }
        Fail("unknown field \"" + t[0].Text + "\" for this symbol type");
    }

    void I16(size_t offset, int v) { SetSymI16(rec_, offset, int16_t(v)); }

    bool LineKey(const std::string& key, const std::vector<Token>& t)
    {
        if (key == "color" || key == "colour") {
            Args(t, 1, 1);
            I16(LsLineColor, ColorRef(t[1]));
        } else if (key == "width") {
            Args(t, 1, 1);
            I16(LsLineWidth, Mm(t[1], 20.0, "the width"));
        } else if (key == "style") {
            Args(t, 1, 1);
            const int s = LineStyle(t[1]);
            const int pointed = SymI16(rec_, LsLineStyleBits) & PointedEndsBit;
            I16(LsLineStyleBits, pointed | (s == 1 ? 1 : s == 4 ? 4 : 0));
        } else if (key == "pointed-ends") {
            Args(t, 0, 0);
            I16(LsLineStyleBits, SymI16(rec_, LsLineStyleBits) | PointedEndsBit);
        } else if (key == "from-start") {
            Args(t, 1, 1);
            I16(LsDistFromStart, Mm(t[1], 50.0));
        } else if (key == "to-end") {
            Args(t, 1, 1);
            I16(LsDistToEnd, Mm(t[1], 50.0));
        } else if (key == "dash") {
            Args(t, 1, 1);
            I16(LsMainLength, Mm(t[1], 50.0));
        } else if (key == "end-dash") {
            Args(t, 1, 1);
            I16(LsEndLength, Mm(t[1], 50.0));
        } else if (key == "gap") {
            Args(t, 1, 1);
            I16(LsMainGap, Mm(t[1], 20.0, "the gap"));
        } else if (key == "secondary-gap") {
            Args(t, 1, 1);
            I16(LsSecGap, Mm(t[1], 20.0, "the gap"));
        } else if (key == "end-gap") {
            Args(t, 1, 1);
            I16(LsEndGap, Mm(t[1], 20.0, "the gap"));
        } else if (key == "min-gaps") {
            Args(t, 1, 1);
            I16(LsMinSym, Int(t[1], 0, 2) - 1);
        } else if (key == "symbols") {
            // symbols <count> [spacing <mm>]
            if (t.size() != 2 && !(t.size() == 4 && Lower(t[2].Text) == "spacing"))
                Fail("\"symbols\" reads: symbols <count> [spacing <mm>]");
            I16(LsNPrimSym, Int(t[1], 0, 5));
            if (t.size() == 4)
                I16(LsPrimSymDist, Mm(t[3], 50.0));
        } else if (key == "double") {
            // double solid|left-dashed|dashed width <mm>
            if (t.size() != 4 || Lower(t[2].Text) != "width")
                Fail("\"double\" reads: double solid|left-dashed|dashed width <mm>");
            static const std::array<std::pair<const char*, int>, 3> modes{
                {{"solid", 1}, {"left-dashed", 2}, {"dashed", 3}}};
            I16(LsDblMode, Choice(t[1], modes, "the double-line mode"));
            I16(LsDblWidth, Mm(t[3], 20.0, "the width"));
        } else if (key == "double-fill") {
            Args(t, 1, 1);
            I16(LsDblFlags, 1);
            I16(LsDblFillColor, ColorRef(t[1]));
        } else if (key == "double-left" || key == "double-right") {
            Args(t, 2, 2);
            const bool left = key == "double-left";
            I16(left ? LsDblLeftColor : LsDblRightColor, ColorRef(t[1]));
            I16(left ? LsDblLeftWidth : LsDblRightWidth, Mm(t[2], 20.0, "the width"));
        } else if (key == "double-dash") {
            // double-dash <mm> gap <mm>
            if (t.size() != 4 || Lower(t[2].Text) != "gap")
                Fail("\"double-dash\" reads: double-dash <mm> gap <mm>");
            I16(LsDblLength, Mm(t[1], 50.0));
            I16(LsDblGap, Mm(t[3], 50.0));
        } else if (key == "decrease") {
            // decrease toward-end|both-ends last <percent>
            if (t.size() != 4 || Lower(t[2].Text) != "last")
                Fail("\"decrease\" reads: decrease toward-end|both-ends last <percent>");
            static const std::array<std::pair<const char*, int>, 2> modes{
                {{"toward-end", 1}, {"both-ends", 2}}};
            I16(LsDecMode, Choice(t[1], modes, "the decrease"));
            I16(LsDecLast, Int(t[3], 0, 100));
        } else if (key == "framing") {
            Args(t, 2, 3);
            I16(LsFrColor, ColorRef(t[1]));
            I16(LsFrWidth, Mm(t[2], 50.0, "the framing width"));
            if (t.size() == 4) {
                const int s = LineStyle(t[3]);
                I16(LsFrStyle, s == 1 ? 1 : s == 4 ? 4 : 0);
            }
        } else {
            return false;
        }
        return true;
    }

    bool AreaKey(const std::string& key, const std::vector<Token>& t)
    {
        if (key == "fill") {
            Args(t, 1, 1);
            I16(AreaFillOn, -1);
            I16(AreaFillColor, ColorRef(t[1]));
        } else if (key == "hatch") {
            // hatch single|cross color C width W spacing D angle A [angle2 A2]
            if (t.size() != 10 && t.size() != 12)
                Fail("\"hatch\" reads: hatch single|cross color <c> width <mm> spacing <mm> angle <deg> [angle2 <deg>]");
            static const std::array<std::pair<const char*, int>, 2> modes{{{"single", 1}, {"cross", 2}}};
            const int mode = Choice(t[1], modes, "the hatch");
            const char* names[] = {"color", "width", "spacing", "angle", "angle2"};
            for (size_t k = 0; 2 + 2 * k < t.size(); ++k)
                if (Lower(t[2 + 2 * k].Text) != names[k] && !(k == 0 && Lower(t[2].Text) == "colour"))
                    Fail("expected \"" + std::string(names[k]) + "\", not \"" + t[2 + 2 * k].Text + "\"");
            I16(AreaHatchMode, mode);
            I16(AreaHatchColor, ColorRef(t[3]));
            I16(AreaHatchLineWidth, Mm(t[5], 20.0, "the hatch width"));
            const int spacing = Mm(t[7], 50.0, "the hatch spacing");
            if (spacing <= 0)
                Fail("the hatch spacing must be above 0");
            I16(AreaHatchDist, spacing);
            I16(AreaHatchAngle1, Angle(t[9]));
            if (t.size() == 12) {
                if (mode != 2)
                    Fail("only a cross hatch has a second angle");
                I16(AreaHatchAngle2, Angle(t[11]));
            } else if (mode == 2) {
                Fail("a cross hatch needs \"angle2\"");
            }
        } else if (key == "structure") {
            // structure rectangular|offset width W height H [angle A]
            if ((t.size() != 6 && t.size() != 8) || Lower(t[2].Text) != "width"
                || Lower(t[4].Text) != "height" || (t.size() == 8 && Lower(t[6].Text) != "angle"))
                Fail("\"structure\" reads: structure rectangular|offset width <mm> height <mm> [angle <deg>]");
            static const std::array<std::pair<const char*, int>, 2> modes{
                {{"rectangular", 1}, {"offset", 2}}};
            I16(AreaStructMode, Choice(t[1], modes, "the structure"));
            const int w = Mm(t[3], 50.0, "the cell width"), h = Mm(t[5], 50.0, "the cell height");
            if (w <= 0 || h <= 0)
                Fail("a structure cell needs a width and a height above 0");
            I16(AreaStructWidth, w);
            I16(AreaStructHeight, h);
            if (t.size() == 8)
                I16(AreaStructAngle, Angle(t[7]));
        } else {
            return false;
        }
        return true;
    }

    // Fields text and line-text symbols share.
    bool FontKey(const std::string& key, const std::vector<Token>& t)
    {
        if (key == "font") {
            Args(t, 1, 1);
            const std::string name = Text8(t[1], 31, "the font name");
            if (name.empty())
                Fail("the font name is empty");
            SetShortFieldText(std::span(rec_).subspan(TsFontName, String31Bytes), name);
        } else if (key == "color" || key == "colour") {
            Args(t, 1, 1);
            I16(TsTextColor, ColorRef(t[1]));
            haveColor_ = true;
        } else if (key == "size") {
            Args(t, 1, 1);
            const double max = kind_ == Kind::Text ? 1000.0 : 128.0;
            I16(TsFontSize, Scaled(t[1], 10.0, 1.0, max, "the font size"));
        } else if (key == "bold") {
            Args(t, 0, 0);
            I16(TsFontWeight, 700);
        } else if (key == "italic") {
            Args(t, 0, 0);
            rec_[TsItalic] = 1;
        } else if (key == "charset") {
            Args(t, 1, 1);
            rec_[TsCharset] = uint8_t(Int(t[1], 0, 255));
        } else if (key == "char-spacing") {
            Args(t, 1, 1);
            I16(TsCharSpacing, Int(t[1], 0, 9999));
        } else if (key == "word-spacing") {
            Args(t, 1, 1);
            I16(TsWordSpacing, Int(t[1], 0, 9999));
        } else {
            return false;
        }
        return true;
    }

    bool TextKey(const std::string& key, const std::vector<Token>& t)
    {
        if (FontKey(key, t))
            return true;
        if (key == "align") {
            Args(t, 1, 1);
            static const std::array<std::pair<const char*, int>, 4> a{
                {{"left", 0}, {"center", 1}, {"right", 2}, {"justified", 3}}};
            I16(TsAlignment, Choice(t[1], a, "the alignment"));
        } else if (key == "line-spacing") {
            Args(t, 1, 1);
            I16(TsLineSpacing, Int(t[1], 20, 1000));
        } else if (key == "paragraph-space") {
            Args(t, 1, 1);
            I16(TsParaSpace, Scaled(t[1], 100.0, -5.0, 50.0, "the paragraph space"));
        } else if (key == "indent") {
            Args(t, 2, 2);
            I16(TsFirstIndent, Mm(t[1], 50.0, "the indent"));
            I16(TsOtherIndent, Mm(t[2], 50.0, "the indent"));
        } else if (key == "tabs") {
            Args(t, 1, MaxTabPositions);
            int last = 0;
            for (size_t i = 1; i < t.size(); ++i) {
                const int v = Mm(t[i], 500.0, "the tab position");
                if (v <= last)
                    Fail("tab positions must be above 0 and ascending");
                SetSymI32(rec_, TsTabs + (i - 1) * 4, v);
                last = v;
            }
            I16(TsTabCount, int(t.size() - 1));
        } else if (key == "line-below") {
            // line-below C width W distance D
            if (t.size() != 6 || Lower(t[2].Text) != "width" || Lower(t[4].Text) != "distance")
                Fail("\"line-below\" reads: line-below <colour> width <mm> distance <mm>");
            I16(TsLineBelowOn, -1);
            I16(TsLineBelowColor, ColorRef(t[1]));
            I16(TsLineBelowWidth, Mm(t[3], 20.0, "the width"));
            I16(TsLineBelowDist, Mm(t[5], 50.0, "the distance"));
        } else if (key == "framing") {
            Args(t, 1, 1);
            static const std::array<std::pair<const char*, int>, 4> m{
                {{"off", 0}, {"shadow", 1}, {"outline", 2}, {"rectangle", 3}}};
            rec_[TsFramingMode] = uint8_t(Choice(t[1], m, "the framing"));
        } else if (key == "framing-color" || key == "framing-colour") {
            Args(t, 1, 1);
            I16(TsFramingColor, ColorRef(t[1]));
        } else if (key == "framing-width") {
            Args(t, 1, 1);
            I16(TsFramingWidth, Mm(t[1], 20.0, "the framing width"));
        } else if (key == "shadow") {
            Args(t, 2, 2);
            I16(TsShadowX, SignedMm(t[1], 20.0));
            I16(TsShadowY, SignedMm(t[2], 20.0));
        } else if (key == "frame") {
            Args(t, 4, 4);
            for (size_t k = 0; k < 4; ++k)
                I16(TsFrameLeft + 2 * k, SignedMm(t[1 + k], 20.0, "the frame border"));
        } else {
            return false;
        }
        return true;
    }

    bool LineTextKey(const std::string& key, const std::vector<Token>& t)
    {
        if (FontKey(key, t))
            return true;
        if (key == "align") {
            Args(t, 1, 1);
            static const std::array<std::pair<const char*, int>, 4> a{
                {{"left", 0}, {"center", 1}, {"right", 2}, {"spread", 3}}};
            I16(TsAlignment, Choice(t[1], a, "the alignment"));
        } else if (key == "framing") {
            Args(t, 1, 1);
            static const std::array<std::pair<const char*, int>, 3> m{
                {{"off", 0}, {"shadow", 1}, {"outline", 2}}};
            rec_[LtFramingMode] = uint8_t(Choice(t[1], m, "the framing"));
        } else if (key == "framing-color" || key == "framing-colour") {
            Args(t, 1, 1);
            I16(LtFramingColor, ColorRef(t[1]));
        } else if (key == "framing-width") {
            Args(t, 1, 1);
            I16(LtFramingWidth, Mm(t[1], 20.0, "the framing width"));
        } else if (key == "shadow") {
            Args(t, 2, 2);
            I16(LtShadowX, SignedMm(t[1], 20.0));
            I16(LtShadowY, SignedMm(t[2], 20.0));
        } else {
            return false;
        }
        return true;
    }

    bool RectKey(const std::string& key, const std::vector<Token>& t)
    {
        if (key == "color" || key == "colour") {
            Args(t, 1, 1);
            I16(RectLineColor, ColorRef(t[1]));
            haveColor_ = true;
        } else if (key == "width") {
            Args(t, 1, 1);
            I16(RectLineWidth, Mm(t[1], 20.0, "the width"));
        } else if (key == "radius") {
            Args(t, 1, 1);
            I16(RectCornerRadius, Mm(t[1], 50.0, "the radius"));
        } else if (key == "grid") {
            // grid <cell width> <cell height> [numbered-from-bottom]
            Args(t, 2, 3);
            const int w = Mm(t[1], 50.0, "the cell width"), h = Mm(t[2], 50.0, "the cell height");
            if (w <= 0 || h <= 0)
                Fail("grid cells need a width and a height above 0");
            int flags = 3;
            if (t.size() == 4) {
                if (Lower(t[3].Text) != "numbered-from-bottom")
                    Fail("expected \"numbered-from-bottom\", not \"" + t[3].Text + "\"");
                flags |= RectNumberFromBottomBit;
            }
            I16(RectGridFlags, flags);
            I16(RectCellWidth, w);
            I16(RectCellHeight, h);
        } else if (key == "unnumbered") {
            // unnumbered <count> "<text>"
            Args(t, 2, 2);
            I16(RectUnnumberedCells, Int(t[1], 0, 100));
            SetShortFieldText(std::span(rec_).subspan(RectUnnumberedText, RectUnnumberedTextBytes),
                              Text8(t[2], 3, "the text of unnumbered cells"));
        } else {
            return false;
        }
        return true;
    }

    void EndSymbol()
    {
        if ((kind_ == Kind::Text || kind_ == Kind::LineText || kind_ == Kind::Rect) && !haveColor_)
            Fail("the symbol needs a colour");
        ColorSet set;
        auto add = [&](int c) {
            if (c >= 0 && c <= 255)
                set.set(size_t(c));
        };
        switch (kind_) {
        case Kind::Point:
            I16(PointSymbolSlotsOffset, lists_[MainSymList].Slots());
            rec_.insert(rec_.end(), lists_[0].Bytes.begin(), lists_[0].Bytes.end());
            break;
        case Kind::Line:
            if (SymI16(rec_, LsNPrimSym) > 0 && lists_[MainSymList].Bytes.empty())
                Fail("\"symbols\" needs an \"elements main\" list");
            if (SymI16(rec_, LsNPrimSym) == 0 && !lists_[MainSymList].Bytes.empty())
                I16(LsNPrimSym, 1);
            for (size_t k = 0; k < LineSymbolListCount; ++k) {
                I16(LsMainSymCount + 2 * k, lists_[k].Slots());
                rec_.insert(rec_.end(), lists_[k].Bytes.begin(), lists_[k].Bytes.end());
            }
            break;
        case Kind::Area:
            if (!lists_[0].Bytes.empty() && SymI16(rec_, AreaStructMode) == 0)
                Fail("structure elements need a \"structure\" field");
            if (SymI16(rec_, AreaStructMode) != 0 && lists_[0].Bytes.empty())
                Fail("a structure needs an \"elements structure\" list");
            I16(AreaStructSlots, lists_[0].Slots());
            rec_.insert(rec_.end(), lists_[0].Bytes.begin(), lists_[0].Bytes.end());
            break;
        case Kind::Text:
            add(SymI16(rec_, TsTextColor));
            if (SymI16(rec_, TsLineBelowOn) != 0)
                add(SymI16(rec_, TsLineBelowColor));
            if (rec_[TsFramingMode] > 0)
                add(SymI16(rec_, TsFramingColor));
            SetSymColors(rec_, set);
            break;
        case Kind::LineText:
            add(SymI16(rec_, TsTextColor));
            if (rec_[LtFramingMode] > 0)
                add(SymI16(rec_, LtFramingColor));
            SetSymColors(rec_, set);
            break;
        case Kind::Rect:
            add(SymI16(rec_, RectLineColor));
            SetSymColors(rec_, set);
            break;
        }
        if (rec_.size() > size_t(MaxSymbolBytes))
            Fail("symbol " + symbolText_ + " is larger than 20904 bytes");
        SetSymI16(rec_, SymSize, int16_t(rec_.size()));
        NormalizeSymbol(rec_);
        out_.Symbols.push_back(rec_);
        state_ = State::Top;
    }

    std::string_view text_;
    SymbolSetDescription& out_;
    int line_ = 0;
    State state_ = State::Top;
    int blockLine_ = 0;
    bool mapSeen_ = false;
    std::set<int> numbers_;

    Kind kind_ = Kind::Point;
    int number_ = 0;
    std::string symbolText_;
    SymbolBytes rec_;
    std::array<ElementList, 5> lists_;
    std::array<bool, 5> listSeen_{};
    int currentList_ = 0;
    bool haveColor_ = false;
};

// ---- Icons ----

QColor CmykColor(const SymbolHeaderBlock& colors, int number)
{
    for (int i = 0; i < std::clamp<int>(colors.ColorCount, 0, MaxColors); ++i) {
        const ColorRecord& c = colors.Colors[size_t(i)];
        if (c.Number != number)
            continue;
        auto channel = [&](int k) {
            return std::clamp(255 - (c.Cmyk[size_t(k)] + c.Cmyk[3]) * 255 / 200, 0, 255);
        };
        return QColor(channel(0), channel(1), channel(2));
    }
    return QColor(128, 128, 128);
}

// Colour-table position: later entries are drawn first.
int DrawOrder(const SymbolHeaderBlock& colors, int number)
{
    for (int i = 0; i < std::clamp<int>(colors.ColorCount, 0, MaxColors); ++i)
        if (colors.Colors[size_t(i)].Number == number)
            return i;
    return MaxColors;
}

struct IconElement {
    int Kind = 0, Style = 0, Colour = 0, Width = 0, Diameter = 0;
    std::vector<std::pair<int32_t, int32_t>> Cords;
};

std::vector<IconElement> ReadElements(std::span<const uint8_t> rec, size_t offset, int slots)
{
    std::vector<IconElement> out;
    if (offset >= rec.size() || slots <= 0)
        return out;
    slots = int(std::min<size_t>(size_t(slots), (rec.size() - offset) / 8));
    int s = 0;
    while (s + SymbolElementHeadSlots <= slots) {
        const uint8_t* h = rec.data() + offset + size_t(s) * 8;
        const int16_t count = LoadLE<int16_t>(h + ElemCount);
        if (count < 0 || s + SymbolElementHeadSlots + count > slots)
            break;
        IconElement e;
        e.Kind = LoadLE<uint16_t>(h + ElemKind);
        e.Style = LoadLE<uint16_t>(h + ElemStyle);
        e.Colour = LoadLE<uint16_t>(h + ElemColor);
        e.Width = LoadLE<uint16_t>(h + ElemWidth);
        e.Diameter = LoadLE<uint16_t>(h + ElemDiameter);
        for (int i = 0; i < count; ++i) {
            const uint8_t* cord = h + ElemCords + size_t(i) * StoredCordBytes;
            e.Cords.emplace_back(LoadLE<int32_t>(cord), LoadLE<int32_t>(cord + StoredCordY));
        }
        out.push_back(std::move(e));
        s += SymbolElementHeadSlots + count;
    }
    return out;
}

// Draws elements with their origin at `origin`, `scale` pixels per 0.01 mm, y upwards.
void PaintElements(QPainter& p, std::vector<IconElement> elements, const SymbolHeaderBlock& colors,
                   QPointF origin, double scale)
{
    std::stable_sort(elements.begin(), elements.end(), [&](const IconElement& a, const IconElement& b) {
        return DrawOrder(colors, a.Colour) > DrawOrder(colors, b.Colour);
    });
    auto at = [&](std::pair<int32_t, int32_t> c) {
        return QPointF(origin.x() + (c.first & CoordMask) / 256.0 * scale,
                       origin.y() - (c.second & CoordMask) / 256.0 * scale);
    };
    for (const IconElement& e : elements) {
        const QColor colour = CmykColor(colors, e.Colour);
        if (e.Cords.empty())
            continue;
        if (e.Kind == 1 || e.Kind == 2) {
            QPainterPath path(at(e.Cords[0]));
            for (size_t i = 1; i < e.Cords.size(); ++i) {
                if ((e.Cords[i].first & FirstBezierFlag) && i + 2 < e.Cords.size()) {
                    path.cubicTo(at(e.Cords[i]), at(e.Cords[i + 1]), at(e.Cords[i + 2]));
                    i += 2;
                } else {
                    if (e.Kind == 2 && (e.Cords[i].second & HoleFlag))
                        path.moveTo(at(e.Cords[i]));
                    else
                        path.lineTo(at(e.Cords[i]));
                }
            }
            if (e.Kind == 1) {
                QPen pen(colour, std::max(1.0, e.Width * scale));
                pen.setCapStyle(e.Style == 1 ? Qt::RoundCap : Qt::FlatCap);
                pen.setJoinStyle(e.Style == 1 ? Qt::RoundJoin : e.Style == 4 ? Qt::MiterJoin : Qt::BevelJoin);
                p.strokePath(path, pen);
            } else {
                path.setFillRule(Qt::OddEvenFill);
                p.fillPath(path, colour);
            }
        } else if (e.Kind == 3) {
            const double w = std::max(1.0, e.Width * scale);
            const double r = std::max(1.0, (e.Diameter - e.Width) / 2.0 * scale);
            p.setPen(QPen(colour, w));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(at(e.Cords[0]), r, r);
        } else if (e.Kind == 4) {
            const double r = std::max(1.0, e.Diameter / 2.0 * scale);
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawEllipse(at(e.Cords[0]), r, r);
        }
    }
}

void PaintPoint(QPainter& p, std::span<const uint8_t> rec, const SymbolHeaderBlock& colors)
{
    const int slots = SymI16(rec, PointSymbolSlotsOffset);
    const auto elements = ReadElements(rec, PointSymbolFixedBytes, slots);
    const size_t list = std::min(rec.size(), size_t(PointSymbolFixedBytes));
    const int extent = std::max(1, ElementListExtent(rec.subspan(list), slots));
    const double scale = std::min(10.0 / extent, 0.16);
    PaintElements(p, elements, colors, QPointF(11, 11), scale);
}

// A horizontal line across the icon, its lengths at 2.5 pixels and widths at 4 pixels a mm.
void PaintLine(QPainter& p, std::span<const uint8_t> rec, const SymbolHeaderBlock& colors)
{
    constexpr double along = 0.025, across = 0.04;
    const double y = 11, x0 = 1, x1 = 21;
    auto pen = [&](int colour, int width) {
        QPen pn(CmykColor(colors, colour), std::max(1.0, width * across));
        pn.setCapStyle(Qt::FlatCap);
        return pn;
    };
    auto dashed = [&](double yy, const QPen& pn, int dash, int gap) {
        if (dash <= 0 || gap <= 0) {
            p.setPen(pn);
            p.drawLine(QPointF(x0, yy), QPointF(x1, yy));
            return;
        }
        const double d = std::max(2.0, dash * along), g = std::max(1.0, gap * along);
        p.setPen(pn);
        for (double x = x0; x < x1; x += d + g)
            p.drawLine(QPointF(x, yy), QPointF(std::min(x + d, x1), yy));
    };
    const int frWidth = SymI16(rec, LsFrWidth);
    if (frWidth > 0)
        dashed(y, pen(SymI16(rec, LsFrColor), frWidth), 0, 0);
    const int dblMode = SymI16(rec, LsDblMode);
    if (dblMode > 0) {
        const double half = SymI16(rec, LsDblWidth) / 2.0 * across;
        if (SymI16(rec, LsDblFlags) & 1)
            p.fillRect(QRectF(x0, y - half, x1 - x0, 2 * half),
                       CmykColor(colors, SymI16(rec, LsDblFillColor)));
        const int len = SymI16(rec, LsDblLength), gap = SymI16(rec, LsDblGap);
        if (SymI16(rec, LsDblLeftWidth) > 0)
            dashed(y - half, pen(SymI16(rec, LsDblLeftColor), SymI16(rec, LsDblLeftWidth)),
                   dblMode >= 2 ? len : 0, gap);
        if (SymI16(rec, LsDblRightWidth) > 0)
            dashed(y + half, pen(SymI16(rec, LsDblRightColor), SymI16(rec, LsDblRightWidth)),
                   dblMode == 3 ? len : 0, gap);
    }
    const int width = SymI16(rec, LsLineWidth);
    if (width > 0) {
        const QColor colour = CmykColor(colors, SymI16(rec, LsLineColor));
        const double h = std::max(1.0, width * across) / 2;
        const bool pointed = SymI16(rec, LsLineStyleBits) & PointedEndsBit;
        const int dec = SymI16(rec, LsDecMode);
        if (pointed || dec > 0) {
            const double last = dec > 0 ? h * SymI16(rec, LsDecLast) / 100.0 : h;
            QPolygonF poly;
            if (pointed)
                poly << QPointF(x0, y) << QPointF(x0 + 5, y - h) << QPointF(x1 - 5, y - last)
                     << QPointF(x1, y) << QPointF(x1 - 5, y + last) << QPointF(x0 + 5, y + h);
            else
                poly << QPointF(x0, y - (dec == 2 ? last : h)) << QPointF(11, y - h)
                     << QPointF(x1, y - last) << QPointF(x1, y + last) << QPointF(11, y + h)
                     << QPointF(x0, y + (dec == 2 ? last : h));
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPolygon(poly);
        } else {
            dashed(y, pen(SymI16(rec, LsLineColor), width), SymI16(rec, LsMainLength),
                   SymI16(rec, LsMainGap));
        }
    }
    size_t offset = LsElementLists;
    const double xs[LineSymbolListCount][3] = {
        {6, 16, -1}, {11, -1, -1}, {11, -1, -1}, {x0 + 1, -1, -1}, {x1 - 1, -1, -1}};
    for (size_t k = 0; k < LineSymbolListCount; ++k) {
        const int slots = std::max<int>(SymI16(rec, LsMainSymCount + 2 * k), 0);
        const auto elements = ReadElements(rec, offset, slots);
        for (double x : xs[k])
            if (x >= 0 && !(k == CornerSymList && !elements.empty()
                             && SymI16(rec, LsMainSymCount + 2 * CornerSymList) == 0))
                PaintElements(p, elements, colors, QPointF(x, y), across);
        offset += size_t(slots) * 8;
    }
}

void PaintArea(QPainter& p, std::span<const uint8_t> rec, const SymbolHeaderBlock& colors)
{
    const QRectF box(1, 1, 20, 20);
    p.setClipRect(box);
    if (SymI16(rec, AreaFillOn) != 0)
        p.fillRect(box, CmykColor(colors, SymI16(rec, AreaFillColor)));
    // A grey edge keeps a white area visible in the symbol box.
    const QPen edge(QColor(160, 160, 160), 1);
    const int hatch = SymI16(rec, AreaHatchMode);
    if (hatch > 0) {
        QPen pen(CmykColor(colors, SymI16(rec, AreaHatchColor)),
                 std::max(1.0, SymI16(rec, AreaHatchLineWidth) * 0.04));
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        const double step = std::max(3.0, SymI16(rec, AreaHatchDist) * 0.025);
        for (int k = 0; k < hatch; ++k) {
            const double angle = SymI16(rec, k == 0 ? AreaHatchAngle1 : AreaHatchAngle2) / 10.0;
            p.save();
            p.translate(11, 11);
            p.rotate(-angle);
            for (double d = -16; d <= 16; d += step)
                p.drawLine(QPointF(-16, d), QPointF(16, d));
            p.restore();
        }
    }
    if (SymI16(rec, AreaStructMode) > 0) {
        const auto elements = ReadElements(rec, AreaSymbolFixedBytes, SymI16(rec, AreaStructSlots));
        const double w = std::max(4.0, SymI16(rec, AreaStructWidth) * 0.025);
        const double h = std::max(4.0, SymI16(rec, AreaStructHeight) * 0.025);
        int row = 0;
        for (double y = 1 + h / 2; y < 22 + h; y += h, ++row) {
            const double shift = SymI16(rec, AreaStructMode) == 2 && (row & 1) ? w / 2 : 0;
            for (double x = 1 + w / 2 - shift; x < 22 + w; x += w)
                PaintElements(p, elements, colors, QPointF(x, y), 0.04);
        }
    }
    p.setClipping(false);
    p.setPen(edge);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(1, 1, 19, 19));
}

QFont IconFont(std::span<const uint8_t> rec, int pixels)
{
    QFont f(QString::fromLatin1(ShortFieldText(rec.subspan(TsFontName, String31Bytes))));
    f.setPixelSize(pixels);
    f.setBold(SymI16(rec, TsFontWeight) > 550);
    f.setItalic(SymU8(rec, TsItalic) != 0);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

void PaintText(QPainter& p, std::span<const uint8_t> rec, const SymbolHeaderBlock& colors, bool lineText)
{
    const QColor colour = CmykColor(colors, SymI16(rec, TsTextColor));
    const int framing = lineText ? SymU8(rec, LtFramingMode) : SymU8(rec, TsFramingMode);
    const QColor frColour =
        CmykColor(colors, SymI16(rec, lineText ? LtFramingColor : TsFramingColor));
    if (lineText) {
        p.setPen(QPen(QColor(160, 160, 160), 1));
        p.drawLine(QPointF(1, 17), QPointF(21, 17));
    }
    if (!lineText && framing == 3)
        p.fillRect(QRectF(2, 2, 18, 18), frColour);
    if (!lineText && SymI16(rec, TsLineBelowOn) != 0) {
        const int width = SymI16(rec, TsLineBelowWidth);
        p.setPen(QPen(CmykColor(colors, SymI16(rec, TsLineBelowColor)),
                      std::max(1.0, width * 0.04)));
        p.drawLine(QPointF(2, 20), QPointF(20, 20));
    }
    if (!qGuiApp) {
        // No font system: a bar stands for the text.
        p.fillRect(QRectF(4, 9, 14, 5), colour);
        return;
    }
    const QString sample = lineText ? QStringLiteral("abc") : QStringLiteral("A");
    const QFont font = IconFont(rec, lineText ? 11 : 16);
    QPainterPath path;
    path.addText(0, 0, font, sample);
    const QRectF r = path.boundingRect();
    path.translate(11 - r.center().x(), (lineText ? 15.0 : 11.0) - (lineText ? r.bottom() : r.center().y()));
    if (framing == 1)
        p.fillPath(path.translated(1, 1), frColour);
    else if (framing == 2)
        p.strokePath(path, QPen(frColour, 2));
    p.fillPath(path, colour);
}

void PaintRect(QPainter& p, std::span<const uint8_t> rec, const SymbolHeaderBlock& colors)
{
    const QColor colour = CmykColor(colors, SymI16(rec, RectLineColor));
    QPen pen(colour, std::max(1.0, SymI16(rec, RectLineWidth) * 0.04));
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double radius = std::min(6.0, SymI16(rec, RectCornerRadius) * 0.04);
    p.drawRoundedRect(QRectF(2.5, 3.5, 17, 15), radius, radius);
    if (SymI16(rec, RectGridFlags) & RectGridOnBit) {
        p.setPen(QPen(colour, 1));
        for (double x = 2.5 + 17 / 3.0; x < 19; x += 17 / 3.0)
            p.drawLine(QPointF(x, 3.5), QPointF(x, 18.5));
        for (double y = 3.5 + 7.5; y < 18; y += 7.5)
            p.drawLine(QPointF(2.5, y), QPointF(19.5, y));
    }
}

} // namespace

bool ParseSymbolSet(std::string_view text, const QString& fileName, SymbolSetDescription& out,
                    SymbolSetError& error)
{
    try {
        Parser(text, out).Run();
        return true;
    } catch (const ParseFailure& f) {
        error.File = fileName;
        error.Line = f.Line;
        error.Message = QString::fromUtf8(f.Message.data(), qsizetype(f.Message.size()));
        return false;
    }
}

QImage DrawSymbolIcon(std::span<const uint8_t> rec, const SymbolHeaderBlock& colors)
{
    QImage image = BlankIcon();
    QPainter p(&image);
    switch (SymI16(rec, SymObjectType)) {
    case PointObject: PaintPoint(p, rec, colors); break;
    case LineObject:
        if (SymU8(rec, SymTextFlag) == 1)
            PaintText(p, rec, colors, true);
        else
            PaintLine(p, rec, colors);
        break;
    case AreaObject: PaintArea(p, rec, colors); break;
    case TextObject: PaintText(p, rec, colors, false); break;
    case RectangleObject: PaintRect(p, rec, colors); break;
    default: break;
    }
    p.end();
    return image;
}

bool WriteSymbolSetMap(const SymbolSetDescription& set, const QString& path, QString& error)
{
    const QString temp = path + QStringLiteral(".part");
    TZmd zmd;
    TZmd* const previous = Index.ActiveZmd;
    const bool previousOpen = Index.MapOpen;
    bool ok = false;
    try {
        zmd.WorkFile.Rewrite(temp);
        // Header, colour block and setup first, as a new map file grows.
        zmd.Header = MapFileHeader{};
        zmd.Header.FileType = set.FileType;
        zmd.Header.SetupPos = VariablePartPos;
        zmd.Header.SetupSize = int32_t(SetupRecordBytes);
        zmd.WriteHeader();
        zmd.ColorBlock = set.Colors;
        zmd.WriteBytesAt(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(zmd.ColorBlock));
        SetupRecord setup = DefaultSetupRecord();
        setup.MapScale = setup.TemplateScaleX = setup.TemplateScaleY = setup.PrintScale = set.Scale;
        CheckSetup(setup);
        zmd.Setup = setup;
        zmd.WriteBytesAt(VariablePartPos, WriteSetupBytes(setup));

        SetCurrentMap(&zmd);
        Index.MapOpen = true;
        if (!set.Info.empty())
            WriteInfoText(QByteArray(set.Info.data(), qsizetype(set.Info.size())));
        for (const SymbolBytes& s : set.Symbols) {
            SymbolBytes rec = s;
            EncodeRecordIcon(DrawSymbolIcon(rec, set.Colors), rec, CurrentMapVersion);
            const int number = zmd.AddNewSymbol(rec);
            if (number != SymI16(s, SymNumber))
                throw std::runtime_error("symbol " + std::to_string(SymI16(s, SymNumber) / 10.0)
                                         + " could not be stored");
        }
        zmd.WriteSymbolIndex();
        zmd.WriteHeader();
        zmd.WorkFile.Close();
        ok = true;
    } catch (const EAbort&) {
        error = QStringLiteral("cannot write ") + temp;
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    SetCurrentMap(previous);
    Index.MapOpen = previousOpen;
    if (!ok) {
        QFile::remove(temp);
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp.toStdString(), path.toStdString(), ec);
    if (ec) {
        error = QStringLiteral("cannot rename ") + temp + QStringLiteral(": ")
            + QString::fromStdString(ec.message());
        QFile::remove(temp);
        return false;
    }
    return true;
}

} // namespace zemo
