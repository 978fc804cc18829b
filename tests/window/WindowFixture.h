#pragma once
// A main window started in a program directory of its own (language files, settings file),
// with its dialogs answered by the test and its ports on fake lines.

#include "FakeTransport.h"
#include "TestUtil.h"
#include "app/ProgramPaths.h"
#include "i18n/Translator.h"
#include "serial/ErrorReport.h"
#include "serial/SerInterface.h"
#include "window/FocuserWin.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

struct DialogLog {
    QStringList messages;  // every message shown
    QStringList questions; // every confirmation asked
    QStringList inputs;    // caption | prompt | initial of every text input
    bool answerYes = true;
    std::optional<QString> inputAnswer;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir = QDir::currentPath();
        setExecutablePathForTesting(dir.filePath(QStringLiteral("calvetta")));
        previousReporter = setDefaultErrorReporter([this](const QString& m) { errors.append(m); });
        serialTraceEnabled = false;
    }
    void TearDown() override {
        window.reset();
        serialLink.reset();
        releasedLink.reset();
        serialTraceEnabled = false;
        setExecutablePathForTesting(QString());
        setDefaultErrorReporter(previousReporter);
        QDir::setCurrent(previousDir);
    }

    // Puts a file beside the pretended executable.
    void programFile(const QString& name, const QByteArray& content) {
        writeFile(dir.filePath(name), content);
    }
    QByteArray settingsFile() { return readFile(dir.filePath(QStringLiteral("calvetta.ini"))); }
    void writeSettings(const QByteArray& content) { programFile(QStringLiteral("calvetta.ini"), content); }
    void italian() {
        programFile(QStringLiteral("VaskelManager_IT.txt"),
                    "\xEF\xBB\xBF"
                    "Connect=Connetti\r\nDisconnect=Disconnetti\r\nSettings=Impostazioni\r\n"
                    "STEP=PASSO\r\nMM=MILLIMETRI\r\nGO=VAI\r\nSTOP=FERMA\r\nCANCEL=ANNULLA\r\n"
                    "CALIBRATION=CALIBRAZIONE\r\nUPGRADE=AGGIORNA\r\nADV.SETTINGS=AVANZATE\r\n"
                    "&Go to preset position=&Vai alla posizione\r\nRe&name=Ri&nomina\r\n"
                    "O&ff=&Spento\r\nLanguage=Lingua\r\nVirtual Handpad=Pulsantiera virtuale\r\n"
                    "  CALVETTA=  CALVETTA IT\r\nsteps=passi\r\n");
    }

    // The main window, or a kind of it that a test watches from inside.
    template <class Window = TVaskelWindow>
    Window& open() {
        auto made = std::make_unique<Window>();
        Window& w = *made;
        window = std::move(made);
        window->endApplication = [this] { ++endRequests; };
        window->dialogs.message = [this](DialogKind, const QString& t) { log.messages.append(t); };
        window->dialogs.confirm = [this](const QString& t) {
            log.questions.append(t);
            return log.answerYes;
        };
        window->dialogs.input = [this](const QString& c, const QString& p, const QString& i) {
            log.inputs.append(c + u'|' + p + u'|' + i);
            return log.inputAnswer;
        };
        return w;
    }

    QTemporaryDir dir;
    QString previousDir;
    std::unique_ptr<TVaskelWindow> window;
    DialogLog log;
    QStringList errors;
    int endRequests = 0;
    ErrorReporter previousReporter;
};
