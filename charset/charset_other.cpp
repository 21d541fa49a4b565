#include "charset/charset.h"

namespace charset {

// Qt takes the character set from the system itself here, and warns of nothing.
void useUtf8CharacterType() {}

} // namespace charset
