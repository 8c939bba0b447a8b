#include "web/network_overrides.h"

#include <curl/curl.h>

#include <fstream>
#include <sstream>

namespace lh {

namespace {

bool readWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    out = content.str();
    return true;
}

}  // namespace

NetworkOverrides& NetworkOverrides::instance() {
    static NetworkOverrides overrides;
    return overrides;
}

void NetworkOverrides::addConnectTo(std::string_view host, int port, std::string_view targetHost,
                                    int targetPort) {
    std::string entry = std::string(host) + ":" + std::to_string(port) + ":" +
                        std::string(targetHost) + ":" + std::to_string(targetPort);
    std::lock_guard<std::mutex> lock(mutex_);
    connectTo_.push_back(std::move(entry));
    ++generation_;
}

bool NetworkOverrides::addConnectTo(std::string_view spec) {
    int colons = 0;
    for (char c : spec) colons += c == ':' ? 1 : 0;
    if (colons != 3) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    connectTo_.emplace_back(spec);
    ++generation_;
    return true;
}

bool NetworkOverrides::setExtraCaFile(const std::string& path) {
    std::string extra;
    if (!readWholeFile(path, extra) ||
        extra.find("-----BEGIN CERTIFICATE-----") == std::string::npos)
        return false;
    // curl takes one CA bundle: the system's bundle with ours appended keeps both trusted.
    std::string bundle;
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (info != nullptr && info->cainfo != nullptr) readWholeFile(info->cainfo, bundle);
    if (!bundle.empty() && bundle.back() != '\n') bundle += '\n';
    bundle += extra;
    std::lock_guard<std::mutex> lock(mutex_);
    caBundle_ = std::make_shared<const std::string>(std::move(bundle));
    ++generation_;
    return true;
}

void NetworkOverrides::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    connectTo_.clear();
    caBundle_.reset();
    ++generation_;
}

NetworkOverrides::Snapshot NetworkOverrides::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {connectTo_, caBundle_, generation_};
}

void NetworkOverrides::restore(const Snapshot& saved) {
    std::lock_guard<std::mutex> lock(mutex_);
    connectTo_ = saved.connectTo;
    caBundle_ = saved.caBundle;
    ++generation_;
}

}  // namespace lh
