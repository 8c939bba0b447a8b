#include "cli/stdout_sink.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "textutil/program_text.h"

namespace lh::cli {

bool localeIsUtf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        std::string locale(value);
        std::transform(locale.begin(), locale.end(), locale.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return locale.find("utf-8") != std::string::npos ||
               locale.find("utf8") != std::string::npos;
    }
    return false;
}

bool StdoutSink::take(std::string_view bytes) {
    const std::string text = utf8_ ? gbToUtf8(replaceAll(bytes, "\r\n", "\n")) : std::string(bytes);
    return std::fwrite(text.data(), 1, text.size(), out_) == text.size();
}

bool StdoutSink::flush() { return std::fflush(out_) == 0; }

}  // namespace lh::cli
