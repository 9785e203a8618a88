#define VELKOR_NUMPY_API_OWNER
#include "python_module/numpy_api.hpp"

namespace velkor::py {

bool ensure_numpy() {
    static bool loaded = false;
    if (!loaded) loaded = _import_array() >= 0;
    return loaded;
}

}  // namespace velkor::py
