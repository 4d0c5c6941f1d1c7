#pragma once
// GMime's start and ownership helpers for its reference-counted objects.
#include <gmime/gmime.h>

#include <memory>

namespace quellmark {

// Initialises GMime once for the process (safe from any thread). GMime is
// never shut down: other users in the same process may still hold objects,
// and the process's end frees everything anyway.
void EnsureGMime();

struct GObjectRelease {
    void operator()(gpointer object) const {
        if (object != nullptr) g_object_unref(object);
    }
};

// Sole ownership of one reference to a GObject.
template <typename T>
using GOwned = std::unique_ptr<T, GObjectRelease>;

}  // namespace quellmark
