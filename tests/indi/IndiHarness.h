#pragma once
// The driver as a user runs it: calvetta-emulator on a pseudo-terminal, indi_calvetta_focus
// behind socat on a TCP port of 127.0.0.1, and libindi's own client library talking to it.
// The client keeps what the driver tells it (every update of every property, every message)
// for the test to wait on. Real time passes here; waits are bounded and generous.

#include <baseclient.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct ElementSeen {
    std::string label;
    double number = 0;
    bool on = false;
    std::string text;
};
struct PropertySeen {
    std::string name;
    IPState state = IPS_IDLE;
    std::map<std::string, ElementSeen> elements;
};

class RecordingClient : public INDI::BaseClient {
public:
    void newProperty(INDI::Property p) override { record(p); }
    void updateProperty(INDI::Property p) override { record(p); }
    void removeProperty(INDI::Property p) override;
    void newMessage(INDI::BaseDevice device, int id) override;

    std::mutex mutex;
    std::map<std::string, PropertySeen> current; // by property name
    std::vector<PropertySeen> history;           // every update, in order
    std::vector<std::string> messages;

private:
    void record(const INDI::Property& p);
};

class IndiSession : public ::testing::Test {
protected:
    static constexpr const char* kDevice = "Calvetta Focuser";

    void TearDown() override;

    // Starts the emulator with these options; returns the path of its link.
    QString startEmulator(const QStringList& options = {});
    // Starts the driver behind socat and connects the client to it.
    void startDriver();
    // Points the driver at `port` and asks it to connect.
    void connectTo(const QString& port);
    // Emulator and driver, connected; false when the connection did not come up.
    bool connectFocuser(const QStringList& emulatorOptions = {});

    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 15000);
    bool waitState(const char* property, IPState state, int timeoutMs = 15000);
    bool waitMessage(const std::string& part, int timeoutMs = 15000);

    // What the client knows now (a copy, or a default when it does not know the property).
    std::optional<PropertySeen> property(const char* name);
    IPState state(const char* name) { return property(name).value_or(PropertySeen{}).state; }
    ElementSeen element(const char* name, const char* element);
    double number(const char* name, const char* e) { return element(name, e).number; }
    bool isOn(const char* name, const char* e) { return element(name, e).on; }
    std::string text(const char* name, const char* e) { return element(name, e).text; }
    std::string label(const char* name, const char* e) { return element(name, e).label; }
    // The element of a switch vector that carries `label`; empty when none does.
    std::string elementLabelled(const char* name, const std::string& label);
    std::vector<PropertySeen> historyOf(const char* name);
    size_t historySize();
    bool hasMessage(const std::string& part);

    void setNumber(const char* name, const char* element, double value);
    void setSwitch(const char* name, const char* element);
    void setTexts(const char* name, const std::vector<std::pair<const char*, std::string>>& texts);
    // One element, as a careless client sends it without reading the definition: any property
    // name, any element name.
    void sendRawNumber(const char* name, const char* element, double value);
    void sendRawSwitch(const char* name, const char* element, ISState state);

    // Moves to `target` and waits for the end; the updates of the move, in order.
    std::vector<PropertySeen> moveTo(int target);

    QTemporaryDir dir;
    QProcess emulator;
    QProcess driver; // socat, with the driver as its child
    // When set before startDriver: the timestamp file of libfaketime, whose offset the
    // driver's wall clock follows while its uptime clock stays the machine's.
    QString driverClock;
    RecordingClient client;
    bool clientConnected = false;
    int port = 0;
};
