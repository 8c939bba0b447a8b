#include "collect/result_extraction.h"

#include "collect/engine_catalogue.h"

#include <algorithm>
#include <vector>

#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"
#include "textutil/text_between.h"
#include "textutil/text_cleanup.h"
#include "textutil/text_search.h"

namespace lh {

namespace {

// tag[attr=v1 | v2 …]: one condition per value on the same attribute, one is enough.
ElementQuery query(std::string tag, std::string attr, std::vector<std::string> values,
                   bool containsMatch = false, bool innerOnly = false, bool rawText = false) {
    ElementQuery q;
    q.tag = std::move(tag);
    if (!attr.empty()) {
        q.attrNames.assign(values.size(), attr);
        q.attrValues = std::move(values);
    }
    q.containsMatch = containsMatch;
    q.innerOnly = innerOnly;
    q.rawText = rawText;
    return q;
}

std::string first(HtmlTagScanner& scanner, const std::string& text, const ElementQuery& q) {
    if (text.empty()) return {};
    return scanner.findElement(text, q);
}

// The first rule of the list that finds something.
std::string firstNonEmpty(HtmlTagScanner& scanner, const std::string& text,
                          const std::vector<ElementQuery>& rules) {
    for (const ElementQuery& rule : rules) {
        std::string found = first(scanner, text, rule);
        if (!found.empty()) return found;
    }
    return {};
}

// Removes the first element matching the sample start tag from `text`.
void cut(HtmlTagScanner& scanner, std::string& text, std::string_view sample,
         bool containsMatch = false) {
    if (text.empty()) return;
    SampleOptions options;
    options.removeMatches = true;
    options.containsMatch = containsMatch;
    scanner.findBySample(text, sample, options);
}

void drop(std::string& text, const std::string& piece) {
    if (!piece.empty() && !text.empty()) text = replaceAll(text, piece, "");
}

std::string between(std::string_view text, std::string_view start, std::string_view end) {
    if (text.empty()) return {};
    return textBetween(text, start, end);
}

std::string after(std::string_view text, std::string_view start) {
    if (text.empty()) return {};
    return textBetween(text, start, "");
}

// Tags out, references decoded, blank lines dropped, lines trimmed. A closing </p> or
// <br> leaves a line break at the very end (or start) that trimLines keeps; it would
// split the output line, so it goes too.
std::string plainText(std::string_view html) {
    std::string text = trimLines(stripTags(html));
    const std::size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return {};
    text.erase(end + 1);
    const std::size_t begin = text.find_first_not_of("\r\n");
    if (begin > 0) text.erase(0, begin);
    return text;
}

std::string baiduDescription(HtmlTagScanner& scanner, const std::string& block) {
    static const ElementQuery span = query("div", "class", {"c-span-last", "c-span18"}, true, true);
    static const ElementQuery abstract = query("div", "class", {"c-abstract"}, true, true);
    std::string d = first(scanner, block + "</div></div>", span);
    if (!d.empty()) {
        std::string inner = first(scanner, d, abstract);
        if (!inner.empty()) d = std::move(inner);
    } else {
        d = first(scanner, block, abstract);
    }
    cut(scanner, d, "<div class=\"g\">");
    cut(scanner, d, "<span class=\"m\">", true);
    return d;
}

std::string baiduNewsDescription(HtmlTagScanner& scanner, const std::string& block) {
    static const ElementQuery summary =
        query("div", "class", {"c-span18 c-span-last", "c-summary c-row"});
    std::string d = first(scanner, block, summary);
    cut(scanner, d, "<p class=\"c-author\">");
    return d;
}

std::string sogouDescription(HtmlTagScanner& scanner, const std::string& block) {
    static const std::vector<ElementQuery> rules = {
        query("p", "class", {"str_info", "news-txt"}), query("div", "class", {"ft"}),
        query("p", "id", {"wx_article_552_p"}),        query("table", "id", {"vr-qunar-info"}),
        query("div", "class", {"base-clamp"}, true),   query("div", "class", {"text-layout"}, true),
        query("div", "class", {"vr-west-lake"}, true), query("ul", "class", {"str-list-v4"}, true),
        query("li", "class", {"str-text-info"}, true), query("div", "class", {"str_info"}, true),
    };
    static const ElementQuery anchor = query("a", "", {}, false, false, true);
    static const ElementQuery script = query("script", "", {}, false, false, true);
    static const ElementQuery feedback = query("div", "class", {"fb"}, false, false, true);
    std::string d = firstNonEmpty(scanner, block, rules);
    drop(d, first(scanner, d, anchor));
    drop(d, first(scanner, d, script));
    drop(d, first(scanner, d, feedback));
    return d;
}

std::string bingDescription(HtmlTagScanner& scanner, const std::string& block) {
    static const ElementQuery caption = query("div", "class", {"b_caption", "b_imagePair wide_m"});
    static const ElementQuery attribution = query("div", "class", {"b_attribution"});
    static const ElementQuery inner = query("div", "class", {"inner"});
    std::string d = first(scanner, block, caption);
    drop(d, first(scanner, block, attribution));
    drop(d, first(scanner, block, inner));
    return d;
}

std::string search360Description(HtmlTagScanner& scanner, const std::string& block) {
    static const ElementQuery rich =
        query("div", "class", {"res-rich", "mohe-desc", "res-comm-con"}, true);
    static const ElementQuery info = query("p", "class", {"info gray"});
    static const ElementQuery linkInfo = query("p", "class", {"res-linkinfo"});
    static const ElementQuery gray = query("span", "class", {"gray"});
    static const ElementQuery askBest = query("span", "class", {"so-ask-best"});
    static const ElementQuery resDesc = query("p", "class", {"res-desc"});
    static const ElementQuery gray2 = query("span", "class", {"gray2"});
    std::string d = first(scanner, block, rich);
    if (!d.empty()) {
        drop(d, first(scanner, block, info));
        drop(d, first(scanner, block, linkInfo));
        drop(d, first(scanner, block, gray));
        return d;
    }
    d = first(scanner, block, askBest);
    if (d.empty()) {
        d = first(scanner, block, resDesc);
        drop(d, first(scanner, block, gray2));
    }
    return d;
}

std::string googleDescription(HtmlTagScanner& scanner, const std::string& block) {
    static const ElementQuery snippet = query("span", "class", {"st"});
    std::string d = first(scanner, block, snippet);
    cut(scanner, d, "<span class=\"f\">");
    return d;
}

std::string baiduMobileDescription(HtmlTagScanner& scanner, const std::string& block) {
    static const std::vector<ElementQuery> rules = {
        query("div", "class", {"bk-abstract"}),
        query("div", "class", {"wa-kg-dict-wise-dan"}, true),
        query("div", "class", {"c-span8"}, true),
        query("div", "role", {"text"}),
    };
    return firstNonEmpty(scanner, block, rules);
}

std::string search360MobileDescription(HtmlTagScanner& scanner, const std::string& block) {
    static const std::vector<ElementQuery> rules = {
        query("div", "class", {"summary"}, true),    query("p", "class", {"summary"}, true),
        query("div", "class", {"mh-details"}, true), query("div", "class", {"mh-content"}, true),
        query("ul", "class", {"g-txt-list"}, true),
    };
    std::string d = firstNonEmpty(scanner, block, rules);
    cut(scanner, d, "<script>");
    cut(scanner, d, "<span class=\"g-btn-txt\">");
    return d;
}

std::string shenmaDescription(HtmlTagScanner& scanner, const std::string& block) {
    static const ElementQuery paragraph = query("span", "class", {"js-c-paragraph-text"});
    return first(scanner, block, paragraph);
}

// The blocks of a Baidu web page: its content column only.
ElementQuery contentLeft() { return query("div", "id", {"content_left"}); }

ExtractionRules rules(ElementQuery container, ElementQuery blocks, LinkElement link,
                      TitleSource title,
                      std::string (*description)(HtmlTagScanner&, const std::string&)) {
    ExtractionRules r;
    r.container = std::move(container);
    r.blocks = std::move(blocks);
    r.link = link;
    r.title = title;
    r.description = description;
    return r;
}

std::string noDescription(HtmlTagScanner&, const std::string&) { return {}; }

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One of the blank-separated tokens of `classValue` is one of `tokens`, ignoring case.
bool hasClassToken(std::string_view classValue, const std::vector<std::string>& tokens) {
    const std::string lower = toLowerAscii(classValue);
    std::size_t i = 0;
    while (i < lower.size()) {
        while (i < lower.size() && isBlank(lower[i])) ++i;
        std::size_t j = i;
        while (j < lower.size() && !isBlank(lower[j])) ++j;
        const std::string_view token = std::string_view(lower).substr(i, j - i);
        for (const std::string& wanted : tokens) {
            if (!token.empty() && token == toLowerAscii(wanted)) return true;
        }
        i = j;
    }
    return false;
}

struct Span {
    std::size_t begin;
    std::size_t end;
};

std::vector<Span> collectSpans(HtmlTagScanner& scanner, const std::string& scope,
                               const ElementQuery& q) {
    const int count = scanner.findAllElements(scope, q);
    std::vector<Span> spans;
    spans.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 1; i <= count; ++i) {
        const auto [begin, end] = scanner.elementRange(i);
        spans.push_back({begin, end});
    }
    return spans;
}

// The fallbacks' blocks: cards that are not results left out, then blocks inside an
// earlier one (a result's own inner parts) too. The text a block must hold is looked
// for once per stretch of the page: a block inside one without it lacks it as well.
std::vector<Span> fallbackSpans(HtmlTagScanner& scanner, const std::string& scope,
                                const ExtractionFallbacks& fallbacks) {
    struct Candidate {
        Span span;
        const std::string* holding;
    };
    std::vector<Candidate> found;
    for (const BlockFallback& fallback : fallbacks.blocks) {
        for (const Span& span : collectSpans(scanner, scope, fallback.query)) {
            const std::string_view element =
                std::string_view(scope).substr(span.begin, span.end - span.begin);
            const std::size_t close = element.find('>');
            const std::string_view startTag = element.substr(0, close == kNotFound ? 0 : close + 1);
            if (!fallbacks.notResults.empty() &&
                hasClassToken(scanner.attributeValue(startTag, "class"), fallbacks.notResults))
                continue;
            found.push_back({span, &fallback.holding});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return a.span.begin < b.span.begin;
    });
    std::vector<Span> kept;
    std::size_t coveredEnd = 0;
    for (const Candidate& c : found) {
        if (c.span.begin < coveredEnd) continue;
        coveredEnd = c.span.end;
        const std::string_view element =
            std::string_view(scope).substr(c.span.begin, c.span.end - c.span.begin);
        if (!c.holding->empty() && element.find(*c.holding) == kNotFound) continue;
        kept.push_back(c.span);
    }
    return kept;
}

// The longest run of text in a block outside scripts, headings and links; inline
// markup (em, b, span …) does not end a run, any other tag does.
std::string longestText(const std::string& block) {
    static const std::vector<std::string_view> skipped = {
        "script", "style", "noscript", "a", "h1", "h2", "h3", "h4", "h5", "h6", "button", "cite"};
    static const std::vector<std::string_view> inlineTags = {"em",   "b", "strong", "i",   "span",
                                                             "font", "u", "sup",    "sub", "wbr"};
    const std::string lower = toLowerAscii(block);
    std::size_t runBegin = 0, runWeight = 0;
    std::size_t bestBegin = 0, bestEnd = 0, bestWeight = 0;
    auto endRun = [&](std::size_t at) {
        if (runWeight > bestWeight) {
            bestBegin = runBegin;
            bestEnd = at;
            bestWeight = runWeight;
        }
        runWeight = 0;
    };
    std::size_t i = 0;
    while (i < lower.size()) {
        if (lower[i] != '<') {
            if (!isBlank(lower[i])) ++runWeight;
            ++i;
            continue;
        }
        if (lower.compare(i, 4, "<!--") == 0) {
            endRun(i);
            const std::size_t close = lower.find("-->", i + 4);
            i = close == kNotFound ? lower.size() : close + 3;
            runBegin = i;
            continue;
        }
        const bool closing = i + 1 < lower.size() && lower[i + 1] == '/';
        std::size_t nameEnd = i + (closing ? 2 : 1);
        while (nameEnd < lower.size() && ((lower[nameEnd] >= 'a' && lower[nameEnd] <= 'z') ||
                                          (lower[nameEnd] >= '0' && lower[nameEnd] <= '9')))
            ++nameEnd;
        const std::size_t nameBegin = i + (closing ? 2 : 1);
        const std::string_view name =
            std::string_view(lower).substr(nameBegin, nameEnd - nameBegin);
        const std::size_t tagEnd = lower.find('>', i);
        if (tagEnd == kNotFound) break;
        if (std::find(inlineTags.begin(), inlineTags.end(), name) != inlineTags.end()) {
            i = tagEnd + 1;
            continue;
        }
        endRun(i);
        i = tagEnd + 1;
        if (!closing && std::find(skipped.begin(), skipped.end(), name) != skipped.end()) {
            const std::size_t end = lower.find("</" + std::string(name), i);
            if (end != kNotFound) {
                const std::size_t endClose = lower.find('>', end);
                i = endClose == kNotFound ? lower.size() : endClose + 1;
            }
        }
        runBegin = i;
    }
    endRun(lower.size());
    return block.substr(bestBegin, bestEnd - bestBegin);
}

// The link address of an anchor's start tag (or of "<a …>…</a>" text).
std::string hrefOf(HtmlTagScanner& scanner, std::string_view anchor) {
    const std::size_t close = anchor.find('>');
    if (close == kNotFound) return {};
    return replaceAll(scanner.attributeValue(anchor.substr(0, close + 1), "href"), "&amp;", "&");
}

// Title and address from the block's first <h3>: the link inside it, else the anchor
// still open where the heading starts.
void headingLink(HtmlTagScanner& scanner, const std::string& block, ResultRecord& record) {
    const std::string lower = toLowerAscii(block);
    const std::size_t h = lower.find("<h3");
    if (h == kNotFound) return;
    const std::size_t hEnd = lower.find("</h3>", h);
    if (hEnd == kNotFound) return;
    const std::string_view heading = std::string_view(block).substr(h, hEnd - h);
    if (record.title.empty()) {
        const std::size_t open = heading.find('>');
        if (open != kNotFound) record.title = plainText(heading.substr(open + 1));
    }
    if (!record.address.empty()) return;
    const std::size_t inner = lower.find("<a ", h);
    if (inner != kNotFound && inner < hEnd) {
        record.address = hrefOf(scanner, std::string_view(block).substr(inner));
        return;
    }
    const std::size_t around = lower.rfind("<a ", h);
    if (around == kNotFound) return;
    const std::size_t closed = lower.find("</a>", around);
    if (closed != kNotFound && closed < h) return;
    record.address = hrefOf(scanner, std::string_view(block).substr(around));
}

// The start tag a text begins with (up to its first ">").
std::string_view leadingTag(std::string_view text) { return text.substr(0, text.find('>')); }

std::string carriedTarget(const CarriedTarget& carried, const std::string& block,
                          const std::string& link, const HtmlTagScanner& scanner) {
    std::string value;
    switch (carried.carrier) {
    case TargetCarrier::None:
        return {};
    case TargetCarrier::BlockTag:
        value = scanner.attributeValue(leadingTag(block), carried.attribute);
        break;
    case TargetCarrier::LinkTag:
        value = scanner.attributeValue(leadingTag(link), carried.attribute);
        break;
    case TargetCarrier::AnyInBlock:
        value = scanner.attributeValue(block, carried.attribute);
        break;
    }
    return replaceAll(value, "&amp;", "&");
}

}  // namespace

