#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Dates are checked as the C locale writes them, in UTC.
    qputenv("LC_ALL", "C");
#ifdef _WIN32
    qputenv("TZ", "UTC0");
#else
    qputenv("TZ", "UTC");
#endif
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
