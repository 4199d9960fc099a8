#include "loader/loadmessages.h"

#include <QDir>
#include <QFileInfo>

namespace loadmessages {

namespace {

const QString portErrorTitle = QStringLiteral("Error en el puerto serie");
const QString passwordFileTitle = QStringLiteral("Error en el fichero de claves");
const QString scriptFileTitle = QStringLiteral("Error en el fichero de configuración");
const QString logFileTitle = QStringLiteral("Error en el fichero de registro");
const QString nothingSent = QStringLiteral("No se ha enviado nada al módem.");

Message warning(const QString &title, const QString &text)
{
    return {title, text, MessageIcon::Warning, MessageButtons::Ok};
}

} // namespace

Message powerCycle()
{
    // "no es está" is the installers' long-known wording: kept as it is.
    return {QString(),
            QStringLiteral("Apague y encienda el módem y asegúrese de que el módem no es está\r\nen la "
                           "secuencia de arranque."),
            MessageIcon::None, MessageButtons::Ok};
}

Message missingScript()
{
    // "conrfiguración" is the installers' long-known wording: kept as it is.
    return warning(QStringLiteral("Error en el nombre del fichero de configuración"),
                   QStringLiteral("El fichero de conrfiguración no existe."));
}

Message damagedScript()
{
    return warning(scriptFileTitle, QStringLiteral("El fichero de configuración no es un fichero de texto "
                                                   "normal o es demasiado grande. ")
                                        + nothingSent);
}

Message scriptTooLong(qsizetype lines, int most)
{
    return warning(scriptFileTitle,
                   QStringLiteral("El fichero de configuración tiene %1 líneas y no puede tener más de %2. ")
                           .arg(lines)
                           .arg(most)
                       + nothingSent);
}

Message journalLeft(const QString &journalPath)
{
    return warning(passwordFileTitle,
                   (QStringLiteral("No se puede cargar la configuración mientras exista el fichero %1. ") + nothingSent
                    + QStringLiteral("\r\nEse fichero guarda la clave de acceso que tenía el módem antes de una "
                                     "carga que no terminó, y no se ha podido devolver a claves.dat porque "
                                     "claves.dat ha cambiado desde entonces o no se puede escribir. Cierre y "
                                     "vuelva a abrir el programa para intentarlo de nuevo; si el claves.dat "
                                     "actual es el correcto, borre %1."))
                       .arg(QDir::toNativeSeparators(QFileInfo(journalPath).absoluteFilePath())));
}

Message portRefused(const QString &error)
{
    return warning(portErrorTitle, error + QStringLiteral("\r\n") + nothingSent);
}

Message passwordNotStored(const QString &error)
{
    return warning(passwordFileTitle,
                   QStringLiteral("No se ha podido guardar la nueva clave de acceso. ") + nothingSent
                       + QStringLiteral("\r\n") + error);
}

Message logNotOpened(const QString &error)
{
    return warning(logFileTitle, QStringLiteral("No se puede guardar el registro de la carga. ") + nothingSent
                                     + QStringLiteral("\r\n") + error);
}

Message logNotWritten(const QString &error)
{
    return warning(logFileTitle, QStringLiteral("No se ha podido guardar el registro de la carga.\r\n%1").arg(error));
}

Message journalNotRemoved(const QString &journalPath)
{
    return warning(passwordFileTitle,
                   QStringLiteral("El módem ya tiene la nueva clave de acceso, pero no se ha podido "
                                  "borrar el fichero %1.\r\nBórrelo antes de volver a abrir el "
                                  "programa: si no, el programa volvería a poner la clave anterior "
                                  "en claves.dat.")
                       .arg(QFileInfo(journalPath).absoluteFilePath()));
}

Message linkLost(const QString &error)
{
    return warning(portErrorTitle, QStringLiteral("Se ha perdido la conexión con el módem.\r\n%1").arg(error));
}

Message loginRefused(const QString &text)
{
    return warning(QStringLiteral("Error en la clave de acceso"), text);
}

QString refusedText()
{
    return QStringLiteral("El módem no ha aceptado la clave de acceso guardada en claves.dat, porque "
                          "tiene otra: no se le ha enviado nada más y claves.dat no ha cambiado; "
                          "averigüe la clave del módem o devuélvalo a su configuración de fábrica "
                          "como indique su manual, y vuelva a cargar.");
}

QString refusedAfterRestartText()
{
    return QStringLiteral("El módem no ha aceptado la clave de acceso después de reiniciarse, porque "
                          "no ha guardado la nueva o ha perdido una línea mientras arrancaba: no se le "
                          "ha enviado nada más y claves.dat guarda la nueva clave; espere a que el "
                          "módem termine de arrancar y vuelva a cargar.");
}

} // namespace loadmessages
