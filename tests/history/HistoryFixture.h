#pragma once
// A session history in a directory of its own on a driven clock, fed with status replies.

#include "TestUtil.h"
#include "history/SessionHistory.h"
#include "tests/window/StatusDoc.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Hands a status reply to `history` as the window does.
inline void feed(TSessionHistory& history, const QByteArray& reply, bool calibrating = false) {
    rapidjson::Document doc;
    doc.Parse(reply.constData(), static_cast<size_t>(reply.size()));
    ASSERT_TRUE(doc.IsObject()) << reply.constData();
    const rapidjson::Value& get = doc["res"]["get"];
    history.statusReply(get, get["MOT1"], calibrating);
}

class HistoryTest : public ::testing::Test {
protected:
    // By default the evening of 2 January 2026, local time.
    explicit HistoryTest(QDateTime start = QDateTime(QDate(2026, 1, 2), QTime(21, 5, 9)))
        : clock(1000, std::move(start)) {}

    TSessionHistory& history() {
        if (!history_)
            history_ = std::make_unique<TSessionHistory>(dir.path(), clock);
        return *history_;
    }
    void reply(const StatusDoc& doc) { feed(history(), doc.text()); }
    QByteArray file(const QString& night) {
        return readFile(dir.filePath(QStringLiteral("calvetta-history-%1.csv").arg(night)));
    }

    QTemporaryDir dir;
    ManualClock clock;
    std::unique_ptr<TSessionHistory> history_;
};
