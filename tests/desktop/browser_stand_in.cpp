// A window on the X server that looks like a browser to the URL capture: the
// title of one, a search field holding a word, then an address field holding
// the given text.   browser_stand_in TITLE ADDRESS
#include <QApplication>
#include <QLineEdit>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QApplication::arguments().value(1));
    new QLineEdit(QStringLiteral("cats"), &window);
    new QLineEdit(QApplication::arguments().value(2), &window);
    window.show();
    return QApplication::exec();
}
