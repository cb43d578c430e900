// Games played at random through the main window, as a player would: typing into the answer
// box, clicking AVANTI, pressing Enter, the clock ticking (through Timer1 itself), stray GIOCA
// clicks, and the instructions window opened and closed at random. After every event the
// window must show what the rules say: the boxes, the current letter, the buttons, the clock
// and, from a picture of the window now and then, the colours of the discs.
//
// Every game has its own seed, printed with any failure. To replay one game:
//   GIRO_RANDOMWINDOW_SEED=<seed> GIRO_RANDOMWINDOW_GAMES=1 tst_randomwindow

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "design.h"
#include "rungame.h"
#include "form1.h"
#include "infistr.h"
#include "letterboard.h"
#include "randomplay.h"
#include "windows.h"

using namespace engine;
using namespace randomplay;
using namespace Qt::StringLiterals;
using content::doman;
using content::kLetterCount;
using content::letterAt;

namespace {

constexpr std::uint64_t kDefaultSeed = 0xbb67ae85;
constexpr int kDefaultGames = 40;
constexpr int kMaxEventsPerGame = 260;

class WindowPlayer : Chooser {
public:
    ~WindowPlayer() { delete form_; }
    explicit WindowPlayer(std::uint64_t seed) : Chooser(seed, Cases::UpperLowerMixed), seed_(seed), random_(rng())
    {
        static constexpr double tickChances[] = {0.0, 0.1, 0.85};
        lean(tickChances, {0, 1, 6, 30});
    }

    // Returns whether the game reached an ending; failure() says what went wrong.
    bool play();
    const QString &failure() const { return failure_; }

private:
    bool expect(bool condition, const QString &what);

    template <typename T>
    T *child(const QString &name) const { return form_->findChild<T *>(name); }
    // What the window shows, read from its controls; the discs as a screen reader hears them.
    View shown() const;
    bool agrees();
    bool checkDiscColours();
    bool checkUnchanged(const View &before, const QString &event);

    QString textFor(Intent intent, int asked);
    void type(const QString &text);

    bool pressNext();
    bool tick();
    bool realTicks();
    bool toggleInstructions();

    std::uint64_t seed_;
    SeededDraws random_;
    NoonClock clock_;
    Oracle rules_;
    QPointer<Form1> form_;
    QLineEdit *text2_ = nullptr;
    QPushButton *avanti_ = nullptr;
    QTimer *timer1_ = nullptr;

