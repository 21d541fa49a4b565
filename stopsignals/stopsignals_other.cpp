#include "stopsignals/stopsignals.h"

void whenToldToStop(QObject *, std::function<void()>)
{
}
