#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    // Dates are checked as the C locale writes them, in UTC.
    setenv("LC_ALL", "C", 1);
    setenv("TZ", "UTC", 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
