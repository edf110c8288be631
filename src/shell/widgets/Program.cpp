#include "shell/widgets/Program.h"

#include "core/Folders.h"
#include "core/LangTexts.h"
#include "shell/SingleInstance.h"
#include "shell/StartUp.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Ports.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QSplashScreen>

#include <cstdio>
#include <memory>

namespace zemo {

namespace {

// Without a screen nobody could answer a modal box: the process would never end.
bool HeadlessPlatform()
{
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

QPixmap SplashPicture()
{
    QPixmap pixmap(258, 126);
    pixmap.fill(QColor(245, 245, 240));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(190, 40, 40), 3));
    p.drawEllipse(QPoint(50, 63), 28, 28);
    p.drawLine(78, 63, 120, 40);
    QFont f = p.font();
    f.setPixelSize(34);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRect(100, 20, 150, 60), Qt::AlignCenter, QStringLiteral("ZEMO"));
    f.setPixelSize(12);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(100, 80, 150, 24), Qt::AlignCenter,
               QStringLiteral("Version %1").arg(QStringLiteral(ZEMO_VERSION)));
    p.setPen(QColor(120, 120, 120));
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return pixmap;
}

} // namespace

QMessageBox* MakeStringResourceErrorBox()
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("ZEMO"),
                                QString::fromLatin1(StringResourceError), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

QFont LanguageFont(const QFont& base)
{
    QFont f = base;
    QStringList families;
    if (!LanguageFontFamily().isEmpty())
        families << LanguageFontFamily();
    // Fonts carry no character set here: a face with the Japanese characters stands in for
    // those the named face lacks.
    if (LanguageIsJapanese()) {
        const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
        if (!japanese.isEmpty() && !families.contains(japanese.front()))
            families << japanese.front();
    }
    if (!families.isEmpty())
        f.setFamilies(families);
    return f;
}

bool StartProgramUnits()
{
    if (!LoadTexts())
        return false;
    // Before any window exists, so that every window, dialog and panel takes it.
    QApplication::setFont(LanguageFont(QApplication::font()));
    FirstPaintPending = true;
    AltDown = false;
    InitConfigUnit();
    ShellWidgetsPorts().StartUnits();
    return true;
}

void ShowMainFrame(TMainFm& frame, QSplashScreen* splash)
{
    // The splash screen waits for the frame in a loop of its own: the start-up's questions
    // come after it, without the wait cursor.
    frame.HoldStartup(true);
    frame.showMaximized();
    if (splash)
        splash->finish(&frame);
    // The program the user started is the one in front, as its map paints only then: without
    // a window manager, or with one that waits to be asked, nothing else makes it active.
    frame.activateWindow();
    QApplication::restoreOverrideCursor();
    frame.HoldStartup(false);
}

int RunProgram(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("ZEMO"));
    QApplication::setApplicationVersion(QStringLiteral(ZEMO_VERSION));

    const QString file = CommandLineFile(app.arguments().mid(1), QDir::currentPath());

    NoOtherInstance = true;
    const InstancePaths paths = DefaultInstancePaths();
    InstanceLock lock(paths.lockFile);
    const InstanceRole role = ElectInstance(lock, paths, file, 10000);
    if (role.handedOff)
        return 0;
    if (!role.lockFailure.isEmpty())
        std::fprintf(stderr, "zemo: cannot tell whether another instance runs: %s\n",
                     qPrintable(role.lockFailure));

    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<QSplashScreen> splash;
    if (!HeadlessPlatform()) {
        splash = std::make_unique<QSplashScreen>(SplashPicture());
        splash->show();
        app.processEvents();
    }

    if (!StartProgramUnits()) {
        QApplication::restoreOverrideCursor();
        splash.reset();
        std::fprintf(stderr, "zemo: %s\n", StringResourceError);
        if (!HeadlessPlatform())
            MakeStringResourceErrorBox()->exec();
        return 1;
    }

    TMainFm mainFm;
    mainFm.SetCommandLineFile(file);

    std::unique_ptr<InstanceServer> server;
    if (role.first) {
        server = std::make_unique<InstanceServer>();
        QObject::connect(server.get(), &InstanceServer::FileReceived, mainFm.HandOff(),
                         &HandOffQueue::Receive);
        if (!server->Listen(paths.channel, lock.Held()))
            std::fprintf(stderr, "zemo: later starts cannot hand their maps to this one: %s\n",
                         qPrintable(server->Failure()));
    }

    ShowMainFrame(mainFm, splash.get());
    const int code = app.exec();
    DoneConfigUnit();
    return code;
}

} // namespace zemo
