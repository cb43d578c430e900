// The CPU one press of AVANTI costs through the main window, repaint included, offscreen.
// The game starts exactly as it starts (the library function the game's main() calls); then
// many games are played through the window's controls, found by their names, never through
// the window's or the engine's own functions, so that this one source measures any version
// of the game that keeps those names and a main window made with `Form1()`. scripts/bench.sh
// builds it against this tree and against an older commit and compares the two.
//
//   giro_bench_press [GAMES] [TICK_MS]      (defaults 40 and 1; offscreen unless QT_QPA_PLATFORM says)
//
// Each game has a window of its own. The answers are right (looked up in the bank from the
// clue and the letter on show), wrong, or the pass word, so the discs turn green, red and
// yellow, and passed letters come back to be answered.
//
// Between two presses the window's own clock ticks once, as in play, and the tick's repaint
// is done before the next press. Timer1's interval is cut from a second to TICK_MS: at a
// second, a thousand presses would take a quarter of an hour. A tick does the same work
// whatever the interval, and the game counts ticks, not seconds, so a game's thirty-odd ticks
// never reach its end. The interval is 1 ms rather than, say, 10 because the longer the pause,
// the more of the press's code and data whatever else runs on the machine pushes out of the
// caches meanwhile: at 10 ms one run's median differs from the next by up to a tenth, at 1 ms
// by a few hundredths. So this is the cost of a warm press; in play, a press pays for cold
// caches on top.
//
// Timed per press, in CPU time of the whole process: the answer typed into the box, the click,
// and the delivery of everything the two posted, which includes the update request that
// paints the changed widgets into the backing store and flushes it. Timers are not posted
// events, so no tick and no cursor blink can fall inside the timed span.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <set>
#include <vector>

#include "content/bank.h"
#include "form1.h"
#include "rungame.h"

