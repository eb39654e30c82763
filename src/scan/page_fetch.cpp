#include "scan/page_fetch.h"

namespace pg {}  // namespace pg
