// Unpacking a firmware package: the ZIP archive read with libzip, every entry judged before
// anything is written. Apart from the rest of the package's handling, since libzip (and the
// cryptography library it brings) is loaded only by a program that reads a package.

#include "window/FirmwarePackage.h"

#include "i18n/FileOwner.h"
#include "i18n/Translator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <memory>
#include <vector>
#include <zip.h>

namespace firmware {

namespace {

QString zipMessage(zip_error_t* error) {
    return QString::fromUtf8(zip_error_strerror(error));
}

struct ZipCloser {
    void operator()(zip_t* za) const { zip_discard(za); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using ZipEntryReader = std::unique_ptr<zip_file_t, ZipFileCloser>;

// An error record that frees itself.
struct ZipError {
    ZipError() { zip_error_init(&error); }
    ~ZipError() { zip_error_fini(&error); }
    ZipError(const ZipError&) = delete;
    ZipError& operator=(const ZipError&) = delete;
    zip_error_t error;
};

ZipArchive openArchive(const QString& archivePath) {
    ZipError err;
#if defined(_WIN32)
    zip_source_t* source = zip_source_win32w_create(
        reinterpret_cast<const wchar_t*>(archivePath.utf16()), 0, -1, &err.error);
#else
    zip_source_t* source =
        zip_source_file_create(QFile::encodeName(archivePath).constData(), 0, -1, &err.error);
#endif
    if (!source)
        throw EPackageError(zipMessage(&err.error));
    zip_t* za = zip_open_from_source(source, ZIP_RDONLY, &err.error);
    if (!za) {
        zip_source_free(source);
        throw EPackageError(zipMessage(&err.error));
    }
    return ZipArchive(za);
}

// One entry to extract: its stored name, its path below the target folder part by part, and
// the size the archive declares for it.
struct Entry {
    zip_uint64_t index = 0;
    QString name;
    QStringList parts;
    bool isDirectory = false;
    zip_uint64_t declaredSize = 0;
};

// Windows opens a device for these names, whatever their extension (COM3.bin is the serial
// port COM3), so such an entry would be written to the device rather than into the folder.
bool isWindowsDeviceName(const QString& part) {
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|CONIN\\$|CONOUT\\$|COM[0-9\u00B9\u00B2\u00B3]|"
                       "LPT[0-9\u00B9\u00B2\u00B3]) *(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return device.match(part).hasMatch();
}

// No firmware image needs a longer path; a longer one would only leave folders too deep to be
// deleted by hand.
constexpr qsizetype kMaxNameLength = 255;

// A path as the user is shown it: whole, since "temp" alone does not say which folder it is.
QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

EPackageError unusable(const QString& why) {
    return EPackageError(TR(QStringLiteral("The firmware package cannot be used: %1")).arg(why));
}

// `why` is translated with the entry's name in place of its %1.
EPackageError refused(const QString& name, const QString& why) {
    // A name of thousands of characters would make a message taller than the screen.
    const QString shown =
        name.size() > 120 ? name.left(60) + QStringLiteral("\u2026") + name.right(60) : name;
    return unusable(why.arg(shown));
}

// Splits a stored name into path parts below the target folder. Both separators count, as
// they do for archives made on Windows; a name that would leave the folder is refused.
Entry parseEntry(zip_uint64_t index, const QString& name, Platform platform) {
    Entry entry;
    entry.index = index;
    entry.name = name;
    QString path = name;
    path.replace(u'\\', u'/');
    entry.isDirectory = path.endsWith(u'/');
    if (name.size() > kMaxNameLength)
        throw refused(name,
                      // %1 stays for the name.
                      TR(QStringLiteral("its entry \"%1\" has a path longer than %2 characters."))
                          .arg(QStringLiteral("%1"), QString::number(kMaxNameLength)));
    const bool drive = path.size() >= 2 && path[1] == u':' && path[0].isLetter();
    if (path.startsWith(u'/') || drive)
        throw refused(name, TR(QStringLiteral("its entry \"%1\" has an absolute path.")));
    // The tool's command line quotes every image path; a quote inside one would end it early.
    if (path.contains(u'"'))
        throw refused(name, TR(QStringLiteral("its entry \"%1\" has a double quote in its name.")));
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            throw refused(name,
                          TR(QStringLiteral(
                              "its entry \"%1\" points outside the folder it is unpacked into.")));
        if (platform == Platform::Windows && part.contains(u':'))
            throw refused(name, TR(QStringLiteral("its entry \"%1\" has a colon in its path.")));
        if (platform == Platform::Windows && isWindowsDeviceName(part))
            throw refused(name,
                          TR(QStringLiteral("its entry \"%1\" names a device of the system.")));
        if (part != QLatin1String("."))
            entry.parts.append(part);
    }
    return entry;
}

// Makes the folders of `parts` below `root` (all of them, or all but the last). An existing
// link on the way is never gone through, so nothing can land outside `root`.
QString makeFolders(const QString& root, const Entry& entry, qsizetype count) {
    QString path = root;
    for (qsizetype i = 0; i < count; ++i) {
        path += u'/' + entry.parts[i];
        const QFileInfo info(path);
        if (info.isSymLink())
            throw refused(entry.name,
                          TR(QStringLiteral("its entry \"%1\" would be written through a link.")));
        if (!info.exists()) {
            const fileowner::Owner owner = fileowner::ownerFor(path);
            if (!QDir().mkdir(path))
                throw EPackageError(
                    TR(QStringLiteral("Cannot create the folder %1.")).arg(shownPath(path)));
            fileowner::giveTo(path, owner);
        } else if (!info.isDir()) {
            throw EPackageError(
                TR(QStringLiteral("Cannot create the folder %1: a file has that name."))
                    .arg(shownPath(path)));
        }
    }
    return path;
}

void extractFile(zip_t* za, const Entry& entry, const QString& root) {
    const QString folder = makeFolders(root, entry, entry.parts.size() - 1);
    const QString target = folder + u'/' + entry.parts.last();
    const QString shown = shownPath(target);
    const QFileInfo info(target);
    if (info.isDir() && !info.isSymLink())
        throw EPackageError(
            TR(QStringLiteral("Cannot write %1: a folder has that name.")).arg(shown));
    // Whatever lies there (a link, a pipe, a file linked to one elsewhere, in a folder left
    // from before) is replaced by a new file, never written through.
    if (info.exists() || info.isSymLink())
        QFile::remove(target);

    ZipEntryReader reader(zip_fopen_index(za, entry.index, 0));
    if (!reader)
        throw EPackageError(zipMessage(zip_get_error(za)));
    QFile out(target);
    // Made under sudo, root's images could not be deleted before the user's next upgrade.
    const fileowner::Owner owner = fileowner::ownerFor(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        throw EPackageError(
            TR(QStringLiteral("Cannot write %1: %2")).arg(shown, out.errorString()));
    fileowner::giveTo(target, owner);
    std::vector<char> buffer(64 * 1024);
    zip_uint64_t written = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(reader.get(), buffer.data(), buffer.size());
        if (n < 0)
            throw EPackageError(zipMessage(zip_file_get_error(reader.get())));
        if (n == 0)
            break;
        // The declared sizes passed the limits; an entry that holds more than it declares
        // is a forged archive and goes no further.
        written += static_cast<zip_uint64_t>(n);
        if (written > entry.declaredSize) {
            out.remove();
            throw refused(entry.name, TR(QStringLiteral(
                                          "its entry \"%1\" holds more than its declared size.")));
        }
        // A full disk takes part of a write and says nothing; the rest is written again, and
        // the system then says why it fails ("Unknown error" otherwise).
        for (zip_int64_t done = 0; done < n;) {
            const qint64 part = out.write(buffer.data() + done, n - done);
            if (part <= 0)
                throw EPackageError(
                    TR(QStringLiteral("Cannot write %1: %2")).arg(shown, out.errorString()));
            done += part;
        }
    }
    if (!out.flush())
        throw EPackageError(
            TR(QStringLiteral("Cannot write %1: %2")).arg(shown, out.errorString()));
}

} // namespace

void extractArchive(const QString& archivePath, const QString& dir, Platform platform) {
    const ZipArchive archive = openArchive(archivePath);
    zip_t* za = archive.get();
    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count > kMaxEntries)
        throw unusable(
            TR(QStringLiteral("it holds %1 entries, more than %2.")).arg(count).arg(kMaxEntries));

