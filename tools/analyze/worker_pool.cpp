#include "worker_pool.h"

#include <sched.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{

struct pool_state {
    std::atomic<size_t> next_item;
    size_t item_count;
    work_fn work;
    void *context;
};

void worker(pool_state *pool)
{
    for (;;) {
        const size_t item = pool->next_item.fetch_add(1);
        if (item >= pool->item_count)
            return;
        pool->work(pool->context, item);
    }
}

} // namespace

int available_cores()
{
    // The affinity mask, which taskset and container limits narrow; the
    // machine's count only when it cannot be read.
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 0)
        return CPU_COUNT(&cores);
    const unsigned machine = std::thread::hardware_concurrency();
    return machine > 0 ? static_cast<int>(machine) : 1;
}

int worker_count(size_t item_count, int asked)
{
    size_t count = static_cast<size_t>(available_cores());
    if (asked > 0 && static_cast<size_t>(asked) < count)
        count = static_cast<size_t>(asked);
    if (item_count < count)
        count = item_count;
    return count > 0 ? static_cast<int>(count) : 1;
}

void run_on_workers(size_t item_count, int workers, work_fn work, void *context)
{
    pool_state pool;
    pool.next_item = 0;
    pool.item_count = item_count;
    pool.work = work;
    pool.context = context;
    if (workers <= 1) {
        worker(&pool);
        return;
    }
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i)
        threads.emplace_back(worker, &pool);
    for (std::thread &t : threads)
        t.join();
}
