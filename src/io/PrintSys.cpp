#include "io/PrintSys.h"

#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "io/Ports.h"
#include "render/GraphSys.h"

#include <cmath>

namespace zemo {

PrintSysState PrintSys;

namespace {

PrinterSystem* Printers()
{
    return IoPorts().Printers();
}

void Line(OutputSink& out, const QString& text)
{
    out.Write(text.toLatin1() + "\r\n");
}

QString Pt(double v)
{
    return FloatToPointStr(2, v);
}

void TakePage(const PrinterPage& page)
{
    PrintSys.Page = page;
    PrintSys.LOGPIXELSX = page.DpiX;
    PrintSys.LOGPIXELSY = page.DpiY;
    PrintSys.HORZSIZE = page.WidthMm;
    PrintSys.VERTSIZE = page.HeightMm;
}

QString ProposedName(const QString& documentName, const QString& extension)
{
    const QString name = ExtractFileName(documentName);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = documentName.left(documentName.size() - name.size())
                         + (dot > 0 ? name.left(dot) : name);
    return base + extension;
}

} // namespace

QMarginsF PageMargins(const QMarginsF& upright, bool landscape)
{
    if (!landscape)
        return upright;
    return {upright.bottom(), upright.left(), upright.top(), upright.right()};
}

void ResetPrintSysUnit()
{
    PrintSys = PrintSysState{};
}

QStringList PrinterList()
{
    PrinterSystem* p = Printers();
    return p ? p->Names() : QStringList{};
}

bool PrintersAvailable()
{
    return !PrinterList().isEmpty();
}

int DefaultPrinterIndex()
{
    PrinterSystem* p = Printers();
    const int n = p ? int(p->Names().size()) : 0;
    const int d = p ? p->SystemDefault() : -1;
    return d >= 0 && d < n ? d : 0;
}

int OpeningPrinterIndex(const QString& lastChosen)
{
    const qsizetype kept = lastChosen.isEmpty() ? -1 : PrinterList().indexOf(lastChosen);
    const int index = kept >= 0 ? int(kept) : DefaultPrinterIndex();
    SelectPrinter(index);
    return index;
}

void SelectPrinter(int index)
{
    PrintSys.CurrentPrinter = index;
    if (PrinterSystem* p = Printers())
        p->Select(index);
}

void EditPrinterProperties(int index)
{
    SelectPrinter(index);
    if (PrinterSystem* p = Printers())
        p->EditProperties(index);
}

bool CheckPrinter(int index)
{
    SelectPrinter(index);
    PrinterSystem* p = Printers();
    PrinterPage page;
    if (!p || index < 0 || index >= p->Names().size() || !p->Check(index, page)) {
        ErrorMsg(TextKey::CannotOpenPrinter);
        return false;
    }
    TakePage(page);
    if (PrintSys.LOGPIXELSX > 0 && PrintSys.HORZSIZE > 5)
        return true;
    ErrorMsg(TextKey::PaperSizeNotDefined, {}, PaperSizeHelpContext);
    return false;
}

bool IsPdfWriter(const QString& name)
{
    return name.contains(QStringLiteral("Acrobat")) || name.contains(QStringLiteral("Distiller"));
}

bool OffersPrintToFile(int index)
{
    PrinterSystem* p = Printers();
    const QStringList names = p ? p->Names() : QStringList{};
    return index >= 0 && index < names.size() && !p->AsksPdfFile(index) && !IsPdfWriter(names[index]);
}

bool StartPrintJob(int index, const QString& documentName, bool toFile, int& copies)
{
    PrinterSystem* p = Printers();
    const QStringList names = p ? p->Names() : QStringList{};
    if (!p || index < 0 || index >= names.size()) {
        ErrorMsg(TextKey::CannotOpenPrinter);
        return false;
    }
    const bool ownPdf = p->AsksPdfFile(index);
    const bool pdfWriter = ownPdf || IsPdfWriter(names[index]);
    if (pdfWriter)
        copies = 1;
    QString fileName;
    if (ownPdf) {
        fileName = ProposedName(documentName, QStringLiteral(".pdf"));
        const QString filter = QStringLiteral("PDF (*.pdf)|*.pdf|") + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
        if (!ExecSaveDialog(Text(TextKey::PrintFile), filter, QStringLiteral("pdf"), 0, fileName))
            return false;
    } else if (toFile && !pdfWriter) {
        copies = 1;
        fileName = ProposedName(documentName, QStringLiteral(".prn"));
        const QString filter = Text(TextKey::PrintFiles) + QStringLiteral(" (*.prn)|*.prn|")
                               + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
        if (!ExecSaveDialog(Text(TextKey::PrintFile), filter, QStringLiteral("prn"), 0, fileName))
            return false;
    }
    SelectPrinter(index);
    int driverCopies = 1;
    if (copies >= 2 && p->SupportsCopies(index)) {
        driverCopies = copies;
        copies = 1;
    }
    PrinterPage page;
    std::unique_ptr<PrintJob> job =
        p->Start(index, ExtractFileName(documentName), fileName, driverCopies, !pdfWriter, page);
    if (!job) {
        ErrorMsg(TextKey::CannotOpenPrinter);
        return false;
    }
    TakePage(page);
    if (PrintSys.LOGPIXELSX < 1 || PrintSys.HORZSIZE < 6) {
        job->Abort();
        ErrorMsg(TextKey::PaperSizeNotDefined, {}, PaperSizeHelpContext);
        return false;
    }
    PrintSys.PassThrough = !pdfWriter && job->RawStream() != nullptr;
    PrintSys.Job = std::move(job);
    PrintSys.PagesStarted = 0;
    AbortRequested = false;
    return true;
}

bool StartPage(Device*& device, OutputSink*& stream)
{
    device = nullptr;
    stream = nullptr;
    PrintJob* job = PrintSys.Job.get();
    if (!job)
        return false;
    const int number = ++PrintSys.PagesStarted;
    if (PrintSys.PassThrough) {
        stream = job->RawStream();
        if (number == 1)
            WritePsJobHeader(*stream, PrintSys.Page, QString());
        WritePsPageBegin(*stream, PrintSys.Page, number);
        return true;
    }
    device = job->BeginPage();
    if (!device) {
        ErrorMsg(TextKey::CannotOpenPrinter);
        return false;
    }
    return true;
}

bool EndPage()
{
    PrintJob* job = PrintSys.Job.get();
    if (!job)
        return false;
    if (PrintSys.PassThrough) {
        WritePsPageEnd(*job->RawStream());
        return true;
    }
    return job->EndPage();
}

void EndPrintJob()
{
    std::shared_ptr<PrintJob> job = std::move(PrintSys.Job);
    const bool pass = PrintSys.PassThrough;
    const int pages = PrintSys.PagesStarted;
    PrintSys.PassThrough = false;
    PrintSys.PagesStarted = 0;
    if (!job)
        return;
    if (AbortRequested) {
        job->Abort();
        return;
    }
    if (pass && pages > 0)
        WritePsJobTrailer(*job->RawStream(), pages);
    if (!job->Finish())
        ErrorMsg(TextKey::GenPrintError);
}

void WritePsJobHeader(OutputSink& out, const PrinterPage& page, const QString& title)
{
    Line(out, QStringLiteral("%!PS-Adobe-3.0"));
    Line(out, QStringLiteral("%%Creator: ZEMO"));
    if (!title.isEmpty())
        Line(out, QStringLiteral("%%Title: ") + title);
    Line(out, QStringLiteral("%%Pages: (atend)"));
    // The sheet always upright: a landscape page is turned onto it here, as the printer's
    // printable area expects, never left to the printer's choice of way.
    const double w = page.Landscape ? page.PaperHeightPt : page.PaperWidthPt;
    const double h = page.Landscape ? page.PaperWidthPt : page.PaperHeightPt;
    Line(out, QStringLiteral("%%Orientation: ") + (page.Landscape ? QStringLiteral("Landscape") : QStringLiteral("Portrait")));
    Line(out, QStringLiteral("%%DocumentMedia: Plain ") + Pt(w) + u' ' + Pt(h) + QStringLiteral(" 0 () ()"));
    Line(out, QStringLiteral("%%BoundingBox: 0 0 ") + QString::number(int(std::ceil(w))) + u' '
                  + QString::number(int(std::ceil(h))));
    Line(out, QStringLiteral("%%EndComments"));
    Line(out, QStringLiteral("%%BeginSetup"));
    Line(out, QStringLiteral("<< /PageSize [") + Pt(w) + u' ' + Pt(h) + QStringLiteral("] >> setpagedevice"));
    Line(out, QStringLiteral("%%EndSetup"));
}

void WritePsPageBegin(OutputSink& out, const PrinterPage& page, int number)
{
    const QString n = QString::number(number);
    Line(out, QStringLiteral("%%Page: ") + n + u' ' + n);
    Line(out, QStringLiteral("save"));
    // The body draws in device dots from the printable area's top-left corner, y downward.
    const int dpi = page.DpiX > 0 ? page.DpiX : 72;
    if (page.Landscape) {
        // The page's x runs up the sheet, its y (downward) across to the sheet's right.
        Line(out, QStringLiteral("[0 1 1 0 0 0] concat"));
        Line(out, Pt(page.PrintableLeftPt) + u' ' + Pt(page.PrintableTopPt) + QStringLiteral(" translate"));
        Line(out, QStringLiteral("72 %1 div dup scale").arg(dpi));
    } else {
        Line(out, Pt(page.PrintableLeftPt) + u' ' + Pt(page.PaperHeightPt - page.PrintableTopPt)
                      + QStringLiteral(" translate"));
        Line(out, QStringLiteral("72 %1 div dup neg scale").arg(dpi));
    }
    Line(out, QStringLiteral("%%BeginDocument: page") + n);
}

void WritePsPageEnd(OutputSink& out)
{
    Line(out, QStringLiteral("%%EndDocument"));
    Line(out, QStringLiteral("restore"));
    Line(out, QStringLiteral("showpage"));
}

void WritePsJobTrailer(OutputSink& out, int pages)
{
    Line(out, QStringLiteral("%%Trailer"));
    Line(out, QStringLiteral("%%Pages: ") + QString::number(pages));
    Line(out, QStringLiteral("%%EOF"));
}

} // namespace zemo
