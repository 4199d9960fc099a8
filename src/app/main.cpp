#include "app/application.h"
#include "app/datafolder.h"
#include "app/endsignals.h"
#include "loader/modemload.h"
#include "shell/messageboxes.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTranslator>

namespace {

// The few texts of the command-line parser itself, in the screens' language,
// without depending on Qt's translation packages.
class CommandLineTexts : public QTranslator
{
public:
    QString translate(const char *, const char *source, const char *, int) const override
    {
        static const QHash<QByteArray, QString> texts{
            {"Usage: %1", QStringLiteral("Uso: %1")},
            {"[options]", QStringLiteral("[opciones]")},
            {"Options:", QStringLiteral("Opciones:")},
            {"Displays help on commandline options.", QStringLiteral("Muestra esta ayuda.")},
            {"Displays help including Qt specific options.",
             QStringLiteral("Muestra esta ayuda y las opciones propias de Qt.")},
            {"Displays version information.", QStringLiteral("Muestra la versión.")},
            {"Unknown option '%1'.", QStringLiteral("Opción desconocida '%1'.")},
            {"Unknown options: %1.", QStringLiteral("Opciones desconocidas: %1.")},
            {"Missing value after '%1'.", QStringLiteral("Falta el valor tras '%1'.")},
            {"Unexpected value after '%1'.", QStringLiteral("Valor inesperado tras '%1'.")},
        };
        return texts.value(QByteArray(source));
    }
    bool isEmpty() const override { return false; }
};

// The help's text: the data folder's rule, with this machine's per-user path.
QString description()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString perUser = QDir::toNativeSeparators(datafolder::perUserFolder(documents, QDir::homePath()));

#ifdef Q_OS_WIN
    const QString portRule = QStringLiteral("Puerto serie: el puerto N de los parámetros es COMN.\n");
#else
    const QString portRule = QStringLiteral(
        "Puerto serie: el puerto N de los parámetros es el dispositivo al que lleva el\n"
        "fichero o enlace comN de la carpeta de datos, si existe (por ejemplo,\n"
        "ln -s /dev/ttyUSB0 com3); si no, /dev/ttyS(N-1): com1 es /dev/ttyS0. Para abrirlo,\n"
        "el usuario debe estar en el grupo dialout (sudo usermod -aG dialout $USER, y\n"
        "volver a entrar en la sesión).\n");
#endif
    return QStringLiteral(
        "Prepara la configuración de los módems ADSL Nokia M1112 y la carga por el puerto serie.\n"
        "\n"
        "Carpeta de datos (conf_gen.dat, claves.dat, configuraciones, logs):\n"
        "  - la indicada con --dir;\n"
        "  - si no, la carpeta desde la que se arranca, si ya tiene una instalación (conf_gen.dat,\n"
        "    claves.dat, configuraciones/*.cfg o logs/<teléfono>.log) y se puede escribir en ella;\n"
        "  - si no, arrancado desde el menú del escritorio (desde la carpeta personal) o desde\n"
        "    una carpeta sin permiso de escritura: %1 (se crea al arrancar).\n"
        "    Si la carpeta sin permiso tiene una instalación y la de documentos aún no, se copian\n"
        "    en esta conf_gen.dat, claves.dat y configuraciones (nunca sobre un fichero que\n"
        "    ya exista; los logs no);\n"
        "  - si no, la carpeta desde la que se arranca.\n"
        "Cada carpeta de datos la usa un solo programa a la vez.\n"
        "\n"
        "logs/<teléfono>.log guarda la última carga de cada número: cada carga lo sustituye.\n"
        "claves.dat.anterior guarda la clave anterior mientras una carga no ha enviado al\n"
        "módem la nueva. Si la carga se corta antes, esa clave vuelve a claves.dat al\n"
        "terminar la carga o, si el programa se cerró de golpe, al arrancar de nuevo. Si no\n"
        "puede volver (claves.dat ha cambiado o no se puede escribir), el fichero se queda y\n"
        "no se puede cargar ninguna configuración hasta borrarlo.\n"
        "\n"
        "%2"
        "\n"
        "F1, en cualquier pantalla, abre la guía del instalador en el navegador.\n"
        "\n"
        "Estado de salida: 0 al salir del programa, también cuando lo terminan las señales\n"
        "SIGTERM, SIGHUP o SIGINT (lo cierran como \"Salir de la aplicación\"), y tras\n"
        "--help o --version; 1 si la carpeta de datos no se puede crear ni escribir, si\n"
        "otro programa ya la usa o si una opción no es válida.")
        .arg(perUser, portRule);
}

} // namespace

