// The pacing queue on its own: what a host with a timer of its own does with an overdue
// reply, and the texts of ports that cannot be opened.

#include "serial/PortErrors.h"
#include "serial/RequestPacing.h"

#include <QTemporaryFile>
#include <cerrno>
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(RequestPacer, AnOverdueReplyReleasesTheQueueOneRequestAtATime) {
    RequestPacer p;
    ASSERT_TRUE(p.admit("status", false, 1000));
    EXPECT_FALSE(p.admit("goto", false, 1100));
    EXPECT_FALSE(p.admit("stop", true, 1200));

    EXPECT_EQ(p.takeOverdueHead(1350), std::nullopt) << "350 ms is not overdue yet";
    EXPECT_EQ(p.takeOverdueHead(1351), "stop") << "the urgent one first";
    EXPECT_TRUE(p.isWaitingAnswer());
    EXPECT_EQ(p.awaitedSince(), 1351u) << "it is awaited as if sent anew";
    EXPECT_EQ(p.takeOverdueHead(1600), std::nullopt);
    EXPECT_EQ(p.takeOverdueHead(1702), "goto");
    EXPECT_EQ(p.takeOverdueHead(2100), std::nullopt) << "nothing left";
    EXPECT_TRUE(p.isIdle(2100));
}

TEST(PortErrors, TheReasonAndTheHint) {
    // A device this machine lacks: the hint then cannot look at it.
    const QString denied = portOpenErrorText("/dev/ttyNONE9", portOpenFailureFromErrno(EACCES), "");
    EXPECT_TRUE(denied.startsWith("Cannot open /dev/ttyNONE9: permission denied"));
#if defined(Q_OS_LINUX)
    EXPECT_TRUE(denied.contains("dialout"));
#endif
    EXPECT_EQ(portOpenFailureFromErrno(EBUSY), PortOpenFailure::Permission);
    EXPECT_EQ(portOpenErrorText("/dev/x", portOpenFailureFromErrno(ENOENT), "gone"),
              "Cannot open /dev/x: no such port.");
    EXPECT_EQ(portOpenErrorText("/dev/x", portOpenFailureFromErrno(EIO), "Input/output error"),
              "Cannot open /dev/x: Input/output error");
}

#if defined(Q_OS_LINUX)
// Serial ports belong to dialout on Debian but to uucp elsewhere, a pseudo-terminal to no group
// at all, and a port held by another program is no matter of rights: each gets its own remedy.
TEST(PortErrors, TheHintFitsTheDevice) {
    const auto denied = [](const DeviceAccess& access) {
        return portOpenErrorText("/dev/ttyACM0", PortOpenFailure::Permission, "", access);
    };
    EXPECT_EQ(denied({true, false, "uucp", true}),
              "Cannot open /dev/ttyACM0: permission denied. To use it, add your user to the uucp "
              "group (sudo usermod -aG uucp $USER) and log in again.");
    for (const DeviceAccess& noGroup :
         {DeviceAccess{true, false, "tty", false}, DeviceAccess{true, false, "root", true}}) {
        EXPECT_TRUE(denied(noGroup).contains("sudo chmod a+rw /dev/ttyACM0"))
            << noGroup.group.toStdString();
        EXPECT_FALSE(denied(noGroup).contains("usermod")) << noGroup.group.toStdString();
    }
    const QString held = denied({true, true, "dialout", true});
    EXPECT_TRUE(held.contains("in use by another program"));
    EXPECT_FALSE(held.contains("usermod"));

    QTemporaryFile device;
    ASSERT_TRUE(device.open());
    device.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                          QFile::WriteGroup);
    const DeviceAccess access = deviceAccess(device.fileName());
    EXPECT_TRUE(access.known);
    EXPECT_TRUE(access.groupMayOpen);
    EXPECT_EQ(access.group, QString::fromLocal8Bit(::getgrgid(::getegid())->gr_name));
    device.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_FALSE(deviceAccess(device.fileName()).groupMayOpen);
    EXPECT_FALSE(deviceAccess("/dev/no-such-port").known);
}
#endif
