#pragma once
// What the focuser sends, recorded from the emulated device byte for byte: full status
// replies, and the position lines of a long goto with its completion line.

#include "emulator/FocuserModel.h"

#include <QByteArray>
#include <QList>

// `count` status replies of one device as it answers the status request, a second apart (the
// temperatures drift between them).
QList<QByteArray> recordStatusReplies(FocuserModel model, int count);

// Everything a VASKEL4 sends during a goto across most of its travel: one position line every
// 200 ms, then "GoTo cmd completed". The acknowledgement of the goto request is left out.
QByteArray recordGotoLines();
