#include "textutil/extract_domain.h"

#include "textutil/program_text.h"

namespace lh {
namespace {

constexpr std::string_view kSecondLevelLabels =
    "com net org edu gov tel info name mobi travel tv club cc int mil pro museum coop aero am";

bool hasSecondLevelLabel(std::string_view host) {
    std::size_t pos = 0;
    while (pos < kSecondLevelLabels.size()) {
        std::size_t space = kSecondLevelLabels.find(' ', pos);
        if (space == std::string_view::npos) space = kSecondLevelLabels.size();
        const std::string needle =
            "." + std::string(kSecondLevelLabels.substr(pos, space - pos)) + ".";
        if (containsText(host, needle, Case::Ignore)) return true;
        pos = space + 1;
    }
    return false;
}

// Counts labels from the right: `labels` passes, each taking the last "." at least two
// places left of the previous cut. 0-based start of the registrable domain.
std::size_t registrableStart(std::string_view host, int labels) {
    long long s = static_cast<long long>(host.size());  // 1-based, as the cut counts
    for (int pass = 0; pass < labels && s != -1; ++pass) {
        const long long bound = s - 2;
        if (bound < 1) {
            s = -1;
            break;
        }
        const std::size_t dot = host.substr(0, static_cast<std::size_t>(bound)).rfind('.');
        s = dot == std::string_view::npos ? -1 : static_cast<long long>(dot) + 1;
    }
    return s == -1 ? 0 : static_cast<std::size_t>(s);
}

}  // namespace

std::string extractDomain(std::string_view url, DomainOptions options) {
    const std::size_t slashes = url.find("//");
    const std::size_t hostStart = slashes == std::string_view::npos ? 0 : slashes + 2;
    std::size_t hostEnd = url.find('/', hostStart);
    if (hostEnd == std::string_view::npos) hostEnd = url.size();
    std::string result(url.substr(hostStart, hostEnd - hostStart));

    if (options.topLevel && !result.empty()) {
        const int labels = hasSecondLevelLabel(result) ? 3 : 2;
        const std::string lower = toLowerAscii(result);
        std::string top = lower.substr(registrableStart(result, labels));
        if (lower == "www." + top && !options.wwwIsNotTopLevel) {
            // "www." + domain is a top-level domain of its own, kept as written.
        } else {
            result = std::move(top);
        }
    }

    if (options.withScheme) {
        const std::size_t g = url.find("://");
        if (g != std::string_view::npos) result.insert(0, url.substr(0, g + 3));
    }
    return result;
}

}  // namespace lh
