#pragma once
// The operating systems the program is built for. What differs between them is written as
// plain functions of a Platform value, so that every system's choices are compiled and tested
// wherever the program is built; only the calls into the system itself differ by build.

#include <QString>
#include <QtGlobal>

enum class Platform { Windows, Linux, MacOS };

// The system this build runs on.
constexpr Platform currentPlatform() {
#if defined(Q_OS_WIN)
    return Platform::Windows;
#elif defined(Q_OS_MACOS)
    return Platform::MacOS;
#else
    return Platform::Linux;
#endif
}

// The separator of the paths the program writes: the backslash on Windows, else the slash.
constexpr QChar pathSeparator(Platform platform) {
    return platform == Platform::Windows ? u'\\' : u'/';
}

// Whether `c` separates the parts of a path: Windows takes both slashes.
constexpr bool isPathSeparator(QChar c, Platform platform) {
    return c == u'/' || (platform == Platform::Windows && c == u'\\');
}

// `path` with the platform's separator in place of every slash.
inline QString nativePath(QString path, Platform platform) {
    return path.replace(u'/', pathSeparator(platform));
}

// How file names compare: Windows and macOS ignore letter case, Linux does not.
constexpr Qt::CaseSensitivity fileNameCase(Platform platform) {
    return platform == Platform::Linux ? Qt::CaseSensitive : Qt::CaseInsensitive;
}
