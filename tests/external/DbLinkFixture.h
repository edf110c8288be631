// A map of points, lines, areas and texts beside a dBase table, with a dataset over the table
// and links from the objects to its records; the program running over it.
#pragma once

#include "../support/ProgramFixture.h"
#include "DbfTestFile.h"

#include "core/StringX.h"
#include "document/Index.h"
#include "external/database/DbObject.h"
#include "external/database/widgets/DbPanel.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"

#include <QLineEdit>
#include <QString>
#include <QTableWidget>

namespace zemo::test {

inline constexpr int32_t LinkMm = 25600;

// Objects: 1 point (10), 2 line 10 mm (20), 3 area 10 x 10 mm (30), 4 text (40), 5 point (10),
// 6 rectangle (60).
class DbLinkFixture : public ProgramFixture {
protected:
    // Table "parcels": ID, TYPE, SIZE, SYM, TXT, ANG, REF; records with ID 1 to 4.
    static TestDbf Parcels()
    {
        TestDbf t;
        t.fields = {{"ID", 6}, {"TYPE", 10}, {"SIZE", 12}, {"SYM", 8}, {"TXT", 20}, {"ANG", 8}, {"REF", 6}};
        t.records = {{{"1", "forest", "", "", "Oak", "45.26", "A1"}},
                     {{"2", "road", "", "", "Main", "10", ""}},
                     {{"3", "forest", "", "", "Pine", "3200", ""}},
                     {{"4", "water", "", "", "Lake", "-12.5", ""}}};
        return t;
    }
    static TestMapWriter Map(const std::string& dataset, const std::vector<TestPString>& links)
    {
        TestMapWriter w(8);
        PutF64(w.setup, setup::MapScale, 10000);
        w.symbols = {TestSymbol::Point(10), TestSymbol::Line(20), TestSymbol::Area(30), TestSymbol::Text(40),
                     TestSymbol::Rect(60)};
        w.objects.push_back(TestObject::Point(10, 0, 0));
        w.objects.push_back(TestObject::Line(20, {{0, 0}, {10 * LinkMm, 0}}));
        w.objects.push_back(TestObject::Area(30, {{0, 0}, {10 * LinkMm, 0}, {10 * LinkMm, 10 * LinkMm}, {0, 10 * LinkMm}}));
        w.objects.push_back(TestObject::Text(40, LinkMm, LinkMm, "Name"));
        w.objects.push_back(TestObject::Point(10, 20 * LinkMm, 0));
        w.objects.push_back(TestObject::Rect(60, 0, 0, 5 * LinkMm, 5 * LinkMm));
        if (!dataset.empty())
            w.strings.push_back(TestPString::Make(4, 0, dataset));
        for (const TestPString& s : links)
            w.strings.push_back(s);
        return w;
    }
    static TestPString Link(int object, const std::string& key, const std::string& dataset = "Parcels")
    {
        return TestPString::Make(5, object, key + "\td" + dataset);
    }
    // The map with the dataset "Parcels" over the table beside it, objects 1 to 4 linked to
    // records 1 to 4.
    bool OpenLinked(const std::string& definition = "Parcels\te\ttparcels\tkID\tySYM\txTXT\tfSIZE\tl1\ta1\tc3",
                    std::vector<TestPString> links = {}, const QString& name = QStringLiteral("map.zmd"))
    {
        if (links.empty())
            links = {Link(1, "1"), Link(2, "2"), Link(3, "3"), Link(4, "4")};
        return Parcels().WriteTo(TempPath(QStringLiteral("parcels.dbf")))
               && OpenWritten(Map(definition, links), name);
    }
    // A field of record i (0-based) of the table as stored, read at its literal offsets.
    QString Stored(int record, const QString& field) const
    {
        const TestDbf t = Parcels();
        const QByteArray b = ReadAll(TempPath(QStringLiteral("parcels.dbf")));
        const int header = U16At(b, 8), length = U16At(b, 10);
        int at = 1;
        for (int i = 0; i < U16At(b, 8) / 32 - 1; ++i) {
            const QByteArray name = b.mid(32 + 32 * i, 11);
            const int width = uint8_t(b[32 + 32 * i + 16]);
            if (QString::fromLatin1(name.left(name.indexOf('\0'))) == field)
                return QString::fromLatin1(b.mid(header + record * length + at, width)).trimmed();
            at += width;
        }
        return QStringLiteral("<no field>");
    }
    int Records() const { return int(U32At(ReadAll(TempPath(QStringLiteral("parcels.dbf"))), 4)); }
    static QStringList Links()
    {
        QStringList l;
        for (const auto& item : Index.ActiveZmd->ObjectLinks.Items())
            l << item.Text;
        l.sort();
        return l;
    }
    // Every live string of the store as "type:object".
    static QStringList StoredStrings()
    {
        QStringList l;
        for (const auto& b : Index.ActiveZmd->StringBlocks)
            for (const auto& e : b.Entries)
                if (e.Type > 0)
                    l << QString::number(e.Type) + u':' + QString::number(e.Object);
        return l;
    }
    // Object n's links taken out for good.
    static void Unlink(int n)
    {
        TNumStringList& links = Index.ActiveZmd->ObjectLinks;
        int pos = -1;
        while (FindPString(n, ObjectLinkType, links, pos)) {
            ClearPString(links.GetNumber(pos));
            links.Delete(pos);
            pos = -1;
        }
    }
    static void Select(int n)
    {
        GetIndex(n);
        SelectOnly(n);
    }
    // The main window's record grid.
    QTableWidget* Grid() { return PanelsOf(Frame())->DbPanel->findChild<QTableWidget*>(QStringLiteral("DbGrid")); }
    // As the user types into a value of the grid: an editor over the cell, the text, Enter.
    // The messages of what went before are cleared.
    void TypeInGrid(int row, const QString& text)
    {
        messages.Clear();
        Grid()->setCurrentCell(row, 2);
        Grid()->editItem(Grid()->item(row, 2));
        auto* editor = Grid()->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        Key(editor, Qt::Key_Return);
        Settle();
    }
};

} // namespace zemo::test
