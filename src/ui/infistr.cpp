#include "infistr.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>

#include <array>
#include <span>

#include "accessibility.h"
#include "credits.h"
#include "design.h"
#include "platform.h"

using ui::fromTwips;
using ui::oleColour;
using ui::twipsRect;

namespace {

// The texts as they were typed into the boxes, one entry per line; a blank at the end of a line
// is part of the text. Each line is a paragraph of its box, which may still wrap a long one.
constexpr std::array<QStringView, 22> kInstructionLines = {
    u"ISTRUZIONI:",
    u"Per iniziare cliccare ",
    u"su gioca.",
    u"Avete a disposizione ",
    u"180 secondi, durante ", // the game's clock runs 160 seconds; this text always said 180
    u"i quali dovrete ",
    u"rispondere a 21 ",
    u"domande.",
    u"Se non sapete la risposta, ",
    u"potete rinviarla scrivendo ",
    u"nella casella della risposta ",
    u"\"girolettera\". Se invece ",
    u"risponderete in modo ",
    u"sbagliato, la risposta sarà ",
    u"ritenuta errata. Ricordo che ",
    u"qualunque risposta diate, per ",
    u"passare alla lettera successiva ",
    u"dovrete cliccare su avanti.",
    u"Le domande sono molte e ",
    u"che coprono vari argomenti, ",
    u"tutto dipenderà dal vostro ",
    u"livello culturale. Comunque le domande sono molto facili e potrete arrivare facilmente "
    u"a 21.............ma ce la farete??",
};

// %1 stands for the author credit, which both windows share.
constexpr std::array<QStringView, 13> kInformationLines = {
    u"INFORMAZIONI SUL GIOCO:",
    u"Questo gioco è una riproduzione ",
    u"del famoso quiz televisivo ",
    u"\"GIROLETTERA\".",
    u"Questo gioco è stato realizzato ",
    u"da %1(quello ",
    u"nella foto) durante ",
    u"le vacanze ",
    u"estive del 2003.",
    u"E' stato faticoso farlo, anche ",
    u"perchè non è facile trovare circa ",
    u"200 domande.",
    u"CIAO E BUON DIVERTIMENTO!",
};

QString joinLines(std::span<const QStringView> lines)
{
    QString text;
    for (QStringView line : lines) {
        text += line;
        text += u"\r\n";
    }
    return text;
}

constexpr unsigned kGreen = 0x0000C000;
constexpr unsigned kBlue = 0x00FF0000;
constexpr unsigned kRed = 0x000000FF;

// The two dividers: a vertical one between the columns and a rule above the return button.
// Nothing is placed over them.
const std::array<QLine, 2> kDividers = {
    QLine(fromTwips(3480), fromTwips(7560), fromTwips(3480), fromTwips(0)),   // Line1
    QLine(fromTwips(0), fromTwips(7560), fromTwips(7080), fromTwips(7560)),   // Line2
};

QPlainTextEdit *makeTextBox(QWidget *parent, const char *name, QRect place, unsigned textOle,
                            const QString &text, const QString &accessibleName)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(QLatin1StringView(name));
    box->setAccessibleName(accessibleName);
    box->setGeometry(place);
    box->setFont(ui::designFont(9.75, true));
    // The lines were broken by hand to fill these boxes, and no scroll bar reaches what falls
    // past the bottom: the text keeps all the room inside the frame but a sliver for the caret.
    box->document()->setDocumentMargin(2);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QTextOption layout = box->document()->defaultTextOption();
    layout.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    box->document()->setDefaultTextOption(layout);
    // Lines break at blanks; only a typed word wider than the box is broken inside, so that no
    // part of it runs out of sight.
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab leaves the box instead of typing a tab, so the keyboard reaches the return button.
    box->setTabChangesFocus(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, oleColour(kGreen));
    palette.setColor(QPalette::Text, oleColour(textOle));
    box->setPalette(palette);
    box->setPlainText(text);
    return box;
}

} // namespace

QString infistr::instructionsText()
{
    return joinLines(kInstructionLines);
}

QString infistr::informationText()
{
    return joinLines(kInformationLines).arg(ui::kAuthorCredit);
}

infistr::infistr()
    : QWidget(nullptr)
{
    ui::installAccessibility();
    setObjectName(QStringLiteral("infistr"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Istruzioni e informazioni sul gioco"));
    setWindowIcon(QIcon(QStringLiteral(":/assets/infistr.xpm")));
    setFixedSize(clientSize());
    // Controls that name no font of their own, the return button among them, use this one.
    setFont(ui::defaultFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, oleColour(kGreen));
    setPalette(palette);
    setAutoFillBackground(true);

    // Created in tab order.
    QPlainTextEdit *text1 = makeTextBox(this, "Text1", twipsRect(120, 0, 3255, 6135), kBlue,
                                        instructionsText(), QStringLiteral("Istruzioni"));
    QPlainTextEdit *text2 = makeTextBox(this, "Text2", twipsRect(3600, 0, 3375, 3135), kRed,
                                        informationText(), QStringLiteral("Informazioni"));

    command1_ = new QPushButton(QStringLiteral("Torna al gioco"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setGeometry(twipsRect(2880, 7680, 1335, 375));
    command1_->setAutoDefault(false);
    command1_->setDefault(false);
    refreshDesktopColour();
    connect(command1_, &QPushButton::clicked, this, &QWidget::close);

    // The box takes the size of its picture.
    auto *picture1 = new QLabel(this);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setAccessibleName(QStringLiteral("Foto dell'autore"));
    const QPixmap photo(QStringLiteral(":/assets/foto.jpg"));
    picture1->setPixmap(photo);
    picture1->setFrameShape(QFrame::NoFrame);
    picture1->setContentsMargins(0, 0, 0, 0);
    picture1->setGeometry(QRect(QPoint(fromTwips(3600), fromTwips(3120)), photo.size()));
    picture1->setFocusPolicy(Qt::NoFocus);

    for (QPlainTextEdit *box : {text1, text2})
        ui::platform::preferReading(box);
    setTabOrder(text1, text2);
    setTabOrder(text2, command1_);
    setTabOrder(command1_, picture1);
}

infistr::~infistr() = default;

QSize infistr::clientSize()
{
    return QSize(fromTwips(7035), fromTwips(8100));
}

void infistr::refreshDesktopColour()
{
    if (!command1_)
        return;
    QPalette palette = command1_->palette();
    palette.setColor(QPalette::Button, ui::desktopColour());
    palette.setColor(QPalette::ButtonText, ui::desktopTextColour());
    command1_->setPalette(palette);
}

bool infistr::event(QEvent *event)
{
    // A new desktop palette arrives at a top-level window as this event, which changeEvent()
    // never sees. The button's face is an explicit colour, so nothing else would update it.
    if (event->type() == QEvent::ApplicationPaletteChange)
        refreshDesktopColour();
    return QWidget::event(event);
}

void infistr::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 0));
    for (const QLine &line : kDividers)
        painter.drawLine(line);
}
