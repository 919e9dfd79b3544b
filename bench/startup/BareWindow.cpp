// The yardstick of the start-up benchmark: the least a Qt program shows, a main window with a
// menu bar and a status bar, sized like the recorder's first window.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("E&xit"), &window, &QMainWindow::close);
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.resize(582, 747);
    window.show();
    return QApplication::exec();
}
