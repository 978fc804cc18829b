#include "history/SessionHistory.h"

#include "i18n/FileOwner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace history;

namespace {

// The compensation's log of the night stays short enough to read.
constexpr std::size_t kMaxEvents = 500;

// The last `limit` bytes of a file from the start of a line: its latest rows. A whole night is
// some 5 MB; a file far larger is not one night's rows (a file copied over it, a damaged disk),
// and reading it whole would hold the window for many seconds and its memory for the night.
QByteArray latestRows(QFile& file, qint64 limit) {
    const qint64 size = file.size();
    if (size <= limit)
        return file.readAll();
    // One byte more: the line end before the first line that fits, when it ends right there.
    if (!file.seek(size - limit - 1))
        return {};
    const QByteArray tail = file.read(limit + 1);
    const qsizetype lineEnd = tail.indexOf('\n');
    return lineEnd < 0 ? QByteArray() : tail.mid(lineEnd + 1);
}

bool earlier(const HistoryRow& a, const HistoryRow& b) { return a.ms < b.ms; }

// Whether the open file is still the one under its name. Deleted or moved away (a clean-up of
// old nights), or replaced by another file (an editor saves the hand-edited file as a new one
// renamed over it), it would take every row that follows with it, unseen.
bool stillUnderItsName(const QFile& file) {
#ifdef Q_OS_UNIX
    struct stat open, named;
    return ::fstat(file.handle(), &open) == 0 &&
           ::stat(QFile::encodeName(file.fileName()).constData(), &named) == 0 &&
           open.st_ino == named.st_ino && open.st_dev == named.st_dev;
#else
    return QFileInfo::exists(file.fileName());
#endif
}

} // namespace

TSessionHistory::TSessionHistory(QString directory, const TickClock& clock, QObject* parent)
    : QObject(parent), directory_(std::move(directory)), clock_(clock) {}

void TSessionHistory::enterNight(const QDateTime& localNow) {
    const QDate night = nightOf(localNow);
    if (night == night_)
        return;
    night_ = night;
    file_.close(); // the new night's file is opened by its first row
    events_.clear();
    unwrittenRows_ = 0;
    // A plain file only: opening a pipe waits for a writer, and a device may never end.
    QFile file(nightFilePath());
    rows_ = QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly)
                ? parseHistory(latestRows(file, kMaxReadBytes))
                : std::vector<HistoryRow>();
    // The charts find the night's rows by time: one row with a time outside the night (a
    // damaged file, a clock that was wrong) would hide everything after it, the session too.
    QDateTime noon = localNow;
    noon.setDate(night_);
    noon.setTime(QTime(12, 0));
    const qint64 start = noon.toMSecsSinceEpoch(), now = localNow.toMSecsSinceEpoch();
    std::erase_if(rows_, [&](const HistoryRow& r) { return r.ms < start || r.ms > now; });
    if (!std::is_sorted(rows_.begin(), rows_.end(), earlier))
        std::stable_sort(rows_.begin(), rows_.end(), earlier);
}

QDate TSessionHistory::night() {
    enterNight(clock_.localNow());
    return night_;
}

QString TSessionHistory::filePath() {
    enterNight(clock_.localNow());
    return nightFilePath();
}

QString TSessionHistory::nightFilePath() const {
    return QDir(directory_).filePath(historyFileName(night_));
}

const std::vector<HistoryRow>& TSessionHistory::rows() {
    enterNight(clock_.localNow());
    return rows_;
}

