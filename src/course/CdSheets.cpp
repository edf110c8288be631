#include "course/CdSheets.h"

#include "core/CodePage.h"
#include "core/Numeric.h"
#include "core/StringX.h"
#include "course/CsData.h"
#include "course/CsLength.h"
#include "course/CsObject.h"
#include "course/CsOptions.h"
#include "course/CsPreview.h"
#include "course/DescriptionScale.h"
#include "course/Variation.h"
#include "document/Index.h"
#include "render/Texts.h"
#include "symbols/store/SymbolLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace zemo {

namespace {

bool Defined(int number10)
{
    SymbolBytes* rec = nullptr;
    return number10 > 0 && GetSymbol(number10, rec);
}

int32_t At(int64_t v)
{
    return Masked(int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax)));
}

// The box and its fractions, each a whole 0.01 mm so that no coordinate carries flag bits.
struct Box {
    int32_t b = CsBox.BoxSize;
    int32_t Of(double boxes) const { return SafeRound(boxes * (b / UnitsPerHundredthMm)) * UnitsPerHundredthMm; }
};

void BeginElement(ElementRecord& e, int symbol, uint8_t type)
{
    e.Symbol = int16_t(symbol);
    e.ObjectType = type;
    e.Flags = 0;
    e.nItem = 0;
    e.nText = 0;
    e.Angle = 0;
    e.Word10 = e.Word12 = e.Word14 = 0;
    e.LayerName.fill(0);
}

// A text object: the anchor, its four box corners, and its text as 8-bit text in the code
// page of its symbol's character set.
void BuildText(ElementRecord& e, int symbol, Cord at, const QString& text)
{
    BeginElement(e, symbol, TextObject);
    e.nItem = 5;
    std::fill(e.Cords(), e.Cords() + 5, at);
    SymbolBytes* rec = nullptr;
    GetSymbol(symbol, rec);
    const int charset = rec && rec->size() > TsCharset ? SymU8(*rec, TsCharset) : 0;
    QByteArray bytes = EncodeCodePage(CodePageOfCharset(charset), text);
    const qsizetype room = qsizetype(MaxElementTextSlots) * 8 - 1;
    if (bytes.size() > room)
        bytes.truncate(room);
    e.nText = uint16_t((bytes.size() + 8) / 8);
    uint8_t* t = e.TextBytes();
    std::memset(t, 0, size_t(e.nText) * 8);
    std::memcpy(t, bytes.constData(), size_t(bytes.size()));
}

// Where the sheets' objects go: stored as generated objects, or nowhere when measuring.
class Out {
public:
    explicit Out(bool draw) : draw_(draw) {}

    void Line(int symbol, Cord a, Cord b)
    {
        if (!draw_ || !Defined(symbol))
            return;
        ElementRecord& e = CurElement;
        BeginElement(e, symbol, LineObject);
        e.nItem = 2;
        e.Cords()[0] = a;
        e.Cords()[1] = b;
        StoreGeneratedElement();
    }
    void Point(int symbol, Cord at)
    {
        if (!draw_ || !Defined(symbol))
            return;
        ElementRecord& e = CurElement;
        BeginElement(e, symbol, PointObject);
        e.nItem = 1;
        e.Cords()[0] = at;
        StoreGeneratedElement();
    }
    // A text anchored at `at`; its laid-out box (left, bottom, right, top) when measured.
    CordRect Text(int symbol, Cord at, const QString& text, bool measure = false)
    {
        CordRect box{at.x, at.y, at.x, at.y};
        if (!Defined(symbol) || text.isEmpty() || (!draw_ && !measure))
            return box;
        ElementRecord& e = draw_ ? CurElement : AuxElement2;
        BuildText(e, symbol, at, text);
        MeasureTextObject(e);
        const Cord* c = e.Cords();
        box = {std::min(c[1].x, c[4].x), std::min(c[1].y, c[2].y), std::max(c[2].x, c[3].x),
               std::max(c[3].y, c[4].y)};
        if (draw_)
            StoreGeneratedElement();
        return box;
    }

private:
    bool draw_;
};

// One course object of a course's running order, with its map object's measures.
struct Item {
    QChar letter;
    QString code;
    QString record;
    Cord first{};
    Cord last{};
    int32_t extent = 0;       // coordinate units
    double routeMetres = 0;   // marked routes
    bool funnel = false;
};

