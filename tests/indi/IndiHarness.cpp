#include "IndiHarness.h"

#include "TestUtil.h"

#include <basedevice.h>

#include <QProcessEnvironment>
#include <QStandardPaths>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A TCP port of 127.0.0.1 that nothing listens on now.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t length = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

} // namespace

void RecordingClient::record(const INDI::Property& p) {
    PropertySeen seen;
    seen.name = p.getName();
    seen.state = p.getState();
    switch (p.getType()) {
    case INDI_NUMBER:
        for (const auto& w : *p.getNumber())
            seen.elements[w.getName()] = {w.getLabel(), w.getValue(), false, {}};
        break;
    case INDI_SWITCH:
        for (const auto& w : *p.getSwitch())
            seen.elements[w.getName()] = {w.getLabel(), 0, w.getState() == ISS_ON, {}};
        break;
    case INDI_TEXT:
        for (const auto& w : *p.getText())
            seen.elements[w.getName()] = {w.getLabel(), 0, false, w.getText() ? w.getText() : ""};
        break;
    default:
        break;
    }
    std::lock_guard lock(mutex);
    current[seen.name] = seen;
    history.push_back(std::move(seen));
}

void RecordingClient::removeProperty(INDI::Property p) {
    std::lock_guard lock(mutex);
    current.erase(p.getName());
}

void RecordingClient::newMessage(INDI::BaseDevice device, int id) {
    const std::string message = device.messageQueue(id);
    std::lock_guard lock(mutex);
    messages.push_back(message);
}

void IndiSession::TearDown() {
    if (clientConnected)
        client.disconnectServer();
    // The driver ends when its client goes; its sanitizer report, if any, comes last.
    if (driver.state() != QProcess::NotRunning && !driver.waitForFinished(20000)) {
        driver.kill();
        driver.waitForFinished(5000);
    }
    const QByteArray driverErrors = driver.readAllStandardError();
    EXPECT_FALSE(driverErrors.contains("Sanitizer")) << driverErrors.toStdString();
    if (emulator.state() != QProcess::NotRunning) {
        emulator.terminate();
        emulator.waitForFinished(20000);
    }
}

QString IndiSession::startEmulator(const QStringList& options) {
    const QString link = dir.filePath(QStringLiteral("ttyCALVETTA"));
    emulator.start(QStringLiteral(CALVETTA_EMULATOR_PATH),
                   QStringList{QStringLiteral("--link"), link} + options);
    EXPECT_TRUE(emulator.waitForStarted(10000));
    EXPECT_TRUE(waitUntil([&] { return emulator.canReadLine(); }, 20000));
    return link;
}

void IndiSession::startDriver() {
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    ASSERT_FALSE(socat.isEmpty()) << "socat is needed to serve the driver on TCP";
    port = freePort();
    ASSERT_GT(port, 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path()); // the driver's configuration goes here
    if (!driverClock.isEmpty()) {
        ASSERT_STRNE(FAKETIME_LIBRARY, "") << "libfaketime is needed to set the driver's clock";
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(FAKETIME_LIBRARY));
        env.insert(QStringLiteral("FAKETIME_TIMESTAMP_FILE"), driverClock);
        env.insert(QStringLiteral("FAKETIME_NO_CACHE"), QStringLiteral("1"));
        env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + ":verify_asan_link_order=0");
    }
    driver.setProcessEnvironment(env);
    driver.start(socat, {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr").arg(port),
                         QStringLiteral("EXEC:%1").arg(QStringLiteral(INDI_DRIVER_PATH))});
    ASSERT_TRUE(driver.waitForStarted(10000));
    client.setServer("127.0.0.1", static_cast<unsigned>(port));
    client.watchDevice(kDevice);
    // socat listens a moment after it starts.
    ASSERT_TRUE(waitUntil([&] { return clientConnected = client.connectServer(); }, 20000));
    ASSERT_TRUE(waitFor([&] { return property("DEVICE_PORT").has_value(); }));
}

void IndiSession::connectTo(const QString& device) {
    ASSERT_TRUE(clientConnected);
    setTexts("DEVICE_PORT", {{"PORT", device.toStdString()}});
    ASSERT_TRUE(waitFor([&] { return text("DEVICE_PORT", "PORT") == device.toStdString(); }));
    client.connectDevice(kDevice);
}

bool IndiSession::connectFocuser(const QStringList& emulatorOptions) {
    const QString link = startEmulator(emulatorOptions);
    startDriver();
    connectTo(link);
    // The readings' first update follows every definition of the connection.
    return waitState("CONNECTION", IPS_OK) && isOn("CONNECTION", "CONNECT") &&
           waitState("FOCUSER_INFO", IPS_OK) &&
           waitFor([&] { return historyOf("FOCUS_TEMPERATURE").size() >= 2; });
}

bool IndiSession::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    return waitUntil(condition, timeoutMs);
}

bool IndiSession::waitState(const char* name, IPState s, int timeoutMs) {
    return waitFor([&] { return property(name) && state(name) == s; }, timeoutMs);
}

