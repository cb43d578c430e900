// Games played at random through the main window, as a player would: typing into the answer
// box, clicking AVANTI, pressing Enter, the clock ticking (through Timer1 itself), stray GIOCA
// clicks, and the instructions window opened and closed at random. After every event the
// window must show what the rules say: the boxes, the current letter, the buttons, the clock
// and, from a picture of the window now and then, the colours of the discs.
//
// Every game has its own seed, printed with any failure. To replay one game:
//   GIRO_RANDOMWINDOW_SEED=<seed> GIRO_RANDOMWINDOW_GAMES=1 tst_randomwindow

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
#include "randomplay.h"

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

// What the window shows, read from its controls.
struct Shown {
    QString question, answer, score, time, letter;
    bool playEnabled = false, nextEnabled = false, clockRunning = false;
    Board board{};
    bool operator==(const Shown &) const = default;
};

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
    Shown shown() const;
    LetterState boardState(int k) const { return form_->game().state(k); }
    bool checkRules(const Shown &before, const Shown &now);
    bool checkDiscColours();
    bool checkUnchanged(const Shown &before, const QString &event);

    QString textFor(Intent intent, int asked);
    void type(const QString &text);

    bool pressNext();
    bool tick();
    bool realTicks();
    bool toggleInstructions();

    std::uint64_t seed_;
    SeededDraws random_;
    NoonClock clock_;
    QPointer<Form1> form_;
    QLineEdit *text2_ = nullptr;
    QPushButton *avanti_ = nullptr;
    QTimer *timer1_ = nullptr;

    Phase expectedPhase_ = Phase::Ready;
    int ticks_ = 0;  // timeouts of Timer1 seen while the game was in play
    int events_ = 0;
    QString lastEvent_;
    QString failure_;
};

bool WindowPlayer::expect(bool condition, const QString &what)
{
    if (!condition && failure_.isEmpty()) {
        const Shown now = form_ ? shown() : Shown();
        failure_ = u"seed %1, event %2 (%3): %4; board %5, score box \"%6\", time box \"%7\", question \"%8\""_s
                       .arg(seed_)
                       .arg(events_)
                       .arg(lastEvent_, what, boardText(now.board), now.score, now.time, now.question);
    }
    return condition;
}

Shown WindowPlayer::shown() const
{
    Shown s;
    s.question = child<QTextEdit>(u"Text1"_s)->toPlainText();
    s.answer = text2_->text();
    s.score = child<QLineEdit>(u"Text3"_s)->text();
    s.time = child<QLineEdit>(u"Text4"_s)->text();
    s.letter = child<QLabel>(u"Label6"_s)->text();
    s.playEnabled = child<QPushButton>(u"Gioca"_s)->isEnabled();
    s.nextEnabled = avanti_->isEnabled();
    s.clockRunning = timer1_->isActive();
    for (int k = 1; k <= kLetterCount; ++k)
        s.board[k - 1] = boardState(k);
    return s;
}

