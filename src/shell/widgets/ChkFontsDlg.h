// The missing-fonts dialog: the fonts of text symbols that are not installed, one line each.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

namespace zemo {

class TChkFontsDlg : public QDialog {
public:
    TChkFontsDlg(QWidget* parent, const QStringList& lines);
    QString ListText() const;

private:
    QPlainTextEdit* fontListB_;
};

// Shows the dialog modally over the active window.
void ShowMissingFonts(const QStringList& lines);

} // namespace zemo
