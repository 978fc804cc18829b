#include "window/FirmwarePackage.h"

#include "i18n/FileOwner.h"
#include "i18n/Translator.h"
#include "serial/PortDiscovery.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <vector>

namespace firmware {

namespace {

qsizetype lastSeparator(const QString& path, Platform platform) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isPathSeparator(path[i], platform))
            return i;
    }
    return -1;
}

QString quoted(const QString& path) {
    return u'"' + path + u'"';
}

// The five images: the three exact names, then the two patterns, in the order they are checked.
constexpr const char* kImageNames[] = {"boot_app0.bin", "bootloader_dio_80m.bin",
                                       "focuser.partitions.bin", "Focuser_web_*.bin",
                                       "Focuser_v*.bin"};

// An image is a file that holds something: a folder cannot be flashed, and esptool skips an
// empty file, flashes the other images and reports success.
bool isImage(const QFileInfo& info) {
    return info.isFile() && info.size() > 0;
}

bool findFirst(const QString& pattern, QString& path, bool imagesOnly) {
    const Platform platform = currentPlatform();
    path.clear();
    const qsizetype cut = lastSeparator(pattern, platform);
    const QString folderPart = pattern.left(cut + 1);
    const QString namePattern = pattern.mid(cut + 1);
    const QString folder = folderPart.isEmpty() ? QStringLiteral(".") : folderPart;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (imagesOnly && !isImage(it.fileInfo()))
            continue;
        const QString name = it.fileName();
        if (wildcardMatch(namePattern, name, fileNameCase(platform))) {
            path = folderPart + name;
            return true;
        }
    }
    return false;
}

} // namespace

QString esptoolName(Platform platform) {
    return platform == Platform::Windows ? QStringLiteral("esptool.exe")
                                         : QStringLiteral("esptool");
}

QString tempPath(const QString& name, Platform platform) {
    return QLatin1String(kTempDir) + pathSeparator(platform) + name;
}

bool wildcardMatch(QStringView pattern, QStringView name, Qt::CaseSensitivity letterCase) {
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' ||
                    pattern.mid(p, 1).compare(name.mid(n, 1), letterCase) == 0)) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

void emptyDirectory(const QString& dir, const QString& keep) {
    const QFileInfo kept(keep);
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!keep.isEmpty() && info == kept)
            continue;
        // A link is removed itself, whatever it points to; real folders stay.
        if (info.isSymLink() || !info.isDir())
            QFile::remove(info.filePath());
    }
}

void prepareFolder(const QString& dir, const QString& keep) {
    const QFileInfo info(dir);
    // Where it is: "temp" alone does not tell the user which folder to look at.
    const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
    if (info.isSymLink())
        throw EPackageError(
            TR(QStringLiteral("The folder %1 is a link to another place; it is not used."))
                .arg(shown));
    if (info.exists() && !info.isDir())
        throw EPackageError(TR(QStringLiteral("Cannot use %1: it is not a folder.")).arg(shown));
    // Made under sudo, a folder of root's would keep the user's next upgrade from emptying it.
    const fileowner::Owner owner = fileowner::ownerFor(dir);
    if (!info.exists() && !QDir().mkdir(dir))
        throw EPackageError(TR(QStringLiteral("Cannot create the folder %1, where the package is "
                                              "unpacked: the program's folder must be writable."))
                                .arg(shown));
    fileowner::giveTo(dir, owner);
    emptyDirectory(dir, keep);
    // A file that could not be deleted (held open, write-protected) would be flashed in place
    // of the package's own image, or for one the package lacks.
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        for (const char* image : kImageNames) {
            if (wildcardMatch(QString::fromLatin1(image), it.fileName(),
                              fileNameCase(currentPlatform())))
                throw EPackageError(
                    TR(QStringLiteral(
                           "%1 stays in the folder %2, where it would be taken for an image of the "
                           "new firmware. Close the program that uses it (a flashing tool still "
                           "running), or delete it, then try again."))
                        .arg(it.fileName(), shown));
        }
    }
}

bool FindFirstMatch(const QString& pattern, QString& path) {
    return findFirst(pattern, path, false);
}

FirmwareFiles checkFirmwareFiles() {
    FirmwareFiles files;
    QString missing;
    const auto exact = [&missing](const char* name, QString& path) {
        path = tempPath(QLatin1String(name));
        if (!isImage(QFileInfo(path)))
            missing += QStringLiteral(", ") + QLatin1String(name);
    };
    // A folder left by an earlier package (folders stay) or an empty file is passed over.
    const auto pattern = [&missing](const char* name, QString& path) {
        if (!findFirst(tempPath(QLatin1String(name)), path, true))
            missing += QStringLiteral(", ") + QLatin1String(name);
    };
    exact(kImageNames[0], files.bootApp);
    exact(kImageNames[1], files.bootloader);
    exact(kImageNames[2], files.partitions);
    pattern(kImageNames[3], files.webImage);
    pattern(kImageNames[4], files.appImage);
    files.missing = missing.mid(2);
    return files;
}

QString missingFilesMessage(const QString& missing) {
    const QString breaks = QStringLiteral("\r\n\r\n");
    return TR(QStringLiteral("Some files needed for the update are missing:")) + breaks + missing +
           breaks + TR(QStringLiteral("Please add the missing files before trying again"));
}

QString startFailedMessage(Platform platform) {
    // One text per tool name, so that each language file holds whole sentences.
    return platform == Platform::Windows
               ? TR(QStringLiteral(
                     "Unable to start firmware upgrade: is \"esptool.exe\" installed?"))
               : TR(QStringLiteral("Unable to start firmware upgrade: is \"esptool\" installed?"));
}

QString toolPortName(const QString& portListText, Platform platform) {
    // The same device a link opens for this text: the tool must write the focuser that was
    // connected, and it knows no bare port number.
    return portDeviceName(portTextForLink(portListText, platform), platform);
}

QString esptoolCommandLine(const QString& port, const FirmwareFiles& files, Platform platform) {
    // clang-format off
    const QStringList parts{
        esptoolName(platform),
        QStringLiteral("--chip"), QStringLiteral("esp32"),
        // A device path may hold a blank (a link the user named); the tool must get it whole.
        QStringLiteral("--port"), port.contains(u' ') ? quoted(port) : port,
        QStringLiteral("--baud"), QStringLiteral("921600"),
        QStringLiteral("--before"), QStringLiteral("default_reset"),
        QStringLiteral("--after"), QStringLiteral("hard_reset"),
        QStringLiteral("write_flash"), QStringLiteral("-z"),
        QStringLiteral("--flash_mode"), QStringLiteral("dio"),
        QStringLiteral("--flash_freq"), QStringLiteral("80m"),
        QStringLiteral("--flash_size"), QStringLiteral("detect"),
        QStringLiteral("0xe000"), quoted(files.bootApp),
        QStringLiteral("0x1000"), quoted(files.bootloader),
        QStringLiteral("0x10000"), quoted(files.appImage),
        QStringLiteral("0x290000"), quoted(files.webImage),
        QStringLiteral("0x8000"), quoted(files.partitions),
    };
    // clang-format on
    return parts.join(u' ');
}

} // namespace firmware