double MapScale()
{
    return Index.ActiveZmd ? Index.ActiveZmd->Setup.MapScale : 0;
}

double Metres(Cord a, Cord b)
{
    const double d = std::hypot(double(Masked(b.x)) - Masked(a.x), double(Masked(b.y)) - Masked(a.y));
    return d / UnitsPerHundredthMm * MapScale() / 100000;
}

int TensOfMetres(double m)
{
    return int(std::clamp(std::nearbyint(m / 10) * 10, 0.0, 1e9));
}

// The course objects of an expansion that have a map object of a defined symbol.
std::vector<Item> Resolve(const QString& expansion)
{
    std::vector<Item> items;
    for (const QString& field : expansion.split(QLatin1Char('\t'), Qt::SkipEmptyParts)) {
        const QChar letter = field.at(0);
        if (letter != u's' && letter != u'c' && letter != u'f' && letter != u'm')
            continue;
        Item it;
        it.letter = letter;
        it.code = field.mid(1);
        if (FindCsObjectNumber(it.code, it.record) <= 0)
            continue;
        const ElementRecord& e = DrawElement;
        SymbolBytes* rec = nullptr;
        if (!GetSymbol(e.Symbol, rec))
            continue;
        it.first = e.Cords()[0];
        it.last = e.Cords()[e.nItem - 1];
        it.extent = int32_t(SymI16(*rec, SymExtent)) * UnitsPerHundredthMm;
        if (letter == u'm') {
            it.routeMetres = MarkedRouteLength(e);
            it.funnel = GetParamText(it.record, u'm') == QLatin1String("f");
        }
        items.push_back(it);
    }
    return items;
}

// A marked route's length with the gap to the object behind it when that object lies within
// 1.5 times its symbol's extent of the route's end.
double RouteMetres(const Item& route, const Item* next)
{
    double m = route.routeMetres;
    if (next) {
        const double gap = std::hypot(double(Masked(next->first.x)) - Masked(route.last.x),
                                      double(Masked(next->first.y)) - Masked(route.last.y));
        if (gap <= 1.5 * next->extent)
            m += Metres(route.last, next->first);
    }
    return m;
}

QStringList ClassesOf(const QString& course)
{
    QStringList names;
    const TZmd* z = Index.ActiveZmd;
    for (int i = 0; z && i < z->Classes.Count(); ++i)
        if (ClassCourse(z->Classes.Strings(i)) == course)
            names << GetParamName(z->Classes.Strings(i));
    return names;
}

QString Climb(const QString& record)
{
    const QString c = GetParamText(record, u'C');
    return c.isEmpty() || c == QLatin1String("0") ? QString() : c;
}

QString LengthText(const SheetRequest& r)
{
    QString text;
    CourseLength(r.Course, r.Leg, r.Team, text, false);
    return text;
}

bool ValidCourse(int course)
{
    const TZmd* z = Index.ActiveZmd;
    return z && course >= 0 && course < z->Courses.Count();
}

// The symbol sheet's grid.
class SymbolGrid {
public:
    SymbolGrid(bool draw, Cord topLeft) : out(draw), x0(Masked(topLeft.x)), y(Masked(topLeft.y)) {}

    Out out;
    Box box;
    int32_t x0;
    int32_t y;  // the top of the next row

    Cord P(double boxesX, int32_t atY) const { return {At(int64_t(x0) + box.Of(boxesX)), atY}; }
    void Across(int symbol) { out.Line(symbol, P(0, y), P(8, y)); }
    void Vertical(int symbol, double k, int32_t bottom) { out.Line(symbol, P(k, bottom), P(k, y)); }
    void Outer(int32_t bottom)
    {
        Vertical(SheetThickLine, 0, bottom);
        Vertical(SheetThickLine, 8, bottom);
    }
    int32_t Below(int32_t h) const { return At(int64_t(y) - h); }

