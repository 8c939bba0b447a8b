#pragma once

#include <string>
#include <string_view>

namespace lh {

// User agents: the desktop engines' agent, the mobile engines' agent, and the one the
// transports send when their caller names none.
inline constexpr std::string_view kDesktopUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:74.0) Gecko/20100101 Firefox/74.0";
inline constexpr std::string_view kMobileUserAgent =
    "Mozilla/5.0 (Linux; Android 9; RVL-AL09 Build/HUAWEIRVL-AL09; wv) AppleWebKit/537.36 (KHTML, "
    "like "
    "Gecko) Version/4.0 Chrome/66.0.3359.126 MQQBrowser/6.2 TBS/044704 Mobile Safari/537.36 "
    "V1_AND_SQ_8.0.0_1024_YYB_D QQ/8.0.0.4000 NetType/4G WebP/0.3.0 Pixel/1080 StatusBarHeight/63";
inline constexpr std::string_view kTransportUserAgent =
    "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/30.0.1599.101 "
    "Safari/537.36";

// Accept lines `fetch` and `redirectLocation` send by default.
inline constexpr std::string_view kFetchAccept =
    "image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";
inline constexpr std::string_view kRedirectProbeAccept =
    "image/gif, image/x-xbitmap, image/jpeg, imagepeg, application/x-shockwave-flash, "
    "application/x-silverlight, */*";

inline constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// A block of three header lines that pose as a forwarding proxy for a random client
// address: "X-Forward-For", "X-Forwarded-For" and "REMOTE_ADDR", all with the same
// address. Every call draws a new address.
std::string forgedClientHeaders();

}  // namespace lh
