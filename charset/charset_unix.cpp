#include "charset/charset.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>

namespace charset {

namespace {
bool isUtf8(const char *codeset)
{
    return std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0;
}
} // namespace

void useUtf8CharacterType()
{
    // Judged as Qt judges it: the whole locale from the environment.
    const char *all = std::setlocale(LC_ALL, "");
    if (!all || isUtf8(nl_langinfo(CODESET)))
        return;
    const std::string ctype = std::setlocale(LC_CTYPE, nullptr);
    for (const std::string &candidate : utf8Candidates(ctype)) {
        if (!std::setlocale(LC_CTYPE, candidate.c_str()))
            continue;
        const char *lcAll = std::getenv("LC_ALL");
        for (const auto &[name, value] : changesFor(lcAll ? std::optional<std::string>(lcAll) : std::nullopt,
                                                    candidate)) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        return;
    }
    // No UTF-8 locale on this system at all: Qt says so itself, which is the truth.
}

} // namespace charset
