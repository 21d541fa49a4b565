#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace charset {

// The locales to try, in order, for a UTF-8 character type in place of
// `ctype` ("de_DE.ISO-8859-1", "C"): the same language first, then the C
// locale's UTF-8 twin under both of its spellings.
std::vector<std::string> utf8Candidates(const std::string &ctype);

// One environment variable to set to a value, or to unset when it has none.
using Change = std::pair<std::string, std::optional<std::string>>;

// The environment changes that give the character type `utf8` and leave every
// other category as it was. `lcAll` is LC_ALL's value, when set: it would
// override LC_CTYPE, so it is spread over the other categories instead.
std::vector<Change> changesFor(const std::optional<std::string> &lcAll, const std::string &utf8);

// When the environment's character type is not UTF-8, sets LC_CTYPE (only) to
// a UTF-8 locale that exists, so that Qt, which reads the environment when it
// starts, finds one and has nothing to warn about. Call before Qt starts.
void useUtf8CharacterType();

} // namespace charset