    // Every entry is checked before anything is written, so a refused package leaves no trace.
    std::vector<Entry> entries;
    zip_uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* name = zip_get_name(za, index, ZIP_FL_ENC_GUESS);
        if (!name)
            throw EPackageError(zipMessage(zip_get_error(za)));
        Entry entry = parseEntry(index, QString::fromUtf8(name), platform);
        zip_stat_t st;
        if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            throw refused(entry.name, TR(QStringLiteral("its entry \"%1\" declares no size.")));
        entry.declaredSize = st.size;
        total += std::min<zip_uint64_t>(st.size, kMaxUnpackedBytes + 1); // no overflow
        if (total > static_cast<zip_uint64_t>(kMaxUnpackedBytes))
            throw unusable(TR(QStringLiteral("unpacked it would take more than %1 MiB."))
                               .arg(kMaxUnpackedBytes / (1024 * 1024)));
        if (!entry.parts.isEmpty())
            entries.push_back(std::move(entry));
    }

    for (const Entry& entry : entries) {
        // No link is ever made: a link entry becomes a plain file holding its stored text (what
        // an extractor without links produces), so nothing is read or written through one.
        if (entry.isDirectory)
            makeFolders(dir, entry, entry.parts.size());
        else
            extractFile(za, entry, dir);
    }
}

} // namespace firmware
