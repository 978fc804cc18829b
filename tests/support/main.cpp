#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit keeps the file dialog's state (column widths, folders visited) in the user's
    // settings: tests neither read a developer's nor leave theirs there.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    // The interface font, as the program makes it available at start.
    QFontDatabase::addApplicationFont(QStringLiteral(CALVETTA_FONT_DIR "/TitilliumWeb-Regular.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral(CALVETTA_FONT_DIR "/TitilliumWeb-Bold.ttf"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
