#pragma once
// A full status reply as a focuser sends it, with members that tests change one by one.

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

struct StatusDoc {
    QJsonObject get;

    StatusDoc() {
        QJsonObject mot1{{"ABS_POS", 10000},      {"CAL_STATUS", "stop"}, {"CAL_DIR", "normal"},
                         {"CAL_MAXPOS", 731636},  {"HSENDET", "1"},       {"NTC_T", 24.5},
                         {"FnRUN_ACC", 4},        {"FnRUN_SPD", 7},       {"FnRUN_DEC", 5},
                         {"FnRUN_CURR_ACC", 3},   {"FnRUN_CURR_SPD", 6},  {"FnRUN_CURR_DEC", 2},
                         {"FnRUN_CURR_HOLD", 1},  {"HOLDCURR_STATUS", 1}};
        get = QJsonObject{{"WIFI", QJsonObject{{"SSID", "VASKEL4_3F2A"}, {"PWD", "orion-42"}}},
                          {"MOT1", mot1},
                          {"SWVERS", QJsonObject{{"SWAPP", "1.3"}, {"SWWEB", "2.1"}}},
                          {"EXT_T", 8.4},
                          {"VIN_12V", 12.3},
                          {"DIMLEDS", "low"},
                          {"MODNAME", "VASKEL4"}};
        for (int n = 1; n <= 9; ++n)
            get[QStringLiteral("PRESET_%1").arg(n)] =
                QJsonObject{{"NAME", n == 2 ? "Moon" : ""}, {"M1POS", n == 2 ? 120000 : 0}};
        for (int n = 1; n <= 3; ++n)
            get[QStringLiteral("RUNPRESET_%1").arg(n)] =
                QJsonObject{{"RP_NAME", n == 1 ? "Light" : ""}};
    }

    void mot1(const QString& key, const QJsonValue& value) {
        QJsonObject m = get["MOT1"].toObject();
        if (value.isUndefined())
            m.remove(key);
        else
            m[key] = value;
        get["MOT1"] = m;
    }
    void set(const QString& key, const QJsonValue& value) {
        if (value.isUndefined())
            get.remove(key);
        else
            get[key] = value;
    }
    QByteArray text() const {
        return QJsonDocument(QJsonObject{{"res", QJsonObject{{"get", get}}}})
            .toJson(QJsonDocument::Compact);
    }
};
