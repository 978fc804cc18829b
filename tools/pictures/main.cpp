// calvetta-pictures OUTPUT_DIR FONT_DIR
// Draws every picture of the program into OUTPUT_DIR as PNG files, with pictures.qrc listing
// each under its resource name.

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

    QString error;
    const QMap<QString, QImage> drawn = pictures::drawAll(&error);
    if (drawn.isEmpty())
        return fail(error);
    QStringList names;
    for (const pictures::Entry& e : pictures::catalogue()) {
        const QString path = out.filePath(e.name + QStringLiteral(".png"));
        if (!drawn.value(e.name).save(path, "PNG"))
            return fail(QStringLiteral("cannot write %1").arg(path));
        names << e.name;
    }
    QSaveFile qrc(out.filePath(QStringLiteral("pictures.qrc")));
    if (!qrc.open(QIODevice::WriteOnly) || qrc.write(pictures::resourceFile(names)) < 0 ||
        !qrc.commit())
        return fail(QStringLiteral("cannot write pictures.qrc"));
    return 0;
}
