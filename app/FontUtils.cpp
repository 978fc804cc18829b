#include "app/FontUtils.h"

#include "controls/VaskelControls.h"

#include <QFile>
#include <QFontDatabase>
#include <thread>

#if defined(CALVETTA_FONTCONFIG)
#include <fontconfig/fontconfig.h>
#endif

namespace {

std::thread& fontConfigurationReader() {
    static std::thread reader;
    return reader;
}

void awaitFontConfiguration() {
    if (fontConfigurationReader().joinable())
        fontConfigurationReader().join();
}

} // namespace

void prepareFontConfiguration() {
#if defined(CALVETTA_FONTCONFIG)
    if (!fontConfigurationReader().joinable())
        fontConfigurationReader() = std::thread([] { FcInit(); });
#endif
}

bool IsFontInstalled(const QString& family) {
    const QStringList families = QFontDatabase::families();
    for (const QString& f : families) {
        if (f.compare(family, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int InstallFonts() {
    awaitFontConfiguration();
    if (IsFontInstalled(QStringLiteral("Titillium Web")))
        return 0;
    int added = 0;
    for (const char* resource : {":/fontNormal", ":/fontBold"}) {
        QFile file(QString::fromLatin1(resource));
        if (file.open(QIODevice::ReadOnly) &&
            QFontDatabase::addApplicationFontFromData(file.readAll()) >= 0)
            ++added;
    }
    if (added == 2)
        interfaceFacesAreEmbedded();
    return added;
}
