// A firmware package as the upgrade unpacks and checks it: the ZIP archive read by libzip,
// every entry's name judged, the entries written into `temp`, the five images looked for and
// the flashing tool's command line made.

#include "FuzzSupport.h"
#include "window/FirmwarePackage.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <cstdint>

namespace {

QString packagePath;
QString outsideDir; // beside temp: nothing may ever be written here

// Unpacks the package into `temp` by the rules of `platform` and checks what it left.
void unpackAndCheck(const QString& temp, Platform platform) {
    try {
        firmware::prepareFolder(temp);
        firmware::extractArchive(packagePath, temp, platform);
        const firmware::FirmwareFiles files = firmware::checkFirmwareFiles();
        if (files.missing.isEmpty()) {
            const QString line =
                firmware::esptoolCommandLine(QStringLiteral("/dev/ttyUSB0"), files);
            // Five quoted paths and nothing that ends a quote early.
            FUZZ_CHECK(line.count(u'"') == 10);
        }
    } catch (const firmware::EPackageError&) {
        // A refused or unreadable package: the upgrade shows the reason.
    }

    // Nothing was written outside `temp`, nothing through a link, and no more than allowed.
    FUZZ_CHECK(QDir(outsideDir)
                   .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    FUZZ_CHECK(QDir(scratchDir())
                   .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                   .size() <= 3);
    qint64 total = 0;
    for (QDirIterator it(temp,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        it.next();
        FUZZ_CHECK(!it.fileInfo().isSymLink());
        total += it.fileInfo().isFile() ? it.fileInfo().size() : 0;
    }
    FUZZ_CHECK(total <= firmware::kMaxUnpackedBytes);

    // Each pass starts from an empty folder.
    QDir(temp).removeRecursively();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzApplication(argc, argv);
    QDir::setCurrent(scratchDir()); // `temp` lies in the program's working directory
    packagePath = scratchDir() + QStringLiteral("/package.fw");
    outsideDir = scratchDir() + QStringLiteral("/outside");
    QDir().mkpath(outsideDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!writeInputFile(packagePath, QByteArray(reinterpret_cast<const char*>(data),
                                                static_cast<qsizetype>(size))))
        return 0;
    const QString temp = QString::fromLatin1(firmware::kTempDir);
    // The names as this system judges them, then as Windows does: its rules (device names,
    // colons) are only reached that way here.
    for (const Platform platform : {currentPlatform(), Platform::Windows})
        unpackAndCheck(temp, platform);
    inputDone();
    return 0;
}
