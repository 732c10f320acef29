// The display lists of one file's pages, shared by all engine instances that have the file open, so
// that a page is interpreted once for all its sizes and its images are decoded once for all
// workers.
#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>

struct fz_context;
struct fz_display_list;

class MupdfDisplayLists {
public:
    // Lists kept per file; a heavy vector page can take megabytes, a photo page holds only
    // references to its images.
    static constexpr std::size_t capacity = 16;

    // The lists of the open file `fd` as it is now (its inode, size and modification time), shared
    // with every instance that has the same file open.
    static std::shared_ptr<MupdfDisplayLists> forFile(int fd);

    // The page's list with a reference for the caller (who drops it with its own context), built
    // by `build` when nobody has it. While another instance builds the same page this waits for
    // it, unless `cancel` is set. Null when the build fails or is cancelled; failures are not kept.
    using Build = std::function<fz_display_list*()>;
    fz_display_list* obtain(fz_context* context, int page, const Build& build,
                            const std::atomic_bool* cancel);

    // True only the first time a page is reported, so that a broken page is logged once.
    bool firstFailure(int page);

    // Called by each instance before it goes, with its own context: the last one drops the lists.
    void leave(fz_context* context);

    MupdfDisplayLists() = default;

private:
    struct Entry {
        int page = 0;
        fz_display_list* list = nullptr;
    };

    void insert(fz_context* context, int page, fz_display_list* list);

    std::mutex mutex;
    std::condition_variable built;
    std::list<Entry> entries; // most recently used first
    std::set<int> building;
    std::set<int> failed;
    int members = 0;
};
