#include "window/OutsideProgram.h"

#include "controls/Theme.h"
#include "i18n/Translator.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#if defined(Q_OS_WIN)
#include <windows.h>
#endif
#if defined(Q_OS_UNIX)
#include <iconv.h>
#include <langinfo.h>
#endif

namespace {

// A word as a POSIX shell reads it back: quoted unless it is plain.
QString shellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=,+@%-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

// The text in the terminal's character set. The arguments reach it in UTF-8, which the
// terminal of a Latin-1 locale showed as "DrÃ¼cken"; letters the set lacks become "?".
QByteArray inCodeset(const QString& text, const QByteArray& codeset) {
    QByteArray bytes = text.toUtf8();
#if defined(Q_OS_UNIX)
    // The C locale's ASCII tells nothing of the terminal, which then mostly shows UTF-8.
    if (codeset.isEmpty() || codeset == "UTF-8" || codeset == "ANSI_X3.4-1968")
        return bytes;
    const iconv_t cd = ::iconv_open((codeset + "//TRANSLIT").constData(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return bytes;
    QByteArray out(bytes.size() * 4 + 4, '\0');
    char* in = bytes.data();
    char* to = out.data();
    std::size_t inLeft = bytes.size(), outLeft = out.size();
    if (::iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1))
        bytes = out.left(out.size() - qsizetype(outLeft));
    ::iconv_close(cd);
#else
    Q_UNUSED(codeset);
#endif
    return bytes;
}

// A word for printf's %b: an argument holds only UTF-8, so the other bytes (and the backslash)
// go as octal escapes.
QString printfWord(const QString& text, const QByteArray& codeset) {
    QString escaped;
    for (const char c : inCodeset(text, codeset)) {
        const auto byte = static_cast<unsigned char>(c);
        escaped += byte < 0x80 && byte != '\\'
                       ? QString(QChar(char16_t(byte)))
                       : QStringLiteral("\\0%1").arg(uint(byte), 3, 8, QLatin1Char('0'));
    }
    return shellWord(escaped);
}

// Runs its arguments ($0 is `program`), then says how it ended, in the window's language, and
// keeps the terminal open until Enter is pressed.
QString waitForKeyScript(const QString& program, bool nightVision, const QByteArray& codeset) {
    // The shell puts the exit status where the marker stands; no path holds a NUL.
    const QString status(QChar(u'\0'));
    QStringList failed =
        TR(QStringLiteral("%1 has failed (exit status %2).")).arg(program, status).split(status);
    for (QString& piece : failed)
        piece = printfWord(piece, codeset);
    QString script;
    if (nightVision) {
        // Most terminals are light, and one bright window undoes the eyes' adaptation to the
        // dark: the terminal takes the night look's black and red.
        const QString red = QColor(theme::kNightCap, 0, 0).name();
        script = QStringLiteral("printf '\\033]11;#000000\\007\\033]10;%1\\007\\033]12;%1\\007"
                                "\\033[2J\\033[H'; ")
                     .arg(red);
    }
    return script +
           // Ctrl+C stops a hung tool, not this shell, which still says how the tool ended (the
           // trap is a command, so the tool takes the key as usual).
           QStringLiteral("trap : INT; \"$0\" \"$@\"; status=$?; echo; "
                          "if [ $status -eq 0 ]; then printf '%b\\n' ") +
           printfWord(TR(QStringLiteral("%1 has finished.")).arg(program), codeset) +
           QStringLiteral("; else printf '%b\\n' ") + failed.join(QStringLiteral("\"$status\"")) +
           QStringLiteral("; fi; printf '%b ' ") +
           printfWord(TR(QStringLiteral("Press Enter to close this window.")), codeset) +
           QStringLiteral("; read answer");
}

// Text as an AppleScript string literal holds it.
QString appleScriptString(QString text) {
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'"', QStringLiteral("\\\""));
    return u'"' + text + u'"';
}

// The program of a command line as this platform finds it: beside this program, else on the
// search path; a path is taken as it is.
QString findProgram(const QString& name, const LaunchSurroundings& s) {
    if (name.contains(u'/'))
        return s.isExecutable(name) ? name : QString();
    const QString beside = QDir(s.programDirectory).filePath(name);
    if (s.isExecutable(beside))
        return beside;
    return s.findInSearchPath(name);
}

} // namespace

