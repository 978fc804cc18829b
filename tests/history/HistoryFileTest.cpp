// The night's CSV file: its rows from recorded status replies, its name at the noon boundary,
// appending, reading it back, and a file that cannot be written.

#include "HistoryFixture.h"
#include "history/HistoryWindow.h"

#include <QFile>
#include <QLabel>
#include <cmath>
#include <unistd.h>

using namespace history;

TEST_F(HistoryTest, RowsKeepEveryReadingThatIsANumberAndLeaveTheRestEmpty) {
    StatusDoc doc;
    reply(doc);
    clock.advance(1000);
    doc.set("EXT_T", "abc"); // not a number
    doc.mot1("NTC_T", QJsonValue::Undefined); // no internal sensor
    reply(doc);
    clock.advance(1000);
    doc.set("EXT_T", -127); // the probe's fault code
    doc.mot1("NTC_T", "nan");
    doc.set("VIN_12V", "12,3"); // a decimal comma is no number on the wire
    reply(doc);
    clock.advance(1000);
    doc.set("EXT_T", "-3.25"); // a number as text counts
    doc.mot1("NTC_T", "1e3");
    doc.set("VIN_12V", 0);
    doc.mot1("ABS_POS", "12x");
    doc.set("MODNAME", "VASKEL4, \"beta\"");
    reply(doc);

    const QString off = isoLocalTime(clock.localNow()).right(6); // "+01:00", tested below
    EXPECT_EQ(QString::fromLatin1(file("2026-01-02")),
              "time,model,position,external_c,internal_c,voltage\r\n"
              "2026-01-02T21:05:09" + off + ",VASKEL4,10000,8.4,24.5,12.3\r\n"
              "2026-01-02T21:05:10" + off + ",VASKEL4,10000,,,12.3\r\n"
              "2026-01-02T21:05:11" + off + ",VASKEL4,10000,,,\r\n"
              "2026-01-02T21:05:12" + off + ",\"VASKEL4, \"\"beta\"\"\",,-3.25,,0\r\n");

    // A restart during the night reads the same values back.
    TSessionHistory again(dir.path(), clock);
    const auto& rows = again.rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].ms, QDateTime(QDate(2026, 1, 2), QTime(21, 5, 9)).toMSecsSinceEpoch());
    EXPECT_EQ(rows[3].ms - rows[0].ms, 3000);
    EXPECT_EQ(QList<double>({rows[0].position, rows[0].external, rows[0].voltage, rows[3].external}),
              QList<double>({10000, 8.4, 12.3, -3.25}));
    EXPECT_TRUE(std::isnan(rows[1].internal) && std::isnan(rows[2].voltage) &&
                std::isnan(rows[3].position));
}

TEST(HistoryRules, TimesCarryTheirOffsetAndReadBackToTheSameInstant) {
    const QDateTime east(QDate(2026, 3, 29), QTime(1, 30, 5), Qt::OffsetFromUTC, 3600);
    const QDateTime west(QDate(2026, 3, 29), QTime(1, 30, 5), Qt::OffsetFromUTC, -(5 * 3600 + 1800));
    EXPECT_EQ(isoLocalTime(east), "2026-03-29T01:30:05+01:00");
    EXPECT_EQ(isoLocalTime(west), "2026-03-29T01:30:05-05:30");
    for (const QDateTime& t : {east, west})
        EXPECT_EQ(parseRow(csvRow(t, {})).value_or(HistoryRow{}).ms, t.toMSecsSinceEpoch());
    EXPECT_EQ(parseRow("2026-03-29T00:30:05Z,M,1,2,3,4")->ms, east.toMSecsSinceEpoch());
    for (const char* bad : {"time,model,position,external_c,internal_c,voltage",
                            "2026-13-29T00:30:05Z,M,1,2,3,4", "2026-03-29T00:30:05Z,M,1,2,3",
                            "2026-03-29T00:30:05Z,M,1,inf,3,4", "2026-03-29T00:30:05Z,\"M,1,2,3,4"})
        EXPECT_FALSE(parseRow(bad)) << bad;
}

TEST(HistoryRules, OnlyPlainDecimalsAreNumbers) {
    EXPECT_EQ(parseDecimal(u" -12.50 "), -12.5);
    EXPECT_EQ(parseDecimal(u"3,5", u','), 3.5);
    for (const char16_t* text : {u"", u"-", u".", u"1e3", u"inf", u"nan", u"1,000.5", u"3,5",
                                 u"1.2.3", u"0x10", u"12°"})
        EXPECT_FALSE(parseDecimal(text)) << QString::fromUtf16(text).toStdString();
}

