#pragma once
// The list of pictures: resource name, exact size, drawing.

#include "Pictures.h"

#include <QMap>
#include <QSize>
#include <vector>

namespace pictures {

struct Entry {
    QString name;
    QSize size;
    // Draws the picture; composite pictures read the others through `source`.
    std::function<QImage(const PictureSource& source)> draw;
};

const std::vector<Entry>& catalogue();

// Draws every picture at `scale` (1, or 2 for the high-density twins), in catalogue order,
// and checks each against its size; a picture of the wrong size is reported in `error` and
// the result is empty.
QMap<QString, QImage> drawAll(int scale, QString* error);

// The resource name of a picture drawn at `scale`: the name itself at 1, with "@2x" at 2.
QString scaledName(const QString& name, int scale);

// The picture as it is stored: with an exact palette when it has at most 256 colours (it then
// decodes several times faster, which the program's start feels), otherwise as drawn. Every
// pixel reads back as drawn either way.
QImage forStorage(const QImage& drawn);

// The Qt resource file that lists each picture file under its name (prefix "/"), and its
// twin at 2x under the name with "@2x".
QByteArray resourceFile(const QStringList& names);

} // namespace pictures
