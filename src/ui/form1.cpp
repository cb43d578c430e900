#include "form1.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStringList>
#include <QStyleFactory>
#include <QTextEdit>
#include <QTimer>

#include "accessibility.h"
#include "caretrest.h"
#include "credits.h"
#include "design.h"
#include "infistr.h"
#include "letterboard.h"
#include "panelcache.h"
#include "platform.h"
#include "wrapbutton.h"

#include "girolettera.xpm"

#include <limits>

using namespace ui;

namespace {

constexpr QSize kClientSize(fromTwips(6015), fromTwips(5715));

struct CaptionLabel {
    const char *name;
    QStringView text;
    QRect place;
    qreal points;
};

// The captions over the boxes, drawn on the window's own background.
const CaptionLabel kCaptionLabels[] = {
    {"Label4", u"PUNTEGGIO", twipsRect(1920, 600, 1575, 255), 9.75},
    {"Label5", u"TEMPO", twipsRect(4200, 600, 975, 255), 9.75},
    {"Label7", u"LETTERA", twipsRect(4440, 1560, 1575, 375), 12},
    {"Label2", u"DOMANDA", twipsRect(2160, 3960, 1695, 255), 12},
    {"Label3", u"RISPOSTA", twipsRect(2040, 4920, 1935, 255), 12},
};

QPushButton *makeButton(QPushButton *button, const char *name, QRect place, unsigned faceOle)
{
    button->setObjectName(QLatin1StringView(name));
    button->setGeometry(place);
    button->setFont(defaultFont());
    button->setAutoDefault(false);
    button->setDefault(false);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, oleColour(faceOle));
    button->setPalette(palette);
    keepDesignInk(button, QPalette::ButtonText);
    return button;
}

QLineEdit *makeLineEdit(QWidget *parent, const char *name, QRect place)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1StringView(name));
    edit->setGeometry(place);
    edit->setFont(defaultFont());
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaxLength(std::numeric_limits<int>::max()); // a box takes text of any length
    return edit;
}

// A box drawn in the desktop colour writes in the desktop's text colour, whatever colours the
// desktop gives its own boxes.
void paintInDesktopColours(QWidget *box)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, desktopColour());
    palette.setColor(QPalette::Text, desktopTextColour());
    box->setPalette(palette);
}

} // namespace

