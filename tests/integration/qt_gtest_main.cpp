// Runs GoogleTest inside a Qt application with the program's browser setup.
#include "app/TApplication.h"
#include "browser/FlashPlayer.h"
#ifdef ORVANZEV_TEST_ENGINE_OPTIONS
#include "browser/EngineOptions.h"
#endif

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
#ifdef ORVANZEV_TEST_ENGINE_OPTIONS
    // Tests about page processes run with the program's own engine switches.
    engine_options::BeforeApplication();
#endif
    TApplication application(argc, argv);
#ifdef ORVANZEV_TEST_ENGINE_OPTIONS
    engine_options::AfterApplication();
#endif
    QApplication::setApplicationName(QStringLiteral("orvanzev-tests"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