bool IndiSession::waitMessage(const std::string& part, int timeoutMs) {
    return waitFor([&] { return hasMessage(part); }, timeoutMs);
}

std::optional<PropertySeen> IndiSession::property(const char* name) {
    std::lock_guard lock(client.mutex);
    const auto it = client.current.find(name);
    if (it == client.current.end())
        return std::nullopt;
    return it->second;
}

ElementSeen IndiSession::element(const char* name, const char* e) {
    return property(name).value_or(PropertySeen{}).elements[e];
}

std::string IndiSession::elementLabelled(const char* name, const std::string& wanted) {
    for (const auto& [element, seen] : property(name).value_or(PropertySeen{}).elements) {
        if (seen.label == wanted)
            return element;
    }
    return {};
}

std::vector<PropertySeen> IndiSession::historyOf(const char* name) {
    std::lock_guard lock(client.mutex);
    std::vector<PropertySeen> out;
    for (const auto& p : client.history) {
        if (p.name == name)
            out.push_back(p);
    }
    return out;
}

size_t IndiSession::historySize() {
    std::lock_guard lock(client.mutex);
    return client.history.size();
}

bool IndiSession::hasMessage(const std::string& part) {
    std::lock_guard lock(client.mutex);
    for (const auto& m : client.messages) {
        if (m.find(part) != std::string::npos)
            return true;
    }
    return false;
}

// Each of the three below sends a vector of its own, filled from the one the client shows: the
// client's copy is rewritten by its listener thread as updates come, and one arriving between
// setting a value in it and sending it would send the old value.

void IndiSession::setNumber(const char* name, const char* element, double value) {
    const INDI::PropertyNumber shown = client.getDevice(kDevice).getNumber(name);
    ASSERT_TRUE(shown.isValid()) << name;
    ASSERT_NE(shown.findWidgetByName(element), nullptr) << element;
    INDI::PropertyNumber p(shown.size());
    p.fill(kDevice, name, name, "", IP_RW, 0, IPS_IDLE);
    for (size_t i = 0; i < shown.size(); ++i) {
        const auto& e = shown[i];
        p[i].fill(e.getName(), e.getLabel(), e.getFormat(), e.getMin(), e.getMax(), e.getStep(),
                  e.isNameMatch(element) ? value : e.getValue());
    }
    client.sendNewNumber(p);
}

// The whole vector with the one element on, as a control panel sends it.
void IndiSession::setSwitch(const char* name, const char* element) {
    const INDI::PropertySwitch shown = client.getDevice(kDevice).getSwitch(name);
    ASSERT_TRUE(shown.isValid()) << name;
    ASSERT_NE(shown.findWidgetByName(element), nullptr) << element;
    INDI::PropertySwitch p(shown.size());
    p.fill(kDevice, name, name, "", IP_RW, shown.getRule(), 0, IPS_IDLE);
    for (size_t i = 0; i < shown.size(); ++i)
        p[i].fill(shown[i].getName(), shown[i].getLabel(),
                  shown[i].isNameMatch(element) ? ISS_ON : ISS_OFF);
    client.sendNewSwitch(p);
}

void IndiSession::setTexts(const char* name,
                           const std::vector<std::pair<const char*, std::string>>& texts) {
    const INDI::PropertyText shown = client.getDevice(kDevice).getText(name);
    ASSERT_TRUE(shown.isValid()) << name;
    INDI::PropertyText p(shown.size());
    p.fill(kDevice, name, name, "", IP_RW, 0, IPS_IDLE);
    for (size_t i = 0; i < shown.size(); ++i)
        p[i].fill(shown[i].getName(), shown[i].getLabel(), shown[i].getText());
    for (const auto& [element, value] : texts) {
        auto* w = p.findWidgetByName(element);
        ASSERT_NE(w, nullptr) << element;
        w->setText(value);
    }
    client.sendNewText(p);
}

void IndiSession::sendRawNumber(const char* name, const char* element, double value) {
    INDI::PropertyNumber p(1);
    p.fill(kDevice, name, name, "", IP_RW, 0, IPS_IDLE);
    p[0].fill(element, element, "%g", -1e12, 1e12, 0, value);
    client.sendNewNumber(p);
}

void IndiSession::sendRawSwitch(const char* name, const char* element, ISState state) {
    INDI::PropertySwitch p(1);
    p.fill(kDevice, name, name, "", IP_RW, ISR_NOFMANY, 0, IPS_IDLE);
    p[0].fill(element, element, state);
    client.sendNewSwitch(p);
}

std::vector<PropertySeen> IndiSession::moveTo(int target) {
    const size_t before = historySize();
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", target);
    std::vector<PropertySeen> updates;
    EXPECT_TRUE(waitFor([&] {
        updates.clear();
        std::lock_guard lock(client.mutex);
        for (size_t i = before; i < client.history.size(); ++i) {
            if (client.history[i].name == "ABS_FOCUS_POSITION")
                updates.push_back(client.history[i]);
        }
        return !updates.empty() && updates.back().state != IPS_BUSY;
    }, 60000));
    return updates;
}
