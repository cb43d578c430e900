// The game exactly as it starts, with the measuring hook on its main window.

#include "firstpaint.h"
#include "form1.h"
#include "rungame.h"

int main(int argc, char *argv[])
{
    return runGame(argc, argv, [](Form1 *form) { FirstPaintProbe::attachIfAsked(form); });
}