int main(int argc, char *argv[])
{
    const QCommandLineOption dirOption(QStringLiteral("dir"),
                                       QStringLiteral("Guarda y lee los ficheros en la carpeta <carpeta>."),
                                       QStringLiteral("carpeta"));
    const auto makeParser = [&dirOption](QCommandLineParser &parser) {
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(dirOption);
    };
    CommandLineTexts texts;
    const auto readCommandLine = [&](QCoreApplication &app, QCommandLineParser &parser) {
        QCoreApplication::setApplicationName(QStringLiteral("adslconf"));
        QCoreApplication::setApplicationVersion(QStringLiteral(ADSLCONF_VERSION));
        QCoreApplication::installTranslator(&texts);
        // Only now: the parser's own texts are translated as it is made.
        makeParser(parser);
        parser.setApplicationDescription(description());
        parser.process(app);
    };

    // --help and --version print and end: they must work without a display,
    // over ssh or in a script, where a QApplication aborts. A line the parser
    // cannot read alone (Qt's own options) goes on as before.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser probe;
    makeParser(probe);
    if (probe.parse(arguments)
        && (probe.isSet(QStringLiteral("help")) || probe.isSet(QStringLiteral("help-all"))
            || probe.isSet(QStringLiteral("version")))) {
        QCoreApplication printing(argc, argv);
        QCommandLineParser parser;
        readCommandLine(printing, parser); // prints, and ends the program
        return 0;
    }

    QApplication qapp(argc, argv);
    QCommandLineParser parser;
    readCommandLine(qapp, parser);

    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString working = QDir::currentPath();
    const datafolder::Choice choice = datafolder::choose(
        parser.isSet(dirOption) ? parser.value(dirOption) : QString(), working, QDir::homePath(), documents,
        parser.isSet(dirOption) || datafolder::isWritable(working)); // --dir needs no probe of the working folder
    QString error;
    if (!datafolder::enter(choice.folder, &error)) {
        showMessage(nullptr, datafolder::failure(error));
        return 1;
    }
    datafolder::Hold hold;
    const datafolder::Hold::Result start = hold.take(choice.readOnlyInstallation);
    if (start.outcome != datafolder::Hold::Outcome::Started) {
        if (!start.message.text.isEmpty())
            showMessage(nullptr, start.message);
        return 1;
    }

    // From here the folder is ours: a signal ends the program as M_Exit
    // does, so the lock is let go and a load cut short is put right.
    Application *program = nullptr;
    const EndSignals endSignals([&program] {
        // Before the program is up only the start-up message can be open.
        if (program)
            program->quit();
        else
            QCoreApplication::exit(0);
    });
    if (!start.message.text.isEmpty())
        showMessage(nullptr, start.message);
    if (endSignals.arrived())
        return 0;

    // The program ends by M_Exit or the main menu's window, not when the
    // last window happens to close.
    QApplication::setQuitOnLastWindowClosed(false);
    const QString programDir = QCoreApplication::applicationDirPath();
    Application app({}, nullptr,
                    {{QDir::cleanPath(programDir + QStringLiteral("/" ADSLCONF_GUIDE_INSTALLED "/guia-del-instalador.html")),
                      QDir::cleanPath(programDir + QStringLiteral("/" ADSLCONF_GUIDE_BUILT "/guia-del-instalador.html"))},
                     {}});
    program = &app;
    // A session's end must not leave a load running. Neither signal may
    // exit: the session manager ends the program itself once it may (and a
    // logout can be cancelled), and aboutToQuit is already the exit.
#if QT_CONFIG(sessionmanager)
    QObject::connect(&qapp, &QGuiApplication::commitDataRequest, &app.load(), &ModemLoad::end);
#endif
    QObject::connect(&qapp, &QCoreApplication::aboutToQuit, &app.load(), &ModemLoad::end);
    app.start();
    const int status = QApplication::exec();
    program = nullptr;
    return status;
}
