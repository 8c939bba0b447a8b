// Input: the bytes of a keyword file. Checks that the keyword list has CR LF line ends
// only and no more keywords than lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/keyword_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string list = lh::cli::keywordListFromBytes(bytes);
    std::size_t lines = 1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bool crlf = list[i] == '\r' && i + 1 < list.size() && list[i + 1] == '\n';
        if (crlf) {
            ++lines;
            ++i;
        } else if (list[i] == '\r' || list[i] == '\n') {
            std::abort();
        }
    }
    const int keywords = lh::cli::countKeywords(list);
    if (keywords < 0 || static_cast<std::size_t>(keywords) > lines) std::abort();
    return 0;
}
