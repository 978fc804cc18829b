#include "app/Settings.h"

QString trimBlanksAndControls(const QString& s) {
    qsizetype first = 0, last = s.size();
    while (first < last && s[first].unicode() <= 0x20)
        ++first;
    while (last > first && s[last - 1].unicode() <= 0x20)
        --last;
    return s.mid(first, last - first);
}

std::optional<SettingLine> parseSettingLine(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    SettingLine setting;
    setting.key = trimBlanksAndControls(line.left(eq));
    setting.value = trimBlanksAndControls(line.mid(eq + 1));
    const qsizetype open = setting.key.indexOf(u'[');
    if (open >= 0 && setting.key.endsWith(u']')) {
        bool ok = false;
        const int index =
            trimBlanksAndControls(setting.key.mid(open + 1, setting.key.size() - open - 2))
                .toInt(&ok);
        if (!ok || index < 0)
            return std::nullopt;
        setting.index = index;
        setting.key = trimBlanksAndControls(setting.key.left(open));
    }
    return setting;
}

QStringList settingsFileLines(const std::optional<QString>& selectedPort, const QString& language,
                              bool nightVision, bool serialTrace) {
    QStringList lines;
    if (selectedPort)
        lines.append(QStringLiteral("PortCombo=") + *selectedPort);
    lines.append(QStringLiteral("Lang=") + language);
    // Absent in the normal look, as in the files of earlier versions.
    if (nightVision)
        lines.append(QStringLiteral("NightVision=Y"));
    if (serialTrace)
        lines.append(QStringLiteral("SerialTrace=Y"));
    return lines;
}

bool nightVisionSetting(const QString& value) {
    return value == QLatin1String("Y");
}
