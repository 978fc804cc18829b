#include "i18n/CodePage.h"

#include "i18n/FileOwner.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>

namespace codepage {

namespace {

// 0x80 to 0x9F; zero marks the bytes Windows-1252 leaves undefined.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char encodeOne(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (int i = 0; i < 32; ++i) {
        const char16_t mapped = kHighControls[i] ? kHighControls[i] : char16_t(0x80 + i);
        if (mapped == u)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QChar ansiToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80])
        return QChar(kHighControls[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString ansiToUnicode(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out.append(ansiToUnicode(static_cast<unsigned char>(c)));
    return out;
}

QByteArray unicodeToAnsi(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(encodeOne(c.unicode()));
    return out;
}

bool fitsAnsi(QStringView text) {
    for (QChar c : text) {
        if (encodeOne(c.unicode()) == '?' && c != u'?')
            return false;
    }
    return true;
}

QString decodeTextFile(const QByteArray& content) {
    if (content.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(content.mid(3));
    if (content.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringDecoder::Utf16LE);
        return utf16(content.mid(2));
    }
    if (content.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16BE);
        return utf16(content.mid(2));
    }
    return ansiToUnicode(content);
}

QStringList splitLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.sliced(start).toString());
    return lines;
}

bool readTextFileLines(const QString& path, QStringList& lines) {
    // A plain file only: opening a pipe waits for a writer, and a device may never end.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // These files are a few kilobytes; a huge one (a disk image saved under the name) would
    // hold the start for many seconds and could exhaust the memory. Its first whole lines count.
    // Sized to the file, as read() makes room for all it is allowed before it reads.
    QByteArray content = file.read(std::min(file.size(), qint64(kMaxTextFileBytes)) + 1);
    if (file.error() != QFileDevice::NoError)
        return false;
    const bool cut = content.size() > kMaxTextFileBytes;
    content.truncate(kMaxTextFileBytes);
    QString text = decodeTextFile(content);
    if (cut) {
        const qsizetype end = std::max(text.lastIndexOf(u'\n'), text.lastIndexOf(u'\r'));
        text.truncate(end + 1);
    }
    lines = splitLines(text);
    return true;
}

bool writeAnsiLines(const QString& path, const QStringList& lines) {
    // Only a plain file is replaced. One linked to a pipe or a device (a link to /dev/null
    // keeps the settings from being kept) would give way to a file of its own, /dev/null itself
    // when run as root.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return false;
    // A file no one may write was made read-only on purpose. Its mode decides, not whether the
    // caller may write it: run with sudo, the program replaced it and left it writable.
    constexpr auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (target.exists() && !(target.permissions() & anyWrite))
        return false;
    QByteArray content;
    for (const QString& line : lines) {
        content.append(unicodeToAnsi(line));
        content.append("\r\n");
    }
    // Replaced, it keeps its owner: written under sudo it was root's, and the user's choices
    // were no longer kept.
    const fileowner::Owner owner = fileowner::ownerFor(path);
    if (QSaveFile file(path); file.open(QIODevice::WriteOnly)) {
        // A write that fails (a full disk) leaves the old file as it was. The toolkit's commit
        // does not see a failed flush, and put what was written, nothing, in the file's place.
        if (file.write(content) != content.size() || !file.flush())
            return false;
        if (file.commit()) {
            fileowner::giveTo(path, owner);
            return true;
        }
    }
    // No new file can be made beside it (a folder the user may not add to): a file the user
    // may write is written in place.
    QFile direct(path);
    if (!direct.exists() || !direct.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return direct.write(content) == content.size() && direct.flush();
}

} // namespace codepage
