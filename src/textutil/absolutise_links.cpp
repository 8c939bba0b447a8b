#include "textutil/absolutise_links.h"

#include <algorithm>
#include <array>
#include <vector>

#include "textutil/extract_domain.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"
#include "textutil/text_search.h"

namespace lh {

namespace {

// Attributes that mark an image as lazily loaded, as the element search asks for them.
const std::vector<std::string> kLazyImageAttributes = {
    "file",    "zoomfile",      "data-src",       "real_src",      "original",
    "alt_src", "data-original", "data-actualsrc", "data-thumbnail"};

// The order in which they are trusted for the real address.
constexpr std::array<std::string_view, 9> kLazyImagePreference = {
    "zoomfile", "file",          "data-src",       "real_src",      "original",
    "alt_src",  "data-original", "data-actualsrc", "data-thumbnail"};

// Plain replacement passes, each over the text the one before left, run a part of the
// page at a time: a part stays in the cache through every pass and the page is written
// once. Parts end before a "<" that follows an ASCII byte: no needle holds "<", so none
// spans the cut, and the "<" starts a character as it does in the whole page.
class PlainPasses {
public:
    void add(std::string from, std::string to) {
        passes_.push_back({std::move(from), std::move(to)});
    }

    // Runs the passes over `page`, by way of `spare`.
    void apply(std::string& page, std::string& spare) const {
        // Shorter needles first: they are found soonest, and often sit in the longer ones.
        std::vector<std::string_view> needles;
        for (const Pass& pass : passes_) needles.push_back(pass.from);
        std::sort(needles.begin(), needles.end(),
                  [](std::string_view x, std::string_view y) { return x.size() < y.size(); });
        if (std::none_of(needles.begin(), needles.end(), [&](std::string_view needle) {
                return page.find(needle) != std::string::npos;
            }))
            return;
        const ByteCounts counts = countBytes(page);  // good enough to pick rare bytes
        thread_local std::string part;
        thread_local std::string other;
        spare.clear();
        spare.reserve(page.size() + page.size() / 8);
        for (std::size_t begin = 0; begin < page.size();) {
            const std::size_t end = partEnd(page, begin);
            part.assign(page, begin, end - begin);
            for (const Pass& pass : passes_) {
                if (replaceAllInto(part, pass.from, pass.to, other, &counts)) part.swap(other);
            }
            spare.append(part);
            begin = end;
        }
        page.swap(spare);
    }

private:
    struct Pass {
        std::string from;
        std::string to;
    };

    static std::size_t partEnd(std::string_view page, std::size_t begin) {
        constexpr std::size_t kPart = std::size_t{64} << 10;
        for (std::size_t at = page.find('<', begin + kPart); at != std::string_view::npos;
             at = page.find('<', at + 1)) {
            if (static_cast<unsigned char>(page[at - 1]) < 0x80) return at;
        }
        return page.size();
    }

