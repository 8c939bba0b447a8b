#pragma once

namespace lh {

// The ten engines a run can search; exactly one radio button selects one of them.
// `None` stands for "no engine button selected".
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
