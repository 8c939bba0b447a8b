#pragma once

namespace lh {

// The ten engines a run can search, in the order the catalogue lists them; exactly one
// radio button selects one of them. `None` stands for "no engine button selected".
// Everything else an engine is (names, hosts, download recipe, paging, extraction
// rules, verification, cookie file, pauses) is asked of its profile in
// engine_catalogue.h.
enum class SearchEngine {
    None,
    Baidu,
    BaiduNews,
    Sogou,
    SogouNews,
    Search360,
    Google,
    Bing,
    BaiduMobile,
    Search360Mobile,
    ShenmaMobile,
};

}  // namespace lh
