#include "support/testmain.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    SetTestEnvironment();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