    std::vector<Pass> passes_;
};

// Gives lazily loaded images their real address as src, each tag rewritten where it
// stands.
void restoreLazyImages(std::string& page, std::string& out) {
    HtmlTagScanner scanner;
    const int count =
        scanner.locateAllElements(page, {.tag = "img", .attrNames = kLazyImageAttributes});
    if (count == 0) return;
    out.clear();
    out.reserve(page.size() + page.size() / 16);
    std::size_t copied = 0;
    for (int j = 1; j <= count; ++j) {
        const auto [begin, end] = scanner.elementRange(j);
        if (begin < copied) continue;  // inside an image already rewritten
        std::string tag = page.substr(begin, end - begin);
        std::string value;
        for (const auto name : kLazyImagePreference) {
            value = scanner.attributeValue(std::string_view(tag), name);
            if (!value.empty()) break;
        }
        if (value.empty()) continue;
        out.append(page, copied, begin - copied);
        out.append(scanner.attributeValue(tag, "src", value, true));
        copied = end;
    }
    if (copied == 0) return;
    out.append(page, copied, std::string::npos);
    page.swap(out);
}

bool isHtmlBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where an attribute name starting with one of `words` stands in a start tag: after a
// blank, outside any quoted value. The same words in other attributes' values, in
// script strings or in page text are no attributes. One pass over the page.
std::vector<std::size_t> attributeNameStarts(std::string_view page,
                                             const std::vector<std::string>& words) {
    std::vector<std::size_t> starts;
    const std::size_t size = page.size();
    std::size_t i = 0;
    // Skips a value starting at i: quoted up to its closing quote, else up to a blank or
    // the tag's end.
    const auto skipValue = [&] {
        if (i < size && (page[i] == '"' || page[i] == '\'')) {
            const std::size_t close = page.find(page[i], i + 1);
            i = close == std::string_view::npos ? size : close + 1;
            return;
        }
        while (i < size && !isHtmlBlank(page[i]) && page[i] != '>') ++i;
    };
    while (true) {
        i = page.find('<', i);
        if (i == std::string_view::npos || i + 1 >= size) break;
        ++i;
        if (!isAsciiLetter(page[i])) continue;
        while (i < size && !isHtmlBlank(page[i]) && page[i] != '>') ++i;  // the tag's name
        bool afterBlank = false;
        while (i < size && page[i] != '>') {
            const char c = page[i];
            if (isHtmlBlank(c)) {
                afterBlank = true;
                ++i;
                continue;
            }
            if (c == '=') {
                ++i;
                skipValue();
            } else if (afterBlank) {
                const auto word = std::find_if(words.begin(), words.end(), [&](const auto& w) {
                    return page.compare(i, w.size(), w) == 0;
                });
                if (word != words.end()) {
                    starts.push_back(i);
                    i += word->size();
                    skipValue();
                } else {
                    while (i < size && !isHtmlBlank(page[i]) && page[i] != '>' && page[i] != '=')
                        ++i;
                }
            } else {
                ++i;
            }
            afterBlank = false;
        }
    }
    return starts;
}

// The attribute passes: every needle and every replacement there begins with one of
// four words (src=, href= and their full-width forms). They act only where such a word
// names an attribute of a tag as the page stands; what a replacement brings along is a
// value, never a new attribute. No needle holds a blank and a blank stands before every
// such place, so what the passes read at one place never reaches the next: all passes
// run at each place in turn, in one walk over the page.
class AttributeRewriter {
public:
    // A pass rewriting `from` into `to` where it stands at an attribute; both begin with
    // a word. Passes run in the order added.
    void add(std::string from, std::string to) {
        if (!from.empty()) passes_.push_back({std::move(from), std::move(to)});
    }

    // Runs the passes over `page`, by way of `spare`.
    void apply(std::string& page, std::string& spare, const std::vector<std::string>& words) const {
        std::size_t copied = 0;
        bool changed = false;
        std::string head;  // the place as the passes so far left it, up to `tail`
        for (const std::size_t at : attributeNameStarts(page, words)) {
            head.clear();
            std::size_t tail = at;  // where the page's own text goes on after `head`
            bool rewritten = false;
            for (const Pass& pass : passes_) {
                if (!startsWith(head, page, tail, pass.from)) continue;
                if (pass.from.size() <= head.size()) {
                    head.replace(0, pass.from.size(), pass.to);
                } else {
                    tail += pass.from.size() - head.size();
                    head = pass.to;
                }
                rewritten = true;
            }
            if (!rewritten) continue;
            if (!changed) {
                spare.clear();
                spare.reserve(page.size() + page.size() / 4);
                changed = true;
            }
            spare.append(page, copied, at - copied);
            spare.append(head);
            copied = tail;
        }
        if (!changed) return;
        spare.append(page, copied, std::string::npos);
        page.swap(spare);
    }

private:
    struct Pass {
        std::string from;
        std::string to;
    };

    // Whether `head` followed by the page from `tail` starts with `text`.
    static bool startsWith(std::string_view head, std::string_view page, std::size_t tail,
                           std::string_view text) {
        const std::size_t inHead = std::min(head.size(), text.size());
        if (head.substr(0, inHead) != text.substr(0, inHead)) return false;
        const std::string_view rest = text.substr(inHead);
        return page.size() - tail >= rest.size() && page.substr(tail, rest.size()) == rest;
    }

