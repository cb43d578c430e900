#include "form1.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "accessibility.h"
#include "credits.h"
#include "design.h"
#include "infistr.h"
#include "letterboard.h"
#include "wrapbutton.h"

#include "girolettera.xpm"

using engine::Change;
using engine::Changes;
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
      game_(random ? *random : *ownRandom_, clock ? *clock : *ownClock_)
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

    display(game_.load());
    text1_->setFocus();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    // Children are stacked in the order they are made: the board first, then the lines over
    // it, then the boxes and buttons on top.
    for (int k = 1; k <= content::kLetterCount; ++k) {
        discs_[k - 1] = new Disc(k, this);
        letters_[k - 1] = new LetterLabel(k, this);
    }

    label6_ = new QLabel(this);
    label6_->setObjectName(QStringLiteral("Label6"));
    label6_->setGeometry(twipsRect(4560, 1920, 1335, 1695));
    label6_->setFont(designFont(72, false));
    label6_->setAlignment(Qt::AlignCenter);
    label6_->setAutoFillBackground(true);
    QPalette green = label6_->palette();
    green.setColor(QPalette::Window, oleColour(0x0000C000));
    label6_->setPalette(green);
    keepDesignInk(label6_, QPalette::WindowText);

    for (const CaptionLabel &caption : kCaptionLabels) {
        auto *label = new QLabel(caption.text.toString(), this);
        label->setObjectName(QLatin1StringView(caption.name));
        label->setGeometry(caption.place);
        label->setFont(designFont(caption.points, true));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }

    new TrackLines(this);

    istruzioni_ = makeButton(new WrapButton(QStringLiteral("Istruzioni e informazioni sul gioco"), this),
                             "Istruzioni", twipsRect(240, 120, 1335, 735), 0x00FFC0C0);
    gioca_ = makeButton(new QPushButton(QStringLiteral("GIOCA"), this), "Gioca",
                        twipsRect(2160, 120, 975, 375), 0x0000C0C0);
    esci_ = makeButton(new QPushButton(QStringLiteral("ESCI"), this), "Esci",
                       twipsRect(240, 5040, 855, 375), 0x00E0E0E0);
    avanti_ = makeButton(new QPushButton(QStringLiteral("AVANTI"), this), "Avanti",
                         twipsRect(4680, 5040, 1095, 375), 0x00C0E0FF);

    text3_ = makeLineEdit(this, "Text3", twipsRect(2160, 840, 975, 285));
    text4_ = makeLineEdit(this, "Text4", twipsRect(4080, 840, 1215, 285));
    text2_ = makeLineEdit(this, "Text2", twipsRect(1440, 5280, 3015, 285));
    // The game reads the score back and the clue on show identifies the letter asked, so
    // neither box takes typing; both still take the focus so they can be read and copied.
    text3_->setReadOnly(true);

    text1_ = new QTextEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setGeometry(twipsRect(480, 4320, 5055, 525));
    text1_->setFont(defaultFont());
    text1_->setReadOnly(true);
    text1_->setFocusPolicy(Qt::StrongFocus);
    text1_->setTabChangesFocus(true);
    text1_->setAcceptRichText(false);
    text1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text1_->setWordWrapMode(QTextOption::WordWrap);
    text1_->document()->setDocumentMargin(1);
    QTextOption centred = text1_->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    centred.setWrapMode(QTextOption::WordWrap);
    text1_->document()->setDefaultTextOption(centred);

    // What a screen reader calls the boxes and the current letter, which have no caption of
    // their own to be read by; buttons and caption labels are read by their text.
    text1_->setAccessibleName(QStringLiteral("Domanda"));
    text2_->setAccessibleName(QStringLiteral("Risposta"));
    text3_->setAccessibleName(QStringLiteral("Punteggio"));
    text4_->setAccessibleName(QStringLiteral("Tempo"));
    label6_->setAccessibleName(QStringLiteral("Lettera"));

    QWidget::setTabOrder(text1_, text2_);
    QWidget::setTabOrder(text2_, esci_);
    QWidget::setTabOrder(esci_, gioca_);
    QWidget::setTabOrder(gioca_, text3_);
    QWidget::setTabOrder(text3_, text4_);
    QWidget::setTabOrder(text4_, istruzioni_);
    QWidget::setTabOrder(istruzioni_, avanti_);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);

    connect(gioca_, &QPushButton::clicked, this, &Form1::gioca);
    connect(avanti_, &QPushButton::clicked, this, &Form1::avanti);
    connect(istruzioni_, &QPushButton::clicked, this, &Form1::istruzioni);
    connect(esci_, &QPushButton::clicked, this, &Form1::esci);
    connect(timer1_, &QTimer::timeout, this, &Form1::timerTick);
}

void Form1::refreshDesktopColours()
{
    for (QWidget *box : {static_cast<QWidget *>(text1_), static_cast<QWidget *>(text2_),
                         static_cast<QWidget *>(text3_), static_cast<QWidget *>(text4_)})
        paintInDesktopColours(box);
    update();
}

// A change of desktop theme reaches a top-level window here, not through changeEvent().
bool Form1::event(QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange)
        refreshDesktopColours();
    return QWidget::event(event);
}

void Form1::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), desktopColour());
}

void Form1::display(Changes changes)
{
    if (changes & Change::Board) {
        for (int k = 1; k <= content::kLetterCount; ++k) {
            letters_[k - 1]->setState(game_.state(k));
            discs_[k - 1]->setState(game_.state(k));
        }
    }
    if (changes & Change::Question)
        text1_->setPlainText(game_.question());
    if (changes & Change::AnswerBox)
        text2_->setText(game_.answerBox());
    if (changes & Change::CurrentLetter) {
        label6_->setText(game_.currentLetter());
        label6_->setAccessibleDescription(game_.currentLetter()); // read after its name
    }
    if (changes & Change::Score)
        text3_->setText(game_.scoreText());
    if (changes & Change::Time)
        text4_->setText(game_.timeText());
    if (changes & Change::Controls) {
        gioca_->setEnabled(game_.playEnabled());
        avanti_->setEnabled(game_.nextEnabled());
        if (!game_.clockEnabled())
            timer1_->stop();
        else if (!timer1_->isActive())
            timer1_->start();
    }
    if (changes & Change::FocusAnswer)
        text2_->setFocus();
}

void Form1::gioca()
{
    display(game_.play());
}

void Form1::avanti()
{
    display(game_.next(text2_->text()));
}

void Form1::timerTick()
{
    display(game_.tick());
}

void Form1::istruzioni()
{
    infistr::open();
}

void Form1::esci()
{
    timer1_->stop();
    if (infistr *instructions = infistr::current())
        instructions->close();
    QCoreApplication::exit(0);
}