namespace extraction_rules {

const ExtractionRules& none() {
    static const ExtractionRules r =
        rules({}, {}, LinkElement::AnchorInH3, TitleSource::LinkText, noDescription);
    return r;
}

const ExtractionRules& baidu() {
    static const ExtractionRules r =
        rules(contentLeft(), query("div", "class", {"c-container"}, true), LinkElement::AnchorInH3,
              TitleSource::LinkText, baiduDescription);
    return r;
}

const ExtractionRules& baiduNews() {
    static const ExtractionRules r =
        rules(contentLeft(), query("div", "class", {"result", "result title"}, true),
              LinkElement::AnchorInH3, TitleSource::LinkText, baiduNewsDescription);
    return r;
}

const ExtractionRules& sogou() {
    static const ExtractionRules r =
        rules({}, query("div", "class", {"vrwrap", "rb"}), LinkElement::AnchorInH3,
              TitleSource::LinkText, sogouDescription);
    return r;
}

const ExtractionRules& search360() {
    static const ExtractionRules r =
        rules({}, query("li", "class", {"res-list"}), LinkElement::AnchorInH3,
              TitleSource::LinkText, search360Description);
    return r;
}

const ExtractionRules& bing() {
    static const ExtractionRules r =
        rules({}, query("li", "class", {"b_algo", "sa_wr", "b_ans"}), LinkElement::AnchorInH2,
              TitleSource::LinkText, bingDescription);
    return r;
}

const ExtractionRules& google() {
    static const ExtractionRules r =
        rules({}, query("div", "class", {"g"}), LinkElement::FirstAnchor,
              TitleSource::HeadingInLink, googleDescription);
    return r;
}

const ExtractionRules& baiduMobile() {
    static const ExtractionRules r =
        rules(query("div", "id", {"results"}, false, false, true),
              query("div", "class", {"c-result-content"}, true), LinkElement::FirstAnchor,
              TitleSource::HeadingInLinkOrBlock, baiduMobileDescription);
    return r;
}

const ExtractionRules& search360Mobile() {
    static const ExtractionRules r =
        rules({}, query("div", "class", {"res-list"}, true), LinkElement::FirstAnchor,
              TitleSource::HeadingInLink, search360MobileDescription);
    return r;
}

const ExtractionRules& shenmaMobile() {
    static const ExtractionRules r =
        rules({}, query("div", "class", {"c-container"}, true), LinkElement::FirstAnchor,
              TitleSource::SpanInLink, shenmaDescription);
    return r;
}

}  // namespace extraction_rules

