#include "scan/scheduling.h"

void requestPreciseScheduling()
{
}
