// Opens and closes the instructions window many times from a running game, the way a player
// does (the Istruzioni button, then "Torna al gioco"), and prints the resident memory after
// 100 and after all the cycles: a window that leaves something behind shows as growth.
// Each checkpoint empties the pixmap cache, as below, so later ones start from an empty cache.
//
//   giro_bench_instructions [CYCLES]      (offscreen platform)

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QPixmapCache>

#include <cstdio>
#include <malloc.h>
#include <cstdlib>

#include "design.h"
#include "rungame.h"
#include "form1.h"
#include "infistr.h"

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The instructions window on show, or nullptr; a closed one is hidden until its deletion.
infistr *instructionsOnShow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<infistr *>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;

    ui::prepareApplication();
    auto *form = new Form1;
    form->show();
    settle();
    auto *istruzioni = form->findChild<QAbstractButton *>(QStringLiteral("Istruzioni"));
    auto *gioca = form->findChild<QAbstractButton *>(QStringLiteral("Gioca"));
    if (!istruzioni || !gioca)
        return EXIT_FAILURE;
    gioca->click();

    // Resident memory at each checkpoint, as is and once Qt's pixmap cache is emptied and the
    // allocator has handed back what it holds free. Every new window gets palettes of its own,
    // and the style caches its drawings under the palette's key, so the cache fills up to its
    // limit (10 MB by default) and stays there: growth that goes with the cache is not a leak.
    std::printf("instructions_cycles %d\n", cycles);
    long rssAt100 = 0, trimmedAt100 = 0;
    for (int i = 1; i <= cycles; ++i) {
        istruzioni->click();
        infistr *window = instructionsOnShow();
        if (!window)
            return EXIT_FAILURE;
        settle(); // shown and painted
        auto *back = window->findChild<QAbstractButton *>(QStringLiteral("Command1"));
        if (!back)
            return EXIT_FAILURE;
        back->click();
        settle(); // closed and deleted
        if (instructionsOnShow())
            return EXIT_FAILURE;
        if (i == 100 || i == cycles || (i % 1000 == 0)) {
            const long rss = residentKiB();
            QPixmapCache::clear();
            malloc_trim(0);
            const long trimmed = residentKiB();
            if (i == 100) {
                rssAt100 = rss;
                trimmedAt100 = trimmed;
            }
            std::printf("instructions_rss_after_%d_kib %ld\n", i, rss);
            std::printf("instructions_rss_after_%d_cache_emptied_kib %ld\n", i, trimmed);
            if (i == cycles && cycles > 100) {
                std::printf("instructions_rss_growth_per_cycle_kib %.2f\n", double(rss - rssAt100) / double(cycles - 100));
                std::printf("instructions_rss_cache_emptied_growth_per_cycle_kib %.2f\n", double(trimmed - trimmedAt100) / double(cycles - 100));
            }
        }
    }
    delete form;
    return EXIT_SUCCESS;
}
