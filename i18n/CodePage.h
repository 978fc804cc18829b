#pragma once
// Text as the focuser, the trace log and the plain-text files beside the program store it:
// Windows-1252 without a byte-order mark, UTF-8 or UTF-16 with one.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace codepage {

// One Windows-1252 byte as a Unicode character. The five bytes the code page leaves
// undefined map to the control characters of the same value, so every byte round-trips.
QChar ansiToUnicode(unsigned char byte);
QString ansiToUnicode(QByteArrayView bytes);

// Characters outside Windows-1252 become '?'.
QByteArray unicodeToAnsi(QStringView text);
// Whether every character of the text has a Windows-1252 byte, so that it goes out unchanged.
bool fitsAnsi(QStringView text);

// Decodes a whole file: UTF-8, UTF-16 LE or UTF-16 BE when it starts with their
// byte-order mark (the mark is dropped), Windows-1252 otherwise.
QString decodeTextFile(const QByteArray& content);

// Splits at CR LF, a lone CR or a lone LF. A last line without a line end counts;
// a line end at the very end does not start another line.
QStringList splitLines(QStringView text);

// Reads a text file as lines; false when it cannot be opened or read, or is no plain file.
// Of a file longer than kMaxTextFileBytes only the whole lines within them are read.
constexpr qsizetype kMaxTextFileBytes = 1 << 20;
bool readTextFileLines(const QString& path, QStringList& lines);

// Writes the lines in Windows-1252 without a mark, each ended by CR LF, replacing the file;
// false, and nothing written, when the path names something else than a plain file.
bool writeAnsiLines(const QString& path, const QStringList& lines);

} // namespace codepage
