// What kill_churn.exe writes, shared with the test that ends it: the two versions of its
// settings file, which a save replaces by each other.
#pragma once
#include "services/ini/safe_ini_file.h"

#include <string>

namespace churn {

// Version 0 or 1 of the settings: enough keys that a save takes a while.
inline void WriteVersion(vell::TSafeIniFile& ini, int version) {
    for (int s = 0; s < 8; ++s)
        for (int k = 0; k < 64; ++k) {
            const std::string value = "version " + std::to_string(version) + " of key " + std::to_string(k);
            ini.WriteString(u"Section" + std::u16string(1, char16_t(u'A' + s)),
                            u"Key" + std::u16string(1, char16_t(u'0' + k / 10)) + char16_t(u'0' + k % 10),
                            std::u16string(value.begin(), value.end()));
        }
}

} // namespace churn
