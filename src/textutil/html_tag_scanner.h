#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lh {

// Which elements a scanner call looks for. Fields are in call order, so call sites
// read well with designated initialisers:
//   scanner.findElement(page, {.tag = "div", .attrNames = {"class"},
//                              .attrValues = {"result"}, .containsMatch = true});
struct ElementQuery {
    // Element name without brackets ("div", "a"). findAllElements also takes several
    // names separated by "|". An empty name, or one holding "<", ">", "/" or a blank,
    // matches nothing.
    std::string tag{};
    // Attribute conditions: attrNames[i] must have the value attrValues[i] (a missing
    // value counts as empty). An empty wanted value only asks for " name=" in the start
    // tag. No names: every element of the tag qualifies.
    std::vector<std::string> attrNames{};
    std::vector<std::string> attrValues{};
    // On: the value contains the wanted value, ignoring case. Off: equal after both are
    // lower-cased and trimmed (so class "a b" does not equal "a").
    bool containsMatch = false;
    // On (and containsMatch off): the value is a list of blank-separated tokens, one of
    // which must equal the wanted value ignoring case, or start with it when the wanted
    // value ends in "*" (class "res-list news" holds for "res-list" and for "res*").
    bool tokenMatch = false;
    // On: every condition must hold. Off: one is enough.
    bool matchAll = false;
    // On: ASCII letter case is ignored in tag names.
    bool ignoreCase = true;
    // On: the element's text without its own start and end tags.
    bool innerOnly = false;
    // Off: blanks around "=" are removed from returned texts (normaliseAssignments).
    bool rawText = false;
};

// What findBySample does with the elements it finds.
struct SampleOptions {
    bool listAll = false;        // every match, one per line; off: the first match only
    bool removeMatches = false;  // return the page without the matches instead
    bool rawText = false;
    bool innerOnly = false;
    bool containsMatch = false;
};

// Finds elements in HTML by plain text matching, without parsing: a start tag is "<"
// plus the name not followed by a letter a-z or digit, an end tag is exactly "</name>",
// nested elements of the same name are counted, a start tag ending in "/>" is the whole
// element, and an element without its end tag is its start tag alone. Comments, scripts
// and attribute values get no special treatment.
//
// Collecting calls (occurrence kCollectAll, findAllElements, findBySample with
// listAll) keep the page and the byte ranges of what they found; elementCount and
// elementText read them. Single-element calls never disturb collected elements.
// Positions are bytes: elements are cut from the page exactly as they stand.
class HtmlTagScanner {
public:
    static constexpr int kCollectAll = -1;

    HtmlTagScanner();
    ~HtmlTagScanner();
    HtmlTagScanner(const HtmlTagScanner&) = delete;
    HtmlTagScanner& operator=(const HtmlTagScanner&) = delete;

    // occurrence 0 (or any value but kCollectAll): the first matching element's text,
    // empty when none. kCollectAll: collects every matching element (nested ones too,
    // outer first) and returns their total number as decimal text ("0" when none);
    // `append` keeps what earlier collecting calls found.
    std::string findElement(const std::string& page, const ElementQuery& query, int occurrence = 0,
                            bool append = false);

    // Collects every element of each "|"-separated name in query.tag, name after name.
    // Returns the number collected (rawText is not used: texts are cut by elementText).
    int findAllElements(const std::string& page, const ElementQuery& query);

    // As findAllElements, without keeping a copy of the page: only elementRange reads
    // what it found (against the caller's page); elementText reads nothing.
    int locateAllElements(const std::string& page, const ElementQuery& query);

    // Elements described by sample start tags, such as
    // R"(<div class="c-container">|noscript)": the name and every name=value pair of
    // each sample become conditions (all must hold). Returns the found elements' texts
    // joined by CR LF, or with removeMatches the page without them (`page` is updated
    // too). Collected elements are replaced when listAll is on.
    std::string findBySample(std::string& page, std::string_view samples,
                             const SampleOptions& options = {});

    // Value of attribute `name` in a start tag's text, trimmed; empty when absent.
    // Tries " name" before "name" (so "location.href" is found in
    // "window.location.href='x'"), and "=" followed by a double quote, a single quote,
    // or nothing (an unquoted value ends at the next blank or ">").
    std::string attributeValue(std::string_view tagText, std::string_view name) const;

    // With `set`: gives the attribute `newValue`, adding name="" before the closing "/>"
    // or ">" when the tag has no such attribute; updates `tagText` and returns it.
    // Without `set`: the read above.
    std::string attributeValue(std::string& tagText, std::string_view name,
                               std::string_view newValue, bool set);

    // Number of collected elements.
    int elementCount() const;

    // Collected element `index` (1-based); empty outside 1..elementCount().
    std::string elementText(int index, bool rawText = false) const;

    // 0-based byte range [begin, end) of collected element `index` (1-based) in the
    // page of the last collecting call; {0, 0} outside 1..elementCount().
    std::pair<std::size_t, std::size_t> elementRange(int index) const;

    // Text returned by the last single-element call.
    const std::string& lastText() const { return lastText_; }

    // Every "=" with up to 10 blanks (white space or full-width spaces) on either side
    // becomes a bare "=", so `src = "x"` reads `src="x"`.
    std::string normaliseAssignments(std::string_view text) const;
    // The same written into `out` (its storage reused); `text` must not lie in `out`.
    void normaliseAssignments(std::string_view text, std::string& out) const;

private:
    struct Range {
        std::size_t begin;
        std::size_t end;
    };

    std::string pageBuffer_;
    std::size_t collectedPageSize_ = 0;  // of the last collecting call's page
    bool keepPage_ = true;
    std::vector<Range> ranges_;
    std::string lastText_;
};

}  // namespace lh
