#include "browser/QtModuleIconLoader.h"

#include <sys/stat.h>

#include <QPixmap>
#include <QTimer>

namespace tv {

namespace {

// Results that arrive close together reach the list as one update.
constexpr int kBatchMilliseconds = 30;

}  // namespace

CModuleIconLoader::CModuleIconLoader(Decoder decoder, QObject* parent)
    : QObject(parent), m_decoder(std::move(decoder)) {
    m_thread = std::thread([this] { Run(); });
}

CModuleIconLoader::~CModuleIconLoader() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

CModuleIconLoader::Stamp CModuleIconLoader::StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return Stamp{static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
                 static_cast<uint64_t>(st.st_size), true};
}

std::optional<QIcon> CModuleIconLoader::Lookup(const std::string& path) {
    const auto hit = m_cache.find(path);
    if (hit != m_cache.end() && hit->second.stamp == StampOf(path)) {
        m_ages.splice(m_ages.begin(), m_ages, hit->second.age);
        return hit->second.icon;
    }
    if (m_requested.emplace(path, true).second) {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(path);
        }
        m_wake.notify_one();
    }
    return std::nullopt;
}

void CModuleIconLoader::CancelPending() {
    std::lock_guard lock(m_mutex);
    for (const std::string& path : m_queue)
        m_requested.erase(path);
    m_queue.clear();
}

void CModuleIconLoader::Run() {
    for (;;) {
        std::string path;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            // The row painted last is the one the user looks at now.
            path = std::move(m_queue.back());
            m_queue.pop_back();
        }
        Decoded decoded;
        decoded.stamp = StampOf(path);
        decoded.images = m_decoder(path);
        decoded.path = std::move(path);
        ++m_decodes;
        std::lock_guard lock(m_mutex);
        if (m_stop) return;
        m_results.push_back(std::move(decoded));
        if (!m_resultsPosted) {
            m_resultsPosted = true;
            QMetaObject::invokeMethod(
                this,
                [this] { QTimer::singleShot(kBatchMilliseconds, this, [this] { TakeResults(); }); },
                Qt::QueuedConnection);
        }
    }
}

void CModuleIconLoader::TakeResults() {
    std::vector<Decoded> results;
    {
        std::lock_guard lock(m_mutex);
        results.swap(m_results);
        m_resultsPosted = false;
    }
    for (Decoded& decoded : results) {
        QIcon icon;
        for (const QImage& image : decoded.images)
            icon.addPixmap(QPixmap::fromImage(image));
        m_requested.erase(decoded.path);
        Remember(decoded.path, decoded.stamp, std::move(icon));
    }
    if (!results.empty()) emit iconsReady();
}

void CModuleIconLoader::Remember(const std::string& path, const Stamp& stamp, QIcon icon) {
    if (const auto old = m_cache.find(path); old != m_cache.end()) {
        m_ages.erase(old->second.age);
        m_cache.erase(old);
    }
    if (m_cache.size() >= kCacheCapacity) {
        m_cache.erase(m_ages.back());
        m_ages.pop_back();
    }
    m_ages.push_front(path);
    m_cache.emplace(path, CacheEntry{stamp, std::move(icon), m_ages.begin()});
}

}  // namespace tv
