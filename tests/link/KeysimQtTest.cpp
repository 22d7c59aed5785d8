#include <QCoreApplication>

#include "link/KeysimScenarios.h"
#include "link/qt/QtSerialPort.h"

using namespace pellix;
using namespace pellix::test;

TEST(KeysimOverPtyWithQt, ProgramAndReadBack) {
    ProgramAndReadBackOverAPty(QtSerialPort::Open);
}

TEST(KeysimOverPtyWithQt, Failures) {
    FailuresOverAPty(QtSerialPort::Open);
}

TEST(QtSerialPort, MissingDeviceCannotBeOpened) {
    EXPECT_EQ(QtSerialPort::Open("/nonexistent/ttyS9"), nullptr);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
