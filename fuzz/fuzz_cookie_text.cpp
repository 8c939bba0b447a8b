// Input: cookie text, "\n", another cookie text or a response header block. Runs the
// cookie-text operations and checks what a merge promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "textutil/program_text.h"
#include "web/cookie_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nl = input.find('\n');
    const std::string_view plain = input.substr(0, nl);
    const std::string_view other =
        nl == std::string_view::npos ? std::string_view() : input.substr(nl + 1);

    // Pairs without spaces, none empty, none deleted, joined by "; "; merging the result
    // with itself changes nothing. Only for ASCII: after a lead byte, a space or ";" is
    // the second byte of a malformed character and stays.
    const std::string merged = lh::mergeCookieTexts(plain, other);
    bool ascii = true;
    for (const char c : input) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    for (const std::string& pair : lh::splitText(merged, "; ")) {
        if (merged.empty() || !ascii) break;
        if (pair.empty() || pair.find(' ') != std::string::npos) std::abort();
        if (pair.size() >= 8 && pair.compare(pair.size() - 8, 8, "=deleted") == 0) std::abort();
    }
    if (ascii && lh::mergeCookieTexts(merged, merged) != merged) std::abort();

    const std::string_view name = plain.substr(0, plain.find('='));
    const std::string pair = lh::cookieByName(merged, name);
    const std::string value = lh::cookieByName(merged, name, true);
    if (value.size() > pair.size()) std::abort();

    static volatile std::size_t sink;
    sink = lh::responseCookies(other).size() + lh::requestCookieText(other).size();
    (void)sink;
    return 0;
}
