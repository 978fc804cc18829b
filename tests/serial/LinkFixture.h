#pragma once
// A link on a fake port with a driven clock, and a host that records what reaches it.

#include "FakeTransport.h"
#include "TestUtil.h"
#include "serial/ErrorReport.h"
#include "serial/SerInterface.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

struct RecordingHost : ILinkHost {
    QStringList replies;       // sourceStr of every ParseMessage
    QList<bool> hadRes;        // whether each reply had a res object
    QStringList lines;         // every ParseExtraMessage
    int disconnects = 0;       // OpenCloseButtonLabelClick calls
    std::function<void(const QString&)> onReply;
    std::function<void()> onDisconnect;

    bool ParseMessage(const rapidjson::Value* msg, const QString& sourceStr) override {
        replies.append(sourceStr);
        hadRes.append(msg != nullptr);
        if (onReply)
            onReply(sourceStr);
        return true;
    }
    void ParseExtraMessage(const QString& S) override { lines.append(S); }
    void OpenCloseButtonLabelClick(QObject* sender) override {
        EXPECT_EQ(sender, nullptr);
        ++disconnects;
        if (onDisconnect)
            onDisconnect();
    }
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousReporter = setDefaultErrorReporter([this](const QString& m) { errors.append(m); });
        serialTraceEnabled = false;
    }
    void TearDown() override {
        serialLink.reset();
        releasedLink.reset();
        serialTraceEnabled = false;
        setDefaultErrorReporter(previousReporter);
    }

    TSerialInterface& connect() {
        link = std::make_unique<TSerialInterface>(QStringLiteral("FAKE"), host, clock);
        return *link;
    }
    // Bytes from the device, delivered before returning.
    void deviceSends(const QByteArray& bytes) {
        port.line().receive(bytes);
        pumpEvents();
    }
    QByteArray wire() { return port.line().takeWritten(); }

    ScopedFakePort port;
    ManualClock clock{1000};
    RecordingHost host;
    std::unique_ptr<TSerialInterface> link;
    QStringList errors;
    ErrorReporter previousReporter;
};
