// A window that looks like a browser to the URL capture: the title of one, a
// search field holding a word, then an address field holding the given text.
//   browser_stand_in TITLE ADDRESS
#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        return 64;
    }
    QWidget window;
    window.setWindowTitle(args.at(1));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLineEdit(QStringLiteral("cats"), &window));
    layout->addWidget(new QLineEdit(args.at(2), &window));
    window.show();
    return QApplication::exec();
}
