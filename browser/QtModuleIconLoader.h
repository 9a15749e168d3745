// Module icons for the list, decoded on a thread of their own: painting a row never waits for a
// module to be opened. Decoded icons stay in a small cache keyed by path, size and modification
// time, so going back to a folder shows its icons at once and a changed file is decoded anew.
#pragma once

#include <QIcon>
#include <QImage>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tv {

class CModuleIconLoader : public QObject {
    Q_OBJECT
public:
    // Decodes the images of a module's own icon; runs on the loader's thread, so it must not
    // touch widgets, pixmaps or icons. An empty result means the module has no icon of its own.
    using Decoder = std::function<std::vector<QImage>(const std::string& path)>;
    static constexpr size_t kCacheCapacity = 1024;

    explicit CModuleIconLoader(Decoder decoder, QObject* parent = nullptr);
    ~CModuleIconLoader() override;

    // The module's own icon when it is known: a null icon for a module without one. nullopt
    // while it is still being decoded; iconsReady follows once it is.
    [[nodiscard]] std::optional<QIcon> Lookup(const std::string& path);
    // Drops every request not yet started (the folder shown has changed).
    void CancelPending();
    // How many modules the thread has decoded so far.
    [[nodiscard]] size_t DecodeCount() const noexcept { return m_decodes.load(); }

signals:
    // Icons asked for have arrived: ask again with Lookup.
    void iconsReady();

private:
    struct Stamp {
        int64_t modified = 0;
        uint64_t size = 0;
        bool valid = false;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    struct Decoded {
        std::string path;
        Stamp stamp;
        std::vector<QImage> images;
    };
    struct CacheEntry {
        Stamp stamp;
        QIcon icon;
        std::list<std::string>::iterator age;
    };
    [[nodiscard]] static Stamp StampOf(const std::string& path);
    void Run();
    void TakeResults();
    void Remember(const std::string& path, const Stamp& stamp, QIcon icon);

    Decoder m_decoder;
    // UI thread only.
    std::unordered_map<std::string, CacheEntry> m_cache;
    std::list<std::string> m_ages;  // most recently used first
    std::unordered_map<std::string, bool> m_requested;
    // Shared with the thread.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::string> m_queue;
    std::vector<Decoded> m_results;
    bool m_resultsPosted = false;
    bool m_stop = false;
    std::atomic<size_t> m_decodes{0};
    std::thread m_thread;
};

}  // namespace tv
