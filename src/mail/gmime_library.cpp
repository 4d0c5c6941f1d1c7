#include "mail/gmime_library.h"

#include <mutex>

namespace quellmark {

void EnsureGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

}  // namespace quellmark