class NoonTest : public HistoryTest {
protected:
    NoonTest() : HistoryTest(QDateTime(QDate(2026, 1, 3), QTime(11, 59, 59))) {}
};

TEST_F(NoonTest, ANightRunsFromNoonToNoon) {
    StatusDoc doc;
    reply(doc);
    clock.advance(1000);
    reply(doc);
    const QByteArray header = "time,model,position,external_c,internal_c,voltage\r\n";
    const QByteArray before = file("2026-01-02"), after = file("2026-01-03");
    EXPECT_TRUE(before.startsWith(header + "2026-01-03T11:59:59"));
    EXPECT_EQ(before.count('\n'), 2);
    EXPECT_TRUE(after.startsWith(header + "2026-01-03T12:00:00"));
    EXPECT_EQ(after.count('\n'), 2);
    EXPECT_EQ(history().rows().size(), 1u) << "the new night starts with its own rows";
    EXPECT_EQ(history().night(), QDate(2026, 1, 3));
}

TEST_F(HistoryTest, RowsAreOnlyAppendedAndARowCutShortDoesNotSwallowTheNext) {
    const QByteArray earlier = "time,model,position,external_c,internal_c,voltage\r\n"
                               "2026-01-02T20:00:00+00:00,VASKEL4,5000,7.5,9,12\r\n"
                               "2026-01-02T20:00:01+00:00,VASKE";
    writeFile(dir.filePath("calvetta-history-2026-01-02.csv"), earlier);
    reply(StatusDoc());
    const QByteArray now = file("2026-01-02");
    EXPECT_TRUE(now.startsWith(earlier));
    EXPECT_TRUE(now.contains("\r\n2026-01-02T21:05:09"));
    EXPECT_EQ(now.count("time,model"), 1);
    ASSERT_EQ(history().rows().size(), 2u) << "the row from the file, then the new one";
    EXPECT_EQ(history().rows()[0].position, 5000);
    ASSERT_TRUE(QFile::remove(dir.filePath("calvetta-history-2026-01-02.csv")));
    const bool root = ::geteuid() == 0; // run with sudo in a folder of the user's
    ASSERT_TRUE(!root || ::chown(QFile::encodeName(dir.path()).constData(), 65534, 65534) == 0);
    reply(StatusDoc());
    EXPECT_EQ(file("2026-01-02").count("21:05:09"), 1) << "deleted meanwhile: begun afresh";
    EXPECT_EQ(QFileInfo(dir.filePath("calvetta-history-2026-01-02.csv")).ownerId(),
              root ? 65534u : ::geteuid());
    QFile other(dir.filePath("calvetta-history-2026-01-02.csv")); // while it is held open here
    ASSERT_TRUE(other.open(QIODevice::Append) && other.write("2026-01-02T20:00:02") > 0);
    other.close();
    reply(StatusDoc());
    EXPECT_TRUE(file("2026-01-02").contains("20:00:02 (cut short)\r\n2026-01-02T21:05:09"));
}

// Cut in its last field a row still has all six: "12.31" cut to "1" read as a supply of 1 V,
// which also set the voltage chart from 0 to 20 V. Not read after the crash, nor once rows
// follow it.
TEST_F(HistoryTest, ARowCutInItsLastFieldIsNoRow) {
    const QString path = dir.filePath("calvetta-history-2026-01-02.csv");
    const QByteArray whole = "2026-01-02T20:00:00+00:00,VASKEL4,5000,7.5,9,12.31\r\n";
    writeFile(path, whole + "2026-01-02T20:00:01+00:00,VASKEL4,5000,7.5,9,1");
    reply(StatusDoc());
    EXPECT_EQ(history().rows().size(), 2u);
    history_.reset(); // a restart
    reply(StatusDoc());
    EXPECT_EQ(history().rows().size(), 3u);
    for (const HistoryRow& r : history().rows())
        EXPECT_GT(r.voltage, 12);
    writeFile(path, whole.chopped(1)); // cut between CR and LF: whole
    history_.reset();
    reply(StatusDoc());
    EXPECT_EQ(history().rows().size(), 2u);
}

// An editor saves the hand-edited file as a new file renamed over the old one: the rows that
// follow go into the file under the night's name, not into the one it replaced.
TEST_F(HistoryTest, AFileSavedOverByAnEditorTakesTheRowsThatFollow) {
    reply(StatusDoc());
    const QString path = dir.filePath("calvetta-history-2026-01-02.csv");
    writeFile(path + ".new", "edited\r\n");
    ASSERT_TRUE(QFile::remove(path) && QFile::rename(path + ".new", path));
    reply(StatusDoc());
    EXPECT_TRUE(file("2026-01-02").startsWith("edited\r\n2026-01-02T21:05:09"));
}

