// mksymbolset <description.txt> <output.zmd> [<icons.png>]
// Makes a symbol-set map from its text description; the build runs it for every set it
// ships. A fault in the description is reported as file:line and fails the build. The
// optional picture shows every symbol's icon, ten a row and magnified, for reviewing a set.
#include "symbolset/SymbolSetText.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: mksymbolset <description.txt> <output.zmd> [<icons.png>]\n");
        return 2;
    }
    // The icons of text symbols need the font system, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot read: %s\n", argv[1], qPrintable(file.errorString()));
        return 1;
    }
    const QByteArray text = file.readAll();
    zemo::SymbolSetDescription set;
    zemo::SymbolSetError error;
    if (!zemo::ParseSymbolSet(std::string_view(text.constData(), size_t(text.size())), input, set,
                              error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error.Text()));
        return 1;
    }
    QString message;
    if (!zemo::WriteSymbolSetMap(set, output, message)) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(message));
        return 1;
    }
    if (argc == 4) {
        const int n = int(set.Symbols.size());
        QImage sheet(10 * 26, std::max(1, (n + 9) / 10) * 26, QImage::Format_RGB32);
        sheet.fill(QColor(200, 200, 200));
        QPainter p(&sheet);
        for (int i = 0; i < n; ++i)
            p.drawImage(i % 10 * 26 + 2, i / 10 * 26 + 2,
                        zemo::DrawSymbolIcon(set.Symbols[size_t(i)], set.Colors));
        p.end();
        // Magnified three times: icon pixels stay visible.
        sheet = sheet.scaled(sheet.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!sheet.save(QString::fromLocal8Bit(argv[3]))) {
            std::fprintf(stderr, "%s: cannot write\n", argv[3]);
            return 1;
        }
    }
    return 0;
}
