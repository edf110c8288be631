#include "app/Install.h"

#include "document/Ports.h"
#include "external/AdjGps.h"
#include "external/AdjTemp.h"
#include "external/Bmp.h"
#include "external/Gif.h"
#include "external/Gps.h"
#include "external/Jpeg.h"
#include "external/NameIndex.h"
#include "external/Ports.h"
#include "external/Scan.h"
#include "external/Template.h"
#include "external/Tiff.h"
#include "external/database/DbObject.h"
#include "external/database/DbSys.h"
#include "external/database/Ports.h"
#include "external/database/widgets/AssignDlg.h"
#include "external/database/widgets/DBaseDlg.h"
#include "external/database/widgets/DatasetDlg.h"
#include "external/database/widgets/DbObjectDlg.h"
#include "external/database/widgets/DbPanel.h"
#include "external/database/widgets/OdbcIniDlg.h"
#include "external/widgets/AdjGpsDlg.h"
#include "external/widgets/GpsDlg.h"
#include "external/widgets/NameIndexDlg.h"
#include "external/widgets/ScanDlg.h"
#include "external/widgets/TempOptDlg.h"
#include "external/widgets/TempResolDlg.h"
#include "external/widgets/TemplateDlg.h"
#include "external/widgets/TiffDlg.h"
#include "shell/CommandFrame.h"
#include "shell/Ports.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Ports.h"

#include <QApplication>

