// File > Export > internet map in the running program: the dialog's pages, checks and help,
// the field lists of the datasets, the level-map dialog, the proposed page of an untitled map;
// the page with a find box and hotspots from database links as xmllint's HTML parser reads it.
#include "../external/DbLinkFixture.h"
#include "core/Element.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "io/ExpKiv.h"
#include "io/widgets/KivDlgs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

namespace zemo::test {
namespace {

class KivExportMenu : public DbLinkFixture {
protected:
    // Table "places": ID, NAME, URL; records 1 to 4 linked to objects 1 to 4 (point, line,
    // area, text) of the fixture's map at 1:10000.
    bool OpenPlaces()
    {
        TestDbf t;
        t.fields = {{"ID", 6}, {"NAME", 30}, {"URL", 40}};
        t.records = {{{"1", "Quote \"A\" & B", "http://x/?a=\"1\"&b=</SCRIPT>"}},
                     {{"2", "M\xFChle", "\xE4\\"}},
                     {{"3", "<b>bold</b>", "plain"}},
                     {{"4", "", ""}}};
        return t.WriteTo(TempPath(QStringLiteral("places.dbf")))
               && OpenWritten(Map("Places\te\ttplaces\tkID", {Link(1, "1", "Places"), Link(2, "2", "Places"),
                                                             Link(3, "3", "Places"), Link(4, "4", "Places")}),
                              QStringLiteral("map.zmd"));
    }
    // One xmllint --html --xpath result.
    static QString XPath(const QString& file, const QString& expression)
    {
        QProcess p;
        p.start(QStringLiteral("xmllint"), {QStringLiteral("--html"), QStringLiteral("--xpath"), expression, file});
        EXPECT_TRUE(p.waitForFinished(30000));
        QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (out.endsWith(u'\n'))
            out.chop(1);
        return out;
    }
    template <class T>
    static T* Child(QWidget* w, const char* name)
    {
        T* c = w->findChild<T*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
};

TEST_F(KivExportMenu, PagesChecksAndHelpOfTheDialogThenTheLevelMapsAndTheFiles)
{
    ASSERT_TRUE(OpenPlaces());
    Frame().UpdateCommandStates();
    ASSERT_TRUE(Frame().Action(Cmd::FileExportKiv)->isEnabled());
    const QString page = TempPath(QStringLiteral("web.html"));
    dialogs.QueueAnswer(true, page);
    bool ran = false, mapsRan = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = dynamic_cast<TExpKivDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        ran = true;
        EXPECT_EQ(Child<QSpinBox>(dlg, "WidthB")->value(), 400);
        EXPECT_EQ(Child<QSpinBox>(dlg, "HeightB")->value(), 300);
        EXPECT_EQ(Child<QLineEdit>(dlg, "ResolB")->text(), QStringLiteral("150"));
        EXPECT_EQ(Child<QSpinBox>(dlg, "ZoomB")->value(), 3);
        EXPECT_TRUE(Child<QCheckBox>(dlg, "AntialiasB")->isChecked());
        EXPECT_FALSE(Child<QCheckBox>(dlg, "HtmlB")->isChecked());
        auto* findBox = Child<QCheckBox>(dlg, "FindBoxB");
        auto* findSet = Child<QComboBox>(dlg, "DatasetFindB");
        auto* nameField = Child<TFieldCombo>(dlg, "NameFieldB");
        EXPECT_TRUE(findBox->isEnabled());
        EXPECT_EQ(findSet->count(), 1);
        EXPECT_EQ(findSet->currentText(), QStringLiteral("Places"));
        // The help of the page shown.
        const int help[] = {306, 307, 308};
        for (int i = 0; i < 3; ++i) {
            dlg->Pages()->setCurrentIndex(i);
            EXPECT_EQ(dlg->HelpContext(), help[i]);
        }
        dlg->Pages()->setCurrentIndex(0);

        Child<QLineEdit>(dlg, "ResolB")->setText(QStringLiteral("601"));
        dlg->accept();
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 1);
        Child<QLineEdit>(dlg, "ResolB")->setText(QStringLiteral("150"));
        // Three levels for a map that fits 400 x 300 pixels.
        dlg->accept();
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(messages.CountOf(TextKey::ResTooLowZoom), 1);
        Child<QSpinBox>(dlg, "ZoomB")->setValue(1);

        // A field the dataset does not have: the Find page comes up.
        findBox->setChecked(true);
        nameField->setEditText(QStringLiteral("NOPE"));
        dlg->accept();
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(messages.CountOf(TextKey::FieldNotFound), 1);
        EXPECT_EQ(dlg->Pages()->currentIndex(), 1);
        // Dropped down, the list holds the table's fields.
        nameField->Fill();
        QStringList fields;
        for (int i = 0; i < nameField->count(); ++i)
            fields << nameField->itemText(i);
        EXPECT_EQ(fields, (QStringList{"ID", "NAME", "URL"}));
        EXPECT_EQ(nameField->currentText(), QStringLiteral("NOPE"));
        nameField->setEditText(QStringLiteral("NAME"));
        Child<QCheckBox>(dlg, "HotspotB")->setChecked(true);
        Child<TFieldCombo>(dlg, "LinkFieldB")->setEditText(QStringLiteral("URL"));