    // The cells of one course object's row, the row's bottom at y - box.
    void ControlRow(const QString& record, bool start, bool code)
    {
        const int32_t y0 = Below(box.b);
        for (int k = 0; k <= 8; ++k)
            Vertical(k == 0 || k == 3 || k == 6 || k == 8 ? SheetThickLine : SheetThinLine, k, y0);
        if (start)
            out.Point(SheetStartTriangle, P(0.5, At(int64_t(y0) + box.Of(0.5))));
        if (code)
            out.Text(SheetCode, P(1.5, At(int64_t(y0) + box.Of(0.25))), CsObjectCode(record));
        for (int k = FirstDescColumn; k <= LastDescColumn; ++k) {
            const int symbol = CsColumnSymbol(record, k);
            if (symbol > 0)
                out.Point(symbol, P(k + 0.5, At(int64_t(y0) + box.Of(0.5))));
        }
        const QString sizes = GetParamText(record, u's');
        if (CsColumnSymbol(record, 5) == 0 && !sizes.isEmpty())
            Sizes(sizes, y0);
        y = y0;
    }

    void Sizes(const QString& sizes, int32_t y0)
    {
        const qsizetype slash = sizes.indexOf(QLatin1Char('/'));
        const qsizetype semicolon = sizes.indexOf(QLatin1Char(';'));
        const qsizetype split = slash >= 0 ? slash : semicolon;
        if (split < 0) {
            out.Text(SheetSize, P(5.5, At(int64_t(y0) + box.Of(1.0 / 3))), sizes);
            return;
        }
        if (slash >= 0)
            out.Line(SheetThinLine, P(5, y0), P(6, At(int64_t(y0) + box.b)));
        const QString first = sizes.left(split), second = sizes.mid(split + 1);
        if (!first.isEmpty())
            out.Text(SheetSize, P(5.3, At(int64_t(y0) + box.Of(0.6))), first);
        if (!second.isEmpty())
            out.Text(SheetSize, P(5.7, At(int64_t(y0) + box.Of(0.1))), second);
    }

    // A marked route between controls, or the run to the finish.
    void SpecialRow(bool route, bool funnel, bool finish, int metres)
    {
        Across(SheetThickLine);
        const int32_t y0 = Below(box.b);
        Outer(y0);
        const int32_t mid = At(int64_t(y0) + box.Of(0.5));
        out.Point(RouteStart, P(0, mid));
        if (route) {
            out.Point(funnel ? RouteFunnel : RouteTape, P(funnel ? 0.51 : 0.64, mid));
            for (double f : {1.34, 2.04, 4.94, 5.64, 6.34})
                out.Point(RouteTape, P(f, mid));
        } else {
            out.Point(RunToFinishStart, P(0.55, mid));
        }
        out.Point(RouteEnd, P(6.45, mid));
        if (finish)
            out.Point(SheetFinish, P(7.0, mid));
        out.Text(SheetDistance, P(4, At(int64_t(y0) + box.Of(0.25))), QString::number(metres));
        y = y0;
    }
};

// The course objects the sheets of all controls list, as course-object list indexes.
std::vector<int> AllControlsItems(bool text)
{
    std::vector<int> items;
    const TZmd* z = Index.ActiveZmd;
    for (int i = 0; z && i < z->CsObjects.Count(); ++i) {
        const QString& record = z->CsObjects.Strings(i);
        const int type = CsObjectTypeOf(record);
        if (type == CsStart || type == CsControl || (text && !GetParamText(record, u't').isEmpty()))
            items.push_back(i);
    }
    return items;
}

} // namespace

int32_t SheetReach()
{
    int32_t reach = 0;
    // The other pieces of the special rows lie inside the frame whatever their size.
    for (int number : {SheetThickLine, SheetThinLine, RouteStart, RunToFinishStart}) {
        SymbolBytes* rec = nullptr;
        if (GetSymbol(number, rec) && rec)
            reach = std::max<int32_t>(reach, int32_t(SymI16(*rec, SymExtent)) * UnitsPerHundredthMm);
    }
    return reach;
}

QString DistanceText(const QString& text, int metres)
{
    const qsizetype places = text.count(QLatin1Char(';'));
    if (places == 0)
        return text;
    QStringList params;
    for (qsizetype i = 0; i < places; ++i)
        params << QString::number(metres);
    return MergeMsgParams(text, params.join(QLatin1Char(';')));
}

