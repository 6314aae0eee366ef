// Work items run on a few threads: each thread takes the next item not yet
// taken until none is left, so long and short items share out by themselves.
#ifndef VENTROK_ANALYZE_WORKER_POOL_H
#define VENTROK_ANALYZE_WORKER_POOL_H

#include <cstddef>

// The cores this process may run on (at least 1).
int available_cores();

// The threads for item_count items: one per core, no more than asked for
// (asked 0: no limit) and no more than there are items; at least 1.
int worker_count(size_t item_count, int asked);

// Calls work(context, i) once for every i in 0..item_count-1 on workers
// threads (with one, on the calling thread) and returns when all are done.
// work must not touch what another item's call touches.
typedef void (*work_fn)(void *context, size_t item);
void run_on_workers(size_t item_count, int workers, work_fn work, void *context);

#endif
