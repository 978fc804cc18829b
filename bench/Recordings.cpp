#include "Recordings.h"

#include "emulator/FocuserDevice.h"
#include "protocol/Requests.h"

namespace {

QByteArray wire(const QString& request) { return request.toLatin1(); }

} // namespace

QList<QByteArray> recordStatusReplies(FocuserModel model, int count) {
    ManualClock clock;
    DeviceConfig config;
    config.model = model;
    FocuserDevice device(clock, config);
    QList<QByteArray> replies;
    for (int i = 0; i < count; ++i) {
        device.receive(wire(request::status()));
        device.update();
        replies.append(device.takeOutput());
        clock.advance(1000);
    }
    return replies;
}

QByteArray recordGotoLines() {
    ManualClock clock;
    FocuserDevice device(clock);
    const int target = traitsOf(FocuserModel::Vaskel4).nominalTravel;
    device.receive(wire(request::verboseTimeGoto(target)));
    device.update();
    device.takeOutput(); // the acknowledgement
    QByteArray lines;
    while (device.moving() || device.hasPendingOutput()) {
        clock.advance(200);
        device.update();
        lines += device.takeOutput();
    }
    return lines;
}
