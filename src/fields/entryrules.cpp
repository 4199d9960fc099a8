#include "fields/entryrules.h"

#include "shell/octets.h"

namespace entryrules {

namespace {

// The codes the classic key handler saw for these keys.
constexpr int backspaceCode = 8;
constexpr int returnCode = 13;

} // namespace

std::optional<int> typedCharCode(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    switch (key) {
    case Qt::Key_Backspace:
        return backspaceCode;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return returnCode;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Insert:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return std::nullopt;
    default:
        break;
    }
    // Alt with a letter that is an access key never reaches the field; one
    // that does reach it may be typed (AltGr), so it is filtered like any.
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier);
    if (ctrl && key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 1;
    if (text.isEmpty())
        return std::nullopt;
    return text.at(0).unicode();
}

bool keyPasses(int code)
{
    return (code >= '0' && code <= '9') || code == backspaceCode;
}

bool settingsOctetPasses(const QString &text)
{
    return isOctet(text);
}

bool subscriberOctetPasses(const QString &text)
{
    return text.isEmpty() || isOctet(text);
}

bool counterPasses(const QString &text)
{
    return !text.isEmpty();
}

bool phoneLengthPasses(const QString &text, const QString &minSize)
{
    return text.size() >= toInt16(minSize).value_or(0);
}

int phoneFieldLimit(const QString &maxSize)
{
    const std::optional<qint16> limit = toInt16(maxSize);
    return limit && *limit > 0 ? *limit : largestFieldNumber;
}

bool fileNumberPasses(const QString &text)
{
    return !text.isEmpty();
}

Message octetKeyMessage()
{
    return {QStringLiteral("Error: Formato no válido"),
            QStringLiteral("Sólo se permite introducir números entre 0 y 9"), MessageIcon::Warning};
}

Message digitKeyMessage()
{
    return {QStringLiteral("Formato no válido"),
            QStringLiteral("Introduzca dígitos comprendidos entre 1 y 9 (ambos inclusive)"),
            MessageIcon::Warning};
}

Message octetRangeMessage()
{
    return {QStringLiteral("Formato no válido"),
            QStringLiteral("Se debe introducir un número entre 0 y 255"), MessageIcon::Critical};
}

Message counterMessage()
{
    return {QStringLiteral("Formato no válido"),
            QStringLiteral("Introduzca un valor entre 1 y 99 (ambos inclusive)"), MessageIcon::Warning};
}

Message phoneLengthMessage(const QString &minSize, const QString &maxSize)
{
    // No blank after the colon and "digitos" unaccented: the classic message.
    return {QStringLiteral("Error:Formato no válido"),
            QStringLiteral("El número de teléfono debe contener entre ") + minSize
                + QStringLiteral(" y ") + maxSize + QStringLiteral(" digitos."),
            MessageIcon::Warning};
}

Message configFileMessage()
{
    return {QStringLiteral("Error"), QStringLiteral("Introduzca un fichero de configuración."),
            MessageIcon::Warning};
}

} // namespace entryrules