int extractResultBlocks(const ExtractionRules& rules, const std::string& page,
                        HtmlTagScanner& scanner) {
    // Collecting an empty text clears what an earlier page left behind.
    if (rules.blocks.tag.empty()) return scanner.findAllElements(std::string(), rules.blocks);
    if (rules.container.tag.empty()) return scanner.findAllElements(page, rules.blocks);
    return scanner.findAllElements(first(scanner, page, rules.container), rules.blocks);
}

int extractResultBlocks(SearchEngine engine, const std::string& page, HtmlTagScanner& scanner) {
    return extractResultBlocks(*engineProfile(engine).extraction, page, scanner);
}

std::string resultBlock(const HtmlTagScanner& scanner, int index) {
    return scanner.elementText(index, /*rawText=*/true);
}

ResultRecord parseResult(const ExtractionRules& rules, const std::string& block,
                         HtmlTagScanner& scanner, const CarriedTarget& carried) {
    ResultRecord record;
    if (rules.blocks.tag.empty()) return record;

    std::string link;
    switch (rules.link) {
    case LinkElement::AnchorInH2:
        link = between(between(block, "<h2", "</h2>"), "<a", "</a>");
        break;
    case LinkElement::FirstAnchor:
        link = between(block, "<a ", "</a>");
        break;
    case LinkElement::AnchorInH3:
        link = between(between(block, "<h3", "</h3>"), "<a", "</a>");
        break;
    }
    if (!link.empty())
        record.address = replaceAll(scanner.attributeValue(link, "href"), "&amp;", "&");
    record.pageTarget = carriedTarget(carried, block, link, scanner);

    std::string titleSource;
    switch (rules.title) {
    case TitleSource::HeadingInLinkOrBlock: {
        std::string heading = between(link, "<h3", "</h3>");
        if (heading.empty()) heading = between(block, "<h3", "</h3>");
        titleSource = after(heading, ">");
        break;
    }
    case TitleSource::HeadingInLink:
        titleSource = after(between(link, "<h3", "</h3>"), ">");
        break;
    case TitleSource::SpanInLink:
        titleSource = after(between(link, "<span", "</span>"), ">");
        break;
    case TitleSource::LinkText:
        titleSource = after(link, ">");
        break;
    }
    record.title = plainText(titleSource);

    std::string d = rules.description(scanner, block);
    // Line breaks inside the snippet are the page's layout, not the text's.
    std::erase(d, '\n');
    std::erase(d, '\r');
    record.description = plainText(d);
    return record;
}

