#include "support/mock_engine_server.h"

#include <cctype>
#include <cstdio>

#include "textutil/program_text.h"
#include "textutil/url_encoders.h"
#include "web/network_overrides.h"

namespace lh::test {

namespace {

const std::vector<std::string>& engineHosts() {
    static const std::vector<std::string> hosts = {
        "www.baidu.com",  "www.sogou.com",     "news.sogou.com", "www.so.com",
        "www.google.com", "www.google.com.hk", "cn.bing.com",    "global.bing.com",
        "m.baidu.com",    "m.so.com",          "m.sm.cn"};
    return hosts;
}

std::string queryParam(const std::string& target, const std::string& name) {
    for (const char* lead : {"?", "&"}) {
        const std::string key = lead + name + "=";
        const std::size_t at = target.find(key);
        if (at == std::string::npos) continue;
        const std::size_t start = at + key.size();
        const std::size_t end = target.find('&', start);
        return target.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return {};
}

long long number(const std::string& text) { return toInteger(text); }

std::string htmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string refreshPage(const std::string& marker, const std::string& target) {
    return "<html><head>" + marker + "'" + target + "'\"></head><body></body></html>";
}

const std::string kRefreshA = "<noscript><META http-equiv=\"refresh\" content=\"0;URL=";
const std::string kRefreshB = "<META http-equiv=\"refresh\" content=\"0;URL=";
const std::string kRefreshC = "<META http-equiv=\"refresh\" content=\"0; URL=";

std::string verificationPage(SearchEngine engine) {
    switch (engine) {
    case SearchEngine::Google:
        return "<html><body>Our systems have detected unusual traffic from your computer "
               "network.</body></html>";
    case SearchEngine::Sogou:
    case SearchEngine::SogouNews:
        return gb("<html><body><p>用户您好，您的访问过于频繁</p></body></html>");
    case SearchEngine::Search360Mobile:
        return "<html><body><script>sendLog('verify_page', 1)</script></body></html>";
    default:
        return gb("<html><head><title>百度安全验证</title></head><body></body></html>");
    }
}

}  // namespace

std::string hexOf(const std::string& text) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string base64UrlOf(const std::string& text) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    unsigned int bits = 0;
    int held = 0;
    for (unsigned char c : text) {
        bits = (bits << 8) | c;
        held += 8;
        while (held >= 6) {
            held -= 6;
            out += digits[(bits >> held) & 63u];
        }
    }
    if (held > 0) out += digits[(bits << (6 - held)) & 63u];
    return out;
}

std::string unhex(const std::string& hex) {
    std::string out;
    // Real engines' tokens are no hex: they stop the decoding instead of the server.
    for (std::size_t i = 0;
         i + 1 < hex.size() && std::isxdigit(static_cast<unsigned char>(hex[i])) &&
         std::isxdigit(static_cast<unsigned char>(hex[i + 1]));
         i += 2) {
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return out;
}

MockEngineServer::MockEngineServer() {
    NetworkOverrides& overrides = NetworkOverrides::instance();
    overrides.clear();
    for (const std::string& host : engineHosts()) {
        overrides.addConnectTo(host, 80, "127.0.0.1", http_.port());
        overrides.addConnectTo(host, 443, "127.0.0.1", https_.port());
    }
    overrides.setExtraCaFile(LocalServer::caFile());
    const auto handler = [this](const RecordedRequest& request) {
        ScriptedAnswer reply = answer(request);
        if (alterAnswer) alterAnswer(request, reply);
        return reply;
    };
    http_.setHandler(handler);
    https_.setHandler(handler);
}

MockEngineServer::~MockEngineServer() { NetworkOverrides::instance().clear(); }

std::vector<MockResult> MockEngineServer::results(SearchEngine engine, const std::string& keyword,
                                                  int page, int count) {
    static const std::string resultWord = gb("结果");
    static const std::string about = gb("关于");
    static const std::string description = gb("的描述 ");
    std::vector<MockResult> list;
    const std::string slug =
        hexOf(gbToUtf8(keyword)) + "-" + std::to_string(static_cast<int>(engine));
    for (int i = 1; i <= count; ++i) {
        const std::string place = std::to_string(page) + "-" + std::to_string(i);
        MockResult result;
        result.title = keyword + " " + resultWord + " " + place;
        result.target = "http://r" + std::to_string(i) + ".p" + std::to_string(page) +
                        ".example.com/" + slug + ".html";
        result.description = about + keyword + description + place;
        list.push_back(result);
    }
    return list;
}

std::string MockEngineServer::fillerBlock() {
    std::string text = gb("<div class=\"side\"><h4>相关搜索</h4><p>");
    for (int i = 0; i < 24; ++i) text += gb("相关的内容 related text ");
    return text + "</p><a href=\"/other?x=1\">other</a></div>\n";
}

MockBody MockEngineServer::bodyOf(SearchEngine engine) {
    switch (engine) {
    case SearchEngine::Sogou:
    case SearchEngine::ShenmaMobile:
        return MockBody::Gbk;
    case SearchEngine::SogouNews:
        return MockBody::GzipGbk;
    case SearchEngine::BaiduNews:
    case SearchEngine::Google:
    case SearchEngine::Search360Mobile:
        return MockBody::GzipUtf8;
    default:
        return MockBody::Utf8;
    }
}

void MockEngineServer::requireVerification(SearchEngine engine, bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    verification_[engine] = on;
}

void MockEngineServer::setPagePadding(std::size_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    padding_ = bytes;
}

std::vector<RecordedRequest> MockEngineServer::requests() const {
    std::vector<RecordedRequest> all = http_.requests();
    for (RecordedRequest& request : https_.requests()) all.push_back(std::move(request));
    return all;
}

std::vector<RecordedRequest> MockEngineServer::resultPageRequests(SearchEngine engine) const {
    std::vector<RecordedRequest> out;
    for (RecordedRequest& request : requests()) {
        if (engineOfRequest(request) == engine) out.push_back(std::move(request));
    }
    return out;
}

void MockEngineServer::clearLog() {
    http_.clearLog();
    https_.clearLog();
}

SearchEngine MockEngineServer::engineOfRequest(const RecordedRequest& request) {
    const std::string host = request.header("Host");
    const std::string path = request.path();
    if (host == "www.baidu.com" && path == "/s") {
        if (queryParam(request.target, "word").empty()) return SearchEngine::None;  // warm-up
        return request.target.find("tn=news") != std::string::npos ? SearchEngine::BaiduNews
                                                                   : SearchEngine::Baidu;
    }
    if (host == "www.sogou.com" && path == "/web") return SearchEngine::Sogou;
    if (host == "news.sogou.com" && path == "/news") return SearchEngine::SogouNews;
    if (host == "www.so.com" && path == "/s") return SearchEngine::Search360;
    if ((host == "www.google.com" || host == "www.google.com.hk") && path == "/search") {
        return SearchEngine::Google;
    }
    if ((host == "cn.bing.com" || host == "global.bing.com") && path == "/search") {
        return SearchEngine::Bing;
    }
    if (host == "m.baidu.com" && path == "/s") return SearchEngine::BaiduMobile;
    if (host == "m.so.com" && path == "/nextpage") return SearchEngine::Search360Mobile;
    if (host == "m.sm.cn" && path == "/s") return SearchEngine::ShenmaMobile;
    return SearchEngine::None;
}

ScriptedAnswer MockEngineServer::answer(const RecordedRequest& request) {
    if (onRequest) onRequest(request);
    const SearchEngine engine = engineOfRequest(request);
    if (engine != SearchEngine::None) return resultPage(engine, request);

    const std::string host = request.header("Host");
    const std::string path = request.path();
    const std::string& target = request.target;
    if (host == "www.baidu.com" && path == "/s") {  // the warm-up search leaves BAIDUID
        ScriptedAnswer warm = ScriptedAnswer::html("<html><body>warm</body></html>");
        warm.headers.push_back("Set-Cookie: BAIDUID=warm42; path=/; domain=.baidu.com");
        return warm;
    }
    if (host == "www.baidu.com" && path == "/link") {
        const std::string token = queryParam(target, "url");
        if (token.rfind("A-", 0) == 0) {
            return ScriptedAnswer::html(refreshPage(kRefreshA, unhex(token.substr(2))) +
                                        "</noscript>");
        }
        return ScriptedAnswer::redirect(302, unhex(token));
    }
    if (host == "www.baidu.com" && path == "/baidu.php") {
        if (request.header("Cookie").find("BAIDUID=warm42") != std::string::npos) {
            return ScriptedAnswer::redirect(302, unhex(queryParam(target, "url")));
        }
        return ScriptedAnswer::redirect(302, "https://www.baidu.com/baidu.php?url=again");
    }
    if (host == "www.so.com" && path == "/link") {
        return ScriptedAnswer::html(refreshPage(kRefreshB, unhex(queryParam(target, "m"))));
    }
    if (host == "www.sogou.com" && path == "/link") {
        return ScriptedAnswer::html(refreshPage(kRefreshC, unhex(queryParam(target, "url"))));
    }
    if (host == "m.baidu.com" && path.rfind("/from=", 0) == 0) {
        return ScriptedAnswer::html(refreshPage(kRefreshB, unhex(queryParam(target, "nsrc"))));
    }
    return ScriptedAnswer::notFound();
}

ScriptedAnswer MockEngineServer::resultPage(SearchEngine engine, const RecordedRequest& request) {
    bool verify = false;
    std::size_t padding = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        verify = verification_[engine];
        padding = padding_;
    }
    const std::string& t = request.target;
    const std::string host = request.header("Host");
    std::string page;
    if (verify && request.header("Cookie").find("verified=yes") == std::string::npos) {
        page = verificationPage(engine);
    } else {
        std::string keywordParam;
        long long pageNumber = 1;
        switch (engine) {
        case SearchEngine::Baidu:
        case SearchEngine::BaiduNews: {
            keywordParam = queryParam(t, "word");
            const long long rn = std::max(1LL, number(queryParam(t, "rn")));
            pageNumber = number(queryParam(t, "pn")) / rn + 1;
            break;
        }
        case SearchEngine::Sogou:
        case SearchEngine::SogouNews:
            keywordParam = queryParam(t, "query");
            pageNumber = number(queryParam(t, "page"));
            break;
        case SearchEngine::Search360:
        case SearchEngine::Search360Mobile:
            keywordParam = queryParam(t, "q");
            pageNumber = number(queryParam(t, "pn"));
            break;
        case SearchEngine::Google: {
            keywordParam = queryParam(t, "q");
            const long long num = std::max(1LL, number(queryParam(t, "num")));
            pageNumber = number(queryParam(t, "start")) / num + 1;
            break;
        }
        case SearchEngine::Bing:
            keywordParam = queryParam(t, "q");
            pageNumber = (number(queryParam(t, "first")) - 1) / 10 + 1;
            break;
        case SearchEngine::BaiduMobile:
            keywordParam = queryParam(t, "word");
            pageNumber = number(queryParam(t, "pn")) / 10 + 1;
            break;
        case SearchEngine::ShenmaMobile:
            keywordParam = queryParam(t, "q");
            pageNumber = number(queryParam(t, "page"));
            break;
        default:
            break;
        }
        const std::string keyword = percentDecodeUtf8(keywordParam);
        const int pageNo = static_cast<int>(pageNumber);
        std::vector<MockResult> list;
        if (pageNo >= 1 && pageNo <= pagesPerKeyword)
            list = results(engine, keyword, pageNo, resultsPerPage);
        const bool hasNext = pageNo < pagesPerKeyword;

        std::string blocks;
        int index = 0;
        for (const MockResult& r : list) {
            ++index;
            const std::string title = htmlEscape(r.title);
            const std::string desc = htmlEscape(r.description);
            const std::string hex = hexOf(r.target);
            const auto named = [this, &r](const char* attribute) {
                return carryTargets ? " " + std::string(attribute) + "=\"" + r.target + "\"" : "";
            };
            switch (engine) {
            case SearchEngine::Baidu: {
                std::string href =
                    "http://www.baidu.com/link?url=" + (index == 3 ? "A-" + hex : hex);
                if (pageNo == 1 && index == 2) href = "https://www.baidu.com/baidu.php?url=" + hex;
                blocks += "<div class=\"result c-container xpath-log\" id=\"" +
                          std::to_string(index) + "\"" + named("mu") +
                          "><h3 class=\"t\"><a href=\"" + href + "\" target=\"_blank\">" + title +
                          "</a></h3><div class=\"c-abstract\">" + desc + "</div></div>\n";
                break;
            }
            case SearchEngine::BaiduNews:
                blocks += "<div class=\"result\" id=\"" + std::to_string(index) +
                          "\"><h3 class=\"c-title\"><a href=\"" + r.target + "\">" + title +
                          "</a></h3><div class=\"c-summary c-row\">" + desc + "</div></div>\n";
                break;
            case SearchEngine::Sogou:
                blocks += "<div class=\"vrwrap\"><h3 class=\"vr-title\"><a href=\"" + r.target +
                          "\">" + title + "</a></h3><p class=\"str_info\">" + desc + "</p><div" +
                          named("data-url") + "></div></div>\n";
                break;
            case SearchEngine::SogouNews:
                blocks +=
                    "<div class=\"vrwrap\"><h3 class=\"vr-title\"><a "
                    "href=\"http://news.sogou.com/link?url=" +
                    hex + "\">" + title + "</a></h3><p class=\"news-txt\">" + desc + "</p><div" +
                    named("data-url") + "></div></div>\n";
                break;
            case SearchEngine::Search360:
                blocks +=
                    "<li class=\"res-list\"><h3 class=\"res-title\"><a "
                    "href=\"//www.so.com/link?m=" +
                    hex + "\"" + named("data-mdurl") + ">" + title +
                    "</a></h3><p class=\"res-desc\">" + desc + "</p></li>\n";
                break;
            case SearchEngine::Google: {
                const std::string base = host == "www.google.com.hk" ? "https://www.google.com.hk/"
                                                                     : "https://www.google.com/";
                const std::string target = r.target + (index == 2 ? ";jsessionid=ABC123" : "");
                blocks += "<div class=\"g\"><div class=\"r\"><a href=\"" + base +
                          "url?q=" + target + "&amp;sa=U&amp;ved=0\"><h3 class=\"LC20lb\">" +
                          title + "</h3></a></div><div class=\"s\"><span class=\"st\">" + desc +
                          "</span></div></div>\n";
                break;
            }
            case SearchEngine::Bing:
                blocks += "<li class=\"b_algo\"><h2><a href=\"" +
                          (carryTargets ? "https://www.bing.com/ck/a?!&amp;&amp;p=5e1f&amp;u=a1" +
                                              base64UrlOf(gbToUtf8(r.target)) + "&amp;ntb=1"
                                        : r.target) +
                          "\" h=\"ID=1\">" + title + "</a></h2><div class=\"b_caption\"><p>" +
                          desc + "</p></div></li>\n";
                break;
            case SearchEngine::BaiduMobile:
                blocks +=
                    "<div class=\"c-result result\"><div class=\"c-result-content\"><article>"
                    "<a href=\"https://m.baidu.com/from=844b/bd_page_type=1/ssid=0/uid=0/t=iphone/"
                    "tc?ref=www_iphone&amp;order=" +
                    std::to_string(index) + "&amp;nsrc=" + hex +
                    "\" class=\"c-blocka\"><h3 class=\"c-title\">" + title +
                    "</h3></a><div class=\"c-span8\">" + desc + "</div></article></div></div>\n";
                break;
            case SearchEngine::Search360Mobile:
                blocks += "<div class=\"res-list\"><a href=\"https://m.so.com/jump?u=" +
                          percentEncodeKeyword(r.target) +
                          "&amp;m=1\" class=\"alink\"><h3 class=\"res-title\">" + title +
                          "</h3></a><div class=\"summary\">" + desc + "</div></div>\n";
                break;
            case SearchEngine::ShenmaMobile:
                blocks += "<div class=\"c-container\"><a href=\"" + r.target +
                          "\" class=\"c-header-inner\"><span class=\"c-header-title\">" + title +
                          "</span></a><span class=\"js-c-paragraph-text\">" + desc +
                          "</span></div>\n";
                break;
            default:
                break;
            }
        }

        std::string next;
        if (hasNext && (engine == SearchEngine::Baidu || engine == SearchEngine::BaiduNews)) {
            const long long rn = std::max(1LL, number(queryParam(t, "rn")));
            next = "<div id=\"page\"><a href=\"/s?ie=utf-8&amp;word=" + keywordParam +
                   "&amp;rn=" + std::to_string(rn) + "&amp;pn=" + std::to_string(pageNumber * rn) +
                   (engine == SearchEngine::BaiduNews ? "&amp;tn=news" : "") + "\" class=\"n\">" +
                   gb("下一页") + " &gt;</a></div>";
        }
        if (hasNext && engine == SearchEngine::Bing) {
            next = "<nav><a class=\"sb_pagN\" href=\"/search?q=" + keywordParam +
                   "&amp;first=" + std::to_string(pageNumber * 10 + 1) +
                   "&amp;FORM=PORE\" title=\"" + gb("下一页") + "\">" + gb("下一页") + "</a></nav>";
        }

        const bool utf8 = bodyOf(engine) == MockBody::Utf8 || bodyOf(engine) == MockBody::GzipUtf8;
        page = std::string("<!DOCTYPE html><html><head><meta charset=\"") +
               (utf8 ? "utf-8" : "gbk") + "\"><title>" + htmlEscape(keyword) +
               "</title></head><body>\n";
        if (engine == SearchEngine::Baidu || engine == SearchEngine::BaiduNews) {
            page += "<div id=\"content_left\">\n" + blocks + "</div>\n";
        } else if (engine == SearchEngine::BaiduMobile) {
            page += "<div id=\"results\">\n" + blocks + "</div>\n";
        } else {
            page += "<ol id=\"results\">\n" + blocks + "</ol>\n";
        }
        page += next;
        static const std::string filler = fillerBlock();
        while (page.size() < padding) page += filler;
        page += "</body></html>";
    }

    const MockBody body = bodyOf(engine);
    const bool utf8 = body == MockBody::Utf8 || body == MockBody::GzipUtf8;
    std::string bytes = utf8 ? gbToUtf8(page) : page;
    ScriptedAnswer answer;
    answer.headers.push_back(utf8 ? "Content-Type: text/html; charset=utf-8"
                                  : "Content-Type: text/html");
    if (body == MockBody::GzipUtf8 || body == MockBody::GzipGbk) {
        bytes = gzipText(bytes);
        answer.headers.push_back("Content-Encoding: gzip");
    }
    answer.body = std::move(bytes);
    return answer;
}

}  // namespace lh::test
