#include "i18n/Translator.h"

#include "i18n/CodePage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kPrefix = QStringLiteral("VaskelManager_");
const QString kSuffix = QStringLiteral(".txt");

TLangTranslator* gTranslator = nullptr;

// The language code of a file name, or an empty string when the name is not one of ours.
QString codeOfFileName(const QString& name) {
    QString rest = name;
    const qsizetype p = rest.indexOf(kPrefix);
    if (p < 0)
        return {};
    rest.remove(p, kPrefix.size());
    const qsizetype s = rest.indexOf(kSuffix);
    if (s < 0)
        return {};
    rest.remove(s, kSuffix.size());
    return rest.size() == 2 ? rest : QString();
}

// Directory entries whose names match VaskelManager_*.txt (letter case counts), in the order a
// Windows directory search gives them on NTFS. Matched here rather than by a name filter of
// QDir, which compiles the pattern into a regular expression: that alone costs the start of the
// program more than the search.
QFileInfoList languageFiles(const QString& directory) {
    QDir dir(directory);
    QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDir::Name | QDir::IgnoreCase);
    entries.removeIf([](const QFileInfo& entry) {
        const QString name = entry.fileName();
        return name.size() < kPrefix.size() + kSuffix.size() || !name.startsWith(kPrefix) ||
               !name.endsWith(kSuffix);
    });
    return entries;
}

// The numbers of the %1 ... %99 a text holds, each once.
QList<int> placeholders(QStringView text) {
    QList<int> found;
    for (qsizetype i = text.indexOf(u'%'); i >= 0 && i + 1 < text.size();
         i = text.indexOf(u'%', i + 1)) {
        int n = text[i + 1].digitValue();
        if (n <= 0)
            continue;
        if (i + 2 < text.size() && text[i + 2].isDigit())
            n = n * 10 + text[i + 2].digitValue();
        if (!found.contains(n))
            found.append(n);
    }
    std::ranges::sort(found);
    return found;
}

} // namespace

TLangTranslator::TLangTranslator(QString directory) : directory_(std::move(directory)) {}

QString TLangTranslator::directory() const {
    return directory_.isEmpty() ? QCoreApplication::applicationDirPath() : directory_;
}

LanguageList TLangTranslator::ScanLanguages(const QString& defaultLang) {
    LanguageList list;
    for (const QFileInfo& entry : languageFiles(directory())) {
        if (entry.isDir())
            continue;
        // it and IT are two files only where letter case counts; the list offers one.
        const QString code = codeOfFileName(entry.fileName()).toUpper();
        if (!code.isEmpty() && !list.codes.contains(code))
            list.codes.append(code);
    }
    for (int i = 0; i < list.codes.size() && list.selected < 0; ++i) {
        if (list.codes[i].compare(defaultLang, Qt::CaseInsensitive) == 0)
            list.selected = i;
    }
    if (list.selected >= 0) {
        SelectLanguage(list.codes[list.selected]);
    } else {
        list.codes.prepend(defaultLang);
        list.selected = 0;
    }
    return list;
}

QString TLangTranslator::languageFilePath(const QString& lang) const {
    const QString exact = QDir(directory()).filePath(kPrefix + lang + kSuffix);
    // A folder of that name is passed over, as the list passes it over.
    if (QFileInfo(exact).isFile())
        return exact;
    // The list shows codes in upper case; on a file system that tells case apart the file
    // may carry the code in another case.
    for (const QFileInfo& entry : languageFiles(directory())) {
        if (!entry.isDir() &&
            codeOfFileName(entry.fileName()).compare(lang, Qt::CaseInsensitive) == 0)
            return entry.filePath();
    }
    return exact;
}

void TLangTranslator::SelectLanguage(const QString& lang) {
    QStringList lines;
    if (codepage::readTextFileLines(languageFilePath(lang), lines))
        dictionary_ = std::move(lines);
    else
        dictionary_.clear();
}

QString TLangTranslator::TR(const QString& s) const {
    const qsizetype n = s.size();
    for (const QString& line : dictionary_) {
        if (line.size() > n && line[n] == u'=' &&
            QStringView(line).left(n).compare(s, Qt::CaseInsensitive) == 0) {
            const QString value = line.mid(n + 1);
            if (value.isEmpty())
                return s;
            // The values go in by number: a translation lacking one, or naming another, would
            // drop a value or put it in another's place.
            if (s.contains(u'%') && placeholders(value) != placeholders(s))
                return s;
            return value;
        }
    }
    return s;
}

void setProgramTranslator(TLangTranslator* translator) { gTranslator = translator; }

TLangTranslator* programTranslator() { return gTranslator; }

QString TR(const QString& s) { return gTranslator ? gTranslator->TR(s) : s; }
