#include "app/sessionend.h"

void quitWhenSessionEnds()
{
}
