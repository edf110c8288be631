// PrintSys: the printers of the run, the current printer, and the three operations every printing
// road uses: check a printer's page, start a job, end it. The printers themselves (the system's
// queues, Qt's painting and the raw PostScript jobs) sit behind PrinterSystem, bound from io's
// widgets library; here is what every road decides the same way.
#pragma once

#include <QMarginsF>
#include <QString>
#include <QStringList>

#include <memory>

namespace zemo {

class Device;
class OutputSink;

inline constexpr int PaperSizeHelpContext = 120;

// A printer's page as it reports it.
struct PrinterPage {
    int DpiX = 0;             // device dots per inch
    int DpiY = 0;
    int WidthMm = 0;          // printable area, whole millimetres
    int HeightMm = 0;
    double PaperWidthPt = 0;  // the sheet and the printable area's top-left corner on it,
    double PaperHeightPt = 0; // as the page lies on it
    double PrintableLeftPt = 0;
    double PrintableTopPt = 0;
    // The page lies across the sheet, turned a quarter to the left: its top along the
    // sheet's left edge.
    bool Landscape = false;
};

// The margins of a page on a sheet whose printable area has the margins `upright` (as the
// printer reports them, the sheet upright): the same, or turned with a landscape page, whose
// left margin is the sheet's bottom one, its top the sheet's left, and so on.
QMarginsF PageMargins(const QMarginsF& upright, bool landscape);

// One running job. A job makes no sheet and no file until its first page begins.
class PrintJob {
public:
    virtual ~PrintJob() = default;
    // A PostScript printer's job text (pages come as PostScript); null for the painting road.
    virtual OutputSink* RawStream() { return nullptr; }
    // The painting road: the device of a new page; null when the job could not start.
    virtual Device* BeginPage() = 0;
    virtual bool EndPage() = 0;
    // Ends the job (the spooled document goes to the printer); false when it failed.
    virtual bool Finish() = 0;
    // Drops the job and whatever it produced.
    virtual void Abort() = 0;
};

class PrinterSystem {
public:
    virtual ~PrinterSystem() = default;
    // One display text per printer, in list order.
    virtual QStringList Names() = 0;
    // The system's default printer, -1 when there is none.
    virtual int SystemDefault() = 0;
    // Makes a printer current: settings kept for another one are dropped.
    virtual void Select(int index) = 0;
    // The printer's own page set-up on the settings kept for it.
    virtual void EditProperties(int index) = 0;
    // The page of the printer (with the kept settings); false when it cannot be opened.
    virtual bool Check(int index, PrinterPage& page) = 0;
    // The printer makes copies itself.
    virtual bool SupportsCopies(int index) = 0;
    // The printer writes a PDF file that the user names for each job.
    virtual bool AsksPdfFile(int index) { (void)index; return false; }
    // A job on the printer, or into `fileName` when it is not empty; `copies` made by the
    // printer; `passThrough` allows the PostScript road. Null when it could not be opened.
    virtual std::unique_ptr<PrintJob> Start(int index, const QString& title, const QString& fileName,
                                            int copies, bool passThrough, PrinterPage& page) = 0;
};

struct PrintSysState {
    // Device pixels per inch, and the printable page in whole millimetres.
    int LOGPIXELSX = 0;
    int LOGPIXELSY = 0;
    int HORZSIZE = 0;
    int VERTSIZE = 0;
    PrinterPage Page;
    int CurrentPrinter = 0;
    // The running job's printer takes PostScript as it is.
    bool PassThrough = false;
    std::shared_ptr<PrintJob> Job;
    int PagesStarted = 0;
};

extern PrintSysState PrintSys;

void ResetPrintSysUnit();

// The printers bound from above; none when nothing is bound.
QStringList PrinterList();
bool PrintersAvailable();
// The system's default printer's index (0 when none).
int DefaultPrinterIndex();
// The printer a print dialog opens on: the one last chosen while it is listed, else the
// system's default. It becomes current, keeping what its Properties set while it stays so.
int OpeningPrinterIndex(const QString& lastChosen);
void SelectPrinter(int index);
void EditPrinterProperties(int index);
// Reads the page of the printer into the page globals; false (with the message) when it
// cannot be opened or has no usable page.
bool CheckPrinter(int index);
// A PDF writer's name: no copies, no file, no PostScript.
bool IsPdfWriter(const QString& name);
// Printing into a file means something on the printer: not on a PDF writer, nor on the
// printer that writes a PDF file it asks the name of anyway.
bool OffersPrintToFile(int index);
// Starts a job; `copies` becomes the number of passes the caller makes. False (with the
// message) when the user cancelled the file name or the printer failed.
bool StartPrintJob(int index, const QString& documentName, bool toFile, int& copies);
// Begins the next page: the device of the painting road, or (PostScript road) the page's
// frame written and the job text returned through `stream`. False when the job failed.
bool StartPage(Device*& device, OutputSink*& stream);
bool EndPage();
// Ends the job, or aborts it when AbortRequested is set; the job is gone afterwards.
void EndPrintJob();

// The PostScript job's frame around the page bodies: written straight to the job text.
void WritePsJobHeader(OutputSink& out, const PrinterPage& page, const QString& title);
void WritePsPageBegin(OutputSink& out, const PrinterPage& page, int number);
void WritePsPageEnd(OutputSink& out);
void WritePsJobTrailer(OutputSink& out, int pages);

} // namespace zemo