std::optional<LaunchPlan> launchPlan(Platform platform, const QString& commandLine,
                                     const LaunchSurroundings& surroundings) {
    QStringList args = QProcess::splitCommand(commandLine);
    if (args.isEmpty())
        return std::nullopt;
    LaunchPlan plan;

    if (platform == Platform::Windows) {
        // The command line goes to the system as written; it finds the program itself.
        const QString line = commandLine.trimmed();
        qsizetype end = line.size();
        if (line.startsWith(u'"')) {
            const qsizetype close = line.indexOf(u'"', 1);
            end = close < 0 ? line.size() : close + 1;
        } else if (const qsizetype blank = line.indexOf(u' '); blank >= 0) {
            end = blank;
        }
        plan.program = args.first();
        plan.nativeArguments = line.mid(end).trimmed();
        plan.ownConsole = true;
        return plan;
    }

    // A program that is not there is refused at once, not inside a terminal that then closes
    // before anyone reads why.
    const QString program = findProgram(args.takeFirst(), surroundings);
    if (program.isEmpty())
        return std::nullopt;

    if (platform == Platform::MacOS && surroundings.desktop) {
        QStringList words{QStringLiteral("cd"), shellWord(surroundings.workingDirectory),
                          QStringLiteral("&&"), shellWord(program)};
        for (const QString& a : args)
            words.append(shellWord(a));
        plan.program = QStringLiteral("osascript");
        plan.arguments = {QStringLiteral("-e"),
                          QStringLiteral("tell application \"Terminal\" to do script ") +
                              appleScriptString(words.join(u' ')),
                          QStringLiteral("-e"),
                          QStringLiteral("tell application \"Terminal\" to activate")};
        return plan;
    }
    if (platform == Platform::Linux && surroundings.desktop) {
        // The system's choice first, then the desktops' own terminals, each with the option
        // after which it runs a program and its arguments.
        static const std::pair<const char*, const char*> terminals[] = {
            {"x-terminal-emulator", "-e"}, {"gnome-terminal", "--"}, {"konsole", "-e"},
            {"xfce4-terminal", "-x"},      {"xterm", "-e"}};
        for (const auto& [name, runOption] : terminals) {
            const QString terminal = surroundings.findInSearchPath(QLatin1String(name));
            if (terminal.isEmpty())
                continue;
            // The terminal would close the moment the tool ends, its verdict unread; it waits
            // for a key as a Terminal window on macOS stays.
            plan.program = terminal;
            plan.arguments =
                QStringList{QLatin1String(runOption), QStringLiteral("sh"), QStringLiteral("-c"),
                            waitForKeyScript(program, surroundings.nightVision,
                                             surroundings.terminalCodeset),
                            program} +
                args;
            return plan;
        }
    }
    plan.program = program;
    plan.arguments = args;
    return plan;
}

bool startOutsideProgram(const QString& commandLine) {
    const Platform platform = currentPlatform();
    LaunchSurroundings surroundings;
    surroundings.programDirectory = QCoreApplication::applicationDirPath();
    surroundings.workingDirectory = QDir::currentPath();
    surroundings.desktop = platform != Platform::Linux || !qEnvironmentVariableIsEmpty("DISPLAY") ||
                           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    surroundings.isExecutable = [](const QString& path) {
        const QFileInfo file(path);
        return file.isFile() && file.isExecutable();
    };
    surroundings.findInSearchPath = [](const QString& name) {
        return QStandardPaths::findExecutable(name);
    };
    surroundings.nightVision = theme::nightVision();
#if defined(Q_OS_UNIX)
    surroundings.terminalCodeset = ::nl_langinfo(CODESET);
#endif
    const std::optional<LaunchPlan> plan = launchPlan(platform, commandLine, surroundings);
    if (!plan)
        return false;

    QProcess process;
    process.setProgram(plan->program);
    process.setArguments(plan->arguments);
#if defined(Q_OS_WIN)
    process.setNativeArguments(plan->nativeArguments);
    if (plan->ownConsole) {
        process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* a) {
            a->flags &= ~static_cast<DWORD>(CREATE_NO_WINDOW);
            a->flags |= CREATE_NEW_CONSOLE;
        });
    }
#endif
    return process.startDetached();
}
