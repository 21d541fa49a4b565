#include "scheduling/scheduling.h"

void requestPreciseScheduling()
{
}
