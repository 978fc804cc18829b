#pragma once
// The session history: every status reply becomes a row of the night's CSV file beside the
// executable and of the rows the history window draws, and feeds the temperature compensation,
// whose gotos go out through the window. A file that cannot be written costs only the file:
// the rows, the charts and the compensation go on.

#include "history/Compensation.h"
#include "history/FocusFit.h"
#include "history/HistoryFile.h"
#include "serial/TickClock.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <functional>
#include <rapidjson/document.h>
#include <vector>

// What the compensation decided, and when.
struct CompensationEvent {
    qint64 ms = 0; // since the epoch
    history::TemperatureCompensation::Decision decision;
};

class TSessionHistory : public QObject {
    Q_OBJECT
public:
    // Night files are kept in `directory`; times come from `clock`.
    TSessionHistory(QString directory, const TickClock& clock, QObject* parent = nullptr);

    // One status reply (its `get` and `MOT1` blocks); `calibrating` when it shows a calibration
    // under way. Appends the row and lets the compensation act. Never throws.
    void statusReply(const rapidjson::Value& get, const rapidjson::Value& mot1, bool calibrating);
    // The user gave a command: the compensation waits.
    void userCommand();
    // A calibration runs, and no status reply comes until it ends: the next one is where it
    // left the focuser, and counts as one of its replies.
    void calibrationUnderWay() { calibrationUnderWay_ = true; }
    // The link to the focuser was closed or lost: no more replies until it is open again.
    void linkClosed();

    // Set by the owner: whether the user is moving the focuser or setting up a calibration,
    // and how to send a goto (false when nothing could be sent).
    std::function<bool()> isBusy;
    std::function<bool(int target)> sendGoto;
    // Called when the user changed the compensation settings, so that they are saved.
    std::function<void()> saveSettings;

    const history::CompensationSettings& settings() const { return compensation_.settings(); }
    // The user's change: in force at once, then saved.
    void setSettings(const history::CompensationSettings& settings);
    // Settings as read: in force at once, not saved.
    void adoptSettings(const history::CompensationSettings& settings);
    // A line of the settings file: true when the key is one of the compensation's.
    bool applySetting(const QString& key, const QString& value);
    QStringList settingLines() const;

    // Of a night's file only its last bytes are read, up to this many: three whole nights.
    static constexpr qint64 kMaxReadBytes = 16 << 20;
    // The current night's rows, its file read at the first use of the night.
    const std::vector<history::HistoryRow>& rows();
    QDate night();
    QString filePath();
    // The last row could not be written to the file.
    bool writeFailed() const { return writeFailed_; }
    // The rows of the night that could not be written to the file.
    int unwrittenRows() const { return unwrittenRows_; }

    const std::vector<CompensationEvent>& events() const { return events_; }
    const history::TemperatureCompensation& compensation() const { return compensation_; }
    // The fit of the night's focus points with the temperature of the chosen source.
    history::FocusFit fit();

signals:
    // A row was added, the compensation acted, or a new night began.
    void changed();

private:
    void enterNight(const QDateTime& localNow);
    QString nightFilePath() const;
    bool append(const QByteArray& row);

    QString directory_;
    QFile file_; // the night's file, open while rows go into it
    const TickClock& clock_;
    QDate night_;
    std::vector<history::HistoryRow> rows_;
    std::vector<CompensationEvent> events_;
    history::TemperatureCompensation compensation_;
    bool writeFailed_ = false;
    bool calibrationUnderWay_ = false;
    int unwrittenRows_ = 0;
};
