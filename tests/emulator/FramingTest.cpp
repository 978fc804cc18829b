// How the device cuts the incoming bytes into requests.

#include "DeviceHarness.h"

TEST_F(DeviceTest, RequestsBackToBackAndInPiecesAreEachAnsweredOnce) {
    const QByteArray two =
        codepage::unicodeToAnsi(request::calDirRead() + request::calStatusRead());
    device->receive(two);
    Heard heard = splitWire(device->takeOutput());
    ASSERT_EQ(heard.objects.size(), 2);
    EXPECT_TRUE(heard.objects[0].contains("CAL_DIR"));
    EXPECT_TRUE(heard.objects[1].contains("CAL_STATUS"));

    const QByteArray one = codepage::unicodeToAnsi(request::status());
    for (const char c : one) {
        EXPECT_TRUE(device->takeOutput().isEmpty());
        clock.advance(2);
        device->receive(QByteArray(1, c));
    }
    heard = splitWire(device->takeOutput());
    ASSERT_EQ(heard.objects.size(), 1);
    EXPECT_TRUE(heard.objects[0].contains("MODNAME"));

    // Bytes between requests are not requests.
    device->receive("\r\nhello\r\n" + one);
    EXPECT_EQ(splitWire(device->takeOutput()).objects.size(), 1);
}

TEST_F(DeviceTest, BracesAndEscapesInsideNamesDoNotCutTheRequest) {
    ask(request::presetRename(4, "{left} }{"));
    EXPECT_EQ(textAt(status(), "res/get/PRESET_4/NAME"), "{left} }{");
    ask(request::wifiPasswordSet("a\"}b"));
    EXPECT_EQ(textAt(status(), "res/get/WIFI/PWD"), "a\"}b");
}

TEST_F(DeviceTest, ABrokenOffRequestIsAbandonedAndTheNextOneAnswered) {
    send(R"({"req":{"set":{"PRESET_1":{"NAME":"half)");
    run(FocuserDevice::kRequestGapMs - 10);
    EXPECT_TRUE(device->takeOutput().isEmpty());
    const Heard abandoned = run(20);
    ASSERT_EQ(abandoned.objects.size(), 1);
    EXPECT_EQ(textAt(parseObject(abandoned.objects[0]), "res/error"), "incomplete request");
    EXPECT_EQ(textAt(status(), "res/get/PRESET_1/NAME"), "Visual");

    // A name ending in an unescaped backslash escapes its closing quote: the device waits for
    // the gap, answers once, and is itself again for the next request.
    send(R"({"req":{"set":{"PRESET_8":{"NAME":"C:\","M1POS":10}}}})");
    EXPECT_TRUE(device->takeOutput().isEmpty());
    EXPECT_EQ(run(200).objects.size(), 1);
    EXPECT_TRUE(statusTableViolations(status()).isEmpty());
    // The program escapes it, and the device answers at once.
    ask(request::presetRecord(8, "C:\\", 10));
    EXPECT_EQ(textAt(status(), "res/get/PRESET_8/NAME"), "C:\\");
}

TEST_F(DeviceTest, AnOverlongRequestIsRefusedAsAWhole) {
    const auto reply = ask(request::presetRename(3, QString(5000, u'n')));
    EXPECT_EQ(textAt(reply, "res/error"), "request too long");
    EXPECT_EQ(textAt(status(), "res/get/PRESET_3/NAME"), "Flats");
}
