#include "cli/stdout_sink.h"

#include <string>

#include "textutil/program_text.h"

namespace lh::cli {

bool StdoutSink::take(std::string_view bytes) {
    const std::string text = utf8_ ? gbToUtf8(replaceAll(bytes, "\r\n", "\n")) : std::string(bytes);
    return std::fwrite(text.data(), 1, text.size(), out_) == text.size();
}

bool StdoutSink::flush() { return std::fflush(out_) == 0; }

}  // namespace lh::cli