    int events_ = 0;
    QString lastEvent_;
    QString failure_;
};

bool WindowPlayer::expect(bool condition, const QString &what)
{
    if (!condition && failure_.isEmpty()) {
        const View now = form_ ? shown() : View();
        failure_ = u"seed %1, event %2 (%3): %4; board %5, score box \"%6\", time box \"%7\", question \"%8\""_s
                       .arg(seed_)
                       .arg(events_)
                       .arg(lastEvent_, what, boardText(now.discs), now.score, now.time, now.question);
    }
    return condition;
}

View WindowPlayer::shown() const
{
    View v;
    v.question = child<QTextEdit>(u"Text1"_s)->toPlainText();
    v.answer = text2_->text();
    v.score = child<QLineEdit>(u"Text3"_s)->text();
    v.time = child<QLineEdit>(u"Text4"_s)->text();
    v.letter = child<QLabel>(u"Label6"_s)->text();
    v.playEnabled = child<QPushButton>(u"Gioca"_s)->isEnabled();
    v.nextEnabled = avanti_->isEnabled();
    v.clockRunning = timer1_->isActive();
    static const QStringList words = {u"da giocare"_s, u"corretta"_s, u"sbagliata"_s, u"passata"_s};
    for (QObject *disc : form_->findChildren<QObject *>(u"Shape1"_s)) {
        const QString name = QAccessible::queryAccessibleInterface(disc)->text(QAccessible::Name);
        v.discs[disc->property("index").toInt() - 1] = LetterState(words.indexOf(name.section(u", "_s, 1)));
    }
    return v;
}

// The window shows what the rules say; the focus is where the rules put it.
bool WindowPlayer::agrees()
{
    const QString wrong = differences(rules_.view(form_->state().draw), shown(), false);
    return expect(wrong.isEmpty(), wrong);
}

// The disc colours in a picture of the window agree with the rules' board.
bool WindowPlayer::checkDiscColours()
{
    const QImage image = form_->grab().toImage();
    for (ui::BoardDisc *disc : form_->findChildren<ui::BoardDisc *>(u"Shape1"_s)) {
        const int k = disc->index();
        const QPoint at = (disc->geometry().topLeft() + QPoint(16, 28)) * image.devicePixelRatio();
        const QColor seen = image.pixelColor(at);
        QColor want;
        switch (rules_.board()[k - 1]) {
        case LetterState::Correct: want = QColor(0, 255, 0); break;
        case LetterState::Wrong: want = QColor(255, 0, 0); break;
        case LetterState::Passed: want = QColor(255, 255, 0); break;
        case LetterState::Pending: want = ui::desktopColour(); break;
        }
        const bool close = qAbs(seen.red() - want.red()) <= 2 && qAbs(seen.green() - want.green()) <= 2
                           && qAbs(seen.blue() - want.blue()) <= 2;
        if (!expect(close, u"disc %1 shows %2, not %3"_s.arg(letterAt(k)).arg(seen.name(), want.name())))
            return false;
    }
    return true;
}

bool WindowPlayer::checkUnchanged(const View &before, const QString &event)
{
    lastEvent_ = event;
    const QString changed = differences(before, shown(), false);
    return expect(changed.isEmpty(), u"the window changed: "_s + changed);
}

// Texts a line edit keeps as typed. The odd ones bring characters it drops (NUL, lone
// surrogates), which still leave a text that is neither the answer nor the keyword.
QString WindowPlayer::textFor(Intent intent, int asked)
{
    const QString answer = answerTo(asked, form_->state().draw);
    if (intent != Intent::Wrong)
        return meantText(intent, answer);
    switch (pick(7)) {
    case 0:
        return QString();
    case 1:
        return answer + u' ';
    case 2:
        return content::rispos(1 + asked % kLetterCount, 1 + pick(10)).toString();
    case 3:
        return overAccented(answer);
    case 4:
        return u"\u05E9\u05DC\u05D5\u05DD \U0001F600 \u202E"_s + answer;
    case 5:
        return QString(QChar(0)) + u"x"_s + QChar(0xD83D) + kPassKeyword.toString() + u"\u200F"_s;
    default: {
        QString longText;
        while (longText.size() < 200)
            longText += answer + u"\u0300"_s;
        return longText;
    }
    }
}

// Printable ASCII goes through QTest::keyClicks; everything else, which it cannot type, comes
// as key events carrying the text, a surrogate pair in one event as a keyboard sends it.
void WindowPlayer::type(const QString &text)
{
    QString latin;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f) {
            latin += c;
            continue;
        }
        QTest::keyClicks(text2_, latin);
        latin.clear();
        QString piece(c);
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            piece += text[++i];
        QTest::sendKeyEvent(QTest::Click, text2_, Qt::Key_unknown, piece, Qt::NoModifier);
    }
    QTest::keyClicks(text2_, latin);
}

bool WindowPlayer::pressNext()
{
    const View before = shown();
    const int asked = rules_.asked();
    const Intent intent = chooseIntent();
    const QString typed = textFor(intent, asked);
    lastEvent_ = u"AVANTI with \"%1\" for %2"_s.arg(typed.left(40)).arg(letterAt(asked));

    if (!expect(before.answer.isEmpty(), u"the answer box was not empty before typing"_s))
        return false;
    type(typed);
    if (intent != Intent::Wrong && !expect(text2_->text() == typed, u"the answer box does not hold what was typed"_s))
        return false;
    if (chance(0.1)) { // Enter in the answer box sends nothing
        View typedIn = before;
        typedIn.answer = text2_->text();
        QTest::keyClick(text2_, Qt::Key_Return);
        if (!checkUnchanged(typedIn, lastEvent_ + u", Enter first"_s))
            return false;
    }
    QTest::mouseClick(avanti_, Qt::LeftButton);
    rules_.press(verdictOf(intent));
    return agrees()
           && expect(text2_->hasFocus() || !form_->isActiveWindow(), u"the answer box lost the focus"_s);
}

// One tick, through Timer1's own timeout, the very signal the window listens to.
bool WindowPlayer::tick()
{
    lastEvent_ = u"tick"_s;
    QMetaObject::invokeMethod(timer1_, "timeout");
    return agrees();
}

// A few real ticks: Timer1 at a short interval and the event loop left to run. The rules see
// every tick the window handles, through Timer1's timeout as it happens.
bool WindowPlayer::realTicks()
{
    const int target = form_->state().timeLeft - 1 - pick(3);
    // Well short of the time-out, which the single ticks check.
    if (target < 20)
        return tick();
    lastEvent_ = u"Timer1 running to %1 seconds left"_s.arg(target);
    timer1_->setInterval(2);
    const bool reached = QTest::qWaitFor([&] { return form_->state().timeLeft <= target || !failure_.isEmpty(); }, 5000);
    timer1_->setInterval(1000);
    return expect(reached, u"Timer1 did not tick"_s) && agrees();
}