int32_t SymbolSheet(const SheetRequest& r, bool draw, Cord topLeft)
{
    if (!ValidCourse(r.Course))
        return 0;
    const QString record = Index.ActiveZmd->Courses.Strings(r.Course);
    const QString name = GetParamName(record);
    const CourseKind kind = CourseKindOf(record);
    const int mode = CurrentCourseOptions().Title;
    SymbolGrid g(draw, topLeft);
    const int32_t top = g.y;
    const Box& box = g.box;

    if (!r.Title.isEmpty()) {
        g.Across(SheetThickLine);
        const int32_t y0 = g.Below(box.b);
        g.Outer(y0);
        g.out.Text(SheetHeading, g.P(4, At(int64_t(y0) + box.Of(0.3))), r.Title);
        g.y = y0;
    }

    // The course and the classes that run it, one line each; the row grows for every line
    // beyond the first, so that no line stands below it.
    const QStringList classes = ClassesOf(name);
    QStringList lines;
    if (classes.isEmpty() || mode >= TitleBoth)
        lines << (IsRelay(kind) && r.Team > 0 && r.Leg == 0 ? name + u'-' + QString::number(r.Team) : name);
    if (mode <= TitleBoth)
        lines << classes;
    const int32_t step = box.Of(0.6);
    g.Across(SheetThickLine);
    const int32_t rowBottom = g.Below(int64_t(box.b) + int64_t(step) * std::max<qsizetype>(lines.size() - 1, 0));
    g.Outer(rowBottom);
    const int32_t first = At(int64_t(g.y) - box.b + box.Of(0.3));
    for (qsizetype i = 0; i < lines.size(); ++i)
        g.out.Text(SheetHeading, g.P(1.5, At(int64_t(first) - int64_t(step) * i)), lines[i]);
    g.out.Text(SheetHeading, g.P(4.5, first), LengthText(r));
    const QString climb = Climb(record);
    if (!climb.isEmpty())
        g.out.Text(SheetHeading, g.P(7, first), climb);
    g.y = rowBottom;

    // A relay sheet of every leg has no running order to number.
    const bool numbered = !IsRelay(kind) || r.Leg > 0;
    const std::vector<Item> items = Resolve(ExpandCourseText(record, r.Leg, r.Team));
    bool thick = true;       // the next row's top line
    const Item* route = nullptr;
    const Item* previous = nullptr;
    int number = 1;
    for (const Item& it : items) {
        if (it.letter == u'm') {
            route = &it;
            continue;
        }
        if (it.letter == u'f') {
            const double m = route ? RouteMetres(*route, &it) : previous ? Metres(previous->first, it.first) : 0;
            g.SpecialRow(route != nullptr, route && route->funnel, true, TensOfMetres(m));
            route = nullptr;
            thick = true;
            continue;
        }
        if (route) {
            g.SpecialRow(true, route->funnel, false, TensOfMetres(RouteMetres(*route, &it)));
            route = nullptr;
            thick = true;
        }
        g.Across(thick ? SheetThickLine : SheetThinLine);
        thick = false;
        const bool start = it.letter == u's';
        if (!start && numbered)
            g.out.Text(SheetNumber, g.P(0.5, At(int64_t(g.y) - box.b + box.Of(0.25))), QString::number(number++));
        g.ControlRow(it.record, start, !start);
        previous = &it;
    }
    if (route)
        g.SpecialRow(true, route->funnel, false, TensOfMetres(RouteMetres(*route, nullptr)));
    g.Across(SheetThickLine);
    return int32_t(int64_t(top) - g.y);
}

