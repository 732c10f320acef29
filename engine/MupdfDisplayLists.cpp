#include "engine/MupdfDisplayLists.h"

#include <QHash>

#include <mupdf/fitz.h>

#include <chrono>

#include <sys/stat.h>

namespace {

// How often a waiting instance looks at its cancel flag.
constexpr std::chrono::milliseconds cancelPoll(5);

struct Registry {
    std::mutex mutex;
    QHash<QString, std::weak_ptr<MupdfDisplayLists>> files;
};

Registry& registry() {
    // Never destroyed: instances on worker threads may go after static destructors ran.
    static Registry* const instance = new Registry;
    return *instance;
}

} // namespace

std::shared_ptr<MupdfDisplayLists> MupdfDisplayLists::forFile(int fd) {
    struct stat file {};
    fstat(fd, &file);
    const QString identity = QStringLiteral("%1:%2:%3:%4.%5")
                                 .arg(file.st_dev)
                                 .arg(file.st_ino)
                                 .arg(file.st_size)
                                 .arg(file.st_mtim.tv_sec)
                                 .arg(file.st_mtim.tv_nsec);
    Registry& files = registry();
    std::lock_guard lock(files.mutex);
    // Forget the files nobody has open any more.
    files.files.removeIf([](const auto& entry) { return entry.value().expired(); });
    std::shared_ptr<MupdfDisplayLists> lists = files.files.value(identity).lock();
    if (!lists) {
        lists = std::make_shared<MupdfDisplayLists>();
        files.files.insert(identity, lists);
    }
    std::lock_guard member(lists->mutex);
    ++lists->members;
    return lists;
}

fz_display_list* MupdfDisplayLists::obtain(fz_context* context, int page, const Build& build,
                                           const std::atomic_bool* cancel) {
    {
        std::unique_lock lock(mutex);
        for (;;) {
            const auto found =
                std::find_if(entries.begin(), entries.end(),
                             [page](const Entry& entry) { return entry.page == page; });
            if (found != entries.end()) {
                entries.splice(entries.begin(), entries, found);
                return fz_keep_display_list(context, found->list);
            }
            if (!building.contains(page))
                break;
            if (cancel && cancel->load())
                return nullptr;
            built.wait_for(lock, cancelPoll);
        }
        building.insert(page);
    }
    fz_display_list* const list = build();
    {
        std::lock_guard lock(mutex);
        building.erase(page);
        if (list)
            insert(context, page, list);
    }
    built.notify_all();
    return list;
}

void MupdfDisplayLists::insert(fz_context* context, int page, fz_display_list* list) {
    entries.push_front({page, fz_keep_display_list(context, list)});
    while (entries.size() > capacity) {
        fz_drop_display_list(context, entries.back().list);
        entries.pop_back();
    }
}

bool MupdfDisplayLists::firstFailure(int page) {
    std::lock_guard lock(mutex);
    return failed.insert(page).second;
}

void MupdfDisplayLists::leave(fz_context* context) {
    std::lock_guard lock(mutex);
    if (--members > 0)
        return;
    for (const Entry& entry : entries)
        fz_drop_display_list(context, entry.list);
    entries.clear();
}