bool WindowPlayer::toggleInstructions()
{
    const View before = shown();
    if (infistr *open = instructionsOnShow()) {
        lastEvent_ = u"closing the instructions"_s;
        if (chance(0.5))
            QTest::mouseClick(open->findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
        else
            open->close(); // as the desktop's close button does
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!expect(!instructionsOnShow(), u"the instructions window is still open"_s))
            return false;
    } else {
        lastEvent_ = u"opening the instructions"_s;
        if (!expect(openInstructions(form_) != nullptr, u"the instructions window did not open"_s))
            return false;
    }
    return checkUnchanged(before, lastEvent_);
}

bool WindowPlayer::play()
{
    form_ = new Form1(&random_, &clock_);
    text2_ = child<QLineEdit>(u"Text2"_s);
    avanti_ = child<QPushButton>(u"Avanti"_s);
    timer1_ = child<QTimer>(u"Timer1"_s);
    // Every tick the window handles, counted by the rules too and checked after the window's
    // own handler has run.
    QObject::connect(timer1_, &QTimer::timeout, timer1_, [this] {
        rules_.tick();
        agrees();
    });
    form_->show();
    if (!expect(QTest::qWaitForWindowExposed(form_), u"the window did not show"_s))
        return false;

    lastEvent_ = u"start"_s;
    if (!agrees() || !checkDiscColours())
        return false;
    const View loaded = shown();
    ++events_;
    QTest::mouseClick(avanti_, Qt::LeftButton);
    if (!checkUnchanged(loaded, u"clicking AVANTI before GIOCA"_s))
        return false;

    ++events_;
    lastEvent_ = u"GIOCA"_s;
    QTest::mouseClick(child<QPushButton>(u"Gioca"_s), Qt::LeftButton);
    rules_.play();
    if (!agrees())
        return false;

    while (rules_.phase() == Phase::Playing && events_ < kMaxEventsPerGame && failure_.isEmpty()) {
        ++events_;
        bool ok = true;
        if (chance(0.04)) {
            ok = toggleInstructions();
        } else if (chance(0.02)) {
            const View before = shown();
            QTest::mouseClick(child<QPushButton>(u"Gioca"_s), Qt::LeftButton);
            ok = checkUnchanged(before, u"clicking GIOCA again"_s);
        } else if (tickNow()) {
            ok = chance(0.03) ? realTicks() : tick();
        } else {
            ok = pressNext();
        }
        if (ok && chance(0.05))
            ok = checkDiscColours();
        if (!ok)
            return false;
    }
    if (!failure_.isEmpty())
        return false;

    const bool ended = rules_.phase() == Phase::Over;
    if (ended) {
        if (!checkDiscColours())
            return false;
        // After an ending nothing moves: clicks, typing, ticks.
        const View over = shown();
        ++events_;
        QTest::mouseClick(avanti_, Qt::LeftButton);
        QMetaObject::invokeMethod(timer1_, "timeout");
        QTest::mouseClick(child<QPushButton>(u"Gioca"_s), Qt::LeftButton);
        if (!checkUnchanged(over, u"clicks and ticks after the end"_s))
            return false;
    }
    return ended;
}

} // namespace

class TestRandomWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::prepareApplication(); }
    void cleanup();
    void randomGamesThroughTheWindow();
};

void TestRandomWindow::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        delete w;
}

void TestRandomWindow::randomGamesThroughTheWindow()
{
    const std::uint64_t base = envNumber("GIRO_RANDOMWINDOW_SEED", kDefaultSeed);
    const int games = int(envNumber("GIRO_RANDOMWINDOW_GAMES", kDefaultGames));
    int ended = 0;
    for (int i = 0; i < games; ++i) {
        WindowPlayer player(base + std::uint64_t(i));
        ended += player.play();
        QVERIFY2(player.failure().isEmpty(), qPrintable(player.failure()));
        cleanup();
    }
    qInfo("%d games through the window from seed %llu, %d of them to an ending", games,
          static_cast<unsigned long long>(base), ended);
    QVERIFY2(games < 10 || ended >= games / 2, "too few games reached an ending to test the endings");
}

QTEST_MAIN(TestRandomWindow)
#include "tst_randomwindow.moc"