namespace {

long long clockNs(clockid_t id)
{
    timespec now{};
    clock_gettime(id, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

[[noreturn]] void die(const char *what)
{
    std::fprintf(stderr, "giro_bench_press: %s\n", what);
    std::fflush(stdout);
    std::_Exit(EXIT_FAILURE);
}

// Counts the events delivered anywhere in the program, and the paint events among them: a
// round of posted events that delivers nothing means the press's work is all done.
class EventCount final : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        ++events;
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    long long events = 0;
    long long paints = 0;
};

EventCount *delivered = nullptr;

// Delivers what has been posted, as the event loop does before it sleeps again: layout
// requests, then the window's update request, which paints and flushes. Whatever is posted
// while these run waits for the next round, so go on until a round delivers nothing.
void deliverPosted()
{
    for (int round = 0; round < 32; ++round) {
        const long long before = delivered->events;
        QCoreApplication::sendPostedEvents();
        if (delivered->events == before)
            return;
    }
    die("posted events keep coming");
}

// Runs the event loop until `done()` holds; a stuck window ends the program rather than
// hanging the benchmark.
template <typename Done>
void runUntil(Done done, const char *what)
{
    QElapsedTimer waited;
    waited.start();
    QTimer wakeUp; // so the wait below returns now and then even if nothing else happens
    wakeUp.start(100);
    while (!done()) {
        if (waited.hasExpired(10000))
            die(what);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

class FirstPaint final : public QObject {
public:
    explicit FirstPaint(QWidget *window) : QObject(window) { window->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            painted = true;
            watched->removeEventFilter(this);
        }
        return false;
    }
    bool painted = false;
};

template <typename T>
T *control(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1StringView(name));
    if (!found)
        die("a control is missing (Gioca, Avanti, Text1, Text2, Label6 or Timer1)");
    return found;
}

struct Options {
    int games = 40;
    int tickMs = 1;
};

struct Figures {
    std::vector<double> cpuUs, wallUs;
    long long paints = 0;
    int right = 0, wrong = 0, passes = 0;
};

const QString kWrongAnswer = QStringLiteral("sbagliato"); // no answer in the bank
const QString kPassWord = QStringLiteral("girolettera");   // passes the letter

// What the player types for the letter on show: press by press right, wrong and the pass word
// in turn, and for a letter already passed once, right or wrong, so that every game ends.
QString answerFor(QWidget *window, int press, std::set<QChar> &passed)
{
    const QString letter = control<QLabel>(window, "Label6")->text();
    const QString clue = control<QTextEdit>(window, "Text1")->toPlainText();
    int k = 1;
    while (k <= content::kLetterCount && QString(content::letterAt(k)) != letter)
        ++k;
    // Looked up within the letter on show, since one clue text belongs to two letters.
    QString right;
    for (int n = 1; n <= content::kQuestionsPerLetter && right.isEmpty(); ++n) {
        if (content::doman(k, n) == clue)
            right = content::rispos(k, n).toString();
    }
    if (right.isEmpty())
        die("the clue on show is not one of the current letter's");
    const int choice = passed.count(letter.front()) ? press % 2 : press % 3;
    if (choice == 2)
        passed.insert(letter.front());
    return choice == 0 ? right : choice == 1 ? kWrongAnswer : kPassWord;
}

void playOneGame(QWidget *window, const Options &options, Figures &figures, int &press)
{
    auto *gioca = control<QAbstractButton>(window, "Gioca");
    auto *avanti = control<QAbstractButton>(window, "Avanti");
    auto *answer = control<QLineEdit>(window, "Text2");
    auto *timer = control<QTimer>(window, "Timer1");
    int ticks = 0;
    // Connected after the window's own slot, so it runs once the tick has been shown.
    const QMetaObject::Connection counting = QObject::connect(timer, &QTimer::timeout, window, [&ticks] { ++ticks; });

    gioca->click();
    deliverPosted();
    std::set<QChar> passed;
    for (int pressesThisGame = 0; avanti->isEnabled(); ++pressesThisGame) {
        if (pressesThisGame > 200)
            die("a game does not end");
        // Set each time: a window may start its clock with an interval of its own.
        if (timer->interval() != options.tickMs)
            timer->setInterval(options.tickMs);
        const int ticksBefore = ticks;
        runUntil([&] { return ticks > ticksBefore; }, "the clock does not tick");
        deliverPosted();

        const QString typed = answerFor(window, press, passed);
        const long long paintsBefore = delivered->paints;
        const long long wall0 = clockNs(CLOCK_MONOTONIC);
        const long long cpu0 = clockNs(CLOCK_PROCESS_CPUTIME_ID);
        answer->setText(typed);
        avanti->click();
        deliverPosted();
        const long long cpu1 = clockNs(CLOCK_PROCESS_CPUTIME_ID);
        const long long wall1 = clockNs(CLOCK_MONOTONIC);

        figures.cpuUs.push_back(double(cpu1 - cpu0) / 1e3);
        figures.wallUs.push_back(double(wall1 - wall0) / 1e3);
        figures.paints += delivered->paints - paintsBefore;
        if (typed == kPassWord)
            ++figures.passes;
        else if (typed == kWrongAnswer)
            ++figures.wrong;
        else
            ++figures.right;
        ++press;
    }
    QObject::disconnect(counting);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double mean(const std::vector<double> &values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

int playGames(QWidget *first, FirstPaint *firstPainted, const Options &options)
{
    delivered = new EventCount;
    qApp->installEventFilter(delivered);
    // Windows are replaced one by one; the program ends when the games are done.
    QApplication::setQuitOnLastWindowClosed(false);

    Figures figures;
    int press = 0;
    QWidget *window = first;
    FirstPaint *painted = firstPainted;
    for (int game = 0; game < options.games; ++game) {
        if (game > 0) {
            delete window;
            window = new Form1;
            painted = new FirstPaint(window);
            window->show();
        }
        runUntil([painted] { return painted->painted; }, "the window is never painted");
        deliverPosted();
        playOneGame(window, options, figures, press);
    }
    delete window;

    if (figures.cpuUs.empty())
        die("no press was timed");
    std::printf("press_games %d\n", options.games);
    std::printf("press_count %zu\n", figures.cpuUs.size());
    std::printf("press_typed_right %d\n", figures.right);
    std::printf("press_typed_wrong %d\n", figures.wrong);
    std::printf("press_typed_pass %d\n", figures.passes);
    std::printf("press_cpu_us_median %.1f\n", median(figures.cpuUs));
    std::printf("press_cpu_us_mean %.1f\n", mean(figures.cpuUs));
    std::printf("press_wall_us_median %.1f\n", median(figures.wallUs));
    std::printf("press_paint_events_mean %.1f\n", double(figures.paints) / double(figures.cpuUs.size()));
    std::fflush(stdout);
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Options options;
    if (argc > 1)
        options.games = std::max(1, std::atoi(argv[1]));
    if (argc > 2)
        options.tickMs = std::max(0, std::atoi(argv[2]));

    // The game is started with no arguments of its own: the probe's are not the game's.
    int gameArgc = 1;
    return runGame(gameArgc, argv, [&options](Form1 *form) {
        QWidget *window = form;
        auto *painted = new FirstPaint(window);
        QTimer::singleShot(0, qApp, [window, painted, &options] {
            QCoreApplication::exit(playGames(window, painted, options));
        });
    });
}
