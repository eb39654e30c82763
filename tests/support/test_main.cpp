#include "support/isolated_home.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>

#ifdef PG_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    pg::test::IsolateHomeFolders();
    // Texts from the C library (strerror) and Qt's number formats are those of
    // the C locale whatever the machine's; one test changes it on purpose.
    qputenv("LC_ALL", "C.UTF-8");
    qunsetenv("LANGUAGE");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TestApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
