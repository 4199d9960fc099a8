#include "device/qtseriallink.h"

#include "device/portaccess.h"
#include "device/portname.h"

#include <utility>

namespace {

// The user's sentences, in one place.
const char *const openFailed = "No se ha podido abrir el puerto %1: %2";
const char *const badNumber = "el número de puerto no es válido.";
const char *const alreadyOpen = "el puerto ya está abierto.";
const char *const badSettings =
    "el dispositivo no es un puerto serie o no admite 9600 baudios, sin paridad, 8 bits de datos y 1 bit de parada.";
const char *const systemError = "error del sistema (%1).";
const char *const portLost =
    "El puerto %1 se ha desconectado: compruebe el cable y el adaptador del puerto serie.";

QString reasonFor(const QSerialPort &port, const QString &device)
{
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError: {
        // Qt says "permission" for a lock, a port in exclusive use and a
        // refusal alike; a look at the device tells them apart.
        PortAccess access = checkPortAccess(device);
        if (access.problem == PortAccess::Ok) // gone or freed meanwhile: Qt's word stands
            access.problem = port.error() == QSerialPort::PermissionError ? PortAccess::Busy : PortAccess::Missing;
        return portAccessReason(access);
    }
    case QSerialPort::OpenError:
        return QString::fromUtf8(alreadyOpen);
    case QSerialPort::UnsupportedOperationError:
        return QString::fromUtf8(badSettings);
    default:
        return QString::fromUtf8(systemError).arg(port.errorString());
    }
}

} // namespace

QtSerialLink::QtSerialLink(QObject *parent)
    : SerialLink(parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLink::onError);
}

QtSerialLink::~QtSerialLink()
{
    // No lost() from a port that goes with its owner.
    m_port.disconnect(this);
}

bool QtSerialLink::open(int portNumber, QString *error)
{
    close();
    m_leftover.clear();
    m_portNumber = portNumber;
    m_device = serialPortName(portNumber);
    auto fail = [&](const QString &reason) {
        if (m_port.isOpen())
            m_port.close();
        if (error)
            *error = QString::fromUtf8(openFailed).arg(describe(), reason);
        return false;
    };
    if (m_device.isEmpty())
        return fail(QString::fromUtf8(badNumber));

    m_port.setPortName(m_device);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);

    m_configuring = true;
    const bool opened = m_port.open(QIODevice::ReadWrite);
    // A pseudo-terminal has no DTR line and refuses the call; a real port
    // that cannot lower DTR still talks, so the refusal is not a failure.
    if (opened)
        m_port.setDataTerminalReady(false);
    m_configuring = false;
    if (!opened)
        return fail(reasonFor(m_port, m_device));
    m_port.clearError();
    if (error)
        error->clear();
    return true;
}

void QtSerialLink::close()
{
    ++m_connection;
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialLink::isOpen() const
{
    return m_port.isOpen();
}

bool QtSerialLink::write(const QByteArray &bytes, QString *error)
{
    // Handed to the driver at once, without waiting for the wire (that would
    // block the screens): a line counts as sent (the password journal relies
    // on it) even if the program dies before the event loop runs again. A
    // write error closes the port (onError) before flush() returns.
    if (m_port.isOpen() && m_port.write(bytes) == bytes.size()) {
        m_port.flush();
        if (m_port.isOpen())
            return true;
    }
    close(); // the loss is told here, not again through lost()
    if (error)
        *error = QString::fromUtf8(portLost).arg(describe());
    return false;
}

QByteArray QtSerialLink::readAll()
{
    QByteArray bytes = std::exchange(m_leftover, QByteArray());
    if (m_port.isOpen())
        bytes += m_port.readAll();
    return bytes;
}

void QtSerialLink::onError(QSerialPort::SerialPortError error)
{
    if (m_configuring || !m_port.isOpen())
        return;
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        break;
    default:
        // NoError comes with every open; the rest are refusals of single
        // calls and leave the port usable.
        return;
    }
    m_leftover += m_port.readAll();
    m_port.close();
    // Told from the event loop, not from inside QSerialPort's notifier: the
    // receiver may well open a modal message box.
    const QString message = QString::fromUtf8(portLost).arg(describe());
    // A port closed or opened again meanwhile: no stale report.
    QMetaObject::invokeMethod(
        this,
        [this, message, connection = m_connection] {
            if (connection == m_connection)
                emit lost(message);
        },
        Qt::QueuedConnection);
}

QString QtSerialLink::describe() const
{
    if (m_device.isEmpty() || m_device.compare(portLabel(m_portNumber), Qt::CaseInsensitive) == 0)
        return portLabel(m_portNumber);
    return QStringLiteral("%1 (%2)").arg(portLabel(m_portNumber), m_device);
}
