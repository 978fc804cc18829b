#pragma once
// The firmware package and the flashing tool's command line: unpacking a ".fw" archive into
// the working folder `temp`, checking that the five images the controller needs are there,
// and the command that hands them to esptool. No widget here; the upgrade button's handler
// (Upgrade.cpp) puts these steps together.

#include "serial/Platform.h"

#include <QString>
#include <QtGlobal>
#include <stdexcept>

namespace firmware {

// The folder the package is unpacked into, relative to the working directory (the program's
// own).
inline constexpr char kTempDir[] = "temp";

// The most a package may hold, so that a small archive cannot fill the disk: entries, and
// bytes once unpacked.
inline constexpr int kMaxEntries = 64;
inline constexpr qint64 kMaxUnpackedBytes = 64 * 1024 * 1024;

// The flashing tool's file name: esptool.exe on Windows, elsewhere the command that its
// packages install.
QString esptoolName(Platform platform = currentPlatform());

// `temp` followed by the separator and `name`: "temp\boot_app0.bin" on Windows.
QString tempPath(const QString& name, Platform platform = currentPlatform());

// A package that cannot be unpacked. The text is the archive component's own message, or
// says which entry was refused and why.
class EPackageError : public std::runtime_error {
public:
    explicit EPackageError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Deletes every file (and link) at the top level of `dir`, except the file `keep` (the package
// itself, when the user chose it from that folder). Subdirectories stay; a file that cannot be
// deleted is left where it is.
void emptyDirectory(const QString& dir, const QString& keep = QString());

// Makes the folder `dir` (one level) when it is missing, then empties it but for `keep`. Throws
// EPackageError, having deleted nothing, when `dir` is a link (its files would be those of
// another folder) or not a folder; and, once emptied, when a file named like one of the five
// images is still there (it could not be deleted, or it is `keep`).
void prepareFolder(const QString& dir, const QString& keep = QString());

// Extracts every entry of the ZIP archive `archivePath` into `dir`, keeping the paths stored
// in the archive. Throws EPackageError when the archive cannot be read or an entry cannot be
// written. Before anything is written, the whole archive is refused when it holds more than
// kMaxEntries entries, declares more than kMaxUnpackedBytes in all, or has an entry whose path
// would leave `dir` (absolute, or with a ".." part), is longer than 255 characters or, on
// Windows, names a device (COM3.bin); an entry that inflates beyond its declared size stops the
// extraction. Symbolic-link entries are written as plain files holding their stored text, and
// every file is written anew in place of whatever had its name, so that nothing is ever written
// or read through a link.
void extractArchive(const QString& archivePath, const QString& dir,
                    Platform platform = currentPlatform());

// Whether `name` matches `pattern`, where * stands for any text and ? for one character.
bool wildcardMatch(QStringView pattern, QStringView name, Qt::CaseSensitivity letterCase);

// Finds the first directory entry (of any kind) matching `pattern`, whose last part may hold
// the wildcards * and ?. On success `path` is the pattern's directory part followed by the
// entry's name; otherwise it is empty. "First" is the order the directory search returns.
bool FindFirstMatch(const QString& pattern, QString& path);

// The images a package must leave at the top level of `temp`, and what was found.
struct FirmwareFiles {
    QString bootApp;    // temp + boot_app0.bin
    QString bootloader; // temp + bootloader_dio_80m.bin
    QString partitions; // temp + focuser.partitions.bin
    QString webImage;   // the first match of Focuser_web_*.bin
    QString appImage;   // the first match of Focuser_v*.bin
    // The missing names or patterns, in the order above, separated by ", "; empty when all
    // five are present.
    QString missing;
};

// Checks `temp` for the five images, in the order boot_app0.bin, bootloader_dio_80m.bin,
// focuser.partitions.bin, Focuser_web_*.bin, Focuser_v*.bin. Only files that are not empty
// count, also for the two patterns.
FirmwareFiles checkFirmwareFiles();

// The message for a package with files missing: both sentences translated.
QString missingFilesMessage(const QString& missing);

// The message, translated, when the tool cannot be started: it names the tool's file.
QString startFailedMessage(Platform platform = currentPlatform());

// The port name handed to the tool for the port list's text: the device a link opens for it
// (COM5 and a typed 5 give COM5 on Windows, ttyUSB0 gives /dev/ttyUSB0 elsewhere). Empty when
// the text names no port.
QString toolPortName(const QString& portListText, Platform platform = currentPlatform());

// The whole command line that starts esptool on `port` with the five images.
QString esptoolCommandLine(const QString& port, const FirmwareFiles& files,
                           Platform platform = currentPlatform());

} // namespace firmware
