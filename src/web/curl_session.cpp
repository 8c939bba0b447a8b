#include "web/curl_session.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "web/network_overrides.h"

namespace lh {

namespace {

constexpr long kSliceMs = 50;  // how late a stop request may be noticed
constexpr long kKeptConnections = 16;

void ensureCurlInitialised() {
    static const bool initialised = [] {
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    (void)initialised;
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

bool openSslBackend() {
    static const bool openSsl = [] {
        const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
        return info != nullptr && info->ssl_version != nullptr &&
               std::string_view(info->ssl_version).starts_with("OpenSSL/");
    }();
    return openSsl;
}

void trustLikeLibcurl(X509_STORE* store) {
    // The flags libcurl sets on the stores it builds itself.
    X509_STORE_set_flags(store, X509_V_FLAG_PARTIAL_CHAIN | X509_V_FLAG_TRUSTED_FIRST);
}

// The system's CAs: libcurl's default bundle and directory. Built on first use, kept for
// the life of the process.
X509_STORE* systemTrustStore() {
    static X509_STORE* const store = [] {
        X509_STORE* s = X509_STORE_new();
        if (s == nullptr) return s;
        const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
        if (info != nullptr && info->cainfo != nullptr) X509_STORE_load_file(s, info->cainfo);
        if (info != nullptr && info->capath != nullptr) X509_STORE_load_path(s, info->capath);
        ERR_clear_error();
        trustLikeLibcurl(s);
        return s;
    }();
    return store;
}

X509_STORE* trustStoreFromPem(const std::string& pem) {
    X509_STORE* store = X509_STORE_new();
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    if (store == nullptr || bio == nullptr) {
        BIO_free(bio);
        return store;
    }
    while (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
        X509_STORE_add_cert(store, cert);
        X509_free(cert);
    }
    BIO_free(bio);
    ERR_clear_error();
    trustLikeLibcurl(store);
    return store;
}

}  // namespace

// One state of the program-wide network overrides, with what transfers share under it.
struct NetworkSetup {
    explicit NetworkSetup(const NetworkOverrides::Snapshot& overrides)
        : generation(overrides.generation), caBundle(overrides.caBundle) {
        for (const std::string& entry : overrides.connectTo) {
            curl_slist* grown = curl_slist_append(connectTo.get(), entry.c_str());
            if (grown == nullptr) continue;
            (void)connectTo.release();
            connectTo.reset(grown);
        }
        share = curl_share_init();
        if (share != nullptr) {
            curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &NetworkSetup::lock);
            curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &NetworkSetup::unlock);
            curl_share_setopt(share, CURLSHOPT_USERDATA, this);
            curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
            curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        }
    }
    ~NetworkSetup() {
        if (share != nullptr) curl_share_cleanup(share);
        if (ownTrust != nullptr) X509_STORE_free(ownTrust);
    }
    NetworkSetup(const NetworkSetup&) = delete;
    NetworkSetup& operator=(const NetworkSetup&) = delete;

    // The trusted CAs, read once: the system's, or the bundle the overrides name.
    X509_STORE* trustStore() const {
        if (!caBundle) return systemTrustStore();
        std::call_once(trustOnce, [this] { ownTrust = trustStoreFromPem(*caBundle); });
        return ownTrust;
    }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<NetworkSetup*>(user)->locks[static_cast<std::size_t>(data)].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<NetworkSetup*>(user)->locks[static_cast<std::size_t>(data)].unlock();
    }

    static CURLcode installTrust(CURL*, void* sslContext, void* user) {
        X509_STORE* store = static_cast<const NetworkSetup*>(user)->trustStore();
        if (store == nullptr) return CURLE_SSL_CACERT_BADFILE;
        SSL_CTX_set1_cert_store(static_cast<SSL_CTX*>(sslContext), store);
        return CURLE_OK;
    }

    const std::uint64_t generation;
    const std::shared_ptr<const std::string> caBundle;
    std::unique_ptr<curl_slist, SlistDeleter> connectTo;
    CURLSH* share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
    mutable std::once_flag trustOnce;
    mutable X509_STORE* ownTrust = nullptr;
};

namespace {

std::shared_ptr<const NetworkSetup> currentSetup() {
    ensureCurlInitialised();
    // Never destroyed: threads may still finish transfers while the program exits.
    static auto* const mutex = new std::mutex;
    static auto* const current = new std::shared_ptr<const NetworkSetup>;
    const NetworkOverrides& overrides = NetworkOverrides::instance();
    const std::uint64_t generation = overrides.generation();
    std::lock_guard<std::mutex> lock(*mutex);
    if (!*current || (*current)->generation != generation)
        *current = std::make_shared<const NetworkSetup>(overrides.snapshot());
    return *current;
}

}  // namespace

CurlSession& CurlSession::forThisThread() {
    thread_local std::unique_ptr<CurlSession> session;
    std::shared_ptr<const NetworkSetup> setup = currentSetup();
    if (!session || session->setup_ != setup) {
        session.reset();
        session = std::make_unique<CurlSession>(std::move(setup));
    }
    return *session;
}

CurlSession::CurlSession(std::shared_ptr<const NetworkSetup> setup)
    : setup_(std::move(setup)), multi_(curl_multi_init()), easy_(curl_easy_init()) {
    if (multi_ != nullptr) curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kKeptConnections);
}

CurlSession::~CurlSession() {
    if (easy_ != nullptr) curl_easy_cleanup(easy_);
    if (multi_ != nullptr) curl_multi_cleanup(multi_);
}

CURL* CurlSession::prepare() {
    if (easy_ == nullptr) return nullptr;
    CURL* h = easy_;
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    if (setup_->share != nullptr) curl_easy_setopt(h, CURLOPT_SHARE, setup_->share);
    if (setup_->connectTo) curl_easy_setopt(h, CURLOPT_CONNECT_TO, setup_->connectTo.get());
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (openSslBackend()) {
        // libcurl would read the whole CA bundle for every new connection; the store
        // built once is handed to each TLS context instead.
        curl_easy_setopt(h, CURLOPT_CAINFO, nullptr);
        curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
        curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, &NetworkSetup::installTrust);
        curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, const_cast<NetworkSetup*>(setup_.get()));
    } else if (setup_->caBundle) {
        curl_blob blob{};
        blob.data = const_cast<char*>(setup_->caBundle->data());
        blob.len = setup_->caBundle->size();
        blob.flags = CURL_BLOB_NOCOPY;
        curl_easy_setopt(h, CURLOPT_CAINFO_BLOB, &blob);
    }
    return h;
}

CurlSession::Result CurlSession::run(const StopToken& stop, const std::function<bool()>& cutWhen) {
    Result result;
    if (multi_ == nullptr || easy_ == nullptr || curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
        result.code = CURLE_FAILED_INIT;
        return result;
    }
    for (;;) {
        int running = 0;
        const CURLMcode performed = curl_multi_perform(multi_, &running);
        bool finished = false;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
                result.code = message->data.result;
                finished = true;
            }
        }
        if (finished) break;
        if (performed != CURLM_OK) {
            result.code = CURLE_FAILED_INIT;
            break;
        }
        if (stop.stopRequested()) {
            result.end = End::Stopped;
            break;
        }
        if (cutWhen && cutWhen()) {
            result.end = End::Cut;
            break;
        }
        curl_multi_poll(multi_, nullptr, 0, kSliceMs, nullptr);
    }
    // Removing an unfinished exchange closes its connection; a finished one goes back to
    // the connection cache for the next exchange with the same host.
    curl_multi_remove_handle(multi_, easy_);
    return result;
}

}  // namespace lh
