// Takes a picture of the whole X screen the game's window is on and reads colours off it, for
// the tests that play the Windows build under Wine on a private X server:
//   giro-screenshot OUTPUT.png [X,Y ...]
// prints each point's colour as #rrggbb, one a line, in the order given.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        err << "usage: giro-screenshot OUTPUT.png [X,Y ...]\n";
        return 2;
    }
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    if (screen.isNull() || !screen.save(arguments.at(1), "PNG")) {
        err << "giro-screenshot: cannot grab the screen into " << arguments.at(1) << '\n';
        return 1;
    }
    for (const QString &point : arguments.sliced(2)) {
        const QStringList xy = point.split(u',');
        bool xOk = false;
        bool yOk = false;
        const int x = xy.value(0).toInt(&xOk);
        const int y = xy.value(1).toInt(&yOk);
        if (xy.size() != 2 || !xOk || !yOk || !screen.valid(x, y)) {
            err << "giro-screenshot: " << point << " is not a point on the " << screen.width() << 'x'
                << screen.height() << " screen\n";
            return 2;
        }
        out << QColor(screen.pixel(x, y)).name() << '\n';
    }
    return 0;
}
