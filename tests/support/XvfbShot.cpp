#include "XvfbShot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace zemo::test {

void SettleEvents(int ms)
{
    for (int waited = 0; waited < ms; waited += 20) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
}

QString InnerShotPath(const char* variable) { return qEnvironmentVariable(variable); }

XvfbRun RunSelfUnderXvfb(const char* variable, const QString& file, const QString& filter)
{
    XvfbRun r;
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty()) {
        r.skipped = QStringLiteral("xvfb-run is not installed (Debian packages xvfb and xauth)");
        return r;
    }
    const QString folder =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots"));
    QDir().mkpath(folder);
    r.output = folder + QLatin1Char('/') + file;
    QFile::remove(r.output);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(variable), r.output);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x800x24"),
                        QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=") + filter});
    if (!run.waitForFinished(120000))
        run.kill();
    r.exitCode = run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
    r.log = QString::fromLocal8Bit(run.readAll());
    return r;
}

} // namespace zemo::test