Form1::Form1(content::RandomSource *random, const engine::TimeOfDay *clock)
    : QWidget(nullptr),
      ownRandom_(random ? nullptr : std::make_unique<content::SeededRandom>()),
      ownClock_(clock ? nullptr : std::make_unique<engine::SystemTimeOfDay>()),
      random_(random ? *random : *ownRandom_),
      clock_(clock ? *clock : *ownClock_)
{
    ui::installAccessibility();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kCaptionHead.toString().append(kAuthorCredit).append(u' '));
    // Read from the array compiled in rather than the resource: that skips loading the image
    // format plugins, a noticeable share of the start-up.
    setWindowIcon(QIcon(QPixmap(girolettera_xpm)));
    setFixedSize(kClientSize);
    setFont(defaultFont());
    setAttribute(Qt::WA_DeleteOnClose);

    buildControls();
    refreshDesktopColours();
    advance(engine::load());
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    // Children are stacked in the order they are made: the board first, then the labels, boxes
    // and buttons on top.
    board_ = new LetterBoard(this);

    currentLetter_ = new CurrentLetterLabel(this);
    currentLetter_->setObjectName(QStringLiteral("Label6"));
    currentLetter_->setGeometry(twipsRect(4560, 1920, 1335, 1695));
    currentLetter_->setFont(designFont(72, false));
    currentLetter_->setAlignment(Qt::AlignCenter);
    currentLetter_->setAutoFillBackground(true);
    QPalette green = currentLetter_->palette();
    green.setColor(QPalette::Window, oleColour(0x0000C000));
    currentLetter_->setPalette(green);
    keepDesignInk(currentLetter_, QPalette::WindowText);

    for (const CaptionLabel &caption : kCaptionLabels) {
        auto *label = new QLabel(caption.text.toString(), this);
        label->setObjectName(QLatin1StringView(caption.name));
        label->setGeometry(caption.place);
        label->setFont(designFont(caption.points, true));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }

    instructionsButton_ = makeButton(new WrapButton(QStringLiteral("Istruzioni e informazioni sul gioco"), this),
                                     "Istruzioni", twipsRect(240, 120, 1335, 735), 0x00FFC0C0);
    playButton_ = makeButton(new QPushButton(QStringLiteral("GIOCA"), this), "Gioca",
                             twipsRect(2160, 120, 975, 375), 0x0000C0C0);
    exitButton_ = makeButton(new QPushButton(QStringLiteral("ESCI"), this), "Esci",
                             twipsRect(240, 5040, 855, 375), 0x00E0E0E0);
    nextButton_ = makeButton(new QPushButton(QStringLiteral("AVANTI"), this), "Avanti",
                             twipsRect(4680, 5040, 1095, 375), 0x00C0E0FF);

    scoreBox_ = makeLineEdit(this, "Text3", twipsRect(2160, 840, 975, 285));
    timeBox_ = makeLineEdit(this, "Text4", twipsRect(4080, 840, 1215, 285));
    answerBox_ = makeLineEdit(this, "Text2", twipsRect(1440, 5280, 3015, 285));
    // An answer is judged as typed: an on-screen keyboard is asked not to capitalise, correct
    // or complete it on the player's behalf.
    answerBox_->setInputMethodHints(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    // The score and the clue on show are the game's to write: neither box takes typing, and
    // both still take the focus so they can be read and copied.
    scoreBox_->setReadOnly(true);
    auto *panels = new PanelCacheStyle(QStyleFactory::create(style()->name()));
    panels->setParent(this);
    for (QLineEdit *box : {answerBox_, scoreBox_, timeBox_})
        panels->adopt(box);
    new CaretRest(answerBox_, std::chrono::seconds(5));
    platform::preferReading(timeBox_);

    questionBox_ = new QTextEdit(this);
    questionBox_->setObjectName(QStringLiteral("Text1"));
    questionBox_->setGeometry(twipsRect(480, 4320, 5055, 525));
    questionBox_->setFont(defaultFont());
    questionBox_->setReadOnly(true);
    // The arrow keys move a caret through the clue, so a screen reader reads it by word and by
    // line, as it does the answer box.
    questionBox_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    questionBox_->setFocusPolicy(Qt::StrongFocus);
    questionBox_->setTabChangesFocus(true);
    questionBox_->setAcceptRichText(false);
    questionBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    questionBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    questionBox_->setWordWrapMode(QTextOption::WordWrap);
    questionBox_->document()->setDocumentMargin(1);
    QTextOption centred = questionBox_->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    centred.setWrapMode(QTextOption::WordWrap);
    questionBox_->document()->setDefaultTextOption(centred);
    panels->adoptFrame(questionBox_);
    new CaretRest(questionBox_, std::chrono::seconds(5));

    // What a screen reader calls the boxes and the current letter, which have no caption of
    // their own to be read by; buttons and caption labels are read by their text.
    questionBox_->setAccessibleName(QStringLiteral("Domanda"));
    answerBox_->setAccessibleName(QStringLiteral("Risposta"));
    scoreBox_->setAccessibleName(QStringLiteral("Punteggio"));
    timeBox_->setAccessibleName(QStringLiteral("Tempo"));
    currentLetter_->setAccessibleName(QStringLiteral("Lettera"));

    QWidget::setTabOrder(questionBox_, answerBox_);
    QWidget::setTabOrder(answerBox_, exitButton_);
    QWidget::setTabOrder(exitButton_, playButton_);
    QWidget::setTabOrder(playButton_, scoreBox_);
    QWidget::setTabOrder(scoreBox_, timeBox_);
    QWidget::setTabOrder(timeBox_, instructionsButton_);
    QWidget::setTabOrder(instructionsButton_, nextButton_);

    notice_ = new Notice(this);

    countdown_ = new QTimer(this);
    countdown_->setObjectName(QStringLiteral("Timer1"));
    countdown_->setInterval(1000);

    connect(playButton_, &QPushButton::clicked, this, &Form1::gioca);
    connect(nextButton_, &QPushButton::clicked, this, &Form1::avanti);
    connect(instructionsButton_, &QPushButton::clicked, this, &Form1::istruzioni);
    connect(exitButton_, &QPushButton::clicked, this, &Form1::esci);
    connect(countdown_, &QTimer::timeout, this, &Form1::timerTick);
}

