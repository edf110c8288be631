#include "shell/ShortCuts.h"

#include "core/LangTexts.h"
#include "core/Messages.h"
#include "shell/MenuModel.h"

namespace zemo {

namespace {

// Ctrl with these letters only: the others belong to fixed commands (copy, new, open, ...).
constexpr char CtrlLetters[] = "ABDEFGHIJKLQRTUWY";

QString ChoiceText(int choice)
{
    if (choice <= 0 || choice >= ShortCutChoiceCount)
        return {};
    int i = choice - 1;
    if (i < 11)
        return QStringLiteral("F%1").arg(i + 2);
    i -= 11;
    if (i < 11)
        return QStringLiteral("Shift+F%1").arg(i + 2);
    i -= 11;
    if (i < 11)
        return QStringLiteral("Ctrl+F%1").arg(i + 2);
    i -= 11;
    if (i < 10)
        return QStringLiteral("Ctrl+%1").arg(i);
    i -= 10;
    return QStringLiteral("Ctrl+") + QLatin1Char(CtrlLetters[i]);
}

static_assert(1 + 11 + 11 + 11 + 10 + sizeof(CtrlLetters) - 1 == ShortCutChoiceCount);

struct CommandLine {
    TextKey menu;
    TextKey item;         // TextKey::Count: the literal
    const char* literal;
};

constexpr TextKey Literal = TextKey::Count;

// In the order of the configuration's texts.
const CommandLine CommandLines[ShortCutCount] = {
    {TextKey::Edit, TextKey::EditJoin, ""},
    {TextKey::Edit, TextKey::EditMerge, ""},
    {TextKey::Edit, TextKey::EditToCurve, ""},
    {TextKey::Edit, TextKey::EditToGraphics, ""},
    {TextKey::Edit, TextKey::EditMeasure, ""},
    {TextKey::ViewMnu, TextKey::ViewSpot, ""},
    {TextKey::ViewMnu, TextKey::ViewHatch, ""},
    {TextKey::ViewMnu, TextKey::ViewTransp, ""},
    {TextKey::ViewMnu, TextKey::ViewRedraw, ""},
    {TextKey::ViewMnu, TextKey::ViewMove, ""},
    {TextKey::ViewMnu, TextKey::ViewZoomIn, ""},
    {TextKey::ViewMnu, TextKey::ViewZoomOut, ""},
    {TextKey::ViewMnu, TextKey::ViewEntire, ""},
    {TextKey::ViewMnu, Literal, "0.25X"},
    {TextKey::ViewMnu, Literal, "0.5X"},
    {TextKey::ViewMnu, Literal, "1X"},
    {TextKey::ViewMnu, Literal, "2X"},
    {TextKey::ViewMnu, Literal, "4X"},
    {TextKey::ViewMnu, Literal, "8X"},
    {TextKey::ViewMnu, Literal, "16X"},
    {TextKey::ViewMnu, Literal, "32X"},
    {TextKey::Symbol, TextKey::SymbolNormal, ""},
    {TextKey::Symbol, TextKey::SymbolProtect, ""},
    {TextKey::Symbol, TextKey::SymbolHide, ""},
    {TextKey::ExtrasMnu, TextKey::ExtrasSelectSym, ""},
    {TextKey::ExtrasMnu, TextKey::ExtrasChangeSym, ""},
    {TextKey::ExtrasMnu, TextKey::ExtrasExportSym, ""},
    {TextKey::ExtrasMnu, TextKey::ExtrasDeleteSym, ""},
    {TextKey::ExtrasMnu, TextKey::ExtrasToCurveSym, ""},
    {TextKey::TemplateMnu, TextKey::TemplateScan, ""},
    {TextKey::TemplateMnu, TextKey::FileOpen, ""},
    {TextKey::TemplateMnu, TextKey::TemplateReopen, ""},
    {TextKey::TemplateMnu, TextKey::FileClose, ""},
    {TextKey::TemplateMnu, TextKey::TemplateAdjust, ""},
    {TextKey::TemplateMnu, TextKey::TemplateHide, ""},
    {TextKey::TemplateMnu, TextKey::TemplateOptions, ""},
    {TextKey::OptionsMnu, TextKey::OptionsPref, ""},
    {TextKey::OptionsMnu, TextKey::OptionsScales, ""},
};

} // namespace

QString ShortCutChoiceText(int choice)
{
    return ChoiceText(choice);
}

QKeySequence ShortCutChoiceKey(int choice)
{
    const QString text = ChoiceText(choice);
    return text.isEmpty() ? QKeySequence() : QKeySequence::fromString(text, QKeySequence::PortableText);
}

int ShortCutChoiceOf(const QString& stored)
{
    if (stored.isEmpty())
        return 0;
    for (int i = 1; i < ShortCutChoiceCount; ++i)
        if (ChoiceText(i) == stored)
            return i;
    return -1;
}

QString ShortCutChoiceShown(int choice)
{
    return choice <= 0 ? Text(TextKey::NoneShortcut) : ToShownShortCut(ChoiceText(choice));
}

QString ShortCutCommandText(int index)
{
    if (index < 0 || index >= ShortCutCount)
        return {};
    const CommandLine& c = CommandLines[index];
    const QString item = c.item == Literal ? QString::fromLatin1(c.literal) : Text(c.item);
    return RemoveAmpersands(Text(c.menu) + QStringLiteral(" - ") + item);
}

QString StandardShortCut(int index)
{
    if (index < 0 || index >= ShortCutCount)
        return {};
    ConfigRecord standard;
    DefaultShortCuts(standard);
    return standard.ShortCutTexts[size_t(index)];
}

ShortCutEditor::ShortCutEditor(ShortCutTexts& texts,
                               std::function<bool(const QKeySequence&)> heldElsewhere)
    : texts_(texts), heldElsewhere_(std::move(heldElsewhere))
{
}

QString ShortCutEditor::Shown(int index) const
{
    if (index < 0 || index >= ShortCutCount)
        return {};
    return ToShownShortCut(texts_[size_t(index)]);
}

int ShortCutEditor::Select(int index)
{
    selected_ = index >= 0 && index < ShortCutCount ? index : -1;
    return selected_ < 0 ? -1 : ShortCutChoiceOf(texts_[size_t(selected_)]);
}

ShortCutEditor::Outcome ShortCutEditor::Choose(int choice)
{
    if (selected_ < 0)
        return Outcome::NothingSelected;
    const QString stored = ShortCutChoiceText(choice);
    if (!stored.isEmpty()) {
        // Whole stored texts: shown texts cut short would make every long key alike.
        bool taken = false;
        for (const QString& t : texts_)
            taken = taken || t == stored;
        if (taken || (heldElsewhere_ && heldElsewhere_(ShortCutChoiceKey(choice)))) {
            ErrorMsg(TextKey::ShortcutExists, {ToShownShortCut(stored)});
            return Outcome::Refused;
        }
    }
    texts_[size_t(selected_)] = stored;
    return Outcome::Changed;
}

ShortCutEditor::Outcome ShortCutEditor::Standard()
{
    if (selected_ < 0)
        return Outcome::NothingSelected;
    const int choice = ShortCutChoiceOf(StandardShortCut(selected_));
    return Choose(std::max(choice, 0));
}

void ShortCutEditor::AllStandard()
{
    ConfigRecord standard;
    DefaultShortCuts(standard);
    texts_ = standard.ShortCutTexts;
}

} // namespace zemo
