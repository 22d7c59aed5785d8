#include <QCoreApplication>

#include "link/KeysimScenarios.h"
#include "link/PortFailureScenarios.h"
#include "link/qt/QtSerialPort.h"

using namespace pellix;
using namespace pellix::test;

TEST(KeysimOverPtyWithQt, ProgramAndReadBack) {
    ProgramAndReadBackOverAPty(QtSerialPort::Open);
}

TEST(KeysimOverPtyWithQt, Failures) {
    FailuresOverAPty(QtSerialPort::Open);
}

TEST(QtSerialPortFailures, TheSameReasonsAsTheTermiosAdapter) {
    OpenFailuresTellTheReason(QtSerialPort::Open);
}

TEST(KeysimOverPtyWithQt, ThroughAStableName) {
    ConnectsThroughAStableName(QtSerialPort::Open);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
