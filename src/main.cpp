// zemo: the map editor's executable.
#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEMO"));
    QApplication::setApplicationVersion(QStringLiteral(ZEMO_VERSION));
    // The main frame does not exist yet: start, report and leave cleanly.
    std::printf("ZEMO %s\n", ZEMO_VERSION);
    return 0;
}
