#include "finder_worker.h"

#include "kestraline_finder.h"

FINDER_WORKER::FINDER_WORKER(KESTRALINE_FINDER& finder, bool createSuspended) : finder(finder)
{
    if (!createSuspended)
        start();
}

void FINDER_WORKER::run()
{
    while (!isInterruptionRequested()) {
        if (finder.pending() != 0) {
            finder.Find();
            msleep(2);
        } else {
            msleep(5);
        }
    }
}
