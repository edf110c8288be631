#include "external/database/OdbcSql.h"

#include "external/database/Ports.h"

#include <odbcinst.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dlfcn.h>

namespace zemo {

OdbcSqlState OdbcSql;

namespace {

QString LoaderText()
{
    const char* e = ::dlerror();
    return e ? QString::fromLocal8Bit(e) : QString();
}

void* OpenLibrary(const QString& name)
{
    ::dlerror();
    void* handle = ::dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle)
        throw OdbcLoadError(LoaderText());
    return handle;
}

template <typename F>
void TakeEntryPoint(void* library, const char* name, F& slot)
{
    ::dlerror();
    void* p = ::dlsym(library, name);
    if (!p)
        throw OdbcLoadError(QStringLiteral("Error Getting adress for ") + QLatin1String(name)
                            + QLatin1Char('\r') + LoaderText());
    slot = reinterpret_cast<F>(p);
}

} // namespace

void LoadOdbc()
{
    if (OdbcSql.Library)
        return;
    void* library = OpenLibrary(OdbcSql.LibraryName);
    OdbcApi api;
    try {
#define ZEMO_ODBC_TAKE(name) TakeEntryPoint(library, #name, api.name);
        ZEMO_ODBC_ENTRY_POINTS(ZEMO_ODBC_TAKE)
#undef ZEMO_ODBC_TAKE
    } catch (...) {
        ::dlclose(library);
        throw;
    }
    OdbcSql.Library = library;
    OdbcSql.Api = api;
}

bool OdbcLoaded() { return OdbcSql.Library != nullptr; }

void UnloadOdbc()
{
    OdbcSql.Api = OdbcApi{};
    for (void** handle : {&OdbcSql.Library, &OdbcSql.SetupLibrary}) {
        if (*handle)
            ::dlclose(*handle);
        *handle = nullptr;
    }
}

bool ManageDataSources(void* parent)
{
    if (!OdbcSql.SetupLibrary)
        OdbcSql.SetupLibrary = OpenLibrary(OdbcSql.SetupLibraryName);
    decltype(&::SQLManageDataSources) manage = nullptr;
    TakeEntryPoint(OdbcSql.SetupLibrary, "SQLManageDataSources", manage);
    // The driver manager wants its own window record; an empty plug-in name lets it choose.
    ODBCINSTWND window;
    std::memset(&window, 0, sizeof window);
    window.hWnd = static_cast<HWND>(parent);
    if (manage(reinterpret_cast<HWND>(&window)))
        return true;
    EditDataSourceFile();
    return false;
}

QString OdbcDataSourceFile()
{
    const QString env = qEnvironmentVariable("ODBCINI");
    if (!env.isEmpty())
        return env;
    return QDir::homePath() + QStringLiteral("/.odbc.ini");
}

bool EditDataSourceFile()
{
    const QString name = OdbcDataSourceFile();
    if (!QFileInfo::exists(name)) {
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return false;
    }
    return DatabasePorts().EditDataSourceFile(name);
}

} // namespace zemo
