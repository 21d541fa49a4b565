#include "link/lowlatency.h"

void askLowLatency(qintptr)
{
}
