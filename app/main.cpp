#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trovina"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Trovina"));
    window.resize(1024, 700);
    window.show();
    return app.exec();
}