namespace zemo {

namespace {

// The templates of the map store, its windows and its drawing.
void BindTemplates()
{
    DocumentPortSet& doc = DocumentPorts();
    doc.GetFullExtent.Bind(FullExtentWithTemplates);
    doc.LoadMapTemplates.Bind(LoadTemplatesOfMap);
    doc.UnloadTemplate.Bind(UnloadTemplatesOfMap);
    doc.LoadTemplateFile.Bind([](const QString& name, int mode) { return LoadTemplateFile(name, mode); });
    doc.ReleaseTemplate.Bind([](const QString& name) { ReleaseTemplate(name); });
    doc.CurrentTemplate.Bind([] { return TemplateUnit.CurrentTemplate; });
    doc.ParseTemplateParams.Bind([](const QString& text) { ParseTemplateParams(text); });
    doc.TemplateBounds.Bind([](CordRect& r) { return TemplateBounds(r); });
    doc.ActiveZmdTemp.Bind([](int index, QString& fullName, int& dim) {
        return ActiveZmdTemp(index, fullName, dim);
    });
    ShellPorts().TemplateState.Bind([] {
        return TemplateMenuState{AnyTemplateHidden(), AnyTemplateShown(true), AnyTemplateShown(false),
                                 ScannerKnownAvailable()};
    });
    ShellPorts().TemplateMenuOpens.Bind([] { ScanDevices(); });
}

// The Template menu, its dialogs over the active window, and the adjust tool.
void RegisterTemplateMenu()
{
    ExternalPortSet& ports = ExternalPorts();
    ports.RunTemplateList.Bind([](const TemplateListRequest& r) {
        return ExecTemplateDlg(QApplication::activeWindow(), r);
    });
    ports.RunTemplateOptions.Bind([](TempOptValues& v) { return ExecTempOptDlg(QApplication::activeWindow(), v); });
    RegisterWorker(Cmd::TemplateOpen, OpenTemplate);
    RegisterWorker(Cmd::TemplateReopen, ReopenTemplates);
    RegisterWorker(Cmd::TemplateClose, CloseTemplates);
    RegisterWorker(Cmd::TemplateAdjust, AdjustTemplate);
    RegisterWorker(Cmd::TemplateHide, ToggleTemplatesHidden);
    RegisterWorker(Cmd::TemplateOptions, TemplateOptions);
    RegisterAdjTemplateTool();
    ports.RunScanSource.Bind([](const QStringList& devices, int& index) {
        return ExecScanSourceDlg(QApplication::activeWindow(), devices, index);
    });
    ports.RunScanDlg.Bind([](ScanSettings& s) { return ExecScanDlg(QApplication::activeWindow(), s); });
    RegisterWorker(Cmd::TemplateAcquire, AcquireTemplate);
    RegisterWorker(Cmd::TemplateSelectSource, SelectScanSource);
}

// The raster readers by extension, and the dialogs that place a new raster template.
void RegisterRasterReaders()
{
    RegisterTemplateReader(QStringLiteral(".bmp"), ReadBmpFile);
    RegisterTemplateReader(QStringLiteral(".dib"), ReadBmpFile);
    RegisterTemplateReader(QStringLiteral(".gif"), ReadGifFile);
    RegisterTemplateReader(QStringLiteral(".jpg"), ReadJpegFile);
    RegisterTemplateReader(QStringLiteral(".jpeg"), ReadJpegFile);
    RegisterTemplateReader(QStringLiteral(".tif"), ReadTiffFile);
    RegisterTemplateReader(QStringLiteral(".tiff"), ReadTiffFile);
    ExternalPortSet& ports = ExternalPorts();
    ports.RunTempResol.Bind([](TempResolFields& f) { return ExecTempResolDlg(QApplication::activeWindow(), f); });
    ports.RunTiffDlg.Bind([](TiffDlgFields& f) { return ExecTiffDlg(QApplication::activeWindow(), f); });
}

// The store's database links, and the Database menu's link commands.
void BindDatabaseLinks()
{
    DocumentPortSet& doc = DocumentPorts();
    doc.DeleteObjectLink.Bind([](int n) { db::DeleteObjectLink(n); });
    doc.GetData.Bind([] { db::GetData(); });
    doc.ShowObjectRecord.Bind([] { db::ShowObjectRecord(); });
    doc.ResetDbLinks.Bind([] { db::ResetDbLinks(); });
    doc.WriteSymbolField.Bind([](int n) { db::WriteSymbolField(n); });
    DatabasePortSet& ports = DatabasePorts();
    ports.RunLinkDlg.Bind([](LinkDlgValues& v) { return ExecDbObjectDlg(QApplication::activeWindow(), v); });
    ports.RunFindDlg.Bind([](DatasetChoice& c) { return ExecDbFindDlg(QApplication::activeWindow(), c); });
    ports.RunCreateLinksDlg.Bind([](DatasetChoice& c) { return ExecDbCreateDlg(QApplication::activeWindow(), c); });
    ports.ShowDbGrid.Bind(ShowDbGridInPanel);
    ports.ShowSecondaryRecord.Bind([](const QString& table) { ExecShowTabDlg(QApplication::activeWindow(), table); });
    ports.EditDataSourceFile.Bind([](const QString& path) { return ExecOdbcIniDlg(QApplication::activeWindow(), path); });
    ShellWidgetsPorts().FillDbPanel.Bind(FillDbPanel);
    RegisterWorker(Cmd::DbCreateLinks, CreateLinksCommand);
    RegisterWorker(Cmd::DbOpenLinks, [] { SelectOpenLinks(); });
    ExternalPorts().RunNameIndexDlg.Bind([](NameIndexValues& v) { return ExecNameIndexDlg(QApplication::activeWindow(), v); });
    RegisterWorker(Cmd::DbNameIndex, CreateNameIndex);
    RegisterWorker(Cmd::DbDataset, [] { EditDatasets(QApplication::activeWindow()); });
    RegisterWorker(Cmd::DbDBase, [] { ShowDBaseDialog(QApplication::activeWindow()); });
    RegisterWorker(Cmd::AssignSym, [] { AssignSymbols(QApplication::activeWindow()); });
    RegisterWorker(Cmd::AssignText, [] { AssignTexts(QApplication::activeWindow()); });
    RegisterWorker(Cmd::AssignAngle, [] { AssignAngles(QApplication::activeWindow()); });
}

// The GPS receiver: Options > Open, Close and Adjust GPS, their dialogs, the adjust tool, and
// the port opened again after a map opens.
void RegisterGps()
{
    ExternalPortSet& ports = ExternalPorts();
    ports.RunOpenGps.Bind([] { return ExecOpenGpsDlg(QApplication::activeWindow()); });
    ports.RunTestGps.Bind([] { ExecTestGpsDlg(QApplication::activeWindow()); });
    ports.GpsTestChanged.Bind(RefreshTestGpsDlg);
    ports.RunAdjustGps.Bind([] { return ExecAdjustGpsDlg(QApplication::activeWindow()); });
    ports.RunRnGps.Bind([](QString& name) { return ExecRnGpsDlg(QApplication::activeWindow(), name); });
    DocumentPorts().StartGpsPort.Bind([] { StartGpsPort(); });
    RegisterWorker(Cmd::OptionsOpenGps, OpenGpsReceiver);
    RegisterWorker(Cmd::OptionsCloseGps, CloseGpsReceiver);
    RegisterWorker(Cmd::OptionsAdjGps, ShowAdjustGpsDialog);
    RegisterAdjGpsTool();
}

} // namespace

void InstallExternal()
{
    BindTemplates();
    RegisterTemplateMenu();
    RegisterRasterReaders();
    BindDatabaseLinks();
    RegisterGps();
    // The driver manager's data sources, with the main frame as the parent window.
    RegisterWorker(Cmd::DbOdbc, [] { ManageOdbcSources(MainFrame()); });
}

} // namespace zemo
