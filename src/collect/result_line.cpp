#include "collect/result_line.h"

#include "collect/result_filter.h"
#include "textutil/extract_domain.h"
#include "textutil/program_text.h"

namespace lh {

namespace {

struct Segment {
    std::string text;
    bool fromTemplate;
    bool quoted;  // a value inside a double-quoted field
};

bool isBlankOrBreak(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// One result is one line of the file: runs of blanks and line breaks inside a value
// (a description's <br> and <p> leave CR LF behind) become one space, none at the ends.
std::string onOneLine(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    bool pendingBlank = false;
    for (char c : value) {
        if (isBlankOrBreak(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) out += ' ';
        pendingBlank = false;
        out += c;
    }
    return out;
}

std::string doubledQuotes(const std::string& value) { return replaceAll(value, "\"", "\"\""); }

bool hasOddQuotes(std::string_view text, bool parity) {
    for (char c : text) {
        if (c == '"') parity = !parity;
    }
    return parity;
}

// The multi-replace, with values that land inside a double-quoted field of the
// template escaped. Whether a place is inside quotes is decided by the template's own
// quotes, never by quotes the values bring along.
std::string csvMultiReplace(std::string_view tpl, const std::vector<std::string>& finds,
                            const std::vector<std::string>& values) {
    std::vector<Segment> segments{{std::string(tpl), true, false}};
    for (std::size_t i = 0; i < finds.size(); ++i) {
        const std::string& find = finds[i];
        if (find.empty()) continue;
        const std::string& value = i < values.size() ? values[i] : std::string();
        const std::string escaped = doubledQuotes(value);
        std::vector<Segment> next;
        next.reserve(segments.size() + 4);
        bool insideQuotes = false;
        for (Segment& segment : segments) {
            if (!segment.fromTemplate) {
                segment.text =
                    replaceAll(segment.text, find, segment.quoted ? escaped : value, Case::Ignore);
                next.push_back(std::move(segment));
                continue;
            }
            std::size_t from = 0;
            while (true) {
                const std::size_t hit = findText(segment.text, find, from, Case::Ignore);
                const std::size_t end = hit == kNotFound ? segment.text.size() : hit;
                std::string before = segment.text.substr(from, end - from);
                insideQuotes = hasOddQuotes(before, insideQuotes);
                if (!before.empty()) next.push_back({std::move(before), true, false});
                if (hit == kNotFound) break;
                next.push_back({insideQuotes ? escaped : value, false, insideQuotes});
                from = hit + find.size();
            }
        }
        segments = std::move(next);
    }
    std::string line;
    for (const Segment& segment : segments) line += segment.text;
    return line;
}

}  // namespace

const std::string& placeholderText() {
    static const std::string text =
        gb("#网址#[#fg#]#标题#[#fg#]#域名#[#fg#]#顶级域名#[#fg#]#描述#[#fg#]#关键词#");
    return text;
}

std::string multiReplace(std::string_view text, const std::vector<std::string>& finds,
                         const std::vector<std::string>& replacements) {
    std::string result(text);
    for (std::size_t i = 0; i < finds.size(); ++i) {
        if (finds[i].empty()) continue;
        result =
            replaceAll(result, finds[i], i < replacements.size() ? replacements[i] : std::string(),
                       Case::Ignore);
    }
    return result;
}

std::string multiReplace(std::string_view text, std::string_view finds,
                         std::string_view replacements, std::string_view separator) {
    if (separator.empty()) separator = "|";
    return multiReplace(text, splitText(finds, separator), splitText(replacements, separator));
}

bool isCsvExtension(std::string_view extension) { return equalsIgnoreCase(extension, "csv"); }

std::string renderLine(const CollectionSettings& settings, const ResultRecord& record) {
    static const std::vector<std::string> finds =
        splitText(placeholderText(), kPlaceholderSeparator);
    // Kept as a list, so a value that happens to hold the separator cannot shift the rest.
    const std::vector<std::string> values = {
        onOneLine(record.address),
        onOneLine(record.title),
        onOneLine(extractDomain(record.address)),
        onOneLine(topLevelDomainOf(settings, record.address)),
        onOneLine(record.description),
        onOneLine(record.keyword),
    };
    bool anyQuote = false;
    for (const std::string& value : values)
        anyQuote = anyQuote || value.find('"') != std::string::npos;
    if (anyQuote && isCsvExtension(settings.fileExtension)) {
        return csvMultiReplace(settings.outputTemplate, finds, values) + "\r\n";
    }
    return multiReplace(settings.outputTemplate, finds, values) + "\r\n";
}

}  // namespace lh
