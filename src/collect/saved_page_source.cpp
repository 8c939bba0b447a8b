#include "collect/saved_page_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "collect/engine_catalogue.h"
#include "collect/engine_page_source.h"
#include "textutil/program_text.h"
#include "web/body_decoding.h"

namespace lh {

SavedPageSource::SavedPageSource(std::vector<SavedPage> pages, ResultPageSource& engine,
                                 bool resolveLinks)
    : pages_(std::move(pages)), engine_(engine), resolveLinks_(resolveLinks) {}

std::string SavedPageSource::searchAddress(const CollectionSettings& settings,
                                           std::string_view keyword, long long page,
                                           std::string_view nextPageUrl,
                                           const EngineSession& session) {
    return engine_.searchAddress(settings, keyword, page, nextPageUrl, session);
}

ResultPage SavedPageSource::fetchPage(const CollectionSettings& settings, std::string_view keyword,
                                      const std::string& address, EngineSession&,
                                      const StopToken&) {
    ResultPage page;
    const SavedPage* saved = nullptr;
    for (const SavedPage& candidate : pages_) {
        if (candidate.keyword == keyword) {
            saved = &candidate;
            break;
        }
    }
    if (saved == nullptr) return page;
    std::ifstream in(saved->path, std::ios::binary);
    if (!in) {
        page.download.failure = TransferFailure::Other;
        page.download.reason = "cannot read '" + saved->path + "': " + std::strerror(errno);
        page.download.url = address;
        return page;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    page = readResultPage(engineProfile(settings.engine), address,
                          decodeBody(bytes, CharsetCode::Detect));
    page.download.url = address;
    return page;
}

ResolvedLink SavedPageSource::resolveLink(const CollectionSettings& settings,
                                          const ResultRecord& record, EngineSession& session,
                                          const StopToken& stop) {
    if (!resolveLinks_) return {record.address, {}};
    return engine_.resolveLink(settings, record, session, stop);
}

void SavedPageSource::resolveLinks(const CollectionSettings& settings,
                                   std::span<const ResultRecord* const> records,
                                   EngineSession& session, const StopToken& stop,
                                   const TakeLink& take) {
    if (!resolveLinks_) {
        ResultPageSource::resolveLinks(settings, records, session, stop, take);
        return;
    }
    engine_.resolveLinks(settings, records, session, stop, take);
}

std::string keywordOfSavedPage(const std::string& path) {
    const std::string stem = std::filesystem::path(path).stem().string();
    return trimSpaces(isValidUtf8(stem) ? utf8ToGb(stem) : stem);
}

}  // namespace lh