// The disc colours in a picture of the window agree with the letter states.
bool WindowPlayer::checkDiscColours()
{
    const QImage image = form_->grab().toImage();
    for (QWidget *disc : form_->findChildren<QWidget *>(u"Shape1"_s)) {
        const int k = disc->property("index").toInt();
        const QPoint at = disc->mapTo(form_.data(), QPoint(16, 28)) * image.devicePixelRatio();
        const QColor seen = image.pixelColor(at);
        QColor want;
        switch (boardState(k)) {
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

bool WindowPlayer::checkRules(const Shown &before, const Shown &now)
{
    const int greens = countOf(now.board, LetterState::Correct);
    bool ok = expect(now.score == QString::number(greens), u"the score box is not the number of green letters"_s);
    const int step = form_->game().step();
    for (int k = 1; ok && k <= kLetterCount; ++k) {
        const LetterState was = before.board[k - 1];
        if (was == LetterState::Correct || was == LetterState::Wrong)
            ok = expect(now.board[k - 1] == was, u"settled letter %1 changed"_s.arg(letterAt(k)));
        if (ok)
            ok = expect((now.board[k - 1] != LetterState::Pending) == (k <= step),
                        u"letter %1 is wrongly pending or judged at step %2"_s.arg(letterAt(k)).arg(step));
    }
    const bool playing = expectedPhase_ == Phase::Playing;
    ok = ok && expect(now.nextEnabled == playing, u"AVANTI is enabled out of play, or disabled in play"_s)
         && expect(now.clockRunning == playing, u"Timer1 runs out of play, or stands in play"_s)
         && expect(now.playEnabled == (expectedPhase_ == Phase::Ready), u"GIOCA is enabled after the start"_s);
    if (ok && expectedPhase_ != Phase::Over)
        ok = expect(now.time == QString::number(kGameSeconds - ticks_), u"the time box is not 160 less the ticks"_s);
    return ok;
}

bool WindowPlayer::checkUnchanged(const Shown &before, const QString &event)
{
    lastEvent_ = event;
    return expect(shown() == before, u"the window changed"_s);
}

// Texts a line edit keeps as typed. The odd ones bring characters it drops (NUL, lone
// surrogates), which still leave a text that is neither the answer nor the keyword.
QString WindowPlayer::textFor(Intent intent, int asked)
{
    const QString answer = answerTo(asked, form_->game().draw());
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
    const Shown before = shown();
    const int step = form_->game().step();
    const int asked = step < kLetterCount ? step + 1 : firstPassed(before.board);
    const Intent intent = chooseIntent();
    const QString typed = textFor(intent, asked);
    lastEvent_ = u"AVANTI with \"%1\" for %2"_s.arg(typed.left(40)).arg(letterAt(asked));

    if (!expect(before.answer.isEmpty(), u"the answer box was not empty before typing"_s))
        return false;
    type(typed);
    if (intent != Intent::Wrong && !expect(text2_->text() == typed, u"the answer box does not hold what was typed"_s))
        return false;
    if (chance(0.1)) { // Enter in the answer box sends nothing
        const Shown typedIn = shown();
        QTest::keyClick(text2_, Qt::Key_Return);
        if (!checkUnchanged(typedIn, lastEvent_ + u", Enter first"_s))
            return false;
    }
    QTest::mouseClick(avanti_, Qt::LeftButton);

    const Shown now = shown();
    const LetterState verdict = verdictOf(intent);
    bool ok = expect(now.board[asked - 1] == verdict, u"the letter asked did not take the verdict of the text"_s);
    for (int k = 1; ok && k <= kLetterCount; ++k)
        if (k != asked)
            ok = expect(now.board[k - 1] == before.board[k - 1], u"letter %1, not asked, changed"_s.arg(letterAt(k)));
    if (!ok)
        return false;

    const bool over = form_->game().step() >= kLetterCount && firstPassed(now.board) == 0;
    if (over)
        expectedPhase_ = Phase::Over;
    if (!checkRules(before, now))
        return false;
    if (over) {
        const int greens = countOf(now.board, LetterState::Correct);
        const int reds = countOf(now.board, LetterState::Wrong);
        if (greens == kLetterCount)
            return expect(now.question == kFullScoreText, u"the full-score ending reads wrong"_s)
                   && expect(now.answer.isEmpty(), u"the full-score ending wrote into the answer box"_s);
        return expect(now.question == (reds == kLetterCount ? kAllWrongText : settledText(greens)), u"the ending reads wrong"_s)
               && expect(now.answer == kRetryText, u"the ending lacks the retry line"_s)
               && expect(now.time == before.time, u"an ending touched the time box"_s);
    }
    const int onShow = form_->game().step() < kLetterCount ? form_->game().step() + 1 : firstPassed(now.board);
    return expect(now.answer.isEmpty(), u"the answer box was not emptied"_s)
           && expect(now.question == doman(onShow, form_->game().draw().number(onShow)), u"the question box does not show the clue on show"_s)
           && expect(now.letter == QString(letterAt(onShow)), u"Label6 does not show the letter on show"_s)
           && expect(text2_->hasFocus() || !form_->isActiveWindow(), u"the answer box lost the focus"_s);
}

// One tick, through Timer1's own timeout, the very signal the window listens to.
bool WindowPlayer::tick()
{
    const Shown before = shown();
    const bool wasPlaying = expectedPhase_ == Phase::Playing;
    lastEvent_ = u"tick %1"_s.arg(ticks_ + 1);
    QMetaObject::invokeMethod(timer1_, "timeout");
    if (!wasPlaying)
        return checkUnchanged(before, lastEvent_);
    const Shown now = shown();
    if (ticks_ == kGameSeconds) {
        const int greens = countOf(now.board, LetterState::Correct);
        return checkRules(before, now) && expect(now.time == kTimeUpText, u"the time box does not read tempo scaduto"_s)
               && expect(now.question == settledText(greens), u"the time-out message reads wrong"_s)
               && expect(now.answer == kRetryText, u"the time-out lacks the retry line"_s);
    }
    Shown unchanged = now;
    unchanged.time = before.time;
    return checkRules(before, now) && expect(unchanged == before, u"a tick changed more than the time box"_s);
}

// A few real ticks: Timer1 at a short interval and the event loop left to run.
bool WindowPlayer::realTicks()
{
    // Well short of the time-out, which the single ticks check.
    if (ticks_ > kGameSeconds - 20)
        return tick();
    const int target = ticks_ + 1 + pick(3);
    lastEvent_ = u"Timer1 running to tick %1"_s.arg(target);
    timer1_->setInterval(2);
    const bool reached = QTest::qWaitFor([&] { return ticks_ >= target || !failure_.isEmpty(); }, 5000);
    timer1_->setInterval(1000);
    const Shown now = shown();
    return expect(reached, u"Timer1 did not tick"_s) && checkRules(now, now);
}

bool WindowPlayer::toggleInstructions()
{
    const Shown before = shown();
    if (infistr *open = infistr::current()) {
        lastEvent_ = u"closing the instructions"_s;
        if (chance(0.5))
            QTest::mouseClick(open->findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
        else
            open->close(); // as the desktop's close button does
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!expect(!infistr::current(), u"the instructions window is still open"_s))
            return false;
    } else {
        lastEvent_ = u"opening the instructions"_s;
        QTest::mouseClick(child<QPushButton>(u"Istruzioni"_s), Qt::LeftButton);
        if (!expect(infistr::current() && infistr::current()->isVisible(), u"the instructions window did not open"_s))
            return false;
    }
    return expect(shown() == before, u"the instructions window changed the game"_s);
}

bool WindowPlayer::play()
{
    form_ = new Form1(&random_, &clock_);
    text2_ = child<QLineEdit>(u"Text2"_s);
    avanti_ = child<QPushButton>(u"Avanti"_s);
    timer1_ = child<QTimer>(u"Timer1"_s);
    // Counted after the window's own handler has run.
    QObject::connect(timer1_, &QTimer::timeout, timer1_, [this] {
        if (expectedPhase_ != Phase::Playing)
            return;
        ++ticks_;
        const Shown now = shown();
        if (ticks_ == kGameSeconds)
            expectedPhase_ = Phase::Over;
        else
            checkRules(now, now);
    });
    form_->show();
    if (!expect(QTest::qWaitForWindowExposed(form_), u"the window did not show"_s))
        return false;

    lastEvent_ = u"start"_s;
    const Shown loaded = shown();
    if (!checkRules(loaded, loaded) || !checkDiscColours())
        return false;
    ++events_;
    lastEvent_ = u"clicking AVANTI before GIOCA"_s;
    QTest::mouseClick(avanti_, Qt::LeftButton);
    if (!checkUnchanged(loaded, lastEvent_))
        return false;

    ++events_;
    QTest::mouseClick(child<QPushButton>(u"Gioca"_s), Qt::LeftButton);
    expectedPhase_ = Phase::Playing;
    lastEvent_ = u"GIOCA"_s;
    const Shown started = shown();
    if (!checkRules(loaded, started) || !expect(started.letter == u"A"_s, u"GIOCA did not show A"_s))
        return false;

    while (expectedPhase_ == Phase::Playing && events_ < kMaxEventsPerGame && failure_.isEmpty()) {
        ++events_;
        bool ok = true;
        if (chance(0.04)) {
            ok = toggleInstructions();
        } else if (chance(0.02)) {
            const Shown before = shown();
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

    const bool ended = expectedPhase_ == Phase::Over;
    if (ended) {
        if (!checkDiscColours())
            return false;
        // After an ending nothing moves: clicks, typing, ticks.
        const Shown over = shown();
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