    std::vector<Pass> passes_;
};

}  // namespace

std::string parentPath(std::string_view address, std::string_view separator) {
    const std::size_t p = findLastText(address, separator);
    if (p == kNotFound || separator.empty()) return {};
    return std::string(address.substr(0, p));
}

namespace {

// The page buffers of the rewrite, kept by each thread from page to page: a page costs
// no fresh page-sized memory once the thread has seen one as large. They hold at most
// the largest page the thread has rewritten.
struct RewriteBuffers {
    std::string work;    // the page as the passes leave it
    std::string spare;   // the other side of each pass
    std::string result;  // work with "&amp;" turned into "&", when it held one
    bool resultIsWork = false;
};

RewriteBuffers& threadRewriteBuffers() {
    thread_local RewriteBuffers buffers;
    return buffers;
}

void rewritePage(const std::string& pageAddress, std::string_view input, RewriteBuffers& b) {
    const std::string& a = pageAddress;
    const std::string dir = parentPath(a);
    std::string& page = b.work;
    std::string& spare = b.spare;

    {
        HtmlTagScanner scanner;
        scanner.normaliseAssignments(input, page);
    }

    PlainPasses replaceEvery;
    for (int f = 5; f >= 1; --f) {
        std::string up = dir;
        for (int i = 0; i < f; ++i) up = parentPath(up);
        const std::string lower = toLowerAscii(up);
        std::string dots;
        for (int i = 0; i < f; ++i) dots += "../";
        const bool noParent = up.empty() || lower == "http:/" || lower == "https:/" ||
                              lower == "http:" || lower == "https:";
        replaceEvery.add(dots, noParent ? "/" : up + "/");
    }
    replaceEvery.add("\"//", "\"http://");
    replaceEvery.add("./", dir + "/");
    replaceEvery.apply(page, spare);

    restoreLazyImages(page, spare);

    std::string root;
    std::string dirSlash;
    {
        HtmlTagScanner scanner;
        const std::string base =
            scanner.findElement(page, {.tag = "base", .attrNames = {"href"}, .attrValues = {""}});
        const std::string baseHref = scanner.attributeValue(base, "href");
        if (!baseHref.empty()) {
            const bool slash = baseHref.back() == '/';
            root = slash ? baseHref.substr(0, baseHref.size() - 1) : baseHref;
            dirSlash = slash ? baseHref : baseHref + "/";
        } else {
            root = extractDomain(a, {.withScheme = true});
            dirSlash = dir + "/";
        }
    }

    static const std::string kWideSrc = fullWidth("src=");
    static const std::string kWideHref = fullWidth("href=");
    const std::array<std::pair<std::string, std::string>, 2> words = {
        std::pair{std::string("src="), kWideSrc}, std::pair{std::string("href="), kWideHref}};
    AttributeRewriter rewrite;
    for (const std::string q : {"\"", "'", ""}) {
        for (const auto& [w, wide] : words) rewrite.add(w + q + "/", w + q + root + "/");
        for (const auto& [w, wide] : words) rewrite.add(w + q + "#", w + q + a + "#");
        // Values that must stay as they are hide behind a full-width attribute word.
        for (const std::string rest : {"\\\"", "\"http", "'http", "http"}) {
            for (const auto& [w, wide] : words) rewrite.add(w + rest, wide + rest);
        }
        for (const auto& [w, wide] : words) rewrite.add(w + q, w + q + dirSlash);
    }
    for (const std::string rest : {"\\\"", "\"http", "'http", "http"}) {
        for (const auto& [w, wide] : words) rewrite.add(wide + rest, w + rest);
    }
    rewrite.apply(page, spare, {"src=", "href=", kWideSrc, kWideHref});

    b.resultIsWork = !replaceAllInto(page, "&amp;", "&", b.result);
}

}  // namespace

const std::string& absolutisedPage(const std::string& pageAddress, std::string_view page) {
    RewriteBuffers& buffers = threadRewriteBuffers();
    const auto within = [&page](const std::string& buffer) {
        return !page.empty() && page.data() >= buffer.data() &&
               page.data() < buffer.data() + buffer.capacity();
    };
    if (within(buffers.work) || within(buffers.spare) || within(buffers.result)) {
        const std::string copy(page);  // a page read out of the buffers it is rewritten in
        rewritePage(pageAddress, copy, buffers);
    } else {
        rewritePage(pageAddress, page, buffers);
    }
    return buffers.resultIsWork ? buffers.work : buffers.result;
}

std::string absolutiseLinks(const std::string& pageAddress, std::string& page) {
    absolutisedPage(pageAddress, page);
    RewriteBuffers& buffers = threadRewriteBuffers();
    page.assign(buffers.work);
    return buffers.resultIsWork ? buffers.work : buffers.result;
}

}  // namespace lh
