// Input: charset byte, body. Decodes the body as the transport does, gzip unpacked up to
// the transport's cap, and checks that every cap holds and that a cap that was not
// reached changes nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/body_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const auto charset = static_cast<lh::CharsetCode>(data[0] % 7);
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);

    const lh::DecodedBody decoded = lh::decodeBodyWithin(body, charset, lh::kDefaultBodyLimit);
    if (decoded.tooLarge && !decoded.text.empty()) std::abort();

    constexpr std::size_t kSmallCap = 4096;
    bool tooLarge = false;
    const std::string unpacked = lh::gunzipBody(body, kSmallCap, &tooLarge);
    if (unpacked.size() > kSmallCap) std::abort();
    if (!tooLarge && lh::gunzipBody(body) != unpacked) std::abort();

    // A body received in pieces never passes its limit, and within it nothing is lost.
    const std::size_t limit = body.size() / 2 + 1;
    std::string received;
    bool refused = false;
    for (std::size_t at = 0; at < body.size(); at += 7) {
        const std::string_view piece = body.substr(at, 7);
        if (!lh::appendWithin(received, piece, limit)) refused = true;
        if (received.size() > limit) std::abort();
    }
    if (!refused && received != body) std::abort();
    return 0;
}
