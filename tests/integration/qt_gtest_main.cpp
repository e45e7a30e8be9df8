// Runs GoogleTest inside a Qt application with the program's browser setup.
#include "app/TApplication.h"
#include "browser/FlashPlayer.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char* argv[])
{
    // Listing the tests (at build time, with no display) needs no application.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) {
            testing::InitGoogleTest(&argc, argv);
            return RUN_ALL_TESTS();
        }
    }
    flash::RegisterScheme();
    TApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvanzev-tests"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
