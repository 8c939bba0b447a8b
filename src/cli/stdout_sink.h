#pragma once

#include <cstdio>
#include <string_view>

#include "collect/output_writer.h"

namespace lh::cli {

// --stdout: every byte the run writes goes to `out` as soon as it is written (GB18030,
// CR LF), or with `utf8` as UTF-8 lines ending in LF. The run writes whole lines only,
// so each piece converts on its own.
// True when the environment's locale for characters (LC_ALL, else LC_CTYPE, else LANG)
// names UTF-8: what a terminal shows by default.
bool localeIsUtf8();

class StdoutSink : public OutputSink {
public:
    StdoutSink(std::FILE* out, bool utf8) : out_(out), utf8_(utf8) {}

    bool take(std::string_view bytes) override;
    bool flush() override;

private:
    std::FILE* out_;
    bool utf8_;
};

}  // namespace lh::cli
