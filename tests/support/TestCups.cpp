#include "TestCups.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <sys/stat.h>

namespace zemo::test {

namespace {

bool WriteText(const QString& path, const QString& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

TestCupsScheduler::TestCupsScheduler() = default;

TestCupsScheduler::~TestCupsScheduler()
{
    if (cupsd_.state() != QProcess::NotRunning) {
        cupsd_.terminate();
        if (!cupsd_.waitForFinished(10000)) {
            cupsd_.kill();
            cupsd_.waitForFinished(5000);
        }
    }
}

QString TestCupsScheduler::Socket() const
{
    return dir_ ? dir_->path() + QStringLiteral("/s") : QString();
}

QString TestCupsScheduler::Output(const QString& name) const
{
    return dir_->path() + QStringLiteral("/out/") + name + QStringLiteral(".out");
}

QString TestCupsScheduler::Ppd(const QString& name) const
{
    return dir_->path() + QStringLiteral("/etc/ppd/") + name + QStringLiteral(".ppd");
}

QString TestCupsScheduler::ErrorLog() const
{
    QFile f(dir_->path() + QStringLiteral("/log/error_log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool TestCupsScheduler::Start()
{
    // The socket's path must stay short; the filters run as lp and must write the spool.
    dir_ = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/zcupsXXXXXX"));
    if (!dir_->isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return false;
    }
    const QString d = dir_->path();
    for (const char* sub : {"etc", "etc/ppd", "spool", "log", "tmp", "cache", "state", "out"}) {
        const QString p = d + u'/' + QLatin1String(sub);
        QDir().mkpath(p);
        ::chmod(QFile::encodeName(p).constData(), 01777);
    }
    ::chmod(QFile::encodeName(d).constData(), 0755);
    const QString files = QStringLiteral(
        "ServerRoot %1/etc\nRequestRoot %1/spool\nTempDir %1/tmp\nStateDir %1/state\n"
        "CacheDir %1/cache\nAccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
        "PageLog %1/log/page_log\nFileDevice Yes\nUser lp\nGroup lp\nSystemGroup root\n").arg(d);
    const QString conf = QStringLiteral(
        "Listen %1\nBrowsing No\nLogLevel debug\nWebInterface No\nDefaultAuthType None\n"
        "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
        "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n").arg(Socket());
    if (!WriteText(d + QStringLiteral("/etc/cups-files.conf"), files)
        || !WriteText(d + QStringLiteral("/etc/cupsd.conf"), conf)) {
        error_ = QStringLiteral("configuration not written");
        return false;
    }
    cupsd_.setProcessChannelMode(QProcess::MergedChannels);
    cupsd_.start(QStringLiteral("cupsd"), {QStringLiteral("-f"), QStringLiteral("-c"), d + QStringLiteral("/etc/cupsd.conf"),
                                           QStringLiteral("-s"), d + QStringLiteral("/etc/cups-files.conf")});
    if (!cupsd_.waitForStarted(10000)) {
        error_ = QStringLiteral("cupsd did not start: ") + cupsd_.errorString();
        return false;
    }
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(Socket())) {
        if (cupsd_.state() == QProcess::NotRunning || t.elapsed() > 20000) {
            error_ = QStringLiteral("cupsd gave no socket: ") + QString::fromUtf8(cupsd_.readAll());
            return false;
        }
        QThread::msleep(50);
    }
    qputenv("CUPS_SERVER", QFile::encodeName(Socket()));
    return true;
}

bool TestCupsScheduler::Run(const QString& program, const QStringList& args, QString* out)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        error_ = program + QStringLiteral(" did not finish");
        p.kill();
        p.waitForFinished(5000);
        return false;
    }
    const QString text = QString::fromUtf8(p.readAll());
    if (out)
        *out = text;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error_ = program + QStringLiteral(": ") + text;
        return false;
    }
    return true;
}

bool TestCupsScheduler::AddQueue(const QString& name, const QString& model, bool ppdFile)
{
    // A4 whatever the machine's paper, so that pages have the same size everywhere.
    return Run(QStringLiteral("lpadmin"), {QStringLiteral("-h"), Socket(), QStringLiteral("-p"), name,
                                           QStringLiteral("-E"), QStringLiteral("-v"), QStringLiteral("file:") + Output(name),
                                           ppdFile ? QStringLiteral("-P") : QStringLiteral("-m"), model})
           && Run(QStringLiteral("lpadmin"), {QStringLiteral("-h"), Socket(), QStringLiteral("-p"), name,
                                              QStringLiteral("-o"), QStringLiteral("PageSize=A4")});
}

bool TestCupsScheduler::SetDefault(const QString& name)
{
    return Run(QStringLiteral("lpadmin"), {QStringLiteral("-h"), Socket(), QStringLiteral("-d"), name});
}

bool TestCupsScheduler::WaitIdle(int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds) {
        QString jobs;
        if (!Run(QStringLiteral("lpstat"), {QStringLiteral("-h"), Socket(), QStringLiteral("-o")}, &jobs))
            return false;
        if (jobs.trimmed().isEmpty())
            return true;
        QThread::msleep(200);
    }
    error_ = QStringLiteral("jobs still pending");
    return false;
}

} // namespace zemo::test
