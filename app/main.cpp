#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("  CALVETTA v1.3"));
    window.resize(800, 640);
    window.show();
    return app.exec();
}
