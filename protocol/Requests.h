#pragma once
// Every request the program sends to the focuser, as the exact text that goes on the wire.
// Texts are joined from fixed pieces and values; no JSON library is involved. What the user
// types goes into a JSON string escaped, so that the device stores exactly that text (apart
// from the double quotes that preset names lose).

#include <QString>

namespace request {

// Values put into texts.
QString presetName(const QString& typed); // every double quote removed
// Text as it stands between the quotes of a JSON string: a backslash or a double quote gets
// a backslash before it, a control character becomes \u00XX.
QString jsonEscaped(const QString& text);
QString wifiPassword(const QString& typed); // the typed text, escaped

// Reads.
QString status();
QString calStatusRead();
QString calDirRead();

// Motor settings.
QString calStatusExec();
QString calStatusMinWithSensor();
QString calStatusMaxWithSensor();
QString calDirInvert();
QString calDirNormal();
QString calMaxPos(); // the one request whose envelope is "r@q"
enum class MotorParameter { Acc, Spd, Dec, CurrAcc, CurrSpd, CurrDec, CurrHold };
QString motorParameterName(MotorParameter p);
QString motorParameter(MotorParameter p, int value);
QString motorParameter(const QString& name, int value);
QString holdCurrentStatus(int value);

// Motor commands.
enum class CalFocuserStep { Init, StoreAsMinPos, GoOutToFindMaxPos, StoreAsMaxPos };
QString calFocuser(CalFocuserStep step);
QString verboseTimeGoto(int target);
QString motorStop();

// Position presets, n from 1 to 9.
QString presetGo(int n);
QString presetRecord(int n, const QString& name, int position);
QString presetRename(int n, const QString& name);
QString presetDelete(int n);

// Whether a request sets the motor going: a goto or a preset's go.
bool startsMove(const QString& request);

// Motor parameter presets and quick settings, n from 1 to 3.
enum class QuickSetting { Light, Medium, Slow };
QString runPresetQuick(QuickSetting q);
QString runPresetLoad(int n);
struct MotorPresetValues {
    int speedAccel = 1, speedDecel = 1, speedRun = 1;
    int currentAccel = 1, currentDecel = 1, currentRun = 1, currentHold = 1;
};
QString runPresetRecord(int n, const QString& name, const MotorPresetValues& v);
QString runPresetRename(int n, const QString& name);
QString runPresetDelete(int n);

// Device options.
enum class LedLevel { Off, Low, Middle, On };
QString dimLeds(LedLevel level);
QString wifiPasswordSet(const QString& typedPassword);

} // namespace request