// A file far beyond any night (300 MB held the window for many seconds): its latest rows only.
TEST_F(HistoryTest, OfAHugeFileOnlyTheLatestRowsAreRead) {
    const QByteArray row = "2026-01-02T20:00:00+00:00,VASKEL4,5000,7.5,9,12\r\n";
    const qsizetype rows = TSessionHistory::kMaxReadBytes / row.size();
    writeFile(dir.filePath("calvetta-history-2026-01-02.csv"), row.repeated(rows + 1000));
    reply(StatusDoc());
    EXPECT_EQ(history().rows().size(), static_cast<std::size_t>(rows) + 1);
}

TEST_F(HistoryTest, TwoProgramsBesideEachOtherKeepEveryRowOfBoth) {
    // Two focusers, each with its own Calvetta in the same directory: the same night's file.
    TSessionHistory other(dir.path(), clock);
    for (int i = 0; i < 3; ++i) {
        StatusDoc mine, theirs;
        mine.mot1("ABS_POS", 1000 + i);
        theirs.mot1("ABS_POS", 2000 + i);
        reply(mine);
        feed(other, theirs.text());
    }
    const QByteArray written = file("2026-01-02");
    EXPECT_EQ(written.count('\n'), 7) << written.constData();
    for (const char* position : {",1000,", ",1001,", ",1002,", ",2000,", ",2001,", ",2002,"})
        EXPECT_TRUE(written.contains(position)) << position;
}

TEST_F(HistoryTest, AFileThatCannotBeWrittenCostsOnlyTheFile) {
    // The directory is a plain file: nothing can be created in it.
    const QString notADirectory = dir.filePath(QString(200, u'p')); // deeper than its lines
    writeFile(notADirectory, "x");
    TSessionHistory lost(notADirectory, clock);
    feed(lost, StatusDoc().text());
    EXPECT_TRUE(lost.writeFailed());
    EXPECT_EQ(lost.rows().size(), 1u) << "the window still draws the session";
    EXPECT_EQ(readFile(notADirectory), "x");

    // Writable again: the window still tells that the file lacks a row of the night.
    ASSERT_TRUE(QFile::remove(notADirectory) && QDir().mkdir(notADirectory));
    feed(lost, StatusDoc().text());
    EXPECT_FALSE(lost.writeFailed());
    THistoryWindow window(lost);
    window.show();
    const QLabel& label = *window.FileLabel;
    EXPECT_TRUE(label.text().endsWith("2026-01-02.csv (rows not written: 1)"));
    const QRect box(QPoint(), label.size());
    EXPECT_LE(label.fontMetrics().boundingRect(box, Qt::TextWordWrap, label.text()).height(),
              box.height())
        << "the file's name is on the lines shown: " << qPrintable(label.text());
}

// Linked to /dev/null (or a pipe, which held the window) the night's file took every row
// while the window said they were written.
TEST_F(HistoryTest, AFileThatIsNoPlainFileIsNeitherReadNorWritten) {
    ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("calvetta-history-2026-01-02.csv")));
    reply(StatusDoc());
    EXPECT_TRUE(history().writeFailed());
}

TEST_F(HistoryTest, RowsWithATimeOutsideTheNightHideNothingOfIt) {
    // A row from the future and one from another night in the middle of the file, and rows
    // written before a clock was set back.
    StatusSample sample;
    sample.model = QStringLiteral("VASKEL4");
    sample.position = 7000;
    writeFile(dir.filePath("calvetta-history-2026-01-02.csv"),
              headerLine() + csvRow(QDateTime(QDate(2026, 1, 2), QTime(20, 0, 0)), sample) +
                  "2099-01-01T00:00:00+00:00,VASKEL4,5,1,1,12\r\n" +
                  "2025-06-01T00:00:00+00:00,VASKEL4,5,1,1,12\r\n" +
                  csvRow(QDateTime(QDate(2026, 1, 2), QTime(21, 0, 0)), sample) +
                  csvRow(QDateTime(QDate(2026, 1, 2), QTime(20, 30, 0)), sample));
    reply(StatusDoc());
    clock.setLocalNow(QDateTime(QDate(2026, 1, 2), QTime(20, 45, 0))); // set back
    reply(StatusDoc());

    const auto at = [](int h, int m) {
        return QDateTime(QDate(2026, 1, 2), QTime(h, m, 0)).toMSecsSinceEpoch();
    };
    std::vector<qint64> times;
    for (const HistoryRow& r : history().rows())
        times.push_back(r.ms);
    EXPECT_EQ(times, (std::vector<qint64>{at(20, 0), at(20, 30), at(20, 45), at(21, 0),
                                          at(21, 5) + 9000}));
}
