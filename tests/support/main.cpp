#include <QApplication>
#include <QFontDatabase>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The interface font, as the program makes it available at start.
    QFontDatabase::addApplicationFont(QStringLiteral(CALVETTA_FONT_DIR "/TitilliumWeb-Regular.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral(CALVETTA_FONT_DIR "/TitilliumWeb-Bold.ttf"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