ElementQuery classToken(std::string tag, std::vector<std::string> tokens) {
    ElementQuery q = query(std::move(tag), "class", std::move(tokens));
    q.tokenMatch = true;
    return q;
}

ResultRecord parseResult(const ExtractionRules& rules, const ExtractionFallbacks& fallbacks,
                         const std::string& block, HtmlTagScanner& scanner,
                         const CarriedTarget& carried) {
    ResultRecord record = parseResult(rules, block, scanner, carried);
    if (fallbacks.headingLink && (record.title.empty() || record.address.empty()))
        headingLink(scanner, block, record);
    if (!record.description.empty()) return record;
    std::string d;
    for (const SnippetFallback& snippet : fallbacks.snippets) {
        d = first(scanner, block, snippet.query);
        if (!snippet.inner.tag.empty()) d = first(scanner, d, snippet.inner);
        if (!plainText(d).empty()) break;
        d.clear();
    }
    if (d.empty() && fallbacks.longestText) d = longestText(block);
    std::erase(d, '\n');
    std::erase(d, '\r');
    record.description = plainText(d);
    return record;
}

ResultRecord parseResult(SearchEngine engine, const std::string& block, HtmlTagScanner& scanner) {
    const EngineProfile& profile = engineProfile(engine);
    return parseResult(*profile.extraction, block, scanner, profile.carriedTarget);
}

