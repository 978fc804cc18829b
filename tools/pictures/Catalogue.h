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

// Draws every picture, in catalogue order, and checks each against its size; a picture of
// the wrong size is reported in `error` and the result is empty.
QMap<QString, QImage> drawAll(QString* error);

// The Qt resource file that lists each picture file under its name (prefix "/").
QByteArray resourceFile(const QStringList& names);

} // namespace pictures
