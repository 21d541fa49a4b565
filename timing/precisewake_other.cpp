#include "timing/precisewake.h"

std::unique_ptr<PreciseWake> makePreciseWake()
{
    return nullptr;
}
