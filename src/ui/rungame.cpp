// Starting the game: the command line, the checks before any window opens, the application,
// the main window.

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

#include "form1.h"
#include "infistr.h"
#include "platform.h"
#include "rungame.h"

namespace {

bool envSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

// Without a display the toolkit would abort with a backtrace; say it in one line instead.
// `platform` is the one asked for on the command line, if any.
bool displayReachable(const QString &platform)
{
    const QByteArray chosen = platform.isEmpty() ? qgetenv("QT_QPA_PLATFORM") : platform.toLocal8Bit();
    if (chosen.startsWith("xcb"))
        return envSet("DISPLAY");
    if (chosen.startsWith("wayland"))
        return envSet("WAYLAND_DISPLAY");
    if (!chosen.isEmpty())
        return true; // offscreen, vnc, eglfs…: the platform needs no desktop session
    return ui::platform::defaultDisplayReachable();
}

// While the window system is being opened, a fatal message (a display that is set but does
// not answer) ends the program with one line instead of an abort. The warning before it
// usually says best what went wrong ("could not connect to display :1"); warnings still go
// where they always go.
QtMessageHandler everydayMessages = nullptr;
QString firstStartupWarning;

void startupMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        const QString reason = firstStartupWarning.isEmpty() ? message.section(u'\n', 0, 0) : firstStartupWarning;
        std::fprintf(stderr, "girolettera: cannot open a window: %s\n", qPrintable(reason));
        std::_Exit(EXIT_FAILURE);
    }
    if (type == QtWarningMsg && firstStartupWarning.isEmpty())
        firstStartupWarning = message.section(u'\n', 0, 0);
    everydayMessages(type, context, message);
}

// The options the game has, and those every Qt program takes, which the application itself
// reads and removes once it is made. They are known here too, so that the command line can be
// checked before a window system is needed, as --help must work without one.
struct QtOption {
    const char *name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},   {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},   {"qwindowtitle", true},  {"session", true},
    {"display", true},    {"geometry", true},          {"name", true},          {"style", true},
    {"stylesheet", true}, {"qmljsdebugger", true},     {"reverse", false},      {"widgetcount", false},
    {"nograb", false},    {"dograb", false},           {"sync", false},
};

constexpr char kUsage[] =
    "Usage: girolettera [options]\n"
    "\n"
    "GIROLETTERA, an Italian word quiz: one clue for every letter from A to Z,\n"
    "160 seconds to answer them all.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n"
    "\n"
    "The options every Qt program takes work too, such as -platform NAME, -style NAME,\n"
    "-display DISPLAY and -reverse.\n";

enum class Verdict { Play, Done, Misused };

struct CommandLine {
    Verdict verdict = Verdict::Play;
    QString platform; // as asked with -platform, or empty
    bool styleChosen = false;
};

// The argument that brought the option `name`, as the player typed it ("-x", "--x=1").
QString asTyped(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments.sliced(1)) {
        QStringView bare(argument);
        while (bare.startsWith(u'-'))
            bare = bare.sliced(1);
        if (bare.left(bare.indexOf(u'=') < 0 ? bare.size() : bare.indexOf(u'=')) == name)
            return argument;
    }
    return name;
}

CommandLine readCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QCommandLineParser parser;
    // Qt's options are single-dash words: -platform is one option, not -p -l -a …
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    for (const QtOption &option : kQtOptions) {
        parser.addOption(option.takesValue ? QCommandLineOption(QLatin1StringView(option.name), {}, QStringLiteral("x"))
                                           : QCommandLineOption(QLatin1StringView(option.name)));
    }

    CommandLine line;
    const bool parsed = parser.parse(arguments);
    if (!parsed || !parser.positionalArguments().isEmpty()) {
        const QString what = !parser.unknownOptionNames().isEmpty()
                                 ? QStringLiteral("unknown option %1").arg(asTyped(arguments, parser.unknownOptionNames().constFirst()))
                             : !parsed ? parser.errorText()
                                       : QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().constFirst());
        std::fprintf(stderr, "girolettera: %s (girolettera --help lists the options)\n", qPrintable(what));
        line.verdict = Verdict::Misused;
        return line;
    }
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        line.verdict = Verdict::Done;
    } else if (parser.isSet(version)) {
        std::puts("girolettera " GIRO_VERSION);
        line.verdict = Verdict::Done;
    }
    line.platform = parser.value(QStringLiteral("platform"));
    line.styleChosen = parser.isSet(QStringLiteral("style"));
    return line;
}

void prepare(bool keepChosenStyle)
{
    // Only the name: a display name would be appended to every window caption.
    QCoreApplication::setApplicationName(QStringLiteral("GIROLETTERA"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GIRO_VERSION));
    // Lets the desktop match the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(GIRO_APP_ID));
    // The one style whose buttons take their face colour from the palette on every desktop,
    // unless the player asked for another on the command line.
    if (!keepChosenStyle)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    ui::platform::provideDesignFace();

    // The game speaks Italian whatever the desktop's language, and so do Qt's own texts, the
    // answer box's menu among them, where Qt's Italian translation is installed. Its locale
    // is Italian too: a screen reader asks every accessible object for it (Qt answers with
    // the default locale) to choose the voice that reads the clues. The answers are matched
    // by Unicode case folding, which no locale changes.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    auto *translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_it"), ui::platform::qtTranslationsPath()))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

namespace ui {
void prepareApplication()
{
    prepare(false);
}
} // namespace ui

int runGame(int argc, char *argv[], const std::function<void(Form1 *)> &beforeShow)
{
    ui::platform::useStartingConsole();
    const CommandLine line = readCommandLine(argc, argv);
    if (line.verdict == Verdict::Done)
        return EXIT_SUCCESS;
    if (line.verdict == Verdict::Misused)
        return 2;
    if (!displayReachable(line.platform)) {
        std::fputs("girolettera: no display available (set DISPLAY or WAYLAND_DISPLAY, or run it on a desktop)\n", stderr);
        return EXIT_FAILURE;
    }

    everydayMessages = qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(everydayMessages);

    prepare(line.styleChosen);
    auto *form = new Form1; // deletes itself when closed
    if (beforeShow)
        beforeShow(form);
    ui::platform::prepareWindow(form);
    form->setVisible(true); // at its designed size, also where windows are shown full screen by default
    ui::platform::placeGame(form, infistr::clientSize());
    return app.exec();
}