void Form1::refreshDesktopColours()
{
    for (QWidget *box : {static_cast<QWidget *>(questionBox_), static_cast<QWidget *>(answerBox_),
                         static_cast<QWidget *>(scoreBox_), static_cast<QWidget *>(timeBox_)})
        paintInDesktopColours(box);
    update();
}

// A change of desktop theme reaches a top-level window here, not through changeEvent().
bool Form1::event(QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange)
        refreshDesktopColours();
    // Shown by the program, the window has the keyboard where the view puts it. Where a window
    // is made active while its boxes are still hidden (the web), Qt passes the focus on to the
    // next box in the tab order.
    if (event->type() == QEvent::Show && !event->spontaneous() && shown_)
        focusBox(shown_->focus)->setFocus();
    return QWidget::event(event);
}

void Form1::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), desktopColour());
}

void Form1::advance(const engine::State &next)
{
    const engine::Announcement said = engine::announcementOf(state_, next);
    state_ = next;
    // Set before the keyboard comes back to the answer box, which a screen reader reads then,
    // description and all.
    // At an ending the box says the ending's news or nothing, never the turn before it.
    if (!said.news.isEmpty() || said.ended)
        answerBox_->setAccessibleDescription(said.news);
    present(engine::viewOf(state_));
    if (!said.notice.isEmpty())
        notice_->announce(said.notice);
    // Where a screen reader cannot follow the keyboard into the answer box (a web page), it is
    // told the news and the ending together, and that the clock ran out.
    QStringList spoken;
    for (const QString &part : {said.clock, said.news, said.notice})
        if (!part.isEmpty())
            spoken.append(part);
    if (!spoken.isEmpty())
        platform::announce(spoken.join(u". "));
}

QWidget *Form1::focusBox(engine::Focus focus) const
{
    return focus == engine::Focus::AnswerBox ? static_cast<QWidget *>(answerBox_) : questionBox_;
}

void Form1::present(const engine::View &view)
{
    const engine::View *was = shown_ ? &*shown_ : nullptr;
    const auto changed = [was, &view](auto member) { return !was || was->*member != view.*member; };

    for (int k = 1; k <= content::kLetterCount; ++k)
        board_->setState(k, view.discs[k - 1]);
    if (changed(&engine::View::question))
        questionBox_->setPlainText(view.question);
    // The keyboard goes to its box before the answer box is emptied: a screen reader hears a
    // box that is emptied before it takes the focus as nothing at all. The first turn keeps
    // what the player typed before GIOCA, for the first AVANTI to judge.
    const bool newTurn = changed(&engine::View::turn);
    if (newTurn || changed(&engine::View::focus))
        focusBox(view.focus)->setFocus();
    if ((newTurn && view.turn > engine::kFirstTurn) || changed(&engine::View::answer))
        answerBox_->setText(view.answer);
    if (changed(&engine::View::letter)) {
        currentLetter_->setText(view.letter);
        currentLetter_->setAccessibleDescription(view.letter); // read after its name
    }
    if (changed(&engine::View::score))
        scoreBox_->setText(view.score);
    if (changed(&engine::View::time))
        timeBox_->setText(view.time);
    if (changed(&engine::View::playEnabled))
        playButton_->setEnabled(view.playEnabled);
    if (changed(&engine::View::nextEnabled))
        nextButton_->setEnabled(view.nextEnabled);
    if (changed(&engine::View::clockRunning)) {
        if (view.clockRunning)
            countdown_->start();
        else
            countdown_->stop();
    }
    shown_ = view;
}

void Form1::gioca()
{
    advance(engine::play(state_, random_, clock_));
}

void Form1::avanti()
{
    advance(engine::next(state_, answerBox_->text(), random_, clock_));
}

void Form1::timerTick()
{
    advance(engine::tick(state_));
}

void Form1::istruzioni()
{
    // A closed window may wait a moment for its deletion; it is gone for the game already.
    if (!instructions_ || !instructions_->isVisible()) {
        instructions_ = new infistr;
        platform::prepareWindow(instructions_);
        // A window just shown comes up in front. It keeps its designed size where windows are
        // shown full screen unless asked otherwise (the web).
        instructions_->setVisible(true);
        platform::placeBeside(instructions_, this);
    } else {
        instructions_->setWindowState(instructions_->windowState() & ~Qt::WindowMinimized);
        instructions_->raise();
    }
    instructions_->activateWindow();
}

void Form1::esci()
{
    countdown_->stop();
    if (instructions_)
        instructions_->close();
    platform::endProgram(0);
}