SheetExtent TextSheet(const SheetRequest& r, bool draw, Cord topLeft)
{
    SheetExtent size;
    if (!ValidCourse(r.Course))
        return size;
    const QString record = Index.ActiveZmd->Courses.Strings(r.Course);
    const QString name = GetParamName(record);
    const CourseKind kind = CourseKindOf(record);
    const int mode = CurrentCourseOptions().Title;
    Out out(draw);
    const int32_t x0 = Masked(topLeft.x);
    int64_t y = Masked(topLeft.y);
    // Each text placed with its box's top at y.
    const auto place = [&](int symbol, const QString& text) {
        if (text.isEmpty())
            return;
        const CordRect box = Out(false).Text(symbol, {x0, 0}, text, true);
        const int32_t above = box.y2, below = box.y1;
        out.Text(symbol, {x0, At(y - above)}, text, draw);
        y -= int64_t(above) - below;
        size.Width = std::max<int32_t>(size.Width, box.x2 - x0);
    };

    if (!r.Title.isEmpty())
        place(TextSheetHeading, r.Title);
    const QStringList classes = ClassesOf(name);
    QString heading;
    if (classes.isEmpty() || mode >= TitleBoth)
        heading = name + (mode == TitleBoth && !classes.isEmpty() ? QStringLiteral(": ") : QString());
    if (mode <= TitleBoth)
        heading += classes.join(QStringLiteral(" - "));
    heading += QStringLiteral("  ") + LengthText(r) + QStringLiteral(" km");
    const QString climb = Climb(record);
    if (!climb.isEmpty())
        heading += QStringLiteral(" / ") + climb + QStringLiteral(" m");
    place(TextSheetHeading, heading);

    const bool numbered = !IsRelay(kind) || r.Team > 0;
    const std::vector<Item> items = Resolve(ExpandCourseText(record, r.Leg, r.Team));
    QStringList lines;
    const Item* previous = nullptr;
    const Item* route = nullptr;
    int number = 1;
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& it = items[i];
        const QString text = GetParamText(it.record, u't');
        if (it.letter == u'm') {
            const Item* next = i + 1 < items.size() ? &items[i + 1] : nullptr;
            lines << DistanceText(text, TensOfMetres(RouteMetres(it, next)));
            route = &it;
            continue;
        }
        if (it.letter == u'f') {
            const double m = route ? RouteMetres(*route, &it) : previous ? Metres(previous->first, it.first) : 0;
            lines << DistanceText(text, TensOfMetres(m));
            route = nullptr;
            continue;
        }
        route = nullptr;
        QString line;
        if (it.letter == u'c' && numbered)
            line = QString::number(number++) + u'.';
        line += QStringLiteral("\t(") + it.code + QStringLiteral(")\t") + text;
        lines << line;
        previous = &it;
    }
    place(TextSheetBody, lines.join(QStringLiteral("\r\n")));
    size.Height = int32_t(int64_t(Masked(topLeft.y)) - y);
    return size;
}

int AllControlsCount(bool text)
{
    return int(AllControlsItems(text).size());
}

int AllControlsColumn(int first, int32_t maxHeight, bool draw, Cord topLeft, SheetExtent& extent)
{
    const std::vector<int> items = AllControlsItems(false);
    SymbolGrid g(draw, topLeft);
    const int32_t top = g.y;
    extent = {g.box.b * 8, 0};
    int next = std::max(first, 0);
    if (next >= int(items.size()))
        return next;
    g.Across(SheetThickLine);
    const TZmd& z = *Index.ActiveZmd;
    for (; next < int(items.size()); ++next) {
        // A column holds at least one row, so that a page too short for one still ends.
        if (next > first && int64_t(top) - g.y + g.box.b > maxHeight)
            break;
        const QString& record = z.CsObjects.Strings(items[size_t(next)]);
        if (next > first)
            g.Across(SheetThinLine);
        g.ControlRow(record, CsObjectTypeOf(record) == CsStart, true);
    }
    g.Across(SheetThickLine);
    extent.Height = int32_t(int64_t(top) - g.y);
    return next;
}

int AllControlsTextColumn(int first, int32_t maxHeight, bool draw, Cord topLeft, SheetExtent& extent)
{
    const std::vector<int> items = AllControlsItems(true);
    extent = {};
    int next = std::max(first, 0);
    if (next >= int(items.size()))
        return next;
    const TZmd& z = *Index.ActiveZmd;
    const auto line = [&z, &items](int i) {
        const QString& record = z.CsObjects.Strings(items[size_t(i)]);
        return QLatin1Char('\t') + CsObjectCode(record) + QLatin1Char('\t') + GetParamText(record, u't');
    };
    const Cord at{Masked(topLeft.x), 0};
    QString text = line(next++);
    CordRect box = Out(false).Text(TextSheetBody, at, text, true);
    while (next < int(items.size())) {
        const QString longer = text + QStringLiteral("\r\n") + line(next);
        const CordRect b = Out(false).Text(TextSheetBody, at, longer, true);
        if (int64_t(b.y2) - b.y1 > maxHeight)
            break;
        text = longer;
        box = b;
        ++next;
    }
    Out(draw).Text(TextSheetBody, {at.x, At(int64_t(Masked(topLeft.y)) - box.y2)}, text);
    extent = {box.x2 - at.x, int32_t(int64_t(box.y2) - box.y1)};
    return next;
}

} // namespace zemo
