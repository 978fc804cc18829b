#include "DeviceHarness.h"

Heard splitWire(const QByteArray& bytes) {
    Heard heard;
    heard.all = codepage::ansiToUnicode(bytes);
    QString object, line;
    int depth = 0;
    bool inString = false, escaped = false;
    for (const QChar c : heard.all) {
        if (depth > 0) {
            object.append(c);
            if (inString) {
                if (escaped)
                    escaped = false;
                else if (c == u'\\')
                    escaped = true;
                else if (c == u'"')
                    inString = false;
            } else if (c == u'"') {
                inString = true;
            } else if (c == u'{') {
                ++depth;
            } else if (c == u'}' && --depth == 0) {
                heard.objects.append(std::exchange(object, QString()));
            }
        } else if (c == u'{') {
            object = c;
            depth = 1;
        } else if (c == u'\r' || c == u'\n') {
            if (!line.isEmpty())
                heard.lines.append(std::exchange(line, QString()));
        } else {
            line.append(c);
        }
    }
    return heard;
}

QList<long long> numbers(const QStringList& lines) {
    QList<long long> out;
    for (const QString& l : lines) {
        bool ok = false;
        const long long n = l.toLongLong(&ok);
        if (ok)
            out.append(n);
    }
    return out;
}

rapidjson::Document parseObject(const QString& text) {
    rapidjson::Document doc;
    const QByteArray utf8 = text.toUtf8();
    doc.Parse(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    EXPECT_FALSE(doc.HasParseError()) << text.toStdString();
    EXPECT_TRUE(doc.IsObject()) << text.toStdString();
    return doc;
}

const rapidjson::Value* member(const rapidjson::Value& v, const QString& path) {
    const rapidjson::Value* at = &v;
    for (const QString& name : path.split(u'/')) {
        if (!at->IsObject())
            return nullptr;
        const QByteArray key = name.toUtf8();
        const auto m = at->FindMember(key.constData());
        if (m == at->MemberEnd())
            return nullptr;
        at = &m->value;
    }
    return at;
}

QString textAt(const rapidjson::Value& v, const QString& path) {
    const rapidjson::Value* m = member(v, path);
    return m && m->IsString() ? QString::fromUtf8(m->GetString(), m->GetStringLength()) : QString();
}

long long intAt(const rapidjson::Value& v, const QString& path) {
    const rapidjson::Value* m = member(v, path);
    return m && m->IsInt64() ? m->GetInt64() : -999999;
}

QStringList statusTableViolations(const rapidjson::Value& reply) {
    QStringList broken;
    auto need = [&](const QString& path, auto isRightType, const char* type) {
        const rapidjson::Value* m = member(reply, path);
        if (!m)
            broken.append(path + QStringLiteral(" missing"));
        else if (!isRightType(*m))
            broken.append(path + QStringLiteral(" is not ") + QLatin1String(type));
        return m;
    };
    const auto object = [](const rapidjson::Value& v) { return v.IsObject(); };
    const auto textual = [](const rapidjson::Value& v) { return v.IsString(); };
    const auto integer = [](const rapidjson::Value& v) { return v.IsInt64(); };
    const auto decimal = [](const rapidjson::Value& v) { return v.IsDouble(); };

    need(QStringLiteral("res/get"), object, "an object");
    const bool station = member(reply, QStringLiteral("res/get/WIFI")) != nullptr;
    const bool accessPoint = member(reply, QStringLiteral("res/get/WIFIAP")) != nullptr;
    if (station == accessPoint)
        broken.append(QStringLiteral("exactly one of WIFI and WIFIAP is expected"));
    const QString wifi =
        station ? QStringLiteral("res/get/WIFI/") : QStringLiteral("res/get/WIFIAP/");
    need(wifi + QStringLiteral("SSID"), textual, "text");
    need(wifi + QStringLiteral("PWD"), textual, "text");

    const QString mot = QStringLiteral("res/get/MOT1/");
    need(mot + QStringLiteral("ABS_POS"), integer, "an integer");
    need(mot + QStringLiteral("CAL_MAXPOS"), integer, "an integer");
    for (const char* key : {"CAL_STATUS", "CAL_DIR", "HSENDET"})
        need(mot + QLatin1String(key), textual, "text");
    if (member(reply, mot + QStringLiteral("NTC_T")))
        need(mot + QStringLiteral("NTC_T"), decimal, "a number with decimals");
    for (const char* key : {"FnRUN_ACC", "FnRUN_SPD", "FnRUN_DEC", "FnRUN_CURR_ACC",
                            "FnRUN_CURR_SPD", "FnRUN_CURR_DEC", "FnRUN_CURR_HOLD"})
        need(mot + QLatin1String(key), integer, "an integer");
    const long long hold = intAt(reply, mot + QStringLiteral("HOLDCURR_STATUS"));
    if (hold != 0 && hold != 1)
        broken.append(QStringLiteral("HOLDCURR_STATUS is not 0 or 1"));

    need(QStringLiteral("res/get/SWVERS/SWAPP"), textual, "text");
    need(QStringLiteral("res/get/SWVERS/SWWEB"), textual, "text");
    need(QStringLiteral("res/get/EXT_T"), decimal, "a number with decimals");
    need(QStringLiteral("res/get/VIN_12V"), decimal, "a number with decimals");
    need(QStringLiteral("res/get/MODNAME"), textual, "text");
    const QString leds = textAt(reply, QStringLiteral("res/get/DIMLEDS"));
    if (!QStringList{"off", "low", "middle", "on"}.contains(leds))
        broken.append(QStringLiteral("DIMLEDS is not off, low, middle or on"));
    for (int n = 1; n <= 9; ++n) {
        const QString p = QStringLiteral("res/get/PRESET_%1/").arg(n);
        need(p + QStringLiteral("NAME"), textual, "text");
        need(p + QStringLiteral("M1POS"), integer, "an integer");
    }
    for (int n = 1; n <= 3; ++n) {
        const QString p = QStringLiteral("res/get/RUNPRESET_%1/").arg(n);
        need(p + QStringLiteral("RP_NAME"), textual, "text");
        for (const char* key : {"M1ACC", "M1DEC", "M1SPD", "M1CACC", "M1CDEC", "M1CSPD", "M1HOLD"})
            need(p + QLatin1String(key), integer, "an integer");
    }
    return broken;
}

Heard DeviceTest::run(int ms, int step) {
    QByteArray out;
    for (int t = 0; t < ms; t += step) {
        clock.advance(static_cast<std::uint32_t>(std::min(step, ms - t)));
        device->update();
        out += device->takeOutput();
    }
    return splitWire(out);
}

rapidjson::Document DeviceTest::ask(const QString& request) {
    send(request);
    const Heard heard = splitWire(device->takeOutput());
    EXPECT_EQ(heard.objects.size(), 1)
        << request.toStdString() << " -> " << heard.all.toStdString();
    return parseObject(heard.objects.value(0, QStringLiteral("{}")));
}

Heard DeviceTest::runUntilStill(int maxMs) {
    QByteArray out;
    for (int t = 0; t < maxMs && (device->moving() || t == 0); t += 10) {
        clock.advance(10);
        device->update();
        out += device->takeOutput();
    }
    EXPECT_FALSE(device->moving());
    return splitWire(out);
}
