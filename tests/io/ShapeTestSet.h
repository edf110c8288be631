// Shape file sets for tests, written at literal offsets independently of the program's own
// writer, with knobs for forged counts, indices and index records; the readers of shape files
// the tests compare with (ogr2ogr, ogrinfo); and a reader of written sets for the checks.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace zemo::test {

struct TestShape {
    int32_t type = 1;                 // 1 point, 3 polyline, 5 polygon, 8 multipoint, 0 null
    std::vector<int32_t> parts;       // first point of each part (polylines and polygons)
    std::vector<std::pair<double, double>> points;
    // Forgeries: the stored counts, the parts array, the index record.
    std::optional<int64_t> partCount, pointCount;
    std::optional<int64_t> shxOffsetWords, shxLengthWords;
};

inline void PutLE32(QByteArray& b, qsizetype at, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline void PutBE32(QByteArray& b, qsizetype at, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * (3 - i))) & 0xFF);
}
inline void PutDouble(QByteArray& b, qsizetype at, double v)
{
    std::memcpy(b.data() + at, &v, 8);
}
inline int64_t BE32At(const QByteArray& b, qsizetype at)
{
    int64_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | uint8_t(b[at + i]);
    return int32_t(uint32_t(v));
}
inline int32_t LE32At(const QByteArray& b, qsizetype at)
{
    int32_t v;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}
inline double DoubleAt(const QByteArray& b, qsizetype at)
{
    double v;
    std::memcpy(&v, b.constData() + at, 8);
    return v;
}

struct TestShapeSet {
    std::vector<TestShape> shapes;
    int32_t fileType = 1;
    double box[4] = {0, 0, 0, 0};

    static QByteArray Header(int32_t type, const double* box, int64_t bytes)
    {
        QByteArray h(100, '\0');
        PutBE32(h, 0, 9994);
        PutBE32(h, 24, bytes / 2);
        PutLE32(h, 28, 1000);
        PutLE32(h, 32, type);
        for (int i = 0; i < 4; ++i)
            PutDouble(h, 36 + 8 * i, box[i]);
        return h;
    }

    static QByteArray Content(const TestShape& s)
    {
        QByteArray c(4, '\0');
        PutLE32(c, 0, s.type);
        const auto points = [&](QByteArray& b) {
            for (const auto& [x, y] : s.points) {
                const qsizetype at = b.size();
                b.append(QByteArray(16, '\0'));
                PutDouble(b, at, x);
                PutDouble(b, at + 8, y);
            }
        };
        switch (s.type % 10) {
        case 1:
            points(c);
            break;
        case 8:
            c.append(QByteArray(36, '\0'));
            PutLE32(c, 36, s.pointCount.value_or(int64_t(s.points.size())));
            points(c);
            break;
        case 3:
        case 5:
            c.append(QByteArray(40, '\0'));
            PutLE32(c, 36, s.partCount.value_or(int64_t(s.parts.size())));
            PutLE32(c, 40, s.pointCount.value_or(int64_t(s.points.size())));
            for (int32_t p : s.parts) {
                c.append(QByteArray(4, '\0'));
                PutLE32(c, c.size() - 4, p);
            }
            points(c);
            break;
        default:
            break;
        }
        return c;
    }

    // The main file and the index, built together.
    std::pair<QByteArray, QByteArray> Files() const
    {
        QByteArray shp, shx;
        for (size_t i = 0; i < shapes.size(); ++i) {
            const QByteArray c = Content(shapes[i]);
            const qsizetype at = 100 + shp.size();
            QByteArray rec(8, '\0');
            PutBE32(rec, 0, int64_t(i) + 1);
            PutBE32(rec, 4, c.size() / 2);
            shp.append(rec).append(c);
            QByteArray x(8, '\0');
            PutBE32(x, 0, shapes[i].shxOffsetWords.value_or(at / 2));
            PutBE32(x, 4, shapes[i].shxLengthWords.value_or(c.size() / 2));
            shx.append(x);
        }
        return {Header(fileType, box, 100 + shp.size()) + shp, Header(fileType, box, 100 + shx.size()) + shx};
    }
};

} // namespace zemo::test
