// calvetta-pictures OUTPUT_DIR FONT_DIR
// Draws every picture of the program into OUTPUT_DIR as PNG files, at 1x (NAME.png) and at 2x
// (NAME@2x.png), with pictures.qrc listing each under its resource name.

#include "Catalogue.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "calvetta-pictures: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3)
        return fail(QStringLiteral("usage: calvetta-pictures OUTPUT_DIR FONT_DIR"));
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDir fonts(QString::fromLocal8Bit(argv[2]));
    for (const char* face : {"TitilliumWeb-Regular.ttf", "TitilliumWeb-Bold.ttf"}) {
        const QString path = fonts.filePath(QString::fromLatin1(face));
        if (QFontDatabase::addApplicationFont(path) < 0)
            return fail(QStringLiteral("cannot load the font %1").arg(path));
    }
    if (!QDir().mkpath(out.path()))
        return fail(QStringLiteral("cannot make %1").arg(out.path()));

    // Each picture twice, from the same drawing: at 1x, and at 2x for high-density screens.
    for (int scale : {1, 2}) {
        QString error;
        const QMap<QString, QImage> drawn = pictures::drawAll(scale, &error);
        if (drawn.isEmpty())
            return fail(error);
        for (const pictures::Entry& e : pictures::catalogue()) {
            const QString path =
                out.filePath(pictures::scaledName(e.name, scale) + QStringLiteral(".png"));
            if (!pictures::forStorage(drawn.value(e.name)).save(path, "PNG"))
                return fail(QStringLiteral("cannot write %1").arg(path));
        }
    }
    QStringList names;
    for (const pictures::Entry& e : pictures::catalogue())
        names << e.name;
    QSaveFile qrc(out.filePath(QStringLiteral("pictures.qrc")));
    if (!qrc.open(QIODevice::WriteOnly) || qrc.write(pictures::resourceFile(names)) < 0 ||
        !qrc.commit())
        return fail(QStringLiteral("cannot write pictures.qrc"));
    return 0;
}
