// A map open for the metafile importers, its view centred at (Cx, Cy), with an undo ring, and
// the objects read back with their type, points, layer name and text.
#pragma once

#include "IoFixture.h"

#include <QCoreApplication>

#include <vector>

namespace zemo::test {

class MetafileTest : public IoTest {
protected:
    static constexpr int32_t Cx = 1000 * Mm, Cy = -500 * Mm;

    void SetUp() override
    {
        IoTest::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010)};
        ASSERT_NE(Open(w), nullptr);
        Stp()->ViewCenterX = Cx;
        Stp()->ViewCenterY = Cy;
        SetActiveUndoRing(&ring);
        ASSERT_TRUE(CreateUndoFile(false));
    }
    void TearDown() override
    {
        SetActiveUndoRing(nullptr);
        IoTest::TearDown();
    }
    struct Obj {
        uint8_t type;
        std::vector<Cord> pts;
        QByteArray layer, text;
    };
    static std::vector<Obj> Objects()
    {
        std::vector<Obj> out;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
            ElementRecord& e = AuxElement1;
            if (!GetIndex(n) || !ReadElement(n, e))
                continue;
            Obj o{e.ObjectType, {e.Cords(), e.Cords() + e.nItem}, {}, {}};
            o.layer = QByteArray(reinterpret_cast<const char*>(e.LayerName.data() + 1), e.LayerName[0]);
            if (e.nText > 0)
                o.text = QByteArray(reinterpret_cast<const char*>(e.TextBytes()));
            out.push_back(std::move(o));
        }
        return out;
    }
    // The objects an import of the picture brought, and whether it was reported: a picture
    // pasted is reported only when something is left out or missing.
    std::pair<int, bool> Brought(bool (*import)(const QByteArray&, int*, const QString&), const QByteArray& bytes)
    {
        const int before = Index.ActiveZmd->HighestObject;
        messages.Clear();
        EXPECT_TRUE(import(bytes, nullptr, {}));
        return {Index.ActiveZmd->HighestObject - before, messages.CountOf(TextKey::ImportReportRead) == 1};
    }
    // Where test files are left for people and other programs to look at.
    static QString Samples()
    {
        const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
        QDir().mkpath(samples);
        return samples;
    }
    UndoRing ring;
};

} // namespace zemo::test