bool TSessionHistory::append(const QByteArray& row) {
    // The night's file stays open: a row a second is a write, not an open and a close.
    // Each write goes to the end of the file as it is then, so that a second Calvetta beside
    // this one (a second focuser) adds its rows instead of writing over these.
    QByteArray bytes;
    // The night goes on in the file under its name.
    if (file_.isOpen() && !stillUnderItsName(file_))
        file_.close();
    if (!file_.isOpen()) {
        file_.setFileName(nightFilePath());
        // Rows written into a pipe or a device are lost, or hold the window once nobody reads.
        if (const QFileInfo named(file_); named.exists() && !named.isFile())
            return false;
        // A file made under sudo would be root's, and the user's later runs could not write it.
        const fileowner::Owner owner = fileowner::ownerFor(file_.fileName());
        if (!file_.open(QIODevice::ReadWrite | QIODevice::Append))
            return false;
        fileowner::giveTo(file_.fileName(), owner);
    }
    // How the file ends is looked at before every row, not only at its opening: another writer
    // (a second Calvetta, an editor saving in place) may have left it empty or a line unended.
    const qint64 size = file_.size();
    if (size == 0) {
        bytes = headerLine();
    } else {
        // A row cut short (a crash, a full disk) must not swallow the next one, nor be read
        // back as a row: cut in its last field it still has six fields ("12.31" cut to "1": a
        // supply of 1 V), so the mark makes its last field no number.
        char last = '\n';
        if (!file_.seek(size - 1) || !file_.getChar(&last)) {
            file_.close();
            return false;
        }
        if (last == '\r')
            bytes = "\n";
        else if (last != '\n')
            bytes = " (cut short)\r\n";
    }
    bytes += row;
    if (file_.write(bytes) == bytes.size() && file_.flush())
        return true;
    // Opened afresh for the next row, which then looks again at how the file ends.
    file_.close();
    return false;
}

void TSessionHistory::statusReply(const rapidjson::Value& get, const rapidjson::Value& mot1,
                                  bool calibrating) {
    const QDateTime now = clock_.localNow();
    const std::uint32_t tick = clock_.tickCount();
    enterNight(now);
    calibrating = std::exchange(calibrationUnderWay_, false) || calibrating;

    const StatusSample sample = readStatusSample(get, mot1);
    writeFailed_ = !append(csvRow(now, sample));
    unwrittenRows_ += writeFailed_;

    TemperatureCompensation::Sample input;
    input.tick = tick;
    input.position = sample.position;
    input.temperature =
        settings().source == TemperatureSource::External ? sample.external : sample.internal;
    input.travelSteps = sample.travelSteps;
    input.calibrating = calibrating;
    input.busy = isBusy && isBusy();
    input.focuser = qHashMulti(0, sample.model, networkName(get));
    auto decision = compensation_.sample(input);

    HistoryRow row = toRow(now, sample);
    row.compensationMove = compensation_.lastChangeWasOwn();
    row.calibrating = calibrating;
    row.unit = input.focuser;
    // A clock set back during the night: the row goes where its time belongs.
    rows_.insert(std::upper_bound(rows_.begin(), rows_.end(), row, earlier), row);

    if (decision.kind == TemperatureCompensation::Decision::Move &&
        !(sendGoto && sendGoto(decision.to))) {
        compensation_.moveFailed();
        decision.kind = TemperatureCompensation::Decision::None;
    }
    // A goto found short of its target is told before what is decided next.
    for (const auto& d : {compensation_.takeShortfall(), std::optional(decision)}) {
        if (!d || d->kind == TemperatureCompensation::Decision::None)
            continue;
        if (events_.size() >= kMaxEvents)
            events_.erase(events_.begin());
        events_.push_back({row.ms, *d});
    }
    emit changed();
}

void TSessionHistory::userCommand() {
    compensation_.userCommand(clock_.tickCount());
}

void TSessionHistory::linkClosed() {
    compensation_.linkLost();
    emit changed();
}

void TSessionHistory::setSettings(const CompensationSettings& settings) {
    if (settings == compensation_.settings())
        return;
    compensation_.setSettings(settings);
    if (saveSettings)
        saveSettings();
    emit changed();
}

void TSessionHistory::adoptSettings(const CompensationSettings& settings) {
    compensation_.setSettings(settings);
}

bool TSessionHistory::applySetting(const QString& key, const QString& value) {
    CompensationSettings s = compensation_.settings();
    if (!applyCompensationSetting(s, key, value))
        return false;
    adoptSettings(s);
    return true;
}

QStringList TSessionHistory::settingLines() const {
    return compensationSettingLines(compensation_.settings());
}

FocusFit TSessionHistory::fit() {
    return fitFocus(focusPoints(rows(), settings().source));
}
