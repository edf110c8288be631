#include "shell/widgets/MapInfoDlg.h"

#include "edit/widgets/MapDlgForm.h"
#include "shell/widgets/DialogRows.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemo {

TMapInfoDlg::TMapInfoDlg(QWidget* parent, const MapInfoTexts& v) : QDialog(parent)
{
    setObjectName(QStringLiteral("MapInfoDlg"));
    setWindowTitle(PlainText(TextKey::MapInfo));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    struct Row {
        TextKey caption;
        const char* name;
        const QString& value;
        TextKey unit;
    };
    const TextKey none = TextKey::Count;
    const Row rows[] = {
        {TextKey::Objects, "ObjectsL", v.objects, none},
        {TextKey::nSymbols, "SymbolsL", v.symbols, none},
        {TextKey::SymMem, "SymMemL", v.symbolMemory, TextKey::Bytes},
        {TextKey::FileSize, "FileSizeL", v.fileSize, TextKey::Bytes},
        {TextKey::ScreenCol, "ScreenColL", v.screenColors, none},
        {TextKey::ScreenRes, "ScreenResL", v.screenResolution, none},
        {TextKey::PhysMem, "PhysMemL", v.physicalMemory, TextKey::MB},
        {TextKey::DiskSpace, "DiskSpaceL", v.diskSpace, TextKey::MBFree},
    };
    for (const Row& r : rows) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(PlainText(r.caption) + u':', this), row, 0);
        auto* value = new QLabel(r.value, this);
        value->setObjectName(QLatin1String(r.name));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, row, 1);
        if (r.unit != none)
            grid->addWidget(new QLabel(PlainText(r.unit), this), row, 2);
    }
    layout->addLayout(grid);
    AddDialogButtons(this, layout, false, [] { return MapInfoHelpContext; }).ok->setFocus();
}

void ShowMapInfo(QWidget* parent)
{
    TMapInfoDlg dlg(parent, MapInfoOf(ReadMachineFacts()));
    dlg.exec();
}

} // namespace zemo