        QTimer::singleShot(0, [&] {
            auto* maps = dynamic_cast<TKivMapsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(maps, nullptr);
            mapsRan = true;
            auto* grid = Child<QTableWidget>(maps, "MapsB");
            ASSERT_EQ(grid->rowCount(), 1);
            EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("0"));
            EXPECT_EQ(grid->item(0, 1)->text(), TempPath(QStringLiteral("map.zmd")));
            maps->accept();
        });
        dlg->accept();
        EXPECT_FALSE(dlg->isVisible());
    });
    Trigger(Cmd::FileExportKiv);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(mapsRan);
    ASSERT_FALSE(dialogs.Requests().empty());
    EXPECT_EQ(dialogs.Requests().back().fileName, QStringLiteral("map.html"));
    EXPECT_EQ(dialogs.Requests().back().filter,
              Text(TextKey::HtmlFiles) + QStringLiteral(" (*.htm;*.html)|*.htm;*.html|") + Text(TextKey::AllFiles)
                  + QStringLiteral(" (*.*)|*.*"));
    EXPECT_TRUE(QFileInfo(page).isFile());
    EXPECT_EQ(QImage(TempPath(QStringLiteral("web_0.gif"))).size(), QSize(200, 150));
    EXPECT_EQ(QFileInfo(TempPath(QStringLiteral("web.kiv"))).size(), 20 + 32);
    const QString stored = Index.ActiveZmd->MapSettings[size_t(MapSettingsSlot(KivSettingsType))];
    EXPECT_EQ(stored, page + QStringLiteral("\tw400\th300\tr150\tz1\ta1\to0\tm0\tsPlaces\tnNAME\tlPlaces\tuURL"));
    // The map's level strings: one, the map itself.
    ASSERT_EQ(Index.ActiveZmd->InternetMaps.Count(), 1);
    EXPECT_EQ(Index.ActiveZmd->InternetMaps.Strings(0), QString());
}

TEST_F(KivExportMenu, AnIndependentHtmlParserReadsTheFindBoxAndTheHotspots)
{
    ASSERT_TRUE(OpenPlaces());
    KivOptions o;
    o.FileName = TempPath(QStringLiteral("web.html"));
    o.Levels = 1;
    o.ZoomOut = true;
    o.HtmlOnly = true;
    o.FindBox = true;
    o.FindDataset = QStringLiteral("Places");
    o.NameField = QStringLiteral("NAME");
    o.Hotspots = true;
    o.LinkDataset = QStringLiteral("Places");
    o.LinkField = QStringLiteral("URL");
    ASSERT_EQ(CheckKivDialog(o), KivField::None);
    ASSERT_TRUE(WriteKiv(o));
    const QString page = o.FileName;
    // The page names no character set: it is ASCII throughout.
    const QByteArray bytes = ReadAll(page);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }));
    QFile::copy(page, QCoreApplication::applicationDirPath() + QStringLiteral("/../samples/kiv-find-hotspots.html"));

    EXPECT_EQ(XPath(page, QStringLiteral("string(//applet/@width)")), QStringLiteral("420"));
    EXPECT_EQ(XPath(page, QStringLiteral("string(//applet/@height)")), QStringLiteral("320"));
    EXPECT_EQ(XPath(page, QStringLiteral("count(//applet/param)")), QStringLiteral("2"));
    EXPECT_EQ(XPath(page, QStringLiteral("string(//applet/param[@name='FileName']/@value)")), QStringLiteral("web"));
    EXPECT_EQ(XPath(page, QStringLiteral("string(//applet/param[@name='ZoomOut']/@value)")), Text(TextKey::ZoomOut));
    // An option per named object, sorted, with the level and its place in metres; the empty
    // name has none.
    EXPECT_EQ(XPath(page, QStringLiteral("count(//select/option)")), QStringLiteral("4"));
    EXPECT_EQ(XPath(page, QStringLiteral("string(//select/option[1])")).trimmed(), Text(TextKey::FindBtn));
    const struct {
        const char* text;
        const char* value;
    } options[] = {{"<b>bold</b>", "0,50,50"}, {"M\u00FChle", "0,50,0"}, {"Quote \"A\" & B", "0,0,0"}};
    for (int i = 0; i < 3; ++i) {
        const QString at = QStringLiteral("//select/option[%1]").arg(i + 2);
        EXPECT_EQ(XPath(page, QStringLiteral("string(%1)").arg(at)).trimmed(), QString::fromUtf8(options[i].text));
        EXPECT_EQ(XPath(page, QStringLiteral("string(%1/@value)").arg(at)), QLatin1String(options[i].value));
    }
    // The script whole: every hotspot inside its string, the last statements after them.
    const QString script = XPath(page, QStringLiteral("string(//script)")).remove(u'\r');
    EXPECT_TRUE(script.contains(
        QStringLiteral("document.map.addHotspot(0, 0, \"http://x/?a=\\\"1\\\"\\u0026b=\\u003C/SCRIPT\\u003E\");")))
        << script.toStdString();
    EXPECT_TRUE(script.contains(QStringLiteral("document.map.addHotspot(50, 0, \"\\u00E4\\\\\");")));
    EXPECT_TRUE(script.contains(QStringLiteral("document.map.addHotspot(50, 50, \"plain\");")));
    EXPECT_EQ(script.count(QStringLiteral("addHotspot(")), 3);
    EXPECT_TRUE(script.trimmed().endsWith(QStringLiteral("document.map.repaint();\n    }\n  //-->")))
        << script.toStdString();
    EXPECT_EQ(XPath(page, QStringLiteral("string(//body/@onload)")), QStringLiteral("showHotspots()"));
}

