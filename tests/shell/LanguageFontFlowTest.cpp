// The face the language file names, on the main frame, its panels and the dialogs of every
// library, in the running program.
#include "../support/ProgramFixture.h"

#include "core/LangTexts.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Program.h"

#include <QApplication>
#include <QFontDatabase>
#include <QTimer>

using namespace zemo;
using namespace zemo::test;

namespace {

class LanguageFontFlow : public ProgramFixture {
protected:
    // The widgets under `top` (itself included) whose font is not the language file's.
    static QStringList OtherFonts(QWidget* top)
    {
        QStringList other;
        QList<QWidget*> all = top->findChildren<QWidget*>();
        all.prepend(top);
        for (QWidget* w : all)
            if (w->font().families().value(0) != Text(TextKey::Font))
                other << QStringLiteral("%1 %2: %3")
                             .arg(QLatin1String(w->metaObject()->className()), w->objectName(), w->font().family());
        return other;
    }
};

} // namespace

TEST_F(LanguageFontFlow, TheFrameItsPanelsAndDialogsOfFourLibrariesTakeTheFaceOfTheLanguageFile)
{
    ASSERT_EQ(Text(TextKey::Font), QStringLiteral("Arial"));
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(10)};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("font.zmd")));
    EXPECT_EQ(OtherFonts(&Frame()), QStringList());

    // Edit, symbols, shell and document dialogs.
    for (Cmd c : {Cmd::ExtrasMove, Cmd::SymbolColors, Cmd::OptionsPref, Cmd::FileInfo}) {
        QString dialog;
        QStringList other{QStringLiteral("no dialog")};
        QTimer::singleShot(0, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                dialog = QLatin1String(d->metaObject()->className());
                other = OtherFonts(d);
                d->close();
            }
        });
        Frame().UpdateCommandStates();
        Trigger(c);
        Settle();
        EXPECT_EQ(other, QStringList()) << CmdName(c) << " " << dialog.toStdString();
    }
}

TEST(LanguageFont, AJapaneseFileAddsAFaceWithJapaneseCharacters)
{
    QFont base(QStringLiteral("Courier"), 13);
    SetText(TextKey::Font, "MS UI Gothic");
    SetText(TextKey::Language, "English");
    EXPECT_EQ(LanguageFont(base).families(), QStringList{QStringLiteral("MS UI Gothic")});
    EXPECT_EQ(LanguageFont(base).pointSize(), 13);
    SetText(TextKey::Language, "Japanese");
    const QStringList families = LanguageFont(base).families();
    ASSERT_FALSE(families.isEmpty());
    EXPECT_EQ(families.front(), QStringLiteral("MS UI Gothic"));
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    if (japanese.isEmpty())
        EXPECT_EQ(families.size(), 1);
    else
        EXPECT_TRUE(QFontDatabase::writingSystems(families.value(1)).contains(QFontDatabase::Japanese));
    SetText(TextKey::Font, "");
    EXPECT_EQ(LanguageFont(base).families(), japanese.isEmpty() ? QStringList{QStringLiteral("Courier")} : japanese.mid(0, 1));
    ClearTexts();
}
