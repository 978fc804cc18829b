// The pacing queue on its own: what a host with a timer of its own does with an overdue
// reply, and the texts of ports that cannot be opened.

#include "serial/PortErrors.h"
#include "serial/RequestPacing.h"

#include <cerrno>
#include <gtest/gtest.h>

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
// Serial ports belong to dialout on Debian, to uucp elsewhere, a pseudo-terminal to no group;
// a port another program holds is no matter of rights.
TEST(PortErrors, TheHintFitsTheDevice) {
    const auto denied = [](const DeviceAccess& access) {
        return portOpenErrorText("/dev/ttyACM0", PortOpenFailure::Permission, "", access);
    };
    EXPECT_TRUE(denied({true, false, "uucp", true}).contains("sudo usermod -aG uucp $USER"));
    EXPECT_TRUE(denied({true, false, "tty", false}).contains("sudo chmod a+rw /dev/ttyACM0"));
    EXPECT_TRUE(denied({true, true, "dialout", true}).contains("in use by another program"));
}
#endif