TEST_F(KivExportMenu, UntitledMapsPageAndTheLevelMapDialogRefusingMissingFiles)
{
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    const std::vector<Cord> line{{-20 * LinkMm, 0}, {20 * LinkMm, 10 * LinkMm}};
    ASSERT_TRUE(InitElement(CurElement, 1010, LineObject, uint16_t(line.size()), 0, 0));
    std::copy(line.begin(), line.end(), CurElement.Cords());
    ASSERT_TRUE(AppendElement());
    TestMapWriter other(8);
    PutF64(other.setup, setup::MapScale, 15000);
    other.symbols = {TestSymbol::Point(10)};
    ASSERT_TRUE(other.WriteTo(QFile::encodeName(TempPath(QStringLiteral("other.zmd"))).toStdString()));

    dialogs.QueueAnswer(true, TempPath(QStringLiteral("u.html")));
    dialogs.QueueAnswer(true, TempPath(QStringLiteral("missing.zmd")));
    dialogs.QueueAnswer(true, TempPath(QStringLiteral("other.zmd")));
    bool mapsRan = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = dynamic_cast<TExpKivDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        // No datasets: nothing to find or link.
        EXPECT_FALSE(Child<QCheckBox>(dlg, "FindBoxB")->isEnabled());
        EXPECT_FALSE(Child<QComboBox>(dlg, "DatasetLinkB")->isEnabled());
        Child<QSpinBox>(dlg, "ZoomB")->setValue(1);
        QTimer::singleShot(0, [&] {
            auto* maps = dynamic_cast<TKivMapsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(maps, nullptr);
            mapsRan = true;
            auto* grid = Child<QTableWidget>(maps, "MapsB");
            EXPECT_EQ(grid->item(0, 1)->text(), Text(TextKey::Untitled));
            maps->Change(0);
            EXPECT_EQ(messages.CountOf(TextKey::FileNotFound), 1);
            EXPECT_EQ(grid->item(0, 1)->text(), Text(TextKey::Untitled));
            maps->Change(0);
            EXPECT_EQ(grid->item(0, 1)->text(), TempPath(QStringLiteral("other.zmd")));
            // Gone before OK: the dialog stays.
            QFile::rename(TempPath(QStringLiteral("other.zmd")), TempPath(QStringLiteral("away.zmd")));
            maps->accept();
            EXPECT_TRUE(maps->isVisible());
            EXPECT_EQ(messages.CountOf(TextKey::FileNotFound), 2);
            QFile::rename(TempPath(QStringLiteral("away.zmd")), TempPath(QStringLiteral("other.zmd")));
            maps->accept();
            EXPECT_FALSE(maps->isVisible());
        });
        dlg->accept();
    });
    Trigger(Cmd::FileExportKiv);
    EXPECT_TRUE(mapsRan);
    ASSERT_FALSE(dialogs.Requests().empty());
    EXPECT_EQ(dialogs.Requests()[0].fileName, Text(TextKey::Untitled) + QStringLiteral(".html"));
    QString mapFolder = GetMapFolder();
    mapFolder.chop(1);
    EXPECT_EQ(dialogs.Requests()[0].initialFolder, mapFolder);
    EXPECT_EQ(dialogs.Requests()[1].title, Text(TextKey::OpenMapFile));
    EXPECT_EQ(dialogs.Requests()[1].helpContext, 113);
    ASSERT_EQ(Index.ActiveZmd->InternetMaps.Count(), 1);
    EXPECT_EQ(Index.ActiveZmd->InternetMaps.Strings(0), TempPath(QStringLiteral("other.zmd")));
    // Drawn from the empty level map: one white tile.
    const QImage tile(TempPath(QStringLiteral("u_0.gif")));
    ASSERT_FALSE(tile.isNull());
    EXPECT_EQ(tile.pixel(100, 75), qRgb(255, 255, 255));
    EXPECT_TRUE(QFileInfo(TempPath(QStringLiteral("u.html"))).isFile());
}

} // namespace
} // namespace zemo::test
