// Writes pictures of the game's windows for a person to look at:
//   giro-snapshot OUTDIR
// Run it with QT_SCALE_FACTOR set (1.25, 1.5, 2 …) for the pictures at that display scale; the
// file names carry the scale.
// The main window is shown ready, then in play with five letters right, five wrong, five passed
// and six still to play, so that each mark is seen on several letters, and that board again as
// players see it in greyscale and without red, green or blue cones.

#include <QApplication>
#include <QDir>
#include <QTextStream>

#include "colourvision.h"
#include "content/bank.h"
#include "form1.h"
#include "design.h"
#include "rungame.h"
#include "infistr.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

// Draws question 1 for every letter, so the pictures are the same from run to run.
class FirstQuestions final : public content::RandomSource {
public:
    void seed(float) override {}
    float next() override { return 0.15f; }
};

bool save(QWidget *window, const QDir &dir, const QString &name,
          colourvision::View view = colourvision::View::Colour)
{
    const QString scale = QString::number(window->devicePixelRatioF());
    const QString path = dir.filePath(QStringLiteral("%1@%2x.png").arg(name, scale));
    QImage picture = colourvision::simulate(window->grab().toImage(), view);
    picture.setDevicePixelRatio(window->devicePixelRatioF());
    const bool ok = picture.save(path);
    QTextStream(stdout) << (ok ? "wrote " : "could not write ") << path << '\n';
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ui::prepareApplication();
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    if (!dir.exists() && !QDir().mkpath(dir.path()))
        return 1;

    FirstQuestions random;
    engine::SystemTimeOfDay clock;
    auto *form = new Form1(&random, &clock);
    form->show();
    bool ok = save(form, dir, QStringLiteral("form1-ready"));

    auto *answer = form->findChild<QLineEdit *>(QStringLiteral("Text2"));
    auto *next = form->findChild<QPushButton *>(QStringLiteral("Avanti"));
    form->findChild<QPushButton *>(QStringLiteral("Gioca"))->click();
    // A right, B wrong, C passed, and so on to Q; R to Z still to play.
    for (int k = 1; k <= 15; ++k) {
        answer->setText(k % 3 == 1 ? content::rispos(k, 1).toString()
                        : k % 3 == 2 ? QStringLiteral("no")
                                     : QStringLiteral("girolettera"));
        next->click();
    }
    answer->setText(QStringLiteral("risposta"));
    ok = save(form, dir, QStringLiteral("form1-playing")) && ok;
    using colourvision::View;
    for (View view : {View::Greyscale, View::Protanopia, View::Deuteranopia, View::Tritanopia})
        ok = save(form, dir, QStringLiteral("form1-playing-") + colourvision::viewName(view), view) && ok;

    auto *instructions = new infistr;
    instructions->show();
    ok = save(instructions, dir, QStringLiteral("infistr")) && ok;
    return ok ? 0 : 1;
}