std::vector<ResultRecord> readResultRecords(const ExtractionRules& rules, const std::string& page,
                                            const CarriedTarget& carried) {
    HtmlTagScanner scanner;
    const int count = extractResultBlocks(rules, page, scanner);
    std::vector<ResultRecord> records;
    records.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 1; i <= count; ++i) {
        records.push_back(parseResult(rules, resultBlock(scanner, i), scanner, carried));
    }
    return records;
}

std::vector<std::string> resultBlocks(const ExtractionRules& rules,
                                      const ExtractionFallbacks& fallbacks,
                                      const std::string& page) {
    std::vector<std::string> blocks;
    if (rules.blocks.tag.empty()) return blocks;
    HtmlTagScanner scanner;
    std::string container;
    if (!rules.container.tag.empty()) container = first(scanner, page, rules.container);
    const std::string& scope = rules.container.tag.empty() ? page : container;
    const std::vector<Span> ruled = collectSpans(scanner, scope, rules.blocks);
    std::vector<Span> added;
    if (!fallbacks.blocks.empty()) {
        std::vector<Span> candidates = fallbackSpans(scanner, scope, fallbacks);
        if (candidates.size() > ruled.size()) {
            // The rules' blocks all stay; a fallback block touching one of them goes.
            std::vector<Span> covered;
            for (const Span& span : ruled) {
                if (!covered.empty() && span.begin < covered.back().end) {
                    covered.back().end = std::max(covered.back().end, span.end);
                } else {
                    covered.push_back(span);
                }
            }
            std::size_t c = 0;
            for (const Span& span : candidates) {
                while (c < covered.size() && covered[c].end <= span.begin) ++c;
                if (c < covered.size() && covered[c].begin < span.end) continue;
                added.push_back(span);
            }
        }
    }
    blocks.reserve(ruled.size() + added.size());
    std::size_t a = 0;
    auto cutOut = [&](const Span& span) {
        blocks.push_back(scope.substr(span.begin, span.end - span.begin));
    };
    for (const Span& span : ruled) {
        while (a < added.size() && added[a].begin < span.begin) cutOut(added[a++]);
        cutOut(span);
    }
    while (a < added.size()) cutOut(added[a++]);
    return blocks;
}

std::vector<ResultRecord> readResultRecords(const ExtractionRules& rules,
                                            const ExtractionFallbacks& fallbacks,
                                            const std::string& page, const CarriedTarget& carried) {
    const std::vector<std::string> blocks = resultBlocks(rules, fallbacks, page);
    HtmlTagScanner scanner;
    std::vector<ResultRecord> records;
    records.reserve(blocks.size());
    for (const std::string& block : blocks)
        records.push_back(parseResult(rules, fallbacks, block, scanner, carried));
    return records;
}

}  // namespace lh
