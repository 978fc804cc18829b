#pragma once
// An emulated focuser on a driven clock, and a reader that splits what it sends into JSON
// objects and text lines the way the program's link does.

#include "emulator/FocuserDevice.h"
#include "i18n/CodePage.h"
#include "protocol/Requests.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <rapidjson/document.h>

// What came over the wire, in order of kind.
struct Heard {
    QStringList objects;
    QStringList lines; // without line ends; empty lines (between CR and LF) are not kept
    QString all;       // every character, as received
};

// Splits device bytes (Windows-1252) at the braces of whole objects and at line ends.
Heard splitWire(const QByteArray& bytes);

// The lines that are whole numbers (position reports), as numbers.
QList<long long> numbers(const QStringList& lines);

// Parses one object; fails the test when it is not JSON.
rapidjson::Document parseObject(const QString& text);

// The member at a path such as "res/get/MOT1/ABS_POS"; null when absent.
const rapidjson::Value* member(const rapidjson::Value& v, const QString& path);

// The rules of the status table the program reads; each entry a broken rule.
QStringList statusTableViolations(const rapidjson::Value& reply);

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { make({}); }

    void make(DeviceConfig config) {
        device = std::make_unique<FocuserDevice>(clock, std::move(config));
    }
    void make(FocuserModel model) {
        DeviceConfig config;
        config.model = model;
        make(config);
    }

    // Sends a request text as the program writes it.
    void send(const QString& request) { device->receive(codepage::unicodeToAnsi(request)); }
    // Lets `ms` milliseconds pass in steps of `step` and returns what the device sent.
    Heard run(int ms, int step = 10);
    // Sends a request and returns the one object that answers it at once.
    rapidjson::Document ask(const QString& request);
    // The status document as the status request gets it.
    rapidjson::Document status() { return ask(request::status()); }
    // Lets a move run to its end (bounded) and returns what was sent meanwhile.
    Heard runUntilStill(int maxMs = 120000);

    ManualClock clock{1000};
    std::unique_ptr<FocuserDevice> device;
};

// A text member, or "" when absent or not text.
QString textAt(const rapidjson::Value& v, const QString& path);
// An integer member, or -999999 when absent or not an integer.
long long intAt(const rapidjson::Value& v, const QString& path);
