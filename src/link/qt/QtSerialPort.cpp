#include "link/qt/QtSerialPort.h"

#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sys/file.h>
#include <unistd.h>

#include "link/PortFailure.h"
#include "link/PosixSerialPort.h"

namespace pellix {

namespace {

// A write that the device has not taken within this long has stalled.
constexpr int kWriteStallMs = 1000;

bool Broken(const QSerialPort& port) {
    switch (port.error()) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
        return false;
    default:
        return true;
    }
}

// The errno behind a failed open, as near as Qt's error and the device itself tell it.
int OpenErrno(const QSerialPort& port, const std::string& path) {
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return ENOENT;
    case QSerialPort::PermissionError:
        // Qt says this both for a device the user may not open and for one it found
        // locked by another program.
        return ::access(path.c_str(), R_OK | W_OK) != 0 ? EACCES : EBUSY;
    default:
        return PosixSerialPort::OpenError(path);
    }
}

} // namespace

QtSerialPort::QtSerialPort(std::unique_ptr<QSerialPort> port) : port_(std::move(port)) {}

std::unique_ptr<SerialPort> QtSerialPort::Open(const std::string& path, std::string* why) {
    auto refuse = [&](int error) {
        if (why) *why = OpenFailureText(path, error);
        return nullptr;
    };
    // Qt takes the lock files of other tools for stale ones; the termios adapter does not.
    if (LockHolder(path) != 0) return refuse(EBUSY);
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(path));
    if (!port->open(QIODevice::ReadWrite)) {
        if (why) {
            *why = OpenFailureText(path, OpenErrno(*port, path));
            if (why->empty()) *why = port->errorString().toStdString();
        }
        return nullptr;
    }
    // The same lock the termios adapter takes, so that neither opens a port the other holds.
    if (::flock(int(port->handle()), LOCK_EX | LOCK_NB) != 0) {
        port->close();
        return refuse(EBUSY);
    }
    port->clear();
    return std::unique_ptr<SerialPort>(new QtSerialPort(std::move(port)));
}

QtSerialPort::~QtSerialPort() {
    Close();
}

void QtSerialPort::Close() {
    if (port_ && port_->isOpen()) port_->close();
}

bool QtSerialPort::SetLine(uint32_t baud) {
    if (!port_ || !port_->isOpen()) return false;
    bool ok = port_->setBaudRate(qint32(baud)) && port_->setDataBits(QSerialPort::Data8) &&
              port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::OneStop) &&
              port_->setFlowControl(QSerialPort::NoFlowControl);
    // A pseudo-terminal has no modem lines; that is no reason to refuse it.
    port_->setDataTerminalReady(true);
    port_->setRequestToSend(false);
    port_->clearError();
    return ok;
}

long QtSerialPort::Read(uint8_t* data, size_t max) {
    if (!port_ || !port_->isOpen()) return -1;
    // Pulls what the device holds into the port's buffer without waiting.
    port_->waitForReadyRead(0);
    if (Broken(*port_)) return -1;
    port_->clearError();
    qint64 n = port_->read(reinterpret_cast<char*>(data), qint64(max));
    return n < 0 ? -1 : long(n);
}

void QtSerialPort::WaitForInput(uint32_t milliseconds) {
    if (!port_ || !port_->isOpen()) return;
    // Waits in the system for the device, taking what comes into the port's buffer.
    port_->waitForReadyRead(int(std::min<uint32_t>(milliseconds, INT32_MAX)));
}

long QtSerialPort::Write(const uint8_t* data, size_t count) {
    if (!port_ || !port_->isOpen()) return -1;
    qint64 queued = port_->write(reinterpret_cast<const char*>(data), qint64(count));
    if (queued < 0) return -1;
    while (port_->bytesToWrite() > 0)
        if (!port_->waitForBytesWritten(kWriteStallMs)) break;
    if (Broken(*port_)) return -1;
    port_->clearError();
    return long(queued - port_->bytesToWrite());
}

} // namespace pellix
