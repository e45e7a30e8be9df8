// Memory for list documents. A list of ten thousand entries parses into
// some fifty thousand nodes; handing their pages back to the system after
// each operation makes the next one fault all of them in again. Freed
// blocks are kept, up to a bound, and handed out again.
#include "ListMemory.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

constexpr std::size_t kHeader = alignof(std::max_align_t);
constexpr std::size_t kKeptBytes = 16u << 20;

struct Pool {
    std::mutex lock;
    std::vector<void*> blocks; // each starts with its capacity
    std::size_t kept = 0;
};

Pool& ThePool()
{
    // Never destroyed: a document may be freed late in the program's exit.
    static Pool* pool = new Pool;
    return *pool;
}

std::size_t& SizeOf(void* block) { return *static_cast<std::size_t*>(block); }

void* Allocate(std::size_t size)
{
    Pool& pool = ThePool();
    {
        std::lock_guard guard(pool.lock);
        for (auto it = pool.blocks.rbegin(); it != pool.blocks.rend(); ++it) {
            // A list that grew a little since the last operation still
            // fits the block its text had then.
            const std::size_t capacity = SizeOf(*it);
            if (capacity >= size && capacity - size <= size / 4 + 4096) {
                void* block = *it;
                pool.blocks.erase(std::next(it).base());
                pool.kept -= capacity;
                return static_cast<char*>(block) + kHeader;
            }
        }
    }
    void* block = std::malloc(kHeader + size);
    if (!block)
        return nullptr;
    SizeOf(block) = size;
    return static_cast<char*>(block) + kHeader;
}

void Deallocate(void* pointer)
{
    if (!pointer)
        return;
    void* block = static_cast<char*>(pointer) - kHeader;
    Pool& pool = ThePool();
    {
        std::lock_guard guard(pool.lock);
        if (pool.kept + SizeOf(block) <= kKeptBytes) {
            pool.kept += SizeOf(block);
            pool.blocks.push_back(block);
            return;
        }
    }
    std::free(block);
}

} // namespace

void UseListMemory()
{
    static const bool installed = [] {
        pugi::set_memory_management_functions(Allocate, Deallocate);
        return true;
    }();
    (void)installed;
}
